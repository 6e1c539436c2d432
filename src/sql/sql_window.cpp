#include "sql/sql_window.h"

#include "app/connection_window_iface.h"
#include "app/workspace_panel.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "platform/registry.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "editor/sqlmemo/qvmemo.h"
#include "editor/view/editor.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "sql/builder_catalog.h"
#include "sql/sql_designer.h"
#include "sql/sql_error.h"
#include "sql/sql_join_dialog.h"
#include "sql/table_list_window.h"
#include "sql/sql_files.h"
#include "sql/sql_history.h"
#include "sql/sql_log_window.h"
#include "sql/memo_text.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"

#include <QDir>
#include <QTreeWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QActionGroup>
#include <QInputDialog>
#include <QLineEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace qv {

std::function<void(QWidget*, const QString&, int, const QString&, bool*)> TfrmSQL::MessageHook =
    [](QWidget*, const QString& text, int icon, const QString& checkCaption, bool* check) {
        if (check && !checkCaption.isEmpty())
            ShowCheckMessageBox(text, icon, {CheckItem{checkCaption, check}});
        else
            ShowMessageBox(text, icon);
    };

namespace {
const QString WindowKey = QStringLiteral("\\Software\\Velmora\\QVS22\\GUI\\EXECSQL");
}

TfrmSQL::TfrmSQL(TObjectSession* owner, QWidget* parent)
    : TqvForm(owner ? owner->parent() : nullptr, parent), m_owner(owner)
{
    setObjectName(QStringLiteral("frmSQL"));
    setWindowTitle(QStringLiteral("SQL 実行 - ") +
                   (OwnerForm() ? OwnerForm()->GetConnectInfo(QString(), QString(), true) : owner->ConnectionText()));
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto add = [this](QToolBar* bar, int image, const QString& caption, auto slot) {
        QAction* a = bar->addAction(imgMain(image), caption, this, slot);
        a->setToolTip(QString(caption).remove(QLatin1Char('&')));
        return a;
    };
    actExec = add(tolCmd, 28, QStringLiteral("実行(&E)"), [this] { actExecExecute(); });
    actPrev = add(tolCmd, 29, QStringLiteral("前(&P)"), [this] { actPrevExecute(); });
    actNext = add(tolCmd, 30, QStringLiteral("次(&N)"), [this] { actNextExecute(); });
    actLog = add(tolCmd, 86, QStringLiteral("履歴(&L)"), [this] { actLogExecute(); });
    actExit = add(tolCmd, 42, QStringLiteral("終了(&X)"), [this] { close(); });
    tolOption = new QToolBar(this);
    tolOption->setObjectName(QStringLiteral("tolOption"));
    tolOption->setToolButtonStyle(Qt::ToolButtonIconOnly);
    actOpen = add(tolOption, 17, QStringLiteral("開く(&O)"), [this] { actOpenExecute(); });
    actSave = add(tolOption, 18, QStringLiteral("保存(&S)"), [this] {
        try {
            actSaveExecute();
        } catch (const Exception& e) {
            MessageHook(this, e.message(), MB_ICONERROR, QString(), nullptr);
        }
    });
    mnuTool = new QMenu(QStringLiteral("SQL実行(&O)"), this);
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    mnuTool->addActions({actExec, actPrev, actNext, actLog, actOpen, actSave});
    actHideResult = add(tolOption, 96, QStringLiteral("結果を閉じる"), [this] { ShowResult(!ResultShown()); });
    btnShowDesign = tolOption->addAction(imgMain(110), QStringLiteral("SQLビルダ"));
    btnShowDesign->setObjectName(QStringLiteral("btnShowDesign"));
    btnShowDesign->setCheckable(true);
    connect(btnShowDesign, &QAction::toggled, this, [this](bool on) {
        ShowBuilder(on);
        if (auto* memo = qobject_cast<TqvMemo*>(txtSQL))
            memo->CloseCodeAssist();
    });
    btnExplan = tolOption->addAction(imgMain(112), QStringLiteral("実行計画"));
    btnExplan->setCheckable(true);
    connect(btnExplan, &QAction::toggled, this, [this](bool on) {
        ShowResult(on);
        if (auto* memo = qobject_cast<TqvMemo*>(txtSQL))
            memo->CloseCodeAssist();
    });
    auto* pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto* names = new QHBoxLayout(pnlName);
    names->setContentsMargins(4, 0, 4, 0);
    cmbDBName = new QComboBox(pnlName);
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cmbDatabase = new QComboBox(pnlName);
    cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
    cmbDatabase->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    names->addWidget(new QLabel(QStringLiteral("接続"), pnlName));
    names->addWidget(cmbDBName);
    names->addSpacing(8);
    names->addWidget(new QLabel(QStringLiteral("データベース"), pnlName));
    names->addWidget(cmbDatabase);
    names->addStretch(1);
    connect(cmbDBName, &QComboBox::activated, this, [this] { cmbDBNameSelect(); });
    // The commands on one row, the connection and database boxes on the next.
    auto* tools = new QVBoxLayout;
    tools->setContentsMargins(0, 0, 0, 0);
    tools->setSpacing(0);
    auto* bars = new QHBoxLayout;
    bars->setSpacing(0);
    bars->addWidget(tolCmd);
    bars->addWidget(tolOption);
    bars->addStretch(1);
    tools->addLayout(bars);
    tools->addWidget(pnlName);

    fraMemo = new TfraMemo(this);
    fraMemo->setObjectName(QStringLiteral("fraMemo"));
    txtSQL = fraMemo->txtSQL;
    fraMemo->CodeAssistContext = [this](CodeAssistRequest& r) {
        if (!m_owner || !m_owner->dmSQLServer || !m_owner->dmSQLServer->Connection)
            return false;
        if (!m_qryCodeAssist)
            m_qryCodeAssist = std::make_unique<db::Query>();
        m_qryCodeAssist->SetConnection(m_owner->dmSQLServer->Connection);
        r.query = m_qryCodeAssist.get();
        r.database = cmbDatabase->currentText();
        r.schema = m_owner->dmSQLServer->GetDefSchema();
        r.dbVer = m_owner->DBVer;
        return true;
    };
    grdParam = new QTableWidget(0, 2, this);
    grdParam->setHorizontalHeaderLabels({QStringLiteral("バインド変数名"), QStringLiteral("値")});
    grdParam->verticalHeader()->hide();
    grdParam->setColumnWidth(0, 120);
    grdParam->horizontalHeader()->setStretchLastSection(true);
    grdParam->hide();
    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(fraMemo);
    top->addWidget(grdParam);
    top->setStretchFactor(0, 3);

    pagData = new QTabWidget(this);
    fraData = new TfraData(this, pagData);
    fraData->setObjectName(QStringLiteral("fraData"));
    fraData->SetTableName(QStringLiteral("SQL"));
    if (owner && owner->dmSQLServer)
        fraData->SetConnection(owner->dmSQLServer->Connection);
    pagData->addTab(fraData, QStringLiteral("結果"));

    pagExplan = new QTabWidget(this);
    fraExplan = new TfraExplan(pagExplan);
    fraExplan->spl1->hide();
    if (owner && owner->dmSQLServer)
        fraExplan->SetConnection(owner->dmSQLServer->Connection);
    pagExplan->addTab(fraExplan, QStringLiteral("実行計画"));

    pnlBuild = new TqvBuilderPage(this);
    pnlBuild->setObjectName(QStringLiteral("pnlBuild"));
    auto* tolDesign = new QToolBar(pnlBuild);
    tolDesign->setObjectName(QStringLiteral("tolDesign"));
    tolDesign->setToolButtonStyle(Qt::ToolButtonIconOnly);
    popSQLType = new QMenu(this);
    auto* types = new QActionGroup(popSQLType);
    const std::pair<const char*, TqvSQLType> typeItems[] = {{"SELECT", sqltSelect}, {"INSERT", sqltInsert},
                                                           {"UPDATE", sqltUpdate}, {"DELETE", sqltDelete},
                                                           {"CREATE VIEW", sqltCreateView}};
    for (const auto& [caption, type] : typeItems) {
        QAction* a = popSQLType->addAction(QString::fromLatin1(caption));
        a->setCheckable(true);
        a->setData(int(type));
        types->addAction(a);
        connect(a, &QAction::triggered, this, [this, type] { SetBuilderType(type); });
    }
    connect(popSQLType, &QMenu::aboutToShow, this, [this] {
        for (QAction* a : popSQLType->actions())
            a->setChecked(a->data().toInt() == int(pnlBuild->SQLDesign->Design().SQLType()));
    });
    btnSQLType = tolDesign->addAction(imgMain(10), QStringLiteral("SQL"));
    btnSQLType->setMenu(popSQLType);
    connect(btnSQLType, &QAction::triggered, this, [this] {
        popSQLType->popup(mapToGlobal(QPoint(0, 0)));
    });
    actInsTable = add(tolDesign, 39, QStringLiteral("テーブル追加(&I)"), [this] { actInsTableExecute(); });
    actDelTable = add(tolDesign, 40, QStringLiteral("テーブル削除(&D)"), [this] { actDelTableExecute(); });
    static_cast<QVBoxLayout*>(pnlBuild->layout())->insertWidget(0, tolDesign);
    {
        auto* designer = pnlBuild->SQLDesign;
        if (owner && owner->dmSQLServer && owner->dmSQLServer->Connection) {
            m_catalog = std::make_unique<TqvConnectionCatalog>(owner->dmSQLServer->Connection, owner->g_DataBase,
                                                               owner->g_User, owner->IsAzure);
            designer->Design().Catalog = m_catalog.get();
        }
        designer->GetText = [this] { return txtSQL->Lines().GetTextStr(); };
        designer->SetText = [this](const QString& text) {
            txtSQL->Lines().SetTextStr(text);
            if (!txtSQL->Modified() && !text.isEmpty())
                txtSQL->SetModified(true);
            txtSQL->SetRowCol(0, 0);
        };
        designer->Warn = [this](const QString& message) { MessageHook(this, message, MB_ICONWARNING, QString(), nullptr); };
        designer->Error = [this](const QString& message) { MessageHook(this, message, MB_ICONERROR, QString(), nullptr); };
        connect(designer, &TqvSQLDesigner::ConnectDblClick, this, [this, designer](TqvSQLBuildConnect* c) {
            if (TfrmSQLBldConnect::ShowWindow(&designer->Design(), c, this)) {
                designer->Surface()->update();
                designer->DesignToSQL();
            }
        });
        connect(designer, &TqvSQLDesigner::DesignChanged, this, [this] { UpdateActions(); });
        designer->AcceptDrag = [this](QObject* source) { return SQLDesignDragOver(source); };
        designer->DropFrom = [this](QObject* source) { SQLDesignDragDrop(source); };
    }
    pnlBuild->hide();

    m_split = new QSplitter(Qt::Vertical, this);
    m_split->addWidget(pnlBuild);
    m_split->addWidget(top);
    m_split->addWidget(pagData);
    m_split->addWidget(pagExplan);
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(tools);
    layout->addWidget(m_split, 1);
    resize(800, 600);
    setAcceptDrops(true);

    FillConnections();
    FillDatabases();
    fraMemo->ShowData();
    ShowResult(false);
    txtSQL->OnChange = [this, frameChange = txtSQL->OnChange](TEditor* e) {
        if (frameChange)
            frameChange(e);
        UpdateActions();
    };
    UpdateActions();
    SetIcon(10);
    CreateTaskButton();
    SetTaskCaption(OwnerForm() ? OwnerForm()->GetConnectInfo(QString(), QString(), true) : owner->ConnectionText());
    // Both lists reach their index files from the first SQL window on.
    try {
        SqlLogStore::instance().saveIndexes(SqlLogStore::workDir());
    } catch (const std::exception&) {
    }
}

