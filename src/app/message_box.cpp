#include "app/message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/escape_watch.h"
#include "controls/inputs/inputs.h"

namespace qv {

namespace {

struct ButtonDef {
    QMessageBox::StandardButton button;
    int id;
    const char* text;
};

const ButtonDef kOk{QMessageBox::Ok, IDOK, "OK"};
const ButtonDef kCancel{QMessageBox::Cancel, IDCANCEL, "キャンセル"};
const ButtonDef kAbort{QMessageBox::Abort, IDABORT, "中止(&A)"};
const ButtonDef kRetry{QMessageBox::Retry, IDRETRY, "再試行(&R)"};
const ButtonDef kIgnore{QMessageBox::Ignore, IDIGNORE, "無視(&I)"};
const ButtonDef kYes{QMessageBox::Yes, IDYES, "はい(&Y)"};
const ButtonDef kNo{QMessageBox::No, IDNO, "いいえ(&N)"};

// The buttons of the low four flag bits, in their order for the default-button bits.
QList<ButtonDef> buttonsOf(int flags)
{
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {kOk, kCancel};
    case MB_ABORTRETRYIGNORE: return {kAbort, kRetry, kIgnore};
    case MB_YESNOCANCEL: return {kYes, kNo, kCancel};
    case MB_YESNO: return {kYes, kNo};
    case MB_RETRYCANCEL: return {kRetry, kCancel};
    default: return {kOk};
    }
}

int defaultIndex(int flags, qsizetype count)
{
    const int i = (flags >> 8) & 0x3;
    return i < count ? i : 0;
}

// Esc and the close box answer Cancel where there is one and OK in a box with OK alone;
// other boxes must be answered with a button.
bool escapeAllowed(const QList<ButtonDef>& buttons)
{
    if (buttons.size() == 1)
        return true;
    for (const auto& b : buttons)
        if (b.id == IDCANCEL)
            return true;
    return false;
}

class ProgramMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool allowEscape = true;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (!allowEscape && e->matches(QKeySequence::Cancel)) {
            e->accept();
            return;
        }
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override
    {
        if (!allowEscape) {
            e->ignore();
            return;
        }
        QMessageBox::closeEvent(e);
    }
};

