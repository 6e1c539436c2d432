#include "sql/memo_convert.h"

#include "app/images.h"
#include "app/message_box.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

using namespace convert;

std::function<int(const QString&, int)>& TfraMemoConvert::MessageHook()
{
    static std::function<int(const QString&, int)> hook;
    return hook;
}

std::function<bool(const QString&, const QString&, QString&)>& TfraMemoConvert::InputHook()
{
    static std::function<bool(const QString&, const QString&, QString&)> hook;
    return hook;
}

TfraMemoConvert::TfraMemoConvert(TqvMemo* editor, QWidget* body) : QWidget(body), m_editor(editor)
{
    setObjectName(QStringLiteral("fraConvert"));
    // The section's placeholder gives way to the panel.
    for (QLabel* note : body->findChildren<QLabel*>(QStringLiteral("lblNotAvailable"), Qt::FindDirectChildrenOnly))
        delete note;
    if (!body->layout())
        new QVBoxLayout(body);
    body->layout()->addWidget(this);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(4);

    auto* ruleRow = new QHBoxLayout;
    ruleRow->addWidget(new QLabel(QStringLiteral("ルール"), this));
    cmbRule = new QComboBox(this);
    cmbRule->setObjectName(QStringLiteral("cmbRule"));
    cmbRule->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbRule->setMinimumContentsLength(8);
    ruleRow->addWidget(cmbRule, 1);
    auto tool = [this, ruleRow](const char* name, const char* icon, int image, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setIcon(QIcon::fromTheme(QLatin1String(icon), imgMain(image)));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        ruleRow->addWidget(b);
        return b;
    };
    btnRuleAdd = tool("btnRuleAdd", "list-add", 37, QStringLiteral("ルールの追加"));
    btnRuleDel = tool("btnRuleDel", "list-remove", 41, QStringLiteral("ルールの削除"));
    btnRuleUpd = tool("btnRuleUpd", "document-save", 18, QStringLiteral("ルールの更新"));
    v->addLayout(ruleRow);

    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        return e;
    };
    auto* grpRule = new QGroupBox(QStringLiteral("ルール指定"), this);
    auto* rg = new QGridLayout(grpRule);
    txtRowSt = edit("txtRowSt");
    txtRowEd = edit("txtRowEd");
    txtStrChar = edit("txtStrChar");
    rg->addWidget(new QLabel(QStringLiteral("行頭テキスト"), grpRule), 0, 0);
    rg->addWidget(txtRowSt, 0, 1);
    rg->addWidget(new QLabel(QStringLiteral("行末テキスト"), grpRule), 1, 0);
    rg->addWidget(txtRowEd, 1, 1);
    rg->addWidget(new QLabel(QStringLiteral("文字列記号"), grpRule), 2, 0);
    rg->addWidget(txtStrChar, 2, 1);
    v->addWidget(grpRule);

    auto* grpEscape = new QGroupBox(QStringLiteral("文字列のエスケープ"), this);
    auto* eg = new QGridLayout(grpEscape);
    eg->addWidget(new QLabel(QStringLiteral("変換前"), grpEscape), 0, 0);
    eg->addWidget(new QLabel(QStringLiteral("変換後"), grpEscape), 0, 2);
    txtBefore1 = edit("txtBefore1");
    txtAfter1 = edit("txtAfter1");
    txtBefore2 = edit("txtBefore2");
    txtAfter2 = edit("txtAfter2");
    txtBefore3 = edit("txtBefore3");
    txtAfter3 = edit("txtAfter3");
    const QList<QPair<QLineEdit*, QLineEdit*>> pairs{{txtBefore1, txtAfter1}, {txtBefore2, txtAfter2}, {txtBefore3, txtAfter3}};
    for (int i = 0; i < pairs.size(); ++i) {
        eg->addWidget(pairs[i].first, i + 1, 0);
        eg->addWidget(new QLabel(QStringLiteral("→"), grpEscape), i + 1, 1);
        eg->addWidget(pairs[i].second, i + 1, 2);
    }
    v->addWidget(grpEscape);

    chkHdSpaceOn = new QCheckBox(QStringLiteral("ソース出力時に先頭空白を付加する"), this);
    chkHdSpaceOn->setObjectName(QStringLiteral("chkHdSpaceOn"));
    v->addWidget(chkHdSpaceOn);

    auto* buttons = new QHBoxLayout;
    btnSource = new QPushButton(QStringLiteral("ソースの出力"), this);
    btnSource->setObjectName(QStringLiteral("btnSource"));
    btnSQL = new QPushButton(QStringLiteral("SQLに戻す"), this);
    btnSQL->setObjectName(QStringLiteral("btnSQL"));
    buttons->addWidget(btnSource);
    buttons->addWidget(btnSQL);
    v->addLayout(buttons);
    v->addStretch(1);

    connect(cmbRule, &QComboBox::activated, this, [this](int i) { cmbRuleChange(i); });
    connect(btnRuleAdd, &QToolButton::clicked, this, [this] { btnRuleAddClick(); });
    connect(btnRuleDel, &QToolButton::clicked, this, [this] { btnRuleDelClick(); });
    connect(btnRuleUpd, &QToolButton::clicked, this, [this] { btnRuleUpdClick(); });
    connect(btnSource, &QPushButton::clicked, this, [this] { btnSourceClick(); });
    connect(btnSQL, &QPushButton::clicked, this, [this] { btnSQLClick(); });
    fillCombo();
    showRule(BuiltInRule(0));
}

