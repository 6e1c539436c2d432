#include "app/main_window.h"

#include "app/menu_bar.h"
#include <QAbstractButton>
#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "app/connection_window_iface.h"
#include "app/edit_target.h"
#include "app/editor_commands.h"
#include "app/escape_watch.h"
#include "app/globals.h"
#include "app/help.h"
#include "app/images.h"
#include "app/message_box.h"
#include "app/options.h"
#include "platform/exceptions.h"
#include "app/settings.h"
#include "app/workspace.h"
#include "app/qvform.h"
#include "app/version_window.h"
#include "app/window_commands.h"
#include "platform/messages.h"
#include "platform/textcodec.h"
#include "editor/sqlmemo/qvmemo.h"
#include "sql/sql_history.h"

namespace qv {

namespace {

TfrmMain* g_main = nullptr;

QHash<QString, TfrmMain::CommandHandler>& commandHandlers()
{
    static QHash<QString, TfrmMain::CommandHandler> h;
    return h;
}

struct ActionDef {
    const char* name;
    const char* caption;
    const char* key; // portable key text, empty for none
    int image;       // index of imgMain, -1 for none
};

// Every action of the main window with its caption, key and image.
const ActionDef kActions[] = {
    // file
    {"actDBCommit", "コミット(&C)", "", 15},
    {"actDBRollback", "ロールバック(&R)", "", 16},
    {"actDBLogon", "データベース接続(&L)", "", 13},
    {"actDBLogoff", "データベース切断(&D)", "", 14},
    {"actFileExit", "終了(&X)", "", -1},
    // edit
    {"actEditUndo", "元に戻す(&U)", "Ctrl+Z", 19},
    {"actEditRedo", "やり直し(&R)", "Ctrl+Y", 143},
    {"actEditCut", "切り取り(&T)", "Ctrl+X", 20},
    {"actEditCopy", "コピー(&C)", "Ctrl+C", 21},
    {"actEditPaste", "貼り付け(&P)", "Ctrl+V", 22},
    {"actEditDelete", "削除(&D)", "", 41},
    {"actEditSelectAll", "すべて選択(&L)", "Ctrl+A", 149},
    {"actEditSelectMode", "矩形選択モード(&B)", "", 150},
    {"actEditFind", "検索(&F)", "Ctrl+F", 23},
    {"actEditFindNext", "次を検索(&S)", "F3", 140},
    {"actEditFindPrev", "前を検索(&P)", "Shift+F3", 141},
    {"actEditReplace", "置換(&E)...", "Ctrl+R", 139},
    {"actEditFindClear", "検索クリア", "", 142},
    {"actEditJump", "行ジャンプ(&J)...", "Ctrl+G", 157},
    {"actEditUpperCase", "大文字に変更", "", 161},
    {"actEditLowerCase", "小文字に変更", "", 160},
    {"actEditHanToZen", "全角に変換", "", 162},
    {"actEditZenToHan", "半角に変換", "", 159},
    {"actEditIndentF", "インデント", "Shift+Ctrl+I", 151},
    {"actEditIndentR", "逆インデント", "Shift+Ctrl+U", 152},
    {"actEditComment", "コメント挿入/削除", "Ctrl+-", 147},
    {"actEditFormat", "SQL整形(&O)", "", 145},
    {"actEditGetSQL", "SQL抽出(&G)", "", -1},
    {"actEditMacroRec", "キーマクロ記録開始", "Shift+Ctrl+M", 154},
    {"actEditMacroExec", "キーマクロ実行", "Shift+Ctrl+L", 153},
    {"actEditMacroSave", "キーマクロの保存", "", 164},
    {"actEditMacroLoad", "キーマクロを開く", "", 165},
    {"actEditJumpDefine", "定義情報ジャンプ", "", 158},
    // view
    {"actViewSQL", "SQL実行(&S)", "Ctrl+S", 10},
    {"actViewScript", "スクリプト実行", "", 11},
    {"actViewField", "表・列", "Ctrl+T", 12},
    {"actViewTemplate", "SQLリファレンス", "Ctrl+J", 163},
    {"mnuReload", "最新の情報に更新(&R)", "F5", -1},
    // administration
    {"actAdminUser", "ユーザー情報(&U)", "", 3},
    {"actAdminSession", "プロセス情報(&S)", "", 124},
    {"actAdminLock", "ロック情報(&L)", "", 6},
    {"actAdminStorage", "ファイルグループ情報(&F)", "", 69},
    {"actAdminDatabase", "データベース情報(&D)", "", 116},
    {"actAdminJob", "ジョブ情報(&J)", "", 97},
    {"actAdminBackup", "バックアップ(&B)", "", 7},
    {"actAdminRestore", "復元(&R)", "", 8},
    {"actAdminExport", "エクスポート(&P)", "", -1},
    {"actAdminImport", "インポート(&I)", "", -1},
    {"actAdminLoad", "BCP(&O)", "", 9},
    {"actAdminAttach", "アタッチ(&A)", "", 1},
    {"actAdminPerform", "パフォーマンス情報(&Q)", "", 107},
    {"actAdminDustBox", "ごみ箱", "", 111},
    // tools
    {"actToolCommandSetup", "ユーザー定義コマンドの登録(&M)", "", -1},
    {"actToolReportSetup", "レポート定義の登録(&R)", "", -1},
    {"actViewComp", "オブジェクト比較(&C)", "", 135},
    {"actToolIndexAdviser", "インデックスアドバイザ(&I)", "", 134},
    {"actViewSQLCatch", "SQLキャッチ(&T)", "", 105},
    {"actViewSQLCRUD", "テーブルアクセス表(&A)", "", 106},
    {"actViewMS", "SQL Server Management Studio", "", 132},
    {"actViewMSDTS", "SSIS(DTS)", "", 131},
    {"actViewMSProfiler", "SQL Server Profiler", "", 133},
    {"actToolOption", "オプション(&P)...", "", 156},
    {"actToolEditorOption", "エディタオプション(&E)...", "", 148},
    {"actToolScriptOption", "スクリプト出力オプション(&S)...", "", -1},
    // window
    {"actWindowCascade", "重ねて表示(&C)", "", 25},
    {"actWindowTileH", "上下に並べて表示(&H)", "", 26},
    {"actWindowTileV", "左右に並べて表示(&V)", "", 27},
    {"actWindowMinimizeAll", "全てを最小化(&M)", "", -1},
    {"actWindowArrange", "アイコンの整列(&A)", "", -1},
    {"actWindowClose", "閉じる(&L)", "", -1},
    // help
    {"actHelp", "Qorvel ヘルプ(&C)", "", -1},
    {"actHelpHomePageTop", "Qorvel ホームページ(&P)", "", -1},
    {"actHelpHomePageFAQ", "Qorvel FAQ(&F)", "", -1},
    {"actHelpHomePageTech", "Qorvel 便利機能紹介(&T)", "", -1},
    {"actHelpAbout", "バージョン情報(&A)...", "", -1},
    {"actHelpSupport", "サポート情報(&S)...", "", -1},
    {"mnuNewFeatures", "新機能(&N)", "", -1},
    {"mnuQvInfo", "Qorvel情報(&I)", "", -1},
    // object-list commands of the connection windows, whose keys they copy from here
    {"actNew", "新規作成(&N)", "", -1},
    {"actOpen", "開く(&O)", "", 17},
    {"actOpenDefine", "定義情報を開く", "", 17},
    {"actOpenSource", "ソースを開く", "", -1},
    {"actOpenData", "データを開く", "", -1},
    {"actOpenDataTop", "データを開く(件数指定)", "", -1},
    {"actExec", "実行(&E)", "", 28},
    {"actCompile", "コンパイル(&C)", "", 15},
    {"actScript", "スクリプト出力(&S)", "", 18},
    {"actPrint", "印刷(&P)", "", 98},
    {"actSynonym", "シノニム作成(&Y)", "", 60},
    {"actCross", "依存関係 - クロスリファレンス(&F)", "", 92},
    {"actMatrix", "マトリックス表(&M)", "", -1},
    {"actGrant", "権限(&G)", "", 91},
    {"actAnalyze", "統計情報(&A)", "", -1},
    {"actComment", "コメントチェック(&O)", "", 87},
    {"actDelete", "削除(&D)", "", 41},
    {"actGrep", "全文検索", "", 24},
    {"actExport", "エクスポート(&R)", "", 7},
    {"actRestore", "復元(&R)", "", 8},
    {"actLoad", "BCP(&L)", "", 9},
    {"actConstEnable", "制約を有効にする", "", -1},
    {"actConstDisable", "制約を無効にする", "", -1},
    {"actAddWorkSpace", "ワークスペースに追加(&W)", "", -1},
};

// Object-list commands: they act in the connection windows, not here.
const char* const kObjectActions[] = {
    "actNew", "actOpen", "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop", "actExec",
    "actCompile", "actScript", "actPrint", "actSynonym", "actCross", "actMatrix", "actGrant", "actAnalyze",
    "actComment", "actDelete", "actGrep", "actExport", "actRestore", "actLoad", "actConstEnable",
    "actConstDisable", "actAddWorkSpace"};

struct NewButton {
    const char* name;
    const char* hint;
    int type;
};
const NewButton kNewButtons[] = {
    {"btnNewTable", "新規テーブル", 45},    {"btnNewIndex", "新規インデックス", 46},
    {"btnNewView", "新規ビュー", 47},       {"btnNewProc", "新規プロシージャ", 51},
    {"btnNewFunc", "新規ファンクション", 52}, {"btnNewTrigger", "新規トリガー", 57},
    {"btnNewSequence", "新規シーケンス", 58}, {"btnNewSynonym", "新規シノニム", 60},
    {"btnNewConst", "新規制約", 66},
};

// The tool bars: name, caption, menu tag, reset row.
struct BarDef {
    const char* name;
    const char* caption;
    int row;
};
const BarDef kBars[] = {
    {"pnlDB", "データベース", 0}, {"pnlEdit", "編集", 0},   {"pnlTool", "ツール", 1},
    {"pnlAdmin", "管理", 1},      {"pnlTool2", "ツール", 1}, {"pnlNewObj", "新規オブジェクト", 2},
};

// Commands that open windows of other parts and need a current connection (window_commands.h).
const char* const kConnectionCommands[] = {
    "actViewSQL", "actViewScript", "actViewField", "actViewComp", "actViewSQLCatch", "actViewSQLCRUD",
    "actToolIndexAdviser", "actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock",
    "actAdminJob", "actAdminDatabase", "actAdminBackup", "actAdminRestore", "actAdminAttach", "actAdminLoad"};
// Commands that open windows of other parts without a connection.
const char* const kFreeCommands[] = {
    "actViewTemplate", "actToolCommandSetup", "actToolReportSetup", "actToolOption", "actToolEditorOption",
    "actToolScriptOption", "actHelpSupport", "mnuQvInfo", "actHelpHomePageTop", "actHelpHomePageFAQ",
    "actHelpHomePageTech"};

IConnectionWindow* connectionOf(QWidget* w) { return w ? dynamic_cast<IConnectionWindow*>(w) : nullptr; }

QString connectText(IConnectionWindow* c) { return c->GetConnectInfo(QString(), QString(), true); }

void notAvailable()
{
    ShowMessageBox(QStringLiteral("この機能はまだ利用できません。"), MB_ICONINFORMATION);
}

} // namespace

// ---- free functions ----------------------------------------------------------------------

QColor barColour() { return QColor(0xB5, 0xCA, 0xFF); }

CommandLine ParseCommandLine(const QStringList& args)
{
    CommandLine cl;
    for (const QString& arg : args) {
        const QString up = arg.toUpper();
        if (up.startsWith(QLatin1String("/U="))) {
            const QString v = arg.mid(3);
            cl.loginGiven = true;
            cl.login.clear();
            cl.password.clear();
            cl.server.clear();
            const qsizetype slash = v.indexOf(QLatin1Char('/'));
            if (slash < 0) {
                const qsizetype at = v.indexOf(QLatin1Char('@'));
                cl.login = at < 0 ? v : v.left(at);
            } else {
                cl.login = v.left(slash);
                cl.password = v.mid(slash + 1);
                const qsizetype at = cl.password.indexOf(QLatin1Char('@'));
                if (at >= 0)
                    cl.password = cl.password.left(at);
            }
            const qsizetype at = v.indexOf(QLatin1Char('@'));
            if (at >= 0)
                cl.server = v.mid(at + 1);
        } else if (up.startsWith(QLatin1String("/V="))) {
            bool ok = false;
            const int n = arg.mid(3).trimmed().toInt(&ok);
            cl.versionGiven = true;
            cl.versionOverride = ok ? n : 0;
        }
    }
    return cl;
}

QString LoopMessageText(int nowCount, int maxCount)
{
    static const QString esc = QStringLiteral(" [ESC]キーを押すと処理を中断します。");
    if (nowCount == 0 && maxCount == 0)
        return esc;
    if (maxCount <= 0)
        return QString::number(nowCount) + QStringLiteral("件処理中...") + esc;
    return QString::number(nowCount) + QStringLiteral(" / ") + QString::number(maxCount) + esc;
}

QString DefMessageText(int objectCount, int selectedCount)
{
    if (selectedCount <= 0)
        return QString::number(objectCount) + QStringLiteral("個のオブジェクトがあります。");
    return QString::number(objectCount) + QStringLiteral("個中 ") + QString::number(selectedCount) +
           QStringLiteral("個のオブジェクトを選択中。");
}

QHash<QString, bool> ComputeMenuState(const MenuInputs& in)
{
    QHash<QString, bool> s;
    const bool any = in.any;
    for (const char* n : {"btnNewTable", "btnNewIndex", "btnNewView", "btnNewProc", "btnNewFunc", "btnNewTrigger",
                          "btnNewConst"})
        s[QLatin1String(n)] = any;
    s[QStringLiteral("btnNewSynonym")] = any && in.version >= 9;
    s[QStringLiteral("btnNewSequence")] = any && !in.azure && in.version >= 11;
    for (const char* n : {"actDBLogoff", "actViewComp", "actViewSQL", "actViewScript", "actViewField",
                          "actToolIndexAdviser"})
        s[QLatin1String(n)] = any;
    // Commit and rollback only while every connection runs in a transaction.
    s[QStringLiteral("actDBCommit")] = any && in.autoTran;
    s[QStringLiteral("actDBRollback")] = any && in.autoTran;
    s[QStringLiteral("actViewSQLCatch")] = any && !in.azure;
    s[QStringLiteral("actViewSQLCRUD")] = any && !in.azure;
    // The external tools also need their program file.
    auto tool = [&](const QString& exe) { return any && in.clientTools && !exe.isEmpty() && QFileInfo::exists(exe); };
    s[QStringLiteral("actViewMSDTS")] = tool(in.dtsExe);
    s[QStringLiteral("actViewMS")] = tool(in.msExe);
    s[QStringLiteral("actViewMSProfiler")] = tool(in.spfExe) && !in.azure;
    for (const char* n : {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase",
                          "actAdminBackup", "actAdminLoad"})
        s[QLatin1String(n)] = false;
    for (const char* n : {"actAdminJob", "actAdminRestore", "actAdminAttach"})
        s[QLatin1String(n)] = any;
    s[QStringLiteral("actToolCommandSetup")] = true;
    if (in.current) {
        s[QStringLiteral("actAdminUser")] = true;
        s[QStringLiteral("actAdminDatabase")] = true;
        for (const char* n : {"actAdminStorage", "actAdminSession", "actAdminLock", "actAdminBackup",
                              "actAdminRestore", "actAdminLoad", "actAdminAttach"})
            s[QLatin1String(n)] = !in.azure;
        s[QStringLiteral("actAdminJob")] = any && !in.azure;
    }
    return s;
}

// ---- status bar ------------------------------------------------------------------------

TqvStatusBar::TqvStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("stsMain"));
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("stsPanel%1").arg(i));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
    }
    m_panels[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_panels[0]->setMinimumWidth(200); // wider when the connection state needs it
    m_panels[1]->setAlignment(Qt::AlignCenter);
    m_panels[1]->setFixedWidth(20);
    addWidget(m_panels[0]);
    addWidget(m_panels[1]);
    addWidget(m_panels[2], 1);
}

