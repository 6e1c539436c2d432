#include "tables/define_frame.h"

#include "app/transaction_rule.h"

#include "tables/define_output.h"
#include "app/application.h"
#include "app/connection_window_iface.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "app/wait_cursor.h"
#include "connection/ddl_exec.h"
#include "connection/source_history.h"
#include "connection/ddl_preview.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "editor/sqlmemo/qvmemo.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "sql/memo_frame.h"
#include "tables/define_text.h"

#include <QAction>
#include <QHBoxLayout>
#include <QIODevice>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

std::function<int(const QString&, int)> TfrmDefine::MessageHook;

namespace {
const QString GuiKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\");
} // namespace

void TqvDropDownCombo::showPopup()
{
    if (OnDropDown) {
        const QString text = currentText();
        try {
            OnDropDown();
        } catch (...) {
            HandleException(std::current_exception());
            return;
        }
        // The list is replaced; the text typed or chosen stays.
        if (isEditable())
            setEditText(text);
        else
            setCurrentIndex(findText(text));
    }
    TqvComboBox::showPopup();
}

TfrmDefine::TfrmDefine(QObject* owner, const DefineKind& kind, const DefineArgs& args, bool scriptMode)
    : TqvForm(owner), m_kind(kind), m_args(args), m_scriptMode(scriptMode)
{
    IConnectionWindow* conn = OwnerForm();
    if (!m_scriptMode && !args.name.trimmed().isEmpty()) {
        // One window per object: an open one comes forward and no second is built. Windows
        // of new objects never match.
        const QString caption = DefineCaption(m_kind.word, false, args.database,
                                              args.schema, args.name, conn ? conn->Server() : QString(),
                                              conn ? conn->DataBase() : QString(), m_kind.hasSchema);
        if (TfrmMain* main = TfrmMain::instance(); main && m_kind.windowClass &&
                                                   main->FindWindow(*m_kind.windowClass, caption, true))
            Abort();
    }
    BuildFrame();
    if (m_scriptMode) {
        SourceMode = smText;
    } else {
        CreateTaskButton();
        resize(640, 440);
        EnsureWindowSettings();
    }
    SetObjType(m_kind.objType);
}

TfrmDefine::~TfrmDefine() = default;