TfrmSQL::~TfrmSQL() = default;

void TfrmSQL::FillDatabases()
{
    const QString chosen = cmbDatabase->currentText();
    QStringList dbs;
    try {
        m_owner->GetDatabase(dbs);
    } catch (const std::exception&) {
    }
    cmbDatabase->clear();
    cmbDatabase->addItems(dbs);
    const int keep = chosen.isEmpty() ? -1 : dbs.indexOf(chosen);
    cmbDatabase->setCurrentIndex(keep >= 0 ? keep : std::max<int>(0, dbs.indexOf(m_owner->g_DataBase)));
    cmbDatabase->setEnabled(!m_owner->IsAzure);
    if (m_owner->IsAzure) {
        cmbDatabase->clear();
        cmbDatabase->addItem(m_owner->g_DataBase);
    }
}

void TfrmSQL::FillConnections()
{
    // The main window's list of open connections; without one, only this window's own.
    const QString own = OwnerForm() ? OwnerForm()->GetConnectInfo(QString(), QString(), true) : m_owner->ConnectionText();
    const QString chosen = cmbDBName->count() > 0 ? cmbDBName->currentText() : own;
    cmbDBName->clear();
    if (TfrmMain* main = TfrmMain::instance()) {
        const QComboBox* list = main->cmbDBName();
        for (int i = 0; i < list->count(); ++i)
            cmbDBName->addItem(list->itemText(i), list->itemData(i));
    } else {
        cmbDBName->addItem(own, QVariant::fromValue(quintptr(OwnerForm())));
    }
    cmbDBName->setCurrentIndex(cmbDBName->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void TfrmSQL::cmbDBNameSelect()
{
    const int i = cmbDBName->currentIndex();
    if (i < 0)
        return;
    auto* conn = reinterpret_cast<IConnectionWindow*>(cmbDBName->itemData(i).value<quintptr>());
    auto* window = conn ? dynamic_cast<TfrmObject*>(conn->connectionWidget()) : nullptr;
    if (!window || window->session() == m_owner)
        return;
    SetOwnerForm(conn);
    SetSession(window->session());
    fraMemo->DBChanged();
    setWindowTitle(QStringLiteral("SQL 実行 - ") + conn->GetConnectInfo(QString(), QString(), true));
    SetTaskCaption(conn->GetConnectInfo(QString(), QString(), true));
    cmbDatabase->clear(); // the new connection's own database is chosen
    FillDatabases();
}

void TfrmSQL::SetSession(TObjectSession* session)
{
    m_owner = session;
    db::Connection* c = session && session->dmSQLServer ? session->dmSQLServer->Connection : nullptr;
    ClearRun();
    fraData->SetConnection(c);
    fraExplan->SetConnection(c);
    m_qryCodeAssist.reset();
    // The builder asks its catalog questions on the chosen connection from now on.
    if (c) {
        m_catalog = std::make_unique<TqvConnectionCatalog>(c, session->g_DataBase, session->g_User, session->IsAzure);
        pnlBuild->SQLDesign->Design().Catalog = m_catalog.get();
    } else {
        pnlBuild->SQLDesign->Design().Catalog = nullptr;
        m_catalog.reset();
    }
}

void TfrmSQL::DBChange()
{
    if (!TfrmMain::instance()) {
        FillDatabases();
        return;
    }
    const QString chosen = cmbDBName->currentText();
    FillConnections();
    if (cmbDBName->count() == 0 || cmbDBName->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        close();
        return;
    }
    FillDatabases();
}

void TfrmSQL::UpdateActions()
{
    // Runs on every change of the text: the shape of the text only, never the joined text.
    const bool empty = EditorTextEmpty(txtSQL->Lines());
    actExec->setEnabled(!empty && !EditorTextIsOneBreak(txtSQL->Lines()));
    actSave->setEnabled(!empty);
    actHideResult->setEnabled(pagData->count() > 0);
    if (actDelTable)
        actDelTable->setEnabled(pnlBuild->SQLDesign->Design().Selected() != nullptr);
    if (actInsTable)
        actInsTable->setEnabled(InsTableAllowed());
}

std::function<bool(QWidget*, QString&)> TfrmSQL::ViewNameHook = [](QWidget* parent, QString& name) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, QApplication::applicationName(), QStringLiteral("ビュー名"),
                                                 QLineEdit::Normal, name, &ok);
    if (ok)
        name = answer;
    return ok;
};