void TqvStatusBar::setPanelText(int i, const QString& text)
{
    if (i >= 0 && i < 3)
        m_panels[i]->setText(text);
}

bool TqvStatusBar::event(QEvent* e)
{
    // Hints of actions are not shown here: the program writes the panels itself.
    if (e->type() == QEvent::StatusTip)
        return true;
    return QStatusBar::event(e);
}

// ---- main window -----------------------------------------------------------------------

TfrmMain* TfrmMain::instance() { return g_main; }

bool TfrmMain::actionInfo(const QString& name, QString* caption, int* image)
{
    for (const auto& d : kActions) {
        if (name != QLatin1String(d.name))
            continue;
        if (caption)
            *caption = QString::fromUtf8(d.caption);
        if (image)
            *image = d.image;
        return true;
    }
    return false;
}

void TfrmMain::setCommandHandler(const QString& actionName, CommandHandler h)
{
    if (h)
        commandHandlers().insert(actionName, std::move(h));
    else
        commandHandlers().remove(actionName);
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    g_main = this;
    setObjectName(QStringLiteral("frmMain"));
    m_logon = [this](const LogonRequest& r) {
        m_logonCalls.append(r);
        return false;
    };
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // The child widgets are destroyed after this body, when this object is no longer a
    // TfrmMain: their signals (the MDI area's activation change above all) must not reach its
    // slots any more.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
    m_actions.clear();
    if (g_main == this)
        g_main = nullptr;
}

