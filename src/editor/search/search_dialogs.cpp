#include "editor/search/search_dialogs.h"

#include "platform/registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qv {

std::function<void(TfrmEditSearchBase*)> TfrmEditSearchBase::ShowHook;

namespace {
constexpr int kProgramMajorVersion = 22;

QString ReadValue(const QString& key, const QString& name, const QString& def = QString())
{
    try {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(key) || !reg.ValueExists(name))
            return def;
        return reg.ReadString(name);
    } catch (const std::exception&) {
        return def;
    }
}

void WriteValue(const QString& key, const QString& name, const QString& value)
{
    try {
        TRegistry reg;
        if (reg.OpenKey(key, true)) {
            reg.WriteString(name, value);
            reg.CloseKey();
        }
    } catch (const std::exception&) {
    }
}

int ReadInt(const QString& key, const QString& name)
{
    bool ok = false;
    const int v = ReadValue(key, name).toInt(&ok);
    return ok ? v : 0;
}

bool ReadFlag(const QString& key, const QString& name) { return ReadInt(key, name) != 0; }
QString Flag(bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); }

QStringList SplitHistory(const QString& text)
{
    QStringList out = text.split(QStringLiteral("\r\n"));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    while (out.size() > kSearchHistoryMax)
        out.removeLast();
    return out;
}

QString JoinHistory(const QComboBox* box)
{
    QString out;
    for (int i = 0; i < box->count(); ++i)
        out += box->itemText(i) + QStringLiteral("\r\n");
    return out;
}

void CommitCombo(QComboBox* box, const QString& text)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    PushHistory(items, text);
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(0);
    box->setEditText(text);
}
} // namespace

QString EditorSettingsRootName(const QString& programFileName, int majorVersion)
{
    QString v = QStringLiteral("QVS") + QString::number(majorVersion);
    if (QFileInfo(programFileName).fileName().contains(QStringLiteral("qvsr"), Qt::CaseSensitive))
        v += u'R';
    return v;
}

void PushHistory(QStringList& history, const QString& text)
{
    const qsizetype i = history.indexOf(text);
    if (i >= 0)
        history.removeAt(i);
    history.prepend(text);
    while (history.size() > kSearchHistoryMax)
        history.removeLast();
}