void TfrmSQL::ShowBuilder(bool show)
{
    if (btnShowDesign->isChecked() != show) {
        btnShowDesign->setChecked(show); // comes back here through the toggle
        return;
    }
    pnlBuild->setVisible(show);
    if (show) {
        QList<int> sizes = m_split->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        if (sizes.value(0) == 0 && total > 0) {
            sizes[0] = total / 2;
            sizes[1] = total - sizes[0];
            m_split->setSizes(sizes);
        }
        pnlBuild->SQLDesign->SQLToDesign();
    }
    UpdateActions();
}

void TfrmSQL::SetBuilderType(TqvSQLType type)
{
    auto* designer = pnlBuild->SQLDesign;
    auto& design = designer->Design();
    const TqvSQLType current = design.SQLType();
    if (type == sqltCreateView) {
        QString name = design.ViewName;
        if (!ViewNameHook(this, name))
            return;
        design.ViewName = name;
    }
    const bool keep = (type == sqltSelect && current == sqltCreateView) || (type == sqltCreateView && current == sqltSelect);
    designer->SetSQLType(type, keep);
    if (type == sqltSelect || type == sqltCreateView)
        designer->DesignToSQL();
    UpdateActions();
}

bool TfrmSQL::InsTableAllowed() const
{
    const TqvSQLDesign& design = pnlBuild->SQLDesign->Design();
    return m_owner && (design.Tables().empty() || design.SQLType() == sqltSelect || design.SQLType() == sqltCreateView);
}