void TfrmMain::FormCreate()
{
    ensureIconTheme();
    QApplication::setApplicationDisplayName(QStringLiteral("Qorvel for SQL Server"));
    setWindowTitle(applicationTitle());
    setWindowIcon(imgMain(0));

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiClient"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::subWindowActivated);

    createActions();
    createToolBars();
    createMenus();
    createTaskBar();
    createWorkSpace();
    m_stsMain = new TqvStatusBar(this);
    setStatusBar(m_stsMain);
    wireCommands();
    paintBarColour();

    LoadStartSettings();

    connect(qApp, &QApplication::focusChanged, this, [this] { updateEditActions(); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { updateEditActions(); });

    wireWindowCommands();
    createWorkSpacePanel();
    SetCommandList();
    SetReportList();

    cmbDBNameChange();
    m_stsMain->clearMessage();
    updateEditActions();
    resize(1024, 720);
}

void TfrmMain::LoadStartSettings()
{
    LookupClientTools();
    SetShortcutActionOwner(this);
    LoadSettings();
    // The macro-run entry of the menu also answers Ctrl+M, whatever key the settings give it.
    if (QAction* run = m_actions.value(QStringLiteral("actEditMacroExec"))) {
        const QKeySequence extra(QStringLiteral("Ctrl+M"));
        QList<QKeySequence> keys = run->shortcuts();
        if (!keys.contains(extra))
            run->setShortcuts(keys << extra);
    }
    try {
        LoadRecentObjects();
    } catch (...) {
    }
    ApplyDateTimeFormats(qvOption.DateFormat, qvOption.TimeFormat);
    // The SQL history and favourites, from the work folder the settings name; a list that
    // cannot be read stays unloaded (and is never written back).
    try {
        SqlLogStore::instance().load(SqlLogStore::workDir());
    } catch (const std::exception&) {
    }
    // Excel files are written by the program itself in the 2007 format.
    if (qvOption.ExcelExt.isEmpty())
        qvOption.ExcelExt = QStringLiteral(".xlsx");
    ExcelFileFilter = qvOption.ExcelExt.compare(QLatin1String(".XLSX"), Qt::CaseInsensitive) == 0
                          ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx")
                          : QStringLiteral("Excelファイル(*.xls)|*.xls");
}

void TfrmMain::createActions()
{
    for (const auto& d : kActions) {
        auto* a = new QAction(QString::fromUtf8(d.caption), this);
        a->setObjectName(QLatin1String(d.name));
        if (*d.key)
            a->setShortcut(QKeySequence(QLatin1String(d.key), QKeySequence::PortableText));
        if (d.image >= 0)
            a->setIcon(imgMain(d.image));
        a->setIconVisibleInMenu(true);
        m_actions.insert(QLatin1String(d.name), a);
    }
    // The macro-run entry also answers Ctrl+M.
    m_actions.value(QStringLiteral("actEditMacroExec"))
        ->setShortcuts({QKeySequence(QStringLiteral("Shift+Ctrl+L")), QKeySequence(QStringLiteral("Ctrl+M"))});
    for (const char* n : {"actAdminExport", "actAdminImport", "actWindowArrange"})
        m_actions.value(QLatin1String(n))->setVisible(false);
    m_actions.value(QStringLiteral("actEditSelectMode"))->setCheckable(true);
    for (const auto& b : kNewButtons) {
        auto* a = new QAction(imgMain(b.type), QString::fromUtf8(b.hint), this);
        a->setObjectName(QLatin1String(b.name));
        a->setData(b.type);
        m_actions.insert(QLatin1String(b.name), a);
    }
    // Object-list commands act in the connection windows; here they only hold the keys.
    for (const char* n : kObjectActions)
        m_actions.value(QLatin1String(n))->setEnabled(false);
}

void TfrmMain::createToolBars()
{
    for (const auto& b : kBars) {
        auto* t = new QToolBar(QString::fromUtf8(b.caption), this);
        t->setObjectName(QLatin1String(b.name));
        t->setIconSize(QSize(22, 22));
        m_toolBars.insert(QLatin1String(b.name), t);
    }
    auto add = [this](const char* bar, std::initializer_list<const char*> names) {
        QToolBar* t = m_toolBars.value(QLatin1String(bar));
        for (const char* n : names) {
            if (!*n)
                t->addSeparator();
            else
                t->addAction(m_actions.value(QLatin1String(n)));
        }
    };
    add("pnlDB", {"actDBLogon", "actDBLogoff"});
    m_cmbDBName = new QComboBox(this);
    m_cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    m_cmbDBName->setFixedWidth(330);
    m_cmbDBName->setToolTip(QStringLiteral("現行データベース"));
    m_toolBars.value(QStringLiteral("pnlDB"))->addWidget(m_cmbDBName);
    connect(m_cmbDBName, &QComboBox::currentIndexChanged, this, [this] { cmbDBNameChange(); });
    add("pnlDB", {"actDBCommit", "actDBRollback"});
    add("pnlEdit", {"actEditUndo", "", "actEditCut", "actEditCopy", "actEditPaste"});
    add("pnlTool", {"actViewSQL", "actViewScript", "actViewField"});
    add("pnlAdmin", {"actAdminUser", "actAdminSession", "actAdminLock", "actAdminStorage", "actAdminDatabase",
                     "actAdminJob"});
    add("pnlTool2", {"actViewComp", "actToolIndexAdviser", "actViewSQLCRUD", "actViewSQLCatch"});
    // Management Studio and Profiler show a short caption beside their image.
    QToolBar* t2 = m_toolBars.value(QStringLiteral("pnlTool2"));
    auto captioned = [this, t2](const char* actName, const QString& caption) {
        QAction* target = m_actions.value(QLatin1String(actName));
        auto* proxy = new QAction(target->icon(), caption, t2);
        proxy->setObjectName(QLatin1String(actName) + QStringLiteral("Button"));
        proxy->setToolTip(target->text());
        proxy->setEnabled(target->isEnabled());
        connect(target, &QAction::changed, proxy, [proxy, target] { proxy->setEnabled(target->isEnabled()); });
        connect(proxy, &QAction::triggered, target, &QAction::trigger);
        t2->addAction(proxy);
        if (auto* b = qobject_cast<QToolButton*>(t2->widgetForAction(proxy)))
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    };
    captioned("actViewMS", QStringLiteral("Management Studio"));
    t2->addAction(m_actions.value(QStringLiteral("actViewMSDTS")));
    captioned("actViewMSProfiler", QStringLiteral("Profiler"));
    QToolBar* nb = m_toolBars.value(QStringLiteral("pnlNewObj"));
    for (const auto& b : kNewButtons)
        nb->addAction(m_actions.value(QLatin1String(b.name)));
    ResetToolBars();
}

void TfrmMain::ResetToolBars()
{
    // Every bar docked back at the top in its row and shown.
    int row = 0;
    bool first = true;
    for (const auto& b : kBars) {
        QToolBar* t = m_toolBars.value(QLatin1String(b.name));
        removeToolBar(t);
        if (!first && b.row != row)
            addToolBarBreak(Qt::TopToolBarArea);
        row = b.row;
        first = false;
        addToolBar(Qt::TopToolBarArea, t);
        t->show();
    }
}

void TfrmMain::createMenus()
{
    setMenuBar(new TqvMenuBar(this));
    QMenuBar* mb = menuBar();
    mb->setObjectName(QStringLiteral("mnuMain"));
    auto menuOf = [this](QMenu* parent, const char* name, const QString& title) {
        QMenu* m = parent ? parent->addMenu(title) : menuBar()->addMenu(title);
        m->setObjectName(QLatin1String(name));
        m_menus.insert(QLatin1String(name), m);
        return m;
    };
    auto add = [this](QMenu* m, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (!*n)
                m->addSeparator();
            else
                m->addAction(m_actions.value(QLatin1String(n)));
        }
    };

    QMenu* file = menuOf(nullptr, "mnuFile", QStringLiteral("ファイル(&F)"));
    add(file, {"actDBCommit", "actDBRollback", "actDBLogon", "actDBLogoff", ""});
    QMenu* recent = menuOf(file, "mnuRecentObject", QStringLiteral("最近開いたオブジェクト"));
    for (int k = 0; k < 10; ++k) {
        auto* a = recent->addAction(QString());
        a->setObjectName(QStringLiteral("mnuRecentObject%1").arg(k));
        a->setVisible(false);
    }
    connect(recent, &QMenu::triggered, this, &TfrmMain::mnuRecentObjectClick);
    connect(file, &QMenu::aboutToShow, this, &TfrmMain::SetRecentObjectMenu);
    file->addSeparator();
    add(file, {"actFileExit"});

    QMenu* edit = menuOf(nullptr, "mnuEdit", QStringLiteral("編集(&E)"));
    add(edit, {"actEditUndo", "actEditRedo", "", "actEditCut", "actEditCopy", "actEditPaste", "actEditDelete",
               "actEditSelectAll", "actEditSelectMode", "", "actEditFind", "actEditFindNext", "actEditFindPrev",
               "actEditReplace", "actEditFindClear", "actEditJump", "", "actEditUpperCase", "actEditLowerCase",
               "actEditHanToZen", "actEditZenToHan", "", "actEditIndentF", "actEditIndentR", "actEditComment",
               "actEditFormat", "", "actEditMacroRec", "actEditMacroExec", "actEditMacroSave", "actEditMacroLoad",
               "", "actEditJumpDefine"});

    QMenu* view = menuOf(nullptr, "mnuDisplay", QStringLiteral("表示(&V)"));
    add(view, {"actViewSQL", "actViewScript", "actViewField", "actViewTemplate", ""});
    m_toolBarMenu = menuOf(view, "mnuToolBar", QStringLiteral("ツールバー"));
    struct BarItem {
        const char* caption;
        int tag;
    };
    for (const BarItem& bi : {BarItem{"標準", 1}, BarItem{"編集", 2}, BarItem{"表示", 3}, BarItem{"管理", 4},
                              BarItem{"ツール", 6}, BarItem{"新規作成", 5}}) {
        auto* a = m_toolBarMenu->addAction(QString::fromUtf8(bi.caption));
        a->setCheckable(true);
        a->setChecked(true);
        a->setData(bi.tag);
        a->setObjectName(QStringLiteral("mnuToolBar%1").arg(bi.tag));
    }
    m_toolBarMenu->addSeparator();
    auto* reset = m_toolBarMenu->addAction(QStringLiteral("位置の初期化"));
    reset->setCheckable(true);
    reset->setData(7);
    reset->setObjectName(QStringLiteral("mnuToolBar7"));
    connect(m_toolBarMenu, &QMenu::triggered, this, &TfrmMain::mnuToolClick);
    view->addSeparator();
    auto toggle = [this, view](const char* name, const QString& caption) {
        auto* a = view->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        a->setChecked(true);
        m_actions.insert(QLatin1String(name), a);
        return a;
    };
    connect(toggle("mnuWorkSpace", QStringLiteral("ワークスペース")), &QAction::triggered, this,
            &TfrmMain::setWorkSpaceVisible);
    connect(toggle("mnuTaskBar", QStringLiteral("タスクバー")), &QAction::triggered, this,
            &TfrmMain::setTaskBarVisible);
    connect(toggle("mnuStsbar", QStringLiteral("ステータスバー")), &QAction::triggered, this,
            &TfrmMain::setStatusBarVisible);
    view->addSeparator();
    auto* dispGroup = new QActionGroup(this);
    auto* dispList = toggle("mnuDispList", QStringLiteral("一覧(&L)"));
    auto* dispReport = toggle("mnuDispReport", QStringLiteral("詳細(&D)"));
    dispGroup->addAction(dispList);
    dispGroup->addAction(dispReport);
    dispList->setChecked(false); // the group does not untick an action that came in ticked
    dispReport->setChecked(true);
    connect(dispList, &QAction::triggered, this, [this] {
        for (IConnectionWindow* c : ConnectionWindows())
            c->SetObjectListDetails(false);
    });
    connect(dispReport, &QAction::triggered, this, [this] {
        for (IConnectionWindow* c : ConnectionWindows())
            c->SetObjectListDetails(true);
    });
    view->addSeparator();
    add(view, {"mnuReload"});
    connect(view, &QMenu::aboutToShow, this, &TfrmMain::mnuDisplayShow);

    QMenu* admin = menuOf(nullptr, "mnuAdmin", QStringLiteral("管理(&A)"));
    add(admin, {"actAdminUser", "actAdminSession", "actAdminLock", "actAdminStorage", "actAdminDatabase",
                "actAdminJob", "", "actAdminBackup", "actAdminRestore", "actAdminExport", "actAdminImport",
                "actAdminLoad", "actAdminAttach"});

    QMenu* tool = menuOf(nullptr, "mnuTool", QStringLiteral("ツール(&T)"));
    QMenu* cmd = menuOf(tool, "mnuCommandMenu", QStringLiteral("ユーザー定義コマンド"));
    cmd->addSeparator()->setObjectName(QStringLiteral("mnuTB1"));
    add(cmd, {"actToolCommandSetup"});
    QMenu* rep = menuOf(tool, "mnuReportMenu", QStringLiteral("レポート出力"));
    rep->addSeparator()->setObjectName(QStringLiteral("mnuTB2"));
    add(rep, {"actToolReportSetup"});
    connect(rep, &QMenu::aboutToShow, this, [this, rep] {
        // Report items need a current connection with a selected object.
        IConnectionWindow* c = CurrentForm();
        const bool on = c && c->SelectedObjectCount() > 0;
        for (QAction* a : rep->actions()) {
            if (a->isSeparator())
                break;
            a->setEnabled(on);
        }
    });
    add(tool, {"actViewComp", "actToolIndexAdviser", "actViewSQLCatch", "actViewSQLCRUD", "", "actViewMS",
               "actViewMSDTS", "actViewMSProfiler", "", "actToolOption", "actToolEditorOption",
               "actToolScriptOption"});

    QMenu* win = menuOf(nullptr, "mnuWindow", QStringLiteral("ウィンドウ(&W)"));
    add(win, {"actWindowCascade", "actWindowTileH", "actWindowTileV", "actWindowMinimizeAll", "actWindowArrange",
              "", "actWindowClose"});
    connect(win, &QMenu::aboutToShow, this, &TfrmMain::fillWindowMenu);

    QMenu* help = menuOf(nullptr, "mnuHelp", QStringLiteral("ヘルプ(&H)"));
    add(help, {"actHelp", ""});
    QMenu* home = menuOf(help, "mnuHelpHomePage", QStringLiteral("ホームページを開く"));
    // SetHomePage: an item per page whose address is known.
    if (!HelpBinding::homePageAddress().isEmpty())
        add(home, {"actHelpHomePageTop"});
    if (!HelpBinding::faqPageAddress().isEmpty())
        add(home, {"actHelpHomePageFAQ"});
    home->menuAction()->setVisible(!home->isEmpty());
    help->addSeparator();
    add(help, {"actHelpAbout", "actHelpSupport"});

    mb->addAction(m_actions.value(QStringLiteral("mnuNewFeatures")));
    mb->addAction(m_actions.value(QStringLiteral("mnuQvInfo")));

    // The SQL editors' popup menu.
    m_popEditor = new QMenu(this);
    m_popEditor->setObjectName(QStringLiteral("popEditor"));
    add(m_popEditor,
        {"actEditUndo", "actEditRedo", "", "actEditCut", "actEditCopy", "actEditPaste", "actEditDelete",
         "actEditSelectAll", "actEditSelectMode", "", "actEditFind", "actEditFindNext", "actEditFindPrev",
         "actEditReplace", "actEditFindClear", "actEditJump", "", "actEditUpperCase", "actEditLowerCase",
         "actEditHanToZen", "actEditZenToHan", "", "actEditIndentF", "actEditIndentR", "actEditComment",
         "actEditFormat", "actEditGetSQL", "", "actEditMacroRec", "actEditMacroExec", "actEditMacroSave",
         "actEditMacroLoad", "", "actEditJumpDefine", "", "actViewField", "actViewTemplate"});
    // Shortcuts of the menu actions work everywhere in the main window.
    addActions(m_actions.values());
    for (const char* n : kObjectActions)
        removeAction(m_actions.value(QLatin1String(n)));
}

