#include "controls/inputs/inputs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QValidator>

#include "controls/inputs/number_text.h"

namespace qv {

namespace {

// Rewrites every change of a line edit's text, typed, pasted or assigned: letter case and,
// for the numeric edit, the number filter.
class TextRule : public QValidator {
public:
    explicit TextRule(QObject* parent) : QValidator(parent) {}
    CharCase charCase = CharCase::Normal;
    bool numeric = false;
    bool allowMinus = false;

    State validate(QString& input, int& pos) const override
    {
        QString out = input;
        if (charCase == CharCase::Upper)
            out = out.toUpper();
        else if (charCase == CharCase::Lower)
            out = out.toLower();
        if (numeric)
            out = FilterNumberText(out, allowMinus);
        if (out != input) {
            if (numeric) {
                // Keep the caret behind the kept characters that stood before it.
                qsizetype before = FilterNumberText(input.left(pos), false).size();
                if (out.startsWith(QLatin1Char('-')))
                    ++before;
                pos = int(qMin(out.size(), before));
            }
            input = out;
        }
        return Acceptable;
    }
};

TextRule* ruleOf(QLineEdit* e)
{
    if (!e)
        return nullptr;
    auto* r = dynamic_cast<TextRule*>(const_cast<QValidator*>(e->validator()));
    if (!r) {
        r = new TextRule(e);
        e->setValidator(r);
    }
    return r;
}

// Re-run the rule on the present text (after the rule itself changed).
void reapply(QLineEdit* e)
{
    QString t = e->text();
    int pos = e->cursorPosition();
    if (e->validator())
        e->validator()->validate(t, pos);
    if (t != e->text())
        e->setText(t);
}

void applyDisabledColour(QWidget* w)
{
    const QPalette app = QApplication::palette(w);
    QPalette p = w->palette();
    const QColor bg = w->isEnabled() ? app.color(QPalette::Active, QPalette::Base)
                                     : app.color(QPalette::Active, QPalette::Button);
    for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(g, QPalette::Base, bg);
    w->setPalette(p);
}

bool isReturn(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }

bool isPlainTab(const QEvent* ev)
{
    if (ev->type() != QEvent::KeyPress)
        return false;
    const auto* k = static_cast<const QKeyEvent*>(ev);
    return k->key() == Qt::Key_Tab && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

// ---- TqvStrEdit ------------------------------------------------------------------------

TqvStrEdit::TqvStrEdit(QWidget* parent) : QLineEdit(parent)
{
    applyDisabledColour(this);
}

bool TqvStrEdit::IsNull() const { return IsBlankText(text()); }

void TqvStrEdit::setCharCase(CharCase c)
{
    m_charCase = c;
    ruleOf(this)->charCase = c;
    reapply(this);
}

bool TqvStrEdit::event(QEvent* e)
{
    if (keys.wantTabs && isPlainTab(e)) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QLineEdit::event(e);
}

void TqvStrEdit::keyPressEvent(QKeyEvent* e)
{
    if (keys.wantReturns && isReturn(e)) {
        focusNextPrevChild(true);
        e->accept();
        return;
    }
    if (keys.wantArrow) {
        switch (e->key()) {
        case Qt::Key_Left:
            if (cursorPosition() == 0 && !hasSelectedText())
                focusNextPrevChild(false);
            break;
        case Qt::Key_Up: focusNextPrevChild(false); break;
        case Qt::Key_Right:
            if (cursorPosition() == text().size())
                focusNextPrevChild(true);
            break;
        case Qt::Key_Down: focusNextPrevChild(true); break;
        default: break;
        }
    }
    QLineEdit::keyPressEvent(e);
}

void TqvStrEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    if (keys.autoSave)
        Save();
    enteredFocus();
}

void TqvStrEdit::changeEvent(QEvent* e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::EnabledChange)
        applyDisabledColour(this);
}

// ---- TqvNumEdit ------------------------------------------------------------------------

TqvNumEdit::TqvNumEdit(QWidget* parent) : TqvStrEdit(parent)
{
    ruleOf(this)->numeric = true;
}

void TqvNumEdit::setAllowMinus(bool on)
{
    m_allowMinus = on;
    ruleOf(this)->allowMinus = on;
    reapply(this);
}

double TqvNumEdit::ValueFloat() const { return StrToFloatOrDefault(text(), 0); }

void TqvNumEdit::setValueFloat(double v)
{
    const QString s = FloatToText(v);
    if (!text().isEmpty() || s != QLatin1String("0"))
        setText(s);
}

int TqvNumEdit::ValueInt() const { return RoundHalfEven(ValueFloat()); }

void TqvNumEdit::setValueInt(int v)
{
    const QString s = QString::number(v);
    if (!text().isEmpty() || s != QLatin1String("0"))
        setText(s);
}

void TqvNumEdit::enteredFocus() { selectAll(); }

// ---- TqvComboBox -----------------------------------------------------------------------

TqvComboBox::TqvComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    applyDisabledColour(this);
}