void TfrmSQL::actInsTableExecute()
{
    if (!InsTableAllowed())
        return;
    QStringList names;
    TfrmTableList::ShowWindow(m_owner, names, this, cmbDatabase->currentText(), QString());
    addBuilderTables(names, true);
}

void TfrmSQL::addBuilderTables(const QStringList& names, bool oneForChanges)
{
    auto* designer = pnlBuild->SQLDesign;
    // One synchronisation for all chosen tables: version and default schema are asked once.
    TqvBuilderCatalog* catalog = designer->Design().Catalog;
    if (catalog)
        catalog->BeginSync();
    struct End {
        TqvBuilderCatalog* c;
        ~End()
        {
            if (c)
                c->EndSync();
        }
    } end{catalog};
    bool added = false;
    for (const QString& name : names) {
        designer->AddTable(name);
        added = true;
        const TqvSQLType type = designer->Design().SQLType();
        if (oneForChanges && type != sqltSelect && type != sqltCreateView)
            break; // INSERT, UPDATE and DELETE take one table
    }
    if (added)
        designer->DesignToSQL();
    UpdateActions();
}

bool TfrmSQL::SQLDesignDragOver(QObject* source) const
{
    auto* list = qobject_cast<const QTreeWidget*>(source);
    if (!list)
        return false;
    if (TfrmMain* main = TfrmMain::instance(); main && list == main->lstWorkSpace())
        return true;
    // The object list of this window's connection window.
    auto* connection = m_owner ? qobject_cast<QWidget*>(m_owner->parent()) : nullptr;
    return connection && list->objectName() == QLatin1String("lstObject") && connection->isAncestorOf(list);
}