void TfrmDefine::BuildFrame()
{
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const auto add = [this](int image, const QString& caption, const QString& hint, auto slot) {
        QAction* a = new QAction(imgMain(image), caption, this);
        a->setToolTip(hint);
        a->setStatusTip(hint);
        connect(a, &QAction::triggered, this, slot);
        tolCmd->addAction(a);
        return a;
    };
    actCompile = add(15, QStringLiteral("作成(&C)"), QStringLiteral("現在の設定値を元にオブジェクトを作成・修正します。"),
                     [this] { Compile(); });
    actRefresh = add(16, QStringLiteral("戻す(&R)"), QStringLiteral("表示中の情報を変更前の状態に戻します。"),
                     [this] { Guard([this] { Reload(); }); });
    actDelete = add(41, QStringLiteral("削除(&D)"), QStringLiteral("オブジェクトを削除します。"),
                    [this] { actDeleteExecute(); });
    if (m_kind.hasOutput) {
        actOutput = add(36, QStringLiteral("出力(&P)"), QStringLiteral("オブジェクトの定義を外部に出力します。"), [] {});
        const auto item = [this](int image, const QString& caption, const QString& hint, auto slot) {
            QAction* a = new QAction(imgMain(image), caption, this);
            a->setToolTip(hint);
            a->setStatusTip(hint);
            connect(a, &QAction::triggered, this, slot);
            return a;
        };
        actPrint = item(98, QStringLiteral("印刷(&P)"), QStringLiteral("定義を印刷します。"),
                        [this] { Guard([this] { actPrintExecute(); }); });
        actSave = item(18, QStringLiteral("ファイル保存(&S)"), QStringLiteral("定義をファイルに保存します。"),
                       [this] { Guard([this] { actSaveExecute(); }); });
        popOutput = new QMenu(this);
        popOutput->addActions({actPrint, actSave});
        actOutput->setMenu(popOutput);
        if (auto* b = qobject_cast<QToolButton*>(tolCmd->widgetForAction(actOutput)))
            b->setPopupMode(QToolButton::InstantPopup);
    }
    actExit = add(42, QStringLiteral("終了(&X)"), QStringLiteral("画面を閉じます。"), [this] { frame()->close(); });
    for (QAction* a : tolCmd->actions())
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);

    mnuTool = new QMenu(m_kind.menuTitle, this);
    mnuTool->addActions({actCompile, actRefresh, actDelete});
    if (actPrint) {
        mnuTool->addSeparator();
        mnuTool->addActions({actPrint, actSave});
    }
    mnuTool->addSeparator();
    mnuTool->addAction(actExit);

    pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto* names = new QHBoxLayout(pnlName);
    names->setContentsMargins(4, 2, 4, 2);
    lblDatabase = new QLabel(QStringLiteral("データベース"), pnlName);
    cmbDatabase = new TqvDropDownCombo(pnlName);
    cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
    cmbDatabase->setEditable(true);
    cmbDatabase->setMinimumContentsLength(12);
    lblSchema = new QLabel(QStringLiteral("所有者"), pnlName);
    cmbSchema = new TqvDropDownCombo(pnlName);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setEditable(true);
    cmbSchema->setMinimumContentsLength(10);
    lblName = new QLabel(QStringLiteral("名前"), pnlName);
    txtName = new TqvStrEdit(pnlName);
    txtName->setObjectName(QStringLiteral("txtName"));
    lblDatabase->setBuddy(cmbDatabase);
    lblSchema->setBuddy(cmbSchema);
    lblName->setBuddy(txtName);
    names->addWidget(lblDatabase);
    names->addWidget(cmbDatabase, 2);
    names->addWidget(lblSchema);
    names->addWidget(cmbSchema, 2);
    names->addWidget(lblName);
    names->addWidget(txtName, 3);
    lblSchema->setVisible(m_kind.hasSchema);
    cmbSchema->setVisible(m_kind.hasSchema);
    cmbDatabase->OnDropDown = [this] { cmbDatabaseDropDown(); };
    cmbSchema->OnDropDown = [this] { cmbSchemaDropDown(); };

    pagObject = new QTabWidget(this);
    pagObject->setObjectName(QStringLiteral("pagObject"));
    tabDefine = new QWidget(pagObject);
    tabDefine->setObjectName(QStringLiteral("tabDefine"));
    pagObject->addTab(tabDefine, QStringLiteral("定義情報"));
    if (m_kind.hasSource) {
        tabSource = new QWidget(pagObject);
        tabSource->setObjectName(QStringLiteral("tabSource"));
        auto* l = new QVBoxLayout(tabSource);
        l->setContentsMargins(0, 0, 0, 0);
        fraMemo = new TfraMemo(tabSource);
        fraMemo->setObjectName(QStringLiteral("fraMemo"));
        l->addWidget(fraMemo);
        pagObject->addTab(tabSource, QStringLiteral("ソース"));
        // Completion in the source editor: the connection's current database, default
        // schema and server version.
        fraMemo->CodeAssistContext = [this](CodeAssistRequest& r) {
            IConnectionWindow* conn = OwnerForm();
            auto* window = conn ? dynamic_cast<TfrmObject*>(conn->connectionWidget()) : nullptr;
            if (!window)
                return false;
            if (!qrySQL)
                qrySQL = std::make_unique<db::Query>();
            qrySQL->SetConnection(window->session()->dmSQLServer->Connection);
            r.query = qrySQL.get();
            r.database = conn->DataBase();
            r.schema = conn->GetCurrentSchema();
            r.dbVer = conn->DBVer();
            return true;
        };
        TqvMemo* memo = fraMemo->txtSQL;
        auto previous = memo->OnChange;
        memo->OnChange = [this, previous](TEditor* e) {
            if (previous)
                previous(e);
            if (m_started && e->Modified()) {
                SetModified(true);
                UpdateActions();
            }
        };
    }
    connect(pagObject, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_changingPage)
            return;
        Guard([&] { pagObjectChanging(m_page, index); });
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(tolCmd);
    layout->addWidget(pnlName);
    layout->addWidget(pagObject, 1);

    TrackChanges(cmbDatabase);
    TrackChanges(cmbSchema);
    TrackChanges(txtName);
}