bool TqvComboBox::IsNull() const { return IsBlankText(currentText()); }

void TqvComboBox::setCharCase(CharCase c)
{
    m_charCase = c;
    if (QLineEdit* e = lineEdit()) {
        ruleOf(e)->charCase = c;
        reapply(e);
    }
}

bool TqvComboBox::event(QEvent* e)
{
    if (keys.wantTabs && isPlainTab(e)) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QComboBox::event(e);
}

void TqvComboBox::keyPressEvent(QKeyEvent* e)
{
    if (keys.wantReturns && isReturn(e)) {
        focusNextPrevChild(true);
        e->accept();
        return;
    }
    if (keys.wantArrow) {
        QLineEdit* le = lineEdit();
        if (e->key() == Qt::Key_Left) {
            if (!le || (le->cursorPosition() == 0 && !le->hasSelectedText()))
                focusNextPrevChild(false);
        } else if (e->key() == Qt::Key_Right) {
            if (!le || le->cursorPosition() == le->text().size())
                focusNextPrevChild(true);
        }
    }
    QComboBox::keyPressEvent(e);
}

void TqvComboBox::focusInEvent(QFocusEvent* e)
{
    QComboBox::focusInEvent(e);
    if (keys.autoSave)
        Save();
}

void TqvComboBox::changeEvent(QEvent* e)
{
    QComboBox::changeEvent(e);
    if (e->type() == QEvent::EnabledChange)
        applyDisabledColour(this);
}

// ---- TqvCheckBox -----------------------------------------------------------------------

TqvCheckBox::TqvCheckBox(QWidget* parent) : QCheckBox(parent) {}
TqvCheckBox::TqvCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

bool TqvCheckBox::event(QEvent* e)
{
    if (keys.wantTabs && isPlainTab(e)) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QCheckBox::event(e);
}

void TqvCheckBox::keyPressEvent(QKeyEvent* e)
{
    if (keys.wantReturns && isReturn(e)) {
        focusNextPrevChild(true);
        e->accept();
        return;
    }
    QCheckBox::keyPressEvent(e);
}

void TqvCheckBox::focusInEvent(QFocusEvent* e)
{
    QCheckBox::focusInEvent(e);
    if (keys.autoSave)
        Save();
}

// ---- TqvRadioButton --------------------------------------------------------------------

TqvRadioButton::TqvRadioButton(QWidget* parent) : QRadioButton(parent) {}
TqvRadioButton::TqvRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

bool TqvRadioButton::event(QEvent* e)
{
    if (keys.wantTabs && isPlainTab(e)) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QRadioButton::event(e);
}

void TqvRadioButton::keyPressEvent(QKeyEvent* e)
{
    if (keys.wantReturns && isReturn(e)) {
        focusNextPrevChild(true);
        e->accept();
        return;
    }
    QRadioButton::keyPressEvent(e);
}

void TqvRadioButton::focusInEvent(QFocusEvent* e)
{
    QRadioButton::focusInEvent(e);
    if (keys.autoSave)
        Save();
}

// ---- TqvListBox ------------------------------------------------------------------------

TqvListBox::TqvListBox(QWidget* parent) : QListWidget(parent) {}

bool TqvListBox::handleEditCommand(EditCommand cmd)
{
    if (cmd != EditCommand::SelectAll)
        return false;
    if (selectionMode() == QAbstractItemView::MultiSelection ||
        selectionMode() == QAbstractItemView::ExtendedSelection)
        selectAll();
    return true;
}

} // namespace qv