void TfrmSQL::SQLDesignDragDrop(QObject* source)
{
    if (!SQLDesignDragOver(source))
        return;
    auto* list = qobject_cast<const QTreeWidget*>(source);
    const TfrmMain* main = TfrmMain::instance();
    const bool workSpace = main && list == main->lstWorkSpace();
    auto* own = m_owner ? dynamic_cast<IConnectionWindow*>(m_owner->parent()) : nullptr;
    const QString ownConnect = own ? own->GetConnectInfo(QString(), QString(), true) : QString();
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* it = list->topLevelItem(i);
        if (!it->isSelected())
            continue;
        // A work-space entry of another connection names a table this window's server may not have.
        if (workSpace && WorkSpaceEntryOf(it).Connect != ownConnect)
            continue;
        const int type = it->data(0, Qt::UserRole).toInt();
        // Work space rows: title, name, database, schema; object list rows: name, database, schema.
        const QString name = BuilderDropName(type, it->text(workSpace ? 2 : 1), it->text(workSpace ? 3 : 2),
                                             it->text(workSpace ? 1 : 0));
        if (!name.isEmpty())
            names << name;
    }
    addBuilderTables(names, false);
}

void TfrmSQL::actDelTableExecute()
{
    pnlBuild->SQLDesign->RemoveSelected();
    UpdateActions();
}