void processPending()
{
    // A box during a long loop must take the user's input.
    EscapeWatch::end();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QWidget* boxOwner()
{
    QWidget* w = QApplication::activeModalWidget();
    if (!w)
        w = QApplication::activeWindow();
    return w;
}

QStyle::StandardPixmap iconPixmapOf(int flags)
{
    switch (flags & 0x70) {
    case MB_ICONERROR: return QStyle::SP_MessageBoxCritical;
    case MB_ICONQUESTION: return QStyle::SP_MessageBoxQuestion;
    case MB_ICONWARNING: return QStyle::SP_MessageBoxWarning;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

} // namespace

QString applicationTitle() { return QGuiApplication::applicationDisplayName(); }

int messageBoxResult(QMessageBox::StandardButton b)
{
    for (const auto& d : {kOk, kCancel, kAbort, kRetry, kIgnore, kYes, kNo})
        if (d.button == b)
            return d.id;
    return 0;
}

QMessageBox* createMessageBox(const QString& text, int flags, QWidget* parent)
{
    auto* box = new ProgramMessageBox(parent);
    box->setWindowTitle(applicationTitle());
    box->setText(text);
    box->setTextFormat(Qt::PlainText);
    switch (flags & 0x70) {
    case MB_ICONERROR: box->setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box->setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box->setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box->setIcon(QMessageBox::Information); break;
    default: break;
    }
    const QList<ButtonDef> buttons = buttonsOf(flags);
    QList<QPushButton*> made;
    for (const auto& b : buttons) {
        QPushButton* pb = box->addButton(b.button);
        pb->setText(QString::fromUtf8(b.text));
        made.append(pb);
    }
    box->setDefaultButton(made.at(defaultIndex(flags, made.size())));
    box->allowEscape = escapeAllowed(buttons);
    if (box->allowEscape) {
        QPushButton* esc = made.first();
        for (int i = 0; i < buttons.size(); ++i)
            if (buttons.at(i).id == IDCANCEL)
                esc = made.at(i);
        box->setEscapeButton(esc);
    }
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

int ShowMessageBox(const QString& text, int flags)
{
    processPending();
    QMessageBox* box = createMessageBox(text, flags, boxOwner());
    box->exec();
    int id = messageBoxResult(box->standardButton(box->clickedButton()));
    if (id == 0) // closed without a button: Cancel where there is one, else OK
        id = (flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
    delete box;
    return id;
}

QString FormatText(const QString& text, const QVariantList& args)
{
    QString out;
    qsizetype argi = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('%') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        qsizetype j = i + 1;
        if (text.at(j) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i = j;
            continue;
        }
        bool left = false;
        if (text.at(j) == QLatin1Char('-')) {
            left = true;
            ++j;
        }
        int width = 0;
        while (j < text.size() && text.at(j).isDigit())
            width = width * 10 + text.at(j++).digitValue();
        int prec = -1;
        if (j < text.size() && text.at(j) == QLatin1Char('.')) {
            ++j;
            prec = 0;
            while (j < text.size() && text.at(j).isDigit())
                prec = prec * 10 + text.at(j++).digitValue();
        }
        if (j >= text.size()) {
            out += text.mid(i);
            break;
        }
        const QChar type = text.at(j).toLower();
        const QVariant arg = argi < args.size() ? args.at(argi) : QVariant();
        QString piece;
        bool known = true;
        switch (type.unicode()) {
        case 'd':
        case 'u': {
            piece = QString::number(arg.toLongLong());
            if (prec > 0 && piece.size() < prec) {
                const bool neg = piece.startsWith(QLatin1Char('-'));
                QString digits = neg ? piece.mid(1) : piece;
                digits = digits.rightJustified(prec, QLatin1Char('0'));
                piece = (neg ? QStringLiteral("-") : QString()) + digits;
            }
            break;
        }
        case 'x': piece = QString::number(arg.toLongLong(), 16).toUpper(); break;
        case 's': piece = arg.toString(); if (prec >= 0) piece = piece.left(prec); break;
        case 'f': piece = QString::number(arg.toDouble(), 'f', prec < 0 ? 2 : prec); break;
        case 'e': piece = QString::number(arg.toDouble(), 'E', prec < 0 ? 14 : qMax(0, prec - 1)); break;
        case 'g': piece = QString::number(arg.toDouble(), 'g', prec < 0 ? 15 : prec); break;
        case 'n': piece = QLocale::c().toString(arg.toDouble(), 'f', prec < 0 ? 2 : prec); break;
        default: known = false; break;
        }
        if (!known) {
            out += text.mid(i, j - i + 1);
            i = j;
            continue;
        }
        ++argi;
        if (piece.size() < width)
            piece = left ? piece.leftJustified(width) : piece.rightJustified(width);
        out += piece;
        i = j;
    }
    return out;
}

int ShowMessageBoxFmt(const QString& text, const QVariantList& args, int flags)
{
    return ShowMessageBox(FormatText(text, args), flags);
}

// ---- check message box -------------------------------------------------------------------

CheckMessageDialog::CheckMessageDialog(const QString& text, int flags, const CheckList& checks, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(applicationTitle());
    auto* grid = new QGridLayout(this);
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(iconPixmapOf(flags), nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);
    grid->addWidget(icon, 0, 0, 2, 1);
    message = new QLabel(text, this);
    message->setObjectName(QStringLiteral("Message"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(message, 0, 1);
    auto* boxes = new QVBoxLayout;
    for (int i = 0; i < checks.size(); ++i) {
        auto* cb = new QCheckBox(checks.at(i).caption, this);
        cb->setObjectName(QStringLiteral("Check%1").arg(i));
        cb->setChecked(checks.at(i).value && *checks.at(i).value);
        boxes->addWidget(cb);
        checkBoxes.append(cb);
    }
    grid->addLayout(boxes, 1, 1);
    auto* bb = new QDialogButtonBox(this);
    const QList<ButtonDef> buttons = buttonsOf(flags);
    QList<QPushButton*> made;
    for (const auto& b : buttons) {
        auto* pb = new QPushButton(QString::fromUtf8(b.text), this);
        pb->setAutoDefault(true);
        bb->addButton(pb, QDialogButtonBox::ActionRole);
        const int id = b.id;
        connect(pb, &QPushButton::clicked, this, [this, id] {
            m_result = id;
            done(id);
        });
        made.append(pb);
    }
    grid->addWidget(bb, 2, 0, 1, 2);
    // The chosen default button comes first in the tab order, those before it move last.
    const int def = defaultIndex(flags, made.size());
    made.at(def)->setDefault(true);
    QList<QPushButton*> order = made.mid(def) + made.mid(0, def);
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
    made.at(def)->setFocus();
    m_escape = escapeAllowed(buttons);
    if (m_escape) {
        int escIdx = 0;
        for (int i = 0; i < buttons.size(); ++i)
            if (buttons.at(i).id == IDCANCEL)
                escIdx = i;
        m_escapeId = buttons.at(escIdx).id;
    }
    setWindowModality(Qt::ApplicationModal);
}

void CheckMessageDialog::reject()
{
    if (!m_escape)
        return;
    m_result = m_escapeId;
    QDialog::reject();
}

int ShowCheckMessageBox(const QString& text, int flags, const CheckList& checks)
{
    processPending();
    CheckMessageDialog dlg(text, flags, checks, boxOwner());
    dlg.exec();
    for (int i = 0; i < checks.size() && i < dlg.checkBoxes.size(); ++i)
        if (checks.at(i).value)
            *checks.at(i).value = dlg.checkBoxes.at(i)->isChecked();
    return dlg.buttonId();
}

// ---- input dialogs ---------------------------------------------------------------------

QSize GetAveCharSize(const QWidget* w)
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics fm(w->font());
    return QSize(fm.horizontalAdvance(letters) / 52, fm.height());
}

namespace {

QDialogButtonBox* okCancel(QDialog* dlg, int buttonWidth)
{
    auto* bb = new QDialogButtonBox(dlg);
    auto* ok = bb->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    auto* cancel = bb->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    cancel->setObjectName(QStringLiteral("btnCancel"));
    ok->setDefault(true);
    ok->setMinimumWidth(buttonWidth);
    cancel->setMinimumWidth(buttonWidth);
    bb->setCenterButtons(true);
    QObject::connect(bb, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(bb, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    return bb;
}

// Enter in the dialog's own fields presses OK, not the next field.
void enterPressesOk(TqvStrEdit* e) { e->keys.wantReturns = false; }

} // namespace

InputDialog::InputDialog(const QString& caption, const QString& prompt, const QString& value, bool numeric,
                         const QString& owner, const QStringList& ownerList, const CheckList& checks,
                         QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    const QSize unit = GetAveCharSize(this);
    const int fieldWidth = 164 * unit.width() / 4;
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(8 * unit.width() / 4, 8 * unit.height() / 8, 8 * unit.width() / 4, 13);
    auto* lbl = new QLabel(prompt, this);
    lbl->setObjectName(QStringLiteral("lblPrompt"));
    lbl->setWordWrap(true);
    lbl->setMaximumWidth(fieldWidth);
    lay->addWidget(lbl);
    if (numeric) {
        valueEdit = new TqvNumEdit(this);
        valueEdit->setMaxLength(9);
    } else {
        valueEdit = new TqvStrEdit(this);
        valueEdit->setMaxLength(255);
    }
    valueEdit->setObjectName(QStringLiteral("txtValue"));
    enterPressesOk(valueEdit);
    valueEdit->setText(value);
    valueEdit->selectAll();
    valueEdit->setMinimumWidth(fieldWidth);
    lay->addWidget(valueEdit);
    if (!ownerList.isEmpty()) {
        auto* ol = new QLabel(QStringLiteral("コピー先所有者"), this);
        lay->addWidget(ol);
        ownerBox = new TqvComboBox(this);
        ownerBox->setObjectName(QStringLiteral("cmbOwner"));
        ownerBox->keys.wantReturns = false;
        ownerBox->addItems(ownerList);
        const int idx = ownerList.indexOf(owner);
        if (idx >= 0)
            ownerBox->setCurrentIndex(idx);
        else
            ownerBox->setCurrentIndex(-1);
        ownerBox->setMinimumWidth(fieldWidth);
        lay->addWidget(ownerBox);
        ol->setBuddy(ownerBox);
    }
    for (int i = 0; i < checks.size(); ++i) {
        auto* cb = new QCheckBox(checks.at(i).caption, this);
        cb->setObjectName(QStringLiteral("Check%1").arg(i));
        cb->setChecked(checks.at(i).value && *checks.at(i).value);
        lay->addWidget(cb);
        checkBoxes.append(cb);
    }
    lay->addSpacing(checks.isEmpty() ? 14 : 5);
    lay->addWidget(okCancel(this, 50 * unit.width() / 4));
    setMinimumWidth(180 * unit.width() / 4);
    valueEdit->setFocus();
}

bool ShowInputDialog(const QString& caption, const QString& prompt, QString& value, bool numeric,
                     QString& owner, const QStringList& ownerList, const CheckList& checks)
{
    InputDialog dlg(caption, prompt, value, numeric, owner, ownerList, checks, boxOwner());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    value = dlg.valueEdit->text();
    if (dlg.ownerBox)
        owner = dlg.ownerBox->currentText();
    for (int i = 0; i < checks.size() && i < dlg.checkBoxes.size(); ++i)
        if (checks.at(i).value)
            *checks.at(i).value = dlg.checkBoxes.at(i)->isChecked();
    return true;
}

CopyDatabasesDialog::CopyDatabasesDialog(const QString& caption, const QString& prompt, const QString& sourceDB,
                                         const QString& destDB, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    const QSize unit = GetAveCharSize(this);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(8 * unit.width() / 4, 8 * unit.height() / 8, 8 * unit.width() / 4, 13);
    auto* lbl = new QLabel(prompt, this);
    lbl->setWordWrap(true);
    lbl->setMaximumWidth(164 * unit.width() / 4);
    lay->addWidget(lbl);
    lay->addSpacing(15);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(15);
    sourceEdit = new TqvStrEdit(this);
    sourceEdit->setObjectName(QStringLiteral("txtSource"));
    destEdit = new TqvStrEdit(this);
    destEdit->setObjectName(QStringLiteral("txtDest"));
    for (auto* e : {sourceEdit, destEdit}) {
        enterPressesOk(e);
        e->setMinimumWidth(100 * unit.width() / 4);
    }
    sourceEdit->setText(sourceDB);
    sourceEdit->selectAll();
    destEdit->setText(destDB);
    destEdit->selectAll();
    auto* l1 = new QLabel(QStringLiteral("コピー元DB"), this);
    auto* l2 = new QLabel(QStringLiteral("コピー先DB"), this);
    l1->setBuddy(sourceEdit);
    l2->setBuddy(destEdit);
    grid->addWidget(l1, 0, 0);
    grid->addWidget(sourceEdit, 0, 1);
    grid->addWidget(l2, 1, 0);
    grid->addWidget(destEdit, 1, 1);
    lay->addLayout(grid);
    lay->addSpacing(14);
    lay->addWidget(okCancel(this, 50 * unit.width() / 4));
    setMinimumWidth(180 * unit.width() / 4);
    sourceEdit->setFocus();
}

bool InputCopyDatabases(const QString& caption, const QString& prompt, QString& sourceDB, QString& destDB)
{
    CopyDatabasesDialog dlg(caption, prompt, sourceDB, destDB, boxOwner());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    sourceDB = dlg.sourceEdit->text();
    destDB = dlg.destEdit->text();
    return true;
}

} // namespace qv