void TfrmDefine::TrackChanges(QWidget* control)
{
    const auto changed = [this] {
        if (!m_started)
            return;
        SetModified(true);
        UpdateActions();
    };
    if (auto* e = qobject_cast<QLineEdit*>(control))
        connect(e, &QLineEdit::textChanged, this, changed);
    else if (auto* c = qobject_cast<QComboBox*>(control))
        connect(c, &QComboBox::currentTextChanged, this, changed);
    else if (auto* b = qobject_cast<QAbstractButton*>(control))
        connect(b, &QAbstractButton::toggled, this, changed);
}

void TfrmDefine::Start()
{
    {
        const QSignalBlocker b1(cmbDatabase), b2(cmbSchema), b3(txtName);
        cmbDatabase->setEditText(m_args.database);
        cmbSchema->setEditText(m_args.schema);
        txtName->setText(m_args.name);
    }
    if (OwnerForm() && OwnerForm()->IsAzure())
        cmbDatabase->setEnabled(false);
    m_started = true;
    {
        const QSignalBlocker block(pagObject);
        QWidget* page = m_scriptMode ? tabDefine : PageForMode(m_args.mode);
        if (page)
            pagObject->setCurrentWidget(page);
        m_page = pagObject->currentIndex();
    }
    TqvForm::SetIsNew(m_args.name.trimmed().isEmpty());
    if (m_scriptMode)
        return; // the script routine loads for itself
    pagObjectChange();
}

QWidget* TfrmDefine::PageForMode(TOpenMode mode)
{
    if (mode == omSource && tabSource)
        return tabSource;
    return tabDefine;
}

QList<QWidget*> TfrmDefine::ExistingOnlyPages()
{
    return tabSource ? QList<QWidget*>{tabSource} : QList<QWidget*>{};
}

int TfrmDefine::NoChangeFlags() const { return MB_OK | MB_ICONWARNING; }

void TfrmDefine::ChangedIsNew()
{
    if (m_scriptMode)
        return;
    IConnectionWindow* conn = OwnerForm();
    setWindowTitle(DefineCaption(m_kind.word, IsNew(), cmbDatabase->currentText(), cmbSchema->currentText(),
                                 txtName->text(), conn ? conn->Server() : QString(),
                                 conn ? conn->DataBase() : QString(), m_kind.hasSchema));
    SetTaskCaption(IsNew() ? QStringLiteral("新規") : txtName->text().trimmed());
    pnlName->setEnabled(IsNew());
    {
        const QSignalBlocker block(pagObject);
        for (QWidget* page : ExistingOnlyPages()) {
            const int i = pagObject->indexOf(page);
            if (i < 0)
                continue;
            if (IsNew() && pagObject->currentIndex() == i)
                pagObject->setCurrentWidget(tabDefine);
            pagObject->setTabVisible(i, !IsNew());
        }
        m_page = pagObject->currentIndex();
    }
    if (IsNew())
        txtName->setFocus();
    UpdateActions();
}

bool TfrmDefine::SourcePageActive() const { return tabSource && pagObject->currentWidget() == tabSource; }

bool TfrmDefine::DefinePageActive() const { return pagObject->currentWidget() == tabDefine; }

QStringList TfrmDefine::SourceLines() const
{
    return fraMemo ? fraMemo->txtSQL->Lines().ToStringList() : QStringList();
}

void TfrmDefine::SetSourceLines(const QStringList& lines)
{
    if (!fraMemo)
        return;
    const bool started = m_started;
    m_started = false; // filling the editor is no edit
    TqvMemo* memo = fraMemo->txtSQL;
    memo->Lines().Assign(lines);
    memo->EditorUndoObj().Clear();
    memo->SetRowCol(0, 0);
    memo->SetModified(false);
    m_started = started;
}

TObjectSession* TfrmDefine::Session() const
{
    IConnectionWindow* conn = OwnerForm();
    auto* window = conn ? dynamic_cast<TfrmObject*>(conn->connectionWidget()) : nullptr;
    if (!window)
        throw Exception(QStringLiteral("接続ウィンドウがありません。"));
    return window->session();
}

QString TfrmDefine::SettingsKey() const { return GuiKey + m_kind.settingsKey; }