void TfrmSQL::FormCloseQuery(bool& canClose)
{
    canClose = true;
    fraData->qryData->Close();
    if (TfrmMain* main = TfrmMain::instance())
        main->stsMain()->setPanelText(2, QString());
}

void TfrmSQL::ResetEditorState()
{
    txtSQL->SetSelectionMode(smLine);
    txtSQL->KeyDownAltKey = false;
    if (auto* memo = qobject_cast<TqvMemo*>(txtSQL))
        memo->CloseCodeAssist();
}

void TfrmSQL::LoadWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(WindowKey))
        return;
    resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
    ShowBuilder(reg.GetBool(QStringLiteral("ShowBuild"), false));
}

void TfrmSQL::SaveWindowSettings()
{
    TqvRegistry reg;
    if (!reg.OpenKey(WindowKey, true))
        return;
    if (isNormalState()) {
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
    reg.WriteBool(QStringLiteral("ShowBuild"), btnShowDesign->isChecked());
}

bool TfrmSQL::ResultShown() const
{
    auto* self = const_cast<TfrmSQL*>(this);
    return pagData->isVisibleTo(self) || pagExplan->isVisibleTo(self);
}

void TfrmSQL::ShowResult(bool show)
{
    // One of the two result areas at a time: the plan page in plan mode.
    const bool plan = btnExplan->isChecked();
    pagData->setVisible(show && !plan);
    pagExplan->setVisible(show && plan);
}

void TfrmSQL::RunPlan(const QStringList& lines)
{
    fraExplan->SetSQL(SqlRun::planText(lines));
    ReadParamGrid();
    m_binds.apply(fraExplan->qryData->Params());
    SyncParamGrid();
    if (m_binds.visible()) {
        MessageHook(this, SqlRun::planRefused(), 48, QString(), nullptr);
        return;
    }
    ShowResult(true);
    try {
        fraExplan->ShowData();
    } catch (const Exception& e) {
        txtSQL->setFocus();
        SelectSQLError(fraMemo->txtSQL, txtSQL->Lines().Count() - 1, 0);
        MessageHook(this, e.message(), MB_ICONERROR, QString(), nullptr);
    }
}

void TfrmSQL::ClearRun()
{
    for (int i = 1; i < m_frames.size(); ++i)
        delete m_frames[i];
    m_frames.clear();
    while (pagData->count() > 1)
        pagData->removeTab(pagData->count() - 1);
    if (fraData->qryData)
        fraData->qryData->Close();
}

void TfrmSQL::SyncParamGrid()
{
    const auto& rows = m_binds.rows();
    grdParam->setRowCount(int(rows.size()));
    for (int k = 0; k < rows.size(); ++k) {
        auto* name = new QTableWidgetItem(rows[k].name);
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        name->setBackground(palette().button());
        grdParam->setItem(k, 0, name);
        grdParam->setItem(k, 1, new QTableWidgetItem(rows[k].value));
    }
    if (m_binds.visible() && !grdParam->isVisibleTo(this)) {
        // The grid comes in at a third of the editor area's width.
        auto* top = static_cast<QSplitter*>(grdParam->parentWidget());
        const int total = top->isVisible() ? top->width() : width();
        grdParam->show();
        top->setSizes({total - total / 3, total / 3});
        fraMemo->HidePalette(); // the grid takes the palette's place
    }
    grdParam->setVisible(m_binds.visible());
    if (m_binds.visible() && grdParam->rowCount() > 0)
        grdParam->setCurrentCell(0, 1);
}

void TfrmSQL::ReadParamGrid()
{
    // A value still in the cell editor counts: the run button does not take the focus, so
    // nothing else would commit it.
    const QModelIndex current = grdParam->currentIndex();
    grdParam->setCurrentIndex(QModelIndex());
    grdParam->setCurrentIndex(current);
    for (int k = 0; k < grdParam->rowCount(); ++k)
        if (auto* item = grdParam->item(k, 1))
            m_binds.setValue(k, item->text());
}

void TfrmSQL::actExecExecute()
{
    WaitCursor cursor;
    struct Restore {
        TfrmSQL* w;
        ~Restore() { w->ResetEditorState(); }
    } restore{this};

    const QStringList text = txtSQL->Lines().ToStringList();
    if (txtSQL->Modified() && qvOption.SQLBuf > 0) {
        SqlLogStore::instance().append(SqlLogStore::workDir(), text, qvOption.SQLBuf);
        m_log = 0;
    }
    txtSQL->SetModified(false);
    ClearRun();

    try {
        if (!cmbDatabase->currentText().isEmpty())
            m_owner->ExecuteSQL(m_owner->Use(cmbDatabase->currentText()));
    } catch (const Exception& e) {
        MessageHook(this, e.message(), 16, QString(), nullptr);
        return;
    }
    QStringList lines = text;
    if (qvOption.UsePartial && txtSQL->SelLength() > 0)
        lines = SplitTextLines(txtSQL->SelText());

    if (btnExplan->isChecked()) {
        RunPlan(lines);
        return;
    }
    ReadParamGrid();
    SqlRun::Host host;
    host.queryFor = [this](int n) {
        while (m_frames.size() <= n) {
            if (m_frames.isEmpty()) {
                m_frames.append(fraData);
                continue;
            }
            auto* f = new TfraData(this, pagData);
            f->setObjectName(QStringLiteral("fraData%1").arg(m_frames.size()));
            f->SetConnection(m_owner->dmSQLServer->Connection);
            f->SetGridType(fraData->GridType());
            f->hide();
            m_frames.append(f);
        }
        return m_frames.at(n)->qryData;
    };
    host.openSelect = [this](int n, const QString& sql) {
        TfraData* f = m_frames.at(n);
        f->SetSQL(sql);
        f->Open();
    };
    host.resultPage = [this](int n, const QString& caption) {
        TfraData* f = m_frames.at(n);
        if (f != fraData)
            pagData->addTab(f, caption);
    };
    host.note = [this](const QString& t, bool offer, bool& suppress) {
        MessageHook(this, t, 64, offer ? QStringLiteral("以降の結果ダイアログを表示しない") : QString(), offer ? &suppress : nullptr);
    };
    host.error = [this](const QString& m, int firstLine, int lastLine, bool offer, bool& cont) {
        txtSQL->setFocus();
        SelectSQLError(fraMemo->txtSQL, lastLine, firstLine);
        MessageHook(this, m, 48, offer ? QStringLiteral("処理を続行する") : QString(), offer ? &cont : nullptr);
    };
    host.status = [this](const QString& t) {
        m_status = t;
        if (TfrmMain* main = TfrmMain::instance())
            main->stsMain()->setPanelText(2, t);
    };
    SqlRun run(host, m_binds);
    run.run(lines);
    SyncParamGrid();
    const bool anyRows = fraData->qryData && fraData->qryData->Active() && fraData->qryData->FieldCount() > 0;
    ShowResult(pagData->count() >= 2 || anyRows);
}

void TfrmSQL::LoadHistoryEntry(int index, bool favorite)
{
    WaitCursor cursor;
    // An entry that cannot be read leaves the editor empty; the position still moves.
    m_log = index;
    QStringList lines;
    if (index >= 0) {
        try {
            const auto& store = SqlLogStore::instance();
            const QString dir = SqlLogStore::workDir();
            lines = SqlLogStore::readEntry(favorite ? store.favoriteEntryFile(dir, index) : store.historyEntryFile(dir, index));
        } catch (const std::exception&) {
            lines.clear();
        }
    }
    txtSQL->Lines().Assign(lines);
    txtSQL->EditorUndoObj().Clear();
    txtSQL->SetRowCol(0, 0);
    // An unchanged stored text is not appended again when it runs.
    txtSQL->SetModified(false);
    if (pnlBuild->isVisibleTo(this))
        pnlBuild->SQLDesign->SQLToDesign();
}

void TfrmSQL::actLogExecute()
{
    txtSQL->SetSelectionMode(smLine);
    txtSQL->KeyDownAltKey = false;
    const QString answer = TfrmSQLLog::ShowWindow(this);
    const int index = answer.mid(1).toInt();
    // After a favourite, the previous and next commands go on from its index in the history.
    if (index >= 0)
        LoadHistoryEntry(index, answer.startsWith(QLatin1Char('F')));
}

void TfrmSQL::actPrevExecute()
{
    if (m_log < SqlLogStore::instance().history().size() - 1)
        LoadHistoryEntry(m_log + 1);
    ResetEditorState();
}

void TfrmSQL::actNextExecute()
{
    if (m_log >= 0)
        LoadHistoryEntry(m_log - 1);
    ResetEditorState();
}

std::function<QStringList(QWidget*)> TfrmSQL::OpenDialogHook = [](QWidget* parent) {
    QFileDialog dlg(parent, QString(), QString(), SqlFileFilter());
    dlg.setFileMode(QFileDialog::ExistingFiles);
    return dlg.exec() == QDialog::Accepted ? dlg.selectedFiles() : QStringList();
};

std::function<QString(QWidget*, const QString&, int&)> TfrmSQL::SaveDialogHook = [](QWidget* parent, const QString& proposed, int& filter) {
    QFileDialog dlg(parent, QStringLiteral("名前を付けて保存"), proposed, SqlFileFilter());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    filter = SqlFileFilterIndex(dlg.selectedNameFilter());
    return dlg.selectedFiles().first();
};

void TfrmSQL::LoadFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    // The frame loads (sorted, in the text-file encoding, undo cleared, caret at the start);
    // the window's text is no file of the frame, and a loaded text that runs is a new
    // history entry like any typed one.
    try {
        fraMemo->OpenFiles(files, fraMemo->OpenFilePath());
    } catch (const Exception& e) {
        MessageHook(this, e.message(), MB_ICONERROR, QString(), nullptr);
    }
    txtSQL->SetModified(true);
    if (pnlBuild->isVisibleTo(this))
        pnlBuild->SQLDesign->SQLToDesign();
}