int TfraMemoConvert::message(const QString& text, int flags)
{
    return MessageHook() ? MessageHook()(text, flags) : ShowMessageBox(text, flags);
}

void TfraMemoConvert::fillCombo()
{
    const QSignalBlocker block(cmbRule);
    cmbRule->clear();
    cmbRule->addItems(RuleNames(m_inf));
}

void TfraMemoConvert::LoadRules()
{
    m_inf = convert::LoadRules(Registry());
    fillCombo();
    const int index = m_inf.iItemIndex >= 0 && m_inf.iItemIndex < cmbRule->count() ? m_inf.iItemIndex : 0;
    cmbRuleChange(index);
}

void TfraMemoConvert::showRule(const TRuleDetails& r)
{
    txtRowSt->setText(r.sRowSt);
    txtRowEd->setText(r.sRowEd);
    txtStrChar->setText(r.sStrChar);
    chkHdSpaceOn->setChecked(r.bHdSpaceOn);
    txtBefore1->setText(r.sBefore1);
    txtAfter1->setText(r.sAfter1);
    txtBefore2->setText(r.sBefore2);
    txtAfter2->setText(r.sAfter2);
    txtBefore3->setText(r.sBefore3);
    txtAfter3->setText(r.sAfter3);
}

TRuleDetails TfraMemoConvert::FieldRule() const
{
    TRuleDetails r;
    r.sRuleNm = cmbRule->currentText();
    r.sRowSt = txtRowSt->text();
    r.sRowEd = txtRowEd->text();
    r.sStrChar = txtStrChar->text();
    r.bHdSpaceOn = chkHdSpaceOn->isChecked();
    r.sBefore1 = txtBefore1->text();
    r.sAfter1 = txtAfter1->text();
    r.sBefore2 = txtBefore2->text();
    r.sAfter2 = txtAfter2->text();
    r.sBefore3 = txtBefore3->text();
    r.sAfter3 = txtAfter3->text();
    return r;
}

void TfraMemoConvert::cmbRuleChange(int index)
{
    if (cmbRule->currentIndex() != index) {
        const QSignalBlocker block(cmbRule);
        cmbRule->setCurrentIndex(index);
    }
    if (index < kBuiltInRules)
        showRule(BuiltInRule(index));
    else if (!cmbRule->currentText().isEmpty())
        showRule(RuleOfItem(m_inf, index));
    btnRuleUpd->setEnabled(index >= kBuiltInRules);
    btnRuleDel->setEnabled(index >= kBuiltInRules);
    m_inf.iItemIndex = index;
    SaveItemIndex(Registry(), index);
}