void TfrmMain::createTaskBar()
{
    m_tolTask = new QToolBar(QStringLiteral("タスクバー"), this);
    m_tolTask->setObjectName(QStringLiteral("tolTask"));
    m_tolTask->setMovable(false);
    m_tolTask->setFloatable(false);
    m_tolTask->setIconSize(QSize(16, 16));
    m_tolTask->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_tolTask->setContextMenuPolicy(Qt::CustomContextMenu);
    m_taskGroup = new QActionGroup(this);
    m_taskGroup->setExclusive(true);
    addToolBar(Qt::BottomToolBarArea, m_tolTask);
    m_popTask = new QMenu(this);
    m_popTask->setObjectName(QStringLiteral("popTaskPopup"));
    auto* close = m_popTask->addAction(QStringLiteral("閉じる"));
    close->setObjectName(QStringLiteral("mnuCloseWindow"));
    connect(close, &QAction::triggered, this, &TfrmMain::CloseActiveChild);
    connect(m_tolTask, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // The button under the mouse becomes the active window first.
        if (QAction* a = m_tolTask->actionAt(pos))
            a->trigger();
        m_popTask->popup(m_tolTask->mapToGlobal(pos));
    });
}

void TfrmMain::createWorkSpace()
{
    m_dockWorkSpace = new QDockWidget(this);
    m_dockWorkSpace->setObjectName(QStringLiteral("splWorkSpace"));
    m_dockWorkSpace->setTitleBarWidget(new QWidget(m_dockWorkSpace));
    m_dockWorkSpace->setFeatures(QDockWidget::NoDockWidgetFeatures);
    m_lstWorkSpace = new QTreeWidget(m_dockWorkSpace);
    m_lstWorkSpace->setObjectName(QStringLiteral("lstWorkSpace"));
    m_lstWorkSpace->setToolTip(
        QStringLiteral("頻繁に利用するオブジェクトを登録する事で、すばやくオブジェクト情報を参照できます。"));
    m_lstWorkSpace->setHeaderLabels({QStringLiteral("タイトル"), QStringLiteral("オブジェクト名"),
                                     QStringLiteral("データベース名"), QStringLiteral("所有者")});
    m_lstWorkSpace->setRootIsDecorated(false);
    m_lstWorkSpace->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstWorkSpace->header()->resizeSection(0, 200);
    for (int i = 1; i < 4; ++i)
        m_lstWorkSpace->header()->resizeSection(i, 160);
    m_dockWorkSpace->setWidget(m_lstWorkSpace);
    addDockWidget(Qt::BottomDockWidgetArea, m_dockWorkSpace);
    resizeDocks({m_dockWorkSpace}, {110}, Qt::Vertical);
}