TfrmEditSearchBase::TfrmEditSearchBase(bool replace, QWidget* parent) : QDialog(parent), m_replace(replace)
{
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    QV_VER = EditorSettingsRootName(QCoreApplication::applicationFilePath(), kProgramMajorVersion);

    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* fields = new QGridLayout;
    auto* lblSearch = new QLabel(QStringLiteral("検索する文字列(&T):"));
    cmbSearch = new QComboBox;
    cmbSearch->setEditable(true);
    cmbSearch->setMaxVisibleItems(16);
    cmbSearch->setInsertPolicy(QComboBox::NoInsert);
    cmbSearch->setMinimumContentsLength(28);
    lblSearch->setBuddy(cmbSearch);
    fields->addWidget(lblSearch, 0, 0);
    fields->addWidget(cmbSearch, 0, 1);
    if (replace) {
        auto* lblReplace = new QLabel(QStringLiteral("置換える文字列(&R):"));
        cmbReplace = new QComboBox;
        cmbReplace->setEditable(true);
        cmbReplace->setMaxVisibleItems(16);
        cmbReplace->setInsertPolicy(QComboBox::NoInsert);
        cmbReplace->setMinimumContentsLength(28);
        lblReplace->setBuddy(cmbReplace);
        fields->addWidget(lblReplace, 1, 0);
        fields->addWidget(cmbReplace, 1, 1);
    }
    left->addLayout(fields);
    auto* grpOption = new QGroupBox(QStringLiteral("オプション"));
    auto* opt = new QVBoxLayout(grpOption);
    chkMatchCase = new QCheckBox(QStringLiteral("大/小文字の区別(&C)"));
    chkWholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"));
    chkIncludeCRLF = new QCheckBox(QStringLiteral("改行・スペースを無視(&L)"));
    chkNotFindMsg = new QCheckBox(QStringLiteral("見つからない時にメッセージを表示する"));
    chkResearch = new QCheckBox(QStringLiteral("先頭（末尾）から再検索する"));
    for (QCheckBox* c : {chkMatchCase, chkWholeWord, chkIncludeCRLF, chkNotFindMsg, chkResearch})
        opt->addWidget(c);
    left->addWidget(grpOption);
    left->addStretch();
    top->addLayout(left, 1);

    auto* buttons = new QVBoxLayout;
    auto makeButton = [&](const QString& caption) {
        auto* b = new QPushButton(caption);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    const QString fw = QStringLiteral("\u3000");
    if (replace) {
        btnReplace = makeButton(fw + QStringLiteral("置換(&R)") + fw);
        btnAllReplace = makeButton(QStringLiteral("すべて置換(&A)"));
        btnFindNext = makeButton(QStringLiteral("下検索(&N)") + fw);
        btnFindPrev = makeButton(QStringLiteral("上検索(&U)") + fw);
        btnReplace->setDefault(true);
        connect(btnReplace, &QPushButton::clicked, this, [this] { Press(sfrReplace, sfrReplaceAll); });
        connect(btnAllReplace, &QPushButton::clicked, this, [this] { Press(sfrDown | sfrReplaceAll, sfrReplace); });
        connect(btnFindNext, &QPushButton::clicked, this, [this] { Press(sfrDown, sfrReplace | sfrReplaceAll); });
        connect(btnFindPrev, &QPushButton::clicked, this,
                [this] { Press(0, sfrDown | sfrReplace | sfrReplaceAll); });
    } else {
        btnFindNext = makeButton(QStringLiteral("次を検索(&N)") + fw + fw);
        btnFindPrev = makeButton(QStringLiteral("前を検索(&U)") + fw + fw);
        btnFindNext->setDefault(true);
        connect(btnFindNext, &QPushButton::clicked, this, [this] { Press(sfrDown, 0); });
        connect(btnFindPrev, &QPushButton::clicked, this, [this] { Press(0, sfrDown); });
    }
    btnCancel = makeButton(QStringLiteral("キャンセル"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    top->addLayout(buttons);
}

QString TfrmEditSearchBase::KeyPath(const QString& sub) const
{
    QString k = QStringLiteral("\\Software\\Velmora\\") + QV_VER + QStringLiteral("\\EDITOR\\")
                + (m_replace ? QStringLiteral("REPLACE") : QStringLiteral("SEARCH"));
    if (!sub.isEmpty())
        k += u'\\' + sub;
    return k;
}

void TfrmEditSearchBase::LoadState()
{
    const QString search = QStringLiteral("\\Software\\Velmora\\") + QV_VER + QStringLiteral("\\EDITOR\\SEARCH");
    const QString own = KeyPath(QStringLiteral("Options"));
    chkMatchCase->setChecked(ReadFlag(own, QStringLiteral("MatchCase")));
    chkWholeWord->setChecked(ReadFlag(own, QStringLiteral("WholeWord")));
    chkIncludeCRLF->setChecked(ReadFlag(own, QStringLiteral("IncludeCRLF")));
    chkNotFindMsg->setChecked(ReadFlag(search + QStringLiteral("\\Options"), QStringLiteral("NotFindMsg")));
    chkResearch->setChecked(ReadFlag(search + QStringLiteral("\\Options"), QStringLiteral("Research")));
    cmbSearch->clear();
    cmbSearch->addItems(SplitHistory(ReadValue(search + QStringLiteral("\\SearchItems"), QStringLiteral("Text"))));
    cmbSearch->setCurrentIndex(-1);
    cmbSearch->setEditText(L_sSearchText);
    if (cmbReplace) {
        cmbReplace->clear();
        cmbReplace->addItems(
            SplitHistory(ReadValue(KeyPath(QStringLiteral("ReplaceItems")), QStringLiteral("Text"))));
        cmbReplace->setCurrentIndex(-1);
        cmbReplace->setEditText(L_sReplaceText);
    }
    cmbSearch->setFocus();
}

void TfrmEditSearchBase::Commit()
{
    const QString text = cmbSearch->currentText();
    if (!text.isEmpty()) {
        L_sSearchText = text;
        CommitCombo(cmbSearch, text);
    }
    if (cmbReplace) {
        L_sReplaceText = cmbReplace->currentText();
        if (!L_sReplaceText.isEmpty())
            CommitCombo(cmbReplace, L_sReplaceText);
    }
    L_bNotFindMsg = chkNotFindMsg->isChecked();
    L_bResearch = chkResearch->isChecked();
    const QString search = QStringLiteral("\\Software\\Velmora\\") + QV_VER + QStringLiteral("\\EDITOR\\SEARCH");
    const QString own = KeyPath(QStringLiteral("Options"));
    WriteValue(own, QStringLiteral("MatchCase"), Flag(chkMatchCase->isChecked()));
    WriteValue(own, QStringLiteral("WholeWord"), Flag(chkWholeWord->isChecked()));
    WriteValue(own, QStringLiteral("IncludeCRLF"), Flag(chkIncludeCRLF->isChecked()));
    WriteValue(search + QStringLiteral("\\Options"), QStringLiteral("NotFindMsg"), Flag(L_bNotFindMsg));
    WriteValue(search + QStringLiteral("\\Options"), QStringLiteral("Research"), Flag(L_bResearch));
    WriteValue(search + QStringLiteral("\\SearchItems"), QStringLiteral("Text"), JoinHistory(cmbSearch));
    if (cmbReplace)
        WriteValue(KeyPath(QStringLiteral("ReplaceItems")), QStringLiteral("Text"), JoinHistory(cmbReplace));
}

void TfrmEditSearchBase::Press(TSearchOptions set, TSearchOptions clear)
{
    Commit();
    L_wSearchOptions = TSearchOptions((L_wSearchOptions & ~clear) | set);
    accept();
}

void TfrmEditSearchBase::PlaceDialog()
{
    adjustSize();
    int left = ReadInt(KeyPath(), QStringLiteral("Left"));
    int top = ReadInt(KeyPath(), QStringLiteral("Top"));
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desk = screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
    const QRect mon = screen ? screen->geometry() : desk;
    if (left == 0 && top == 0) {
        left = qRound((mon.width() - width()) / 2.0);
        top = qRound((mon.height() - height()) / 2.0);
    }
    if (left > desk.width())
        left = desk.width() - width() - 32;
    if (top > desk.height())
        top = desk.height() - height() - 32;
    move(left, top);
}

void TfrmEditSearchBase::SavePosition()
{
    WriteValue(KeyPath(), QStringLiteral("Left"), QString::number(x()));
    WriteValue(KeyPath(), QStringLiteral("Top"), QString::number(y()));
}

bool TfrmEditSearchBase::Run()
{
    PlaceDialog();
    LoadState();
    struct Save {
        TfrmEditSearchBase* d;
        ~Save() { d->SavePosition(); }
    } save{this};
    if (ShowHook) {
        show();
        ShowHook(this);
        hide();
    } else {
        exec();
    }
    return result() == QDialog::Accepted && !L_sSearchText.isEmpty();
}

TSearchOptions TfrmEditSearchBase::CheckedOptions() const
{
    TSearchOptions o = L_wSearchOptions & ~(sfrWholeWord | sfrMatchCase | sfrIncludeCRLF | sfrIncludeSpace);
    if (chkWholeWord->isChecked())
        o |= sfrWholeWord;
    if (chkMatchCase->isChecked())
        o |= sfrMatchCase;
    if (chkIncludeCRLF->isChecked())
        o |= sfrIncludeCRLF | sfrIncludeSpace;
    return o;
}

TfrmEditSearch::TfrmEditSearch(QWidget* parent) : TfrmEditSearchBase(false, parent) {}

bool TfrmEditSearch::Execute(QString& ioSearchText, TSearchOptions& ioSearchOptions, bool& ioResearch,
                             bool& ioNotFindMsg, QWidget* parent)
{
    TfrmEditSearch dlg(parent);
    dlg.L_sSearchText = ioSearchText;
    dlg.L_wSearchOptions = ioSearchOptions;
    dlg.L_bNotFindMsg = ioNotFindMsg;
    dlg.L_bResearch = ioResearch;
    if (!dlg.Run())
        return false;
    ioSearchText = dlg.L_sSearchText;
    ioSearchOptions = dlg.CheckedOptions();
    ioNotFindMsg = dlg.L_bNotFindMsg;
    ioResearch = dlg.L_bResearch;
    return true;
}

TfrmEditReplace::TfrmEditReplace(QWidget* parent) : TfrmEditSearchBase(true, parent) {}

bool TfrmEditReplace::Execute(QString& ioSearchText, QString& ioReplaceValue, bool& ioResearch, bool& ioNotFindMsg,
                              TSearchOptions& ioSearchOptions, QWidget* parent)
{
    TfrmEditReplace dlg(parent);
    dlg.L_sSearchText = ioSearchText;
    dlg.L_sReplaceText = ioReplaceValue;
    dlg.L_wSearchOptions = ioSearchOptions;
    dlg.L_bNotFindMsg = ioNotFindMsg;
    dlg.L_bResearch = ioResearch;
    if (!dlg.Run())
        return false;
    ioSearchText = dlg.L_sSearchText;
    ioReplaceValue = dlg.L_sReplaceText;
    ioSearchOptions = TSearchOptions(dlg.CheckedOptions() | sfrReplaceConfirm);
    ioNotFindMsg = dlg.L_bNotFindMsg;
    ioResearch = dlg.L_bResearch;
    return true;
}

} // namespace qv