void TfrmSQL::actOpenExecute()
{
    LoadFiles(OpenDialogHook(this));
}

void TfrmSQL::actSaveExecute()
{
    if (EditorTextEmpty(txtSQL->Lines()))
        return;
    const QString dir = qvOption.FileDir.isEmpty() ? QDir::homePath() : qvOption.FileDir;
    int filter = 0;
    const QString chosen = SaveDialogHook(this, UniqueFileName(QDir(dir).filePath(QStringLiteral("Script.sql"))), filter);
    if (chosen.isEmpty())
        return;
    // Saving a copy does not make the text an old one: it still goes to the history when run.
    const bool modified = txtSQL->Modified();
    try {
        fraMemo->WriteFile(SqlSaveFileName(chosen, filter));
    } catch (...) {
        txtSQL->SetModified(modified);
        throw;
    }
    txtSQL->SetModified(modified);
    MessageHook(this, QStringLiteral("ファイルに出力しました。"), MB_ICONINFORMATION, QString(), nullptr);
}

void TfrmSQL::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TfrmSQL::dropEvent(QDropEvent* e)
{
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    LoadFiles(files);
    e->acceptProposedAction();
}

void TfrmSQL::showEvent(QShowEvent* e)
{
    TqvForm::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    FitIntoArea();
    // Once more when the main window has laid itself out with the new window (task button).
    QTimer::singleShot(0, this, [this] { FitIntoArea(); });
    txtSQL->setFocus();
}

void TfrmSQL::FitIntoArea()
{
    // A new window (default or stored size) lies wholly inside the main window's area.
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub || !sub->mdiArea() || sub->isMaximized())
        return;
    const QSize area = sub->mdiArea()->viewport()->size();
    if (area.isEmpty())
        return;
    const QSize size = sub->size().boundedTo(area).expandedTo(sub->minimumSizeHint().boundedTo(area));
    if (size != sub->size())
        sub->resize(size);
    QPoint pos = sub->pos();
    pos.setX(std::max(0, std::min(pos.x(), area.width() - size.width())));
    pos.setY(std::max(0, std::min(pos.y(), area.height() - size.height())));
    if (pos != sub->pos())
        sub->move(pos);
}

void TfrmSQL::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F5) {
        actExecExecute();
        return;
    }
    QWidget::keyPressEvent(e);
}

} // namespace qv