void TfrmMain::paintBarColour()
{
    const QString c = barColour().name();
    menuBar()->setStyleSheet(QStringLiteral("QMenuBar#mnuMain { background: %1; }"
                                            "QMenuBar#mnuMain::item { background: transparent; padding: 4px 8px; }"
                                            "QMenuBar#mnuMain::item:selected { background: palette(highlight);"
                                            " color: palette(highlighted-text); }")
                                 .arg(c));
    for (QToolBar* t : toolBars())
        t->setStyleSheet(QStringLiteral("QToolBar { background: %1; border: none; }").arg(c));
    m_tolTask->setStyleSheet(QStringLiteral("QToolBar#tolTask { background: %1; border: none; }").arg(c));
    QPalette p = palette();
    p.setColor(QPalette::Window, palette().color(QPalette::Window));
    setPalette(p);
}

void TfrmMain::wireCommands()
{
    auto on = [this](const char* name, auto fn) {
        connect(m_actions.value(QLatin1String(name)), &QAction::triggered, this, fn);
    };
    // Ends the current connection's transaction and starts the next; a failure is reported
    // as one, with the driver's message.
    auto endTransaction = [this](bool commit) {
        IConnectionWindow* c = CurrentForm();
        if (!c)
            return;
        const QString head = QStringLiteral("現行データベース [ ") + connectText(c) +
                             QStringLiteral(" ] のトランザクションを ") +
                             (commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
        QString text;
        try {
            if (commit)
                c->Commit();
            else
                c->Rollback();
        } catch (const EAbort&) {
            return;
        } catch (const std::exception& e) {
            m_stsMain->setPanelText(2, head + QStringLiteral(" できませんでした: ") + QString::fromUtf8(e.what()));
            return;
        }
        try {
            c->StartTransaction();
            text = head + QStringLiteral(" しました。");
        } catch (const EAbort&) {
            return;
        } catch (const std::exception& e) {
            text = head + QStringLiteral(" しましたが、新しいトランザクションを開始できませんでした: ") +
                   QString::fromUtf8(e.what());
        }
        // Data shown from the rolled-back transaction is read again.
        if (!commit)
            if (QMdiSubWindow* sub = m_mdi->activeSubWindow())
                if (auto* form = qobject_cast<TqvForm*>(sub->widget()); form && form->DataPageShown()) {
                    try {
                        MessageEvent ev(WM_RELOAD);
                        QCoreApplication::sendEvent(form, &ev);
                    } catch (const std::exception&) {
                    }
                }
        m_stsMain->setPanelText(2, text);
    };
    on("actDBCommit", [endTransaction] { endTransaction(true); });
    on("actDBRollback", [endTransaction] { endTransaction(false); });
    on("actDBLogon", [this] { m_logon(LogonRequest{}); });
    on("actDBLogoff", [this] {
        IConnectionWindow* c = CurrentForm();
        if (!c)
            return;
        try {
            QWidget* w = c->connectionWidget();
            QWidget* f = qobject_cast<QMdiSubWindow*>(w->parentWidget()) ? w->parentWidget() : w;
            if (auto* sub = qobject_cast<QMdiSubWindow*>(f))
                m_mdi->setActiveSubWindow(sub);
            f->close();
        } catch (...) {
        }
    });
    on("actFileExit", [this] { close(); });
    for (const auto& b : kNewButtons) {
        const int type = b.type;
        on(b.name, [this, type] {
            if (m_cmbDBName->currentIndex() < 0)
                return;
            try {
                if (IConnectionWindow* c = CurrentForm())
                    c->NewObject(type);
            } catch (...) {
            }
        });
    }
    auto edit = [this](EditCommand cmd) { sendEditCommand(QApplication::focusWidget(), cmd); };
    on("actEditUndo", [edit] { edit(EditCommand::Undo); });
    // Redo is a real redo only in the SQL editor; plain edits undo (their undo toggles).
    on("actEditRedo", [edit] {
        edit(isTextEditorTarget(QApplication::focusWidget()) ? EditCommand::Redo : EditCommand::Undo);
    });
    on("actEditCut", [edit] { edit(EditCommand::Cut); });
    on("actEditCopy", [edit] { edit(EditCommand::Copy); });
    on("actEditPaste", [edit] { edit(EditCommand::Paste); });
    on("actEditDelete", [edit] { edit(EditCommand::Clear); });
    on("actEditSelectAll", [edit] { edit(EditCommand::SelectAll); });
    // The commands of the active SQL editor; the states follow what the command changed.
    auto onEditor = [this, on](const char* name, auto fn) {
        on(name, [this, fn] {
            QPointer<TqvMemo> memo = ActiveEditor();
            if (!memo)
                return;
            fn(memo.data());
            EditorStateChanged();
        });
    };
    onEditor("actEditFind", [](TqvMemo* m) { EditorFind(m); });
    onEditor("actEditFindNext", [](TqvMemo* m) { EditorFindNext(m); });
    onEditor("actEditFindPrev", [](TqvMemo* m) { EditorFindPrev(m); });
    onEditor("actEditReplace", [](TqvMemo* m) { EditorReplace(m); });
    onEditor("actEditFindClear", [](TqvMemo* m) { EditorFindClear(m); });
    onEditor("actEditJump", [](TqvMemo* m) { EditorJump(m); });
    onEditor("actEditComment", [](TqvMemo* m) { EditorToggleComment(m); });
    onEditor("actEditSelectMode", [](TqvMemo* m) { EditorToggleBoxMode(m); });
    onEditor("actEditMacroRec", [](TqvMemo* m) { EditorMacroRecord(m); });
    onEditor("actEditMacroExec", [](TqvMemo* m) { EditorMacroRun(m); });
    onEditor("actEditMacroSave", [this](TqvMemo* m) { EditorMacroSave(m, this); });
    onEditor("actEditMacroLoad", [this](TqvMemo* m) { EditorMacroLoad(m, this); });
    m_actions.value(QStringLiteral("mnuReload"))->installEventFilter(this);
    on("mnuReload", [this] {
        const bool byKey = m_reloadByKey;
        m_reloadByKey = false;
        mnuReloadClick(byKey);
    });
    on("actWindowCascade", [this] { m_mdi->cascadeSubWindows(); });
    on("actWindowTileH", [this] {
        // One above the other, each as wide as the area.
        QList<QMdiSubWindow*> subs;
        for (QMdiSubWindow* s : m_mdi->subWindowList())
            if (!s->isMinimized() && s->isVisible())
                subs.append(s);
        if (subs.isEmpty())
            return;
        const QRect r = m_mdi->viewport()->rect();
        const int h = r.height() / int(subs.size());
        for (int i = 0; i < subs.size(); ++i) {
            subs[i]->showNormal();
            subs[i]->setGeometry(0, i * h, r.width(), h);
        }
    });
    on("actWindowTileV", [this] {
        QList<QMdiSubWindow*> subs;
        for (QMdiSubWindow* s : m_mdi->subWindowList())
            if (!s->isMinimized() && s->isVisible())
                subs.append(s);
        if (subs.isEmpty())
            return;
        const QRect r = m_mdi->viewport()->rect();
        const int w = r.width() / int(subs.size());
        for (int i = 0; i < subs.size(); ++i) {
            subs[i]->showNormal();
            subs[i]->setGeometry(i * w, 0, w, r.height());
        }
    });
    on("actWindowMinimizeAll", [this] {
        const auto subs = m_mdi->subWindowList();
        for (auto it = subs.rbegin(); it != subs.rend(); ++it)
            (*it)->showMinimized();
    });
    on("actWindowArrange", [this] {
        // The minimised windows in a row along the bottom of the area (more rows upwards when
        // they do not fit); the others stay where they are.
        const QRect area = m_mdi->viewport()->rect();
        int x = 0, y = area.bottom() + 1;
        bool first = true;
        for (QMdiSubWindow* s : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
            if (!s->isMinimized())
                continue;
            const QSize size = s->size();
            if (first || x + size.width() > area.width()) {
                x = 0;
                y -= size.height();
            }
            s->move(x, y);
            x += size.width();
            first = false;
        }
    });
    on("actWindowClose", [this] { CloseActiveChild(); });
    on("actHelp", [] { HelpBinding::showContents(); });
    on("mnuNewFeatures", [] {
        if (HelpBinding::showContext(50))
            HelpBinding::showContents();
    });
    on("actHelpAbout", [] { TfrmRegist::ShowWindow(); });
    for (const char* n : kConnectionCommands) {
        const QString name = QLatin1String(n);
        on(n, [this, name] { runCommand(name, true); });
    }
    for (const char* n : kFreeCommands) {
        const QString name = QLatin1String(n);
        on(n, [this, name] { runCommand(name, false); });
    }
}

void TfrmMain::runCommand(const QString& name, bool needsConnection)
{
    IConnectionWindow* c = CurrentForm();
    if (needsConnection && !c)
        return;
    const auto h = commandHandlers().value(name);
    if (h)
        h(c);
    else if (!OpenPendingWindow(*this, name, c))
        notAvailable();
    // The setup editors change the definitions the menus are built from.
    if (name == QLatin1String("actToolCommandSetup"))
        SetCommandList();
    else if (name == QLatin1String("actToolReportSetup"))
        SetReportList();
}

void TfrmMain::updateEditActions()
{
    if (m_actions.isEmpty())
        return;
    QWidget* f = QApplication::focusWidget();
    const bool readOnly = isReadOnlyEditTarget(f);
    for (const char* n : {"actEditUndo", "actEditRedo", "actEditCut", "actEditDelete"})
        m_actions.value(QLatin1String(n))->setEnabled(!readOnly);
    const QMimeData* md = QApplication::clipboard()->mimeData();
    m_actions.value(QStringLiteral("actEditPaste"))->setEnabled(md && md->hasText() && !readOnly);
    EditorStateChanged();
}

TqvMemo* TfrmMain::ActiveEditor() const
{
    return qobject_cast<TqvMemo*>(QApplication::focusWidget());
}

void TfrmMain::EditorStateChanged()
{
    if (m_actions.isEmpty())
        return;
    const EditorCommandStates s = ComputeEditorCommandStates(ActiveEditor());
    for (auto it = s.enabled.cbegin(); it != s.enabled.cend(); ++it)
        m_actions.value(it.key())->setEnabled(it.value());
    m_actions.value(QStringLiteral("actEditSelectMode"))->setChecked(s.boxMode);
    // The record entry says whether it starts or ends a recording.
    QAction* rec = m_actions.value(QStringLiteral("actEditMacroRec"));
    const QString caption = s.recording ? QStringLiteral("マクロ記録終了") : QStringLiteral("マクロ記録開始");
    if (rec->text() != caption) {
        rec->setText(caption);
        rec->setToolTip(caption);
        rec->setStatusTip(s.recording ? QStringLiteral("キーボードマクロの記録を終了します。")
                                      : QStringLiteral("キーボードマクロの記録を開始します。"));
        rec->setIcon(imgMain(s.recording ? 155 : 154));
    }
}

// ---- services ----------------------------------------------------------------------------

IConnectionWindow* TfrmMain::CurrentForm() const
{
    const int i = m_cmbDBName ? m_cmbDBName->currentIndex() : -1;
    if (i < 0)
        return nullptr;
    return reinterpret_cast<IConnectionWindow*>(m_cmbDBName->itemData(i).value<quintptr>());
}

IConnectionWindow* TfrmMain::GetDBForm(const QString& serverName) const
{
    if (IConnectionWindow* c = CurrentForm(); c && connectText(c) == serverName)
        return c;
    const QList<QWidget*> children = MDIChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (IConnectionWindow* c = connectionOf(*it); c && connectText(c) == serverName)
            return c;
    return nullptr;
}

QWidget* TfrmMain::FindWindow(const QMetaObject& cls, const QString& caption, bool show) const
{
    const QList<QWidget*> children = MDIChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        QWidget* w = *it;
        if (!w->metaObject()->inherits(&cls) || w->windowTitle() != caption)
            continue;
        if (show) {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
                if (sub->isMinimized())
                    sub->showNormal();
                sub->show();
                m_mdi->setActiveSubWindow(sub);
            } else {
                w->show();
                w->raise();
            }
        }
        return w;
    }
    return nullptr;
}