void TfraMemoConvert::btnRuleAddClick()
{
    QString refusal = RefuseNewRule(m_inf, QString(), false);
    if (!refusal.isEmpty()) {
        message(refusal, MB_ICONWARNING);
        return;
    }
    QString name;
    const QString caption = QStringLiteral("ルール名の入力");
    const QString prompt = QStringLiteral("ルール名を入力して下さい。");
    bool ok;
    if (InputHook()) {
        ok = InputHook()(caption, prompt, name);
    } else {
        QString owner;
        ok = ShowInputDialog(caption, prompt, name, false, owner, {}, {});
    }
    if (!ok)
        return;
    refusal = RefuseNewRule(m_inf, name);
    if (!refusal.isEmpty()) {
        message(refusal, MB_ICONWARNING);
        return;
    }
    TRuleDetails r = FieldRule();
    r.sRuleNm = name;
    m_inf.wRuleDtl[size_t(FirstFreeSlot(m_inf))] = r;
    SaveRules(Registry(), m_inf);
    fillCombo();
    cmbRuleChange(cmbRule->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    message(QStringLiteral("ルールを追加しました。"), MB_ICONINFORMATION);
}

void TfraMemoConvert::btnRuleUpdClick()
{
    const QString name = cmbRule->currentText();
    if (message(QStringLiteral("ルール【") + name + QStringLiteral("】を更新しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const int slot = FindSlot(m_inf, name);
    if (slot < 0)
        return;
    TRuleDetails r = FieldRule();
    r.sRuleNm = name;
    m_inf.wRuleDtl[size_t(slot)] = r;
    SaveRules(Registry(), m_inf);
    message(QStringLiteral("ルールを更新しました。"), MB_ICONINFORMATION);
}

void TfraMemoConvert::btnRuleDelClick()
{
    const QString name = cmbRule->currentText();
    if (message(QStringLiteral("ルール【") + name + QStringLiteral("】を削除しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const int slot = FindSlot(m_inf, name);
    if (slot >= 0)
        m_inf.wRuleDtl[size_t(slot)] = TRuleDetails();
    SaveRules(Registry(), m_inf);
    fillCombo();
    message(QStringLiteral("ルールを削除しました。"), MB_ICONINFORMATION);
    cmbRuleChange(0);
}

QStringList TfraMemoConvert::linesToConvert(LineRange* range, bool* whole)
{
    const QStringList lines = m_editor->Lines().ToStringList();
    *whole = m_editor->SelLength() <= 0;
    if (*whole)
        return lines;
    const QString text = lines.join(QStringLiteral("\r\n"));
    *range = WidenToLines(text, m_editor->SelStart(), m_editor->SelLength());
    m_editor->SetSelStart(range->start);
    m_editor->SetSelLength(range->length);
    QString part = text.mid(range->start, range->length);
    if (range->endsWithBreak)
        part.chop(2);
    return part.split(QStringLiteral("\r\n"));
}

void TfraMemoConvert::btnSourceClick()
{
    LineRange range;
    bool whole = false;
    const QStringList lines = linesToConvert(&range, &whole);
    const bool finalBreak = whole ? !lines.join(QString()).isEmpty() : range.endsWithBreak;
    const QString text = ToSource(lines, FieldRule(), finalBreak);
    QApplication::clipboard()->setText(text);
    message(QStringLiteral("エディタの文字列をソース化してクリップボードへ転送しました。"), MB_ICONINFORMATION);
}

void TfraMemoConvert::btnSQLClick()
{
    LineRange range;
    bool whole = false;
    const QStringList lines = linesToConvert(&range, &whole);
    const bool finalBreak = whole ? !lines.join(QString()).isEmpty() : range.endsWithBreak;
    const QString text = ToSql(lines, FieldRule(), finalBreak);
    if (!whole) {
        m_editor->SetSelText(text);
        return;
    }
    m_editor->SelectAll();
    m_editor->SetSelText(text);
    m_editor->SetSelStart(0);
    m_editor->SetSelLength(int(text.size()));
}

} // namespace qv