int TfrmDefine::Box(const QString& text, int flags)
{
    return MessageHook ? MessageHook(text, flags) : ShowMessageBox(text, flags);
}

void TfrmDefine::Warn(const QString& text, QWidget* focus)
{
    Box(text, MB_OK | MB_ICONWARNING);
    if (focus)
        focus->setFocus();
    Abort();
}

void TfrmDefine::Guard(const std::function<void()>& action)
{
    try {
        action();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void TfrmDefine::UpdateActions()
{
    actCompile->setEnabled(Modified() || SourcePageActive());
    actRefresh->setEnabled(true);
    actDelete->setEnabled(CanDelete());
    // Output writes what the server holds: only for an existing, unmodified object.
    for (QAction* a : {actOutput, actPrint, actSave})
        if (a)
            a->setEnabled(!Modified() && !IsNew());
}

std::function<QString(const QString&, const QString&, const QString&)> TfrmDefine::OutputSaveDialog;

QString TfrmDefine::OutputFileName() const
{
    return cmbSchema->currentText().trimmed() + QLatin1Char('.') + txtName->text().trimmed() + QStringLiteral(".sql");
}

void TfrmDefine::actPrintExecute()
{
    if (actPrint && actPrint->isEnabled())
        PrintScriptLines(cmbDatabase->currentText().trimmed() + QLatin1Char('.') + cmbSchema->currentText().trimmed() +
                             QLatin1Char('.') + txtName->text().trimmed(),
                         OutputLines());
}

void TfrmDefine::actSaveExecute()
{
    if (!actSave || !actSave->isEnabled())
        return;
    if (!SaveScriptLines(this, OutputFileName(), OutputLines(), OutputSaveDialog).isEmpty())
        Box(QStringLiteral("スクリプトが出力されました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmDefine::pagObjectChanging(int from, int to)
{
    if (Modified()) {
        const int answer = Box(QStringLiteral("情報が変更されています。コンパイルしますか？"), MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDYES) {
            // The apply runs on the page it was made on.
            {
                const QSignalBlocker block(pagObject);
                pagObject->setCurrentIndex(from);
            }
            Compile();
            if (!Modified()) {
                const QSignalBlocker block(pagObject);
                pagObject->setCurrentIndex(to);
            }
        } else if (answer == IDNO) {
            SetModified(false);
        }
        if (Modified()) {
            // The change is refused: the page stays.
            const QSignalBlocker block(pagObject);
            pagObject->setCurrentIndex(from);
            m_page = from;
            UpdateActions();
            return;
        }
    }
    m_page = pagObject->currentIndex();
    setUpdatesEnabled(false);
    try {
        pagObjectChange();
    } catch (...) {
        setUpdatesEnabled(true);
        throw;
    }
    setUpdatesEnabled(true);
}

void TfrmDefine::pagObjectChange()
{
    ShowData(false);
    if (SourcePageActive() && fraMemo)
        fraMemo->ShowData();
    SetModified(false);
    PageShown();
    UpdateActions();
}

void TfrmDefine::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database = cmbDatabase->currentText().trimmed();
    schema = m_kind.hasSchema ? cmbSchema->currentText().trimmed() : QString();
    name = txtName->text().trimmed();
}

void TfrmDefine::Compile() { Guard([this] { DoCompile(); }); }

void TfrmDefine::CheckNames()
{
    if (cmbDatabase->IsNull())
        Warn(QStringLiteral("データベース名を入力して下さい。"), cmbDatabase);
    if (m_kind.hasSchema && cmbSchema->IsNull())
        Warn(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    if (txtName->IsNull())
        Warn(QStringLiteral("名前を入力して下さい。"), txtName);
}

void TfrmDefine::CommitOpenTransaction()
{
    qv::CommitOpenTransaction(OwnerForm());
}

void TfrmDefine::StartTransactionWhenAuto()
{
    qv::StartTransactionWhenAuto(OwnerForm());
}

void TfrmDefine::DoCompile()
{
    CheckNames();
    CheckDefinition();
    QStringList lines = GetDDL();
    if (IsBlankScript(lines)) {
        Box(QStringLiteral("変更箇所が見つかりませんでした。"), NoChangeFlags());
        TqvForm::SetIsNew(false);
        pagObjectChange();
        return;
    }
    // Every statement runs in the object's database, whatever the shared session is in.
    lines = WithDatabaseSwitch(lines, cmbDatabase->currentText().trimmed());
    QString database, schema, name;
    PreviewTarget(database, schema, name);
    TfrmMain* main = TfrmMain::instance();
    if (!TfrmDDLPreview::ShowWindow(lines, database, schema, name, main))
        return;
    TObjectSession* session = Session();
    // The source before and after the change, when the source history options ask for it.
    const ScriptContext context{session, dynamic_cast<TfrmObject*>(OwnerForm())};
    QString objectDatabase, objectSchema, objectName;
    TfrmDefine::PreviewTarget(objectDatabase, objectSchema, objectName); // the object itself
    if (!TqvForm::IsNew())
        SaveBeforeSource(context, objectDatabase, objectSchema, objectName, ObjType());
    if (m_kind.commitAroundDDL)
        CommitOpenTransaction();
    try {
        TfrmDDLExec::ShowWindow(session, lines, main);
    } catch (...) {
        TfrmDDLExec::WaitProc();
        if (m_kind.commitAroundDDL)
            StartTransactionWhenAuto();
        throw; // a run stopped at an error: the window keeps its state
    }
    TfrmDDLExec::WaitProc();
    if (m_kind.commitAroundDDL)
        StartTransactionWhenAuto();
    SaveAfterSource(context, objectDatabase, objectSchema, objectName, ObjType());
    TqvForm::SetIsNew(false);
    pagObjectChange();
}

void TfrmDefine::FormCloseQuery(bool& canClose)
{
    if (!Modified())
        return;
    switch (Box(QStringLiteral("情報が変更されています。コンパイルしますか？"), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        Compile();
        canClose = !Modified();
        break;
    case IDNO:
        SetModified(false); // the base asks no second time
        break;
    default: canClose = false; break;
    }
}

void TfrmDefine::Reload()
{
    if (Modified() && Box(QStringLiteral("全ての変更を取り消しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    pagObjectChange();
}

QString TfrmDefine::DeleteStatement()
{
    return Session()->Use(cmbDatabase->currentText().trimmed()) + DropStatement();
}

void TfrmDefine::actDeleteExecute()
{
    if (!CanDelete())
        return;
    if (Box(QStringLiteral("オブジェクトを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    bool done = false;
    const bool outside = DeleteOutsideTransaction();
    if (outside)
        CommitOpenTransaction();
    Guard([&] {
        WaitCursor cursor;
        Session()->ExecuteSQL(DeleteStatement());
        done = true;
    });
    if (outside)
        StartTransactionWhenAuto();
    if (!done)
        return;
    Box(QStringLiteral("オブジェクトが削除されました。"), MB_OK | MB_ICONINFORMATION);
    SetModified(false);
    frame()->close();
}

void TfrmDefine::cmbDatabaseDropDown()
{
    QStringList list;
    Session()->GetDatabase(list);
    cmbDatabase->clear();
    cmbDatabase->addItems(list);
}

void TfrmDefine::cmbSchemaDropDown()
{
    QStringList list;
    Session()->GetUser(list, cmbDatabase->currentText().trimmed(), false);
    cmbSchema->clear();
    cmbSchema->addItems(list);
}

void TfrmDefine::LoadWindowSettings()
{
    if (m_scriptMode || !isNormalState())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey(), true))
        return;
    // The window's own size: the main window puts its frame around it.
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
}

void TfrmDefine::SaveWindowSettings()
{
    if (m_scriptMode)
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey(), true))
        return;
    if (isNormalState()) {
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
}

void TfrmDefine::WriteScriptTo(QIODevice& stream, const QString& newSchema, const QString& newName)
{
    if (!newSchema.isEmpty() && !newName.isEmpty()) {
        NewSchema = newSchema;
        NewObjectName = newName;
    }
    SourceMode = smText;
    {
        const QSignalBlocker block(pagObject);
        pagObject->setCurrentWidget(tabDefine);
    }
    const bool isDrop = ScriptOption.Drop;
    ShowData(isDrop);
    QStringList lines = ScriptText(isDrop);
    RemoveDuplicateUse(lines);
    RemoveBlankLines(lines);
    WriteScript(stream, lines);
}

} // namespace qv