void TfrmMain::SetDefMessage()
{
    EscapeWatch::end();
    IConnectionWindow* c = CurrentForm();
    if (!c)
        return;
    m_stsMain->setPanelText(2, DefMessageText(c->ObjectCount(), c->SelectedObjectCount()));
}

void TfrmMain::SetLoopMessage(int nowCount, int maxCount)
{
    EscapeWatch::begin();
    m_stsMain->setPanelText(2, LoopMessageText(nowCount, maxCount));
    m_stsMain->panel(2)->repaint();
}

void TfrmMain::SetShortCut()
{
    for (IConnectionWindow* c : ConnectionWindows())
        c->SetShortCut();
}

void TfrmMain::ShowWorkSpace(IConnectionWindow* eraseForm)
{
    m_lstWorkSpace->setUpdatesEnabled(false);
    m_lstWorkSpace->clear();
    QStringList open;
    for (IConnectionWindow* c : ConnectionWindows())
        if (c != eraseForm)
            open << connectText(c);
    try {
        LoadWorkSpace();
    } catch (...) {
    }
    for (const TqvWorkSpace& e : WorkSpaceList) {
        if (!open.contains(e.Connect, Qt::CaseInsensitive))
            continue;
        auto* item = new QTreeWidgetItem(m_lstWorkSpace, {e.Title, e.ObjectName, e.DataBase, e.Schema});
        item->setIcon(0, imgMain(e.ObjectType));
        item->setData(0, Qt::UserRole, e.ObjectType);
        item->setData(1, Qt::UserRole, e.ParentObject);
        item->setData(2, Qt::UserRole, e.Connect);
    }
    m_lstWorkSpace->sortItems(0, Qt::AscendingOrder);
    m_lstWorkSpace->setUpdatesEnabled(true);
}

void RecordRecentObject(QList<QList<TqvRecentObject>>& recent, const QString& connect, int objectType,
                        const QString& database, const QString& schema, const QString& objectName,
                        const QString& parentObject)
{
    TqvRecentObject n;
    n.ObjectType = objectType;
    n.Title = objectType == 46 && !parentObject.trimmed().isEmpty()
                  ? objectName + QStringLiteral(" (") + database + QLatin1Char('.') + schema + QLatin1Char('.') +
                        parentObject + QLatin1Char(')')
                  : objectName + QStringLiteral(" (") + database + QLatin1Char('.') + schema + QLatin1Char(')');
    n.ObjectName = objectName;
    n.ParentObject = parentObject;
    n.DataBase = database;
    n.Schema = schema;
    n.Connect = connect;
    for (auto& slot : recent) {
        if (slot.isEmpty() || slot.first().Connect != connect)
            continue;
        for (int j = 0; j < slot.size(); ++j) {
            const TqvRecentObject& e = slot.at(j);
            if (e.ObjectType == objectType && e.ObjectName == objectName && e.ParentObject == parentObject &&
                e.DataBase == database && e.Schema == schema) {
                slot.removeAt(j);
                slot.prepend(n);
                return;
            }
        }
    }
    for (auto& slot : recent) {
        if (!slot.isEmpty() && slot.first().Connect == connect) {
            slot.prepend(n);
            while (slot.size() > 11)
                slot.removeLast();
            return;
        }
    }
    recent.append({n});
}

void TfrmMain::RecentObjectCheck(int objectType, const QString& database, const QString& schema,
                                 const QString& objectName, const QString& parentObject)
{
    IConnectionWindow* c = CurrentForm();
    if (!c)
        return;
    RecordRecentObject(RecentObjectList, connectText(c), objectType, database, schema, objectName, parentObject);
}

void TfrmMain::SetRecentObjectMenu()
{
    QMenu* menu = m_menus.value(QStringLiteral("mnuRecentObject"));
    menu->menuAction()->setEnabled(false);
    const QString current = m_cmbDBName->currentText();
    if (RecentObjectList.isEmpty() || current.isEmpty())
        return;
    const QList<QAction*> items = menu->actions();
    for (const auto& slot : RecentObjectList) {
        if (menu->menuAction()->isEnabled())
            break;
        for (int k = 0; k < 10 && k < items.size(); ++k) {
            if (k >= slot.size()) {
                items[k]->setVisible(false);
                continue;
            }
            const TqvRecentObject& e = slot.at(k);
            if (e.Connect == current) {
                menu->menuAction()->setEnabled(true);
                items[k]->setText(e.Title);
                items[k]->setIcon(imgMain(e.ObjectType));
                items[k]->setVisible(true);
            }
        }
    }
}

void TfrmMain::mnuRecentObjectClick(QAction* item)
{
    IConnectionWindow* cur = CurrentForm();
    if (!cur)
        return;
    const QString c = connectText(cur);
    for (const auto& slot : RecentObjectList) {
        for (const TqvRecentObject& e : slot) {
            if (e.Connect != c || e.Title != item->text())
                continue;
            const TqvRecentObject entry = e; // the list changes below
            if (IConnectionWindow* conn = GetDBForm(c)) {
                const QString parent = entry.ObjectType == 46 ? entry.ParentObject : QString();
                if (QWidget* w = conn->OpenObject(entry.ObjectType, entry.DataBase, entry.Schema, entry.ObjectName,
                                                  qvOption.OpenMode, true, 0, parent))
                    AddChildWindow(w);
                RecentObjectCheck(entry.ObjectType, entry.DataBase, entry.Schema, entry.ObjectName, parent);
            }
            return;
        }
    }
}

void TfrmMain::MenuUpdate()
{
    MenuInputs in;
    in.any = m_cmbDBName->count() > 0;
    IConnectionWindow* c = CurrentForm();
    in.current = c != nullptr;
    if (c) {
        in.azure = c->IsAzure();
        in.version = c->DBVer();
    }
    in.clientTools = !ClientToolsDir.isEmpty();
    in.msExe = qvOption.MS_EXE;
    in.dtsExe = qvOption.DTS_EXE;
    in.spfExe = qvOption.SPF_EXE;
    in.autoTran = qvOption.AutoTran;
    m_cmbDBName->setToolTip(m_cmbDBName->currentText());
    const auto state = ComputeMenuState(in);
    for (auto it = state.cbegin(); it != state.cend(); ++it)
        if (QAction* a = m_actions.value(it.key()))
            a->setEnabled(it.value());
    // The user commands are always usable.
    if (QMenu* cmd = m_menus.value(QStringLiteral("mnuCommandMenu")))
        for (QAction* a : cmd->actions())
            if (!a->isSeparator())
                a->setEnabled(true);
    for (const char* n : {"mnuReload", "mnuDispList", "mnuDispReport"})
        if (QAction* a = m_actions.value(QLatin1String(n)))
            a->setEnabled(in.any);
}

void TfrmMain::cmbDBNameChange()
{
    static bool busy = false;
    if (busy)
        return;
    busy = true;
    MenuUpdate();
    if (IConnectionWindow* c = CurrentForm()) {
        QWidget* w = c->connectionWidget();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
            if (m_mdi->activeSubWindow() != sub) {
                sub->show();
                m_mdi->setActiveSubWindow(sub);
            }
        }
    }
    busy = false;
}

// ---- children ----------------------------------------------------------------------------

QMdiSubWindow* TfrmMain::AddChildWindow(QWidget* w)
{
    // A window that already sits in a frame of this area keeps it.
    if (auto* own = qobject_cast<QMdiSubWindow*>(w->parentWidget()); own && own->mdiArea() == m_mdi)
        return own;
    const bool sized = w->testAttribute(Qt::WA_Resized);
    const QSize wanted = w->size();
    QMdiSubWindow* sub = m_mdi->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    if (sized) // the window's own size, with the frame around it
        sub->resize(sub->sizeHint().expandedTo(wanted + (sub->frameSize() - sub->contentsRect().size())));
    sub->setWindowIcon(w->windowIcon());
    sub->show();
    return sub;
}

QList<QWidget*> TfrmMain::MDIChildren() const
{
    QList<QWidget*> out;
    for (QMdiSubWindow* s : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        // A sub-window being destroyed is still listed for a moment: it is a plain widget then.
        QMdiSubWindow* live = qobject_cast<QMdiSubWindow*>(static_cast<QObject*>(s));
        if (live && live->widget())
            out.append(live->widget());
    }
    return out;
}

QList<IConnectionWindow*> TfrmMain::ConnectionWindows() const
{
    QList<IConnectionWindow*> out;
    for (QWidget* w : MDIChildren())
        if (IConnectionWindow* c = connectionOf(w))
            out.append(c);
    return out;
}

void TfrmMain::BroadcastMessage(int msg)
{
    for (QWidget* w : MDIChildren()) {
        MessageEvent ev(msg);
        QCoreApplication::sendEvent(w, &ev);
    }
}

void TfrmMain::AddConnection(IConnectionWindow* conn)
{
    m_cmbDBName->addItem(connectText(conn), QVariant::fromValue(reinterpret_cast<quintptr>(conn)));
    m_cmbDBName->setCurrentIndex(m_cmbDBName->count() - 1);
    BroadcastMessage(WM_DBCHANGE);
    ShowWorkSpace(nullptr);
    cmbDBNameChange();
}

void TfrmMain::RemoveConnection(IConnectionWindow* conn)
{
    const int i = m_cmbDBName->findData(QVariant::fromValue(reinterpret_cast<quintptr>(conn)));
    if (i >= 0)
        m_cmbDBName->removeItem(i);
    // The last connection left becomes the current one, before the children hear of it.
    if (m_cmbDBName->count() == 0)
        m_cmbDBName->clear();
    else
        m_cmbDBName->setCurrentIndex(m_cmbDBName->count() - 1);
    cmbDBNameChange();
    BroadcastMessage(WM_DBCHANGE);
    ShowWorkSpace(conn);
}

void TfrmMain::subWindowActivated(QMdiSubWindow* sub)
{
    // Only the active child's own menu stands in the menu bar.
    QMenu* merge = nullptr;
    if (sub) {
        if (auto* form = qobject_cast<TqvForm*>(sub->widget()))
            merge = form->MergeMenu();
        else if (IConnectionWindow* c = connectionOf(sub->widget()))
            merge = c->MergeMenu();
    }
    if (m_mergedMenu != merge) {
        if (m_mergedMenu)
            menuBar()->removeAction(m_mergedMenu->menuAction());
        m_mergedMenu = merge;
        if (merge) {
            QMenu* win = m_menus.value(QStringLiteral("mnuWindow"));
            menuBar()->insertMenu(win ? win->menuAction() : nullptr, merge);
        }
    }
    if (!sub || !sub->widget())
        return;
    QWidget* w = sub->widget();
    if (auto* form = qobject_cast<TqvForm*>(w)) {
        form->Activated();
    } else if (IConnectionWindow* c = connectionOf(w)) {
        const int i = m_cmbDBName->findData(QVariant::fromValue(reinterpret_cast<quintptr>(c)));
        if (i >= 0 && i != m_cmbDBName->currentIndex())
            m_cmbDBName->setCurrentIndex(i);
        else
            MenuUpdate();
    }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Shortcut && watched == m_actions.value(QStringLiteral("mnuReload")))
        m_reloadByKey = true;
    return QMainWindow::eventFilter(watched, e);
}

namespace {
// The first enabled command of w whose caption carries the access key of letter.
bool TriggerAccessKey(QWidget* w, QChar letter)
{
    const QString key = QStringLiteral("&") + letter;
    auto carries = [&](const QString& text) { return text.contains(key, Qt::CaseInsensitive); };
    for (QAction* a : w->findChildren<QAction*>())
        if (a->isEnabled() && carries(a->text())) {
            a->trigger();
            return true;
        }
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->isEnabled() && b->isVisibleTo(w) && carries(b->text())) {
            b->click();
            return true;
        }
    return false;
}
} // namespace

void TfrmMain::mnuReloadClick(bool byKey)
{
    QWidget* focus = QApplication::focusWidget();
    QWidget* form = focus;
    while (form && !qobject_cast<QMdiSubWindow*>(form->parentWidget()))
        form = form->parentWidget();
    if (!byKey || !form || !isTextEditorTarget(focus)) {
        if (QMdiSubWindow* sub = m_mdi->activeSubWindow()) {
            MessageEvent ev(WM_RELOAD);
            QCoreApplication::sendEvent(sub->widget(), &ev);
        }
        return;
    }
    // The editor's window: its own F5 (the SQL window runs its text), otherwise the command
    // with the access key C (the definition windows compile).
    // Straight to the window: delivery through the application would meet this shortcut again.
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier); // a window that does not take it ignores it
    static_cast<QObject*>(form)->event(&f5);
    if (!f5.isAccepted())
        TriggerAccessKey(form, QLatin1Char('C'));
}

void TfrmMain::CloseActiveChild()
{
    if (QMdiSubWindow* sub = m_mdi->activeSubWindow())
        sub->close();
}

void TfrmMain::fillWindowMenu()
{
    QMenu* win = m_menus.value(QStringLiteral("mnuWindow"));
    for (QAction* a : win->actions())
        if (a->property("windowItem").toBool())
            delete a;
    const auto subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (subs.isEmpty())
        return;
    auto* sep = win->addSeparator();
    sep->setProperty("windowItem", true);
    int n = 1;
    for (QMdiSubWindow* s : subs) {
        auto* a = win->addAction(QStringLiteral("&%1 %2").arg(n++).arg(s->windowTitle()));
        a->setProperty("windowItem", true);
        a->setCheckable(true);
        a->setChecked(s == m_mdi->activeSubWindow());
        QPointer<QMdiSubWindow> ps = s;
        connect(a, &QAction::triggered, this, [this, ps] {
            if (!ps)
                return;
            if (ps->isMinimized())
                ps->showNormal();
            m_mdi->setActiveSubWindow(ps);
        });
    }
}

// ---- view menu and bars ------------------------------------------------------------------

QToolBar* TfrmMain::toolBar(const QString& name) const { return m_toolBars.value(name); }

QList<QToolBar*> TfrmMain::toolBars() const
{
    QList<QToolBar*> out;
    for (const char* n : {"pnlDB", "pnlEdit", "pnlTool", "pnlTool2", "pnlAdmin", "pnlNewObj"})
        out.append(m_toolBars.value(QLatin1String(n)));
    return out;
}

namespace {
const char* barOfTag(int tag)
{
    switch (tag) {
    case 1: return "pnlDB";
    case 2: return "pnlEdit";
    case 3: return "pnlTool";
    case 4: return "pnlAdmin";
    case 5: return "pnlNewObj";
    case 6: return "pnlTool2";
    default: return nullptr;
    }
}
} // namespace

void TfrmMain::mnuDisplayShow()
{
    const bool any = m_cmbDBName->count() > 0;
    for (const char* n : {"mnuDispList", "mnuDispReport", "mnuReload"})
        m_actions.value(QLatin1String(n))->setEnabled(any);
    for (QAction* a : m_toolBarMenu->actions()) {
        if (const char* bar = barOfTag(a->data().toInt()))
            a->setChecked(m_toolBars.value(QLatin1String(bar))->isVisible());
    }
    m_actions.value(QStringLiteral("mnuWorkSpace"))->setChecked(m_dockWorkSpace->isVisible());
    m_actions.value(QStringLiteral("mnuTaskBar"))->setChecked(m_tolTask->isVisible());
    m_actions.value(QStringLiteral("mnuStsbar"))->setChecked(m_stsMain->isVisible());
}

void TfrmMain::mnuToolClick(QAction* item)
{
    const int tag = item->data().toInt();
    if (const char* bar = barOfTag(tag)) {
        m_toolBars.value(QLatin1String(bar))->setVisible(item->isChecked());
        return;
    }
    if (tag == 7) {
        if (ShowMessageBox(QStringLiteral("ツールバーの位置を初期化します。よろしいですか？"),
                           MB_YESNO | MB_ICONINFORMATION) == IDYES)
            ResetToolBars();
        item->setChecked(false);
    }
}

void TfrmMain::setWorkSpaceVisible(bool on)
{
    m_dockWorkSpace->setVisible(on);
    m_actions.value(QStringLiteral("mnuWorkSpace"))->setChecked(on);
}

void TfrmMain::setTaskBarVisible(bool on)
{
    m_tolTask->setVisible(on);
    m_actions.value(QStringLiteral("mnuTaskBar"))->setChecked(on);
}

void TfrmMain::setStatusBarVisible(bool on)
{
    m_stsMain->setVisible(on);
    m_actions.value(QStringLiteral("mnuStsbar"))->setChecked(on);
}

// ---- start and stop ----------------------------------------------------------------------

bool TfrmMain::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip)
        return true; // hints never reach the status bar
    if (e->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        QMetaObject::invokeMethod(this, [this] { FormPaint(); }, Qt::QueuedConnection);
    }
    return QMainWindow::event(e);
}

void TfrmMain::FormPaint()
{
    m_painted = true;
    if (m_formPainted)
        return;
    m_formPainted = true;
    LoadMainPlacement();
    WorkSpaceSetIconView(m_workSpaceStyle != 3);
    const QStringList args = m_argsSet ? m_args : QCoreApplication::arguments().mid(1);
    const CommandLine cl = ParseCommandLine(args);
    if (cl.versionGiven)
        ServerVersionOverride = cl.versionOverride;
    LogonRequest r;
    if (cl.loginGiven && !cl.login.isEmpty()) {
        r.userId = cl.login;
        r.password = cl.password;
        r.server = cl.server;
        r.autoPass = true;
    }
    m_logon(r);
}

bool TfrmMain::askChildrenToClose()
{
    bool ok = true;
    for (QWidget* w : MDIChildren()) {
        if (auto* form = qobject_cast<TqvForm*>(w)) {
            if (!form->CloseQuery()) {
                ok = false;
                break;
            }
        } else if (IConnectionWindow* c = connectionOf(w)) {
            if (!c->CloseQuery()) {
                ok = false;
                break;
            }
        }
    }
    if (!ok) // asked again next time
        for (QWidget* w : MDIChildren())
            if (auto* form = qobject_cast<TqvForm*>(w))
                form->m_closeApproved = false;
    return ok;
}

void TfrmMain::closeEvent(QCloseEvent* e)
{
    if (!askChildrenToClose()) {
        e->ignore();
        return;
    }
    m_closing = true;
    // Connection windows from the last to the first, then whatever is left.
    const QList<QWidget*> children = MDIChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (connectionOf(*it))
            if (auto* sub = qobject_cast<QMdiSubWindow*>((*it)->parentWidget()))
                sub->close();
    for (QMdiSubWindow* s : m_mdi->subWindowList())
        s->close();
    e->accept();
    FormClose();
}

void TfrmMain::FormClose()
{
    // Placement, settings and recent objects, in this order; an error ends the sequence.
    try {
        SaveMainPlacement();
        SaveSettings();
        SaveRecentObjects();
    } catch (...) {
    }
}

} // namespace qv
