#include "objects/filegroup_window.h"

#include "app/application.h"
#include "app/connection_window_iface.h"
#include "app/escape_watch.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/qvstrings.h"
#include "app/wait_cursor.h"
#include "connection/object_actions.h"
#include "connection/object_session.h"
#include "controls/grid/string_grid.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/registry.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

namespace qv {

using namespace filegroup;

std::function<int(const QString&, int, const CheckList&)> TfrmTBS::CheckBoxHook;
std::function<std::optional<QString>(QWidget*, const QString&)> TfrmTBS::FolderHook;

namespace {

DefineKind TbsKind(int tabImage)
{
    DefineKind k;
    k.windowClass = &TfrmTBS::staticMetaObject;
    k.objType = tabImage == FileGroupKind ? FileGroupKind : filegroup::FileKind;
    k.word = tabImage == FileGroupKind ? QStringLiteral("FILEGROUP") : QStringLiteral("FILE");
    k.settingsKey = QStringLiteral("TBS");
    k.menuTitle = QStringLiteral("ファイル情報(&O)");
    k.hasSchema = false;
    k.hasSource = true;
    k.commitAroundDDL = true;
    return k;
}

const QString FolderTitle = QStringLiteral("ファイル作成先を選択して下さい。");

std::optional<QString> AskFolder(QWidget* parent, const QString& defaultFolder)
{
    std::unique_ptr<QDialog> dlg = TfrmTBS::FolderDialog(parent, defaultFolder);
    if (dlg->exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg->findChild<QLineEdit*>(QStringLiteral("txtFolder"))->text().trimmed();
}

// Rows of the usage bar in a row of any height: the bar keeps its 12-pixel height, centred.
int BarTop(const QRect& rect) { return rect.top() + qMax(0, (rect.height() - 17) / 2); }

} // namespace

std::unique_ptr<QDialog> TfrmTBS::FolderDialog(QWidget* parent, const QString& defaultFolder)
{
    auto dlg = std::make_unique<QDialog>(parent);
    dlg->setWindowTitle(FolderTitle);
    auto* layout = new QVBoxLayout(dlg.get());
    auto* note = new QLabel(QStringLiteral("ファイルはサーバー上に作成されます。サーバーのファイルシステムはこのコンピューターの"
                                           "ものとは別なので、ここから参照することはできません。\n"
                                           "サーバー上の既存のフォルダーのパスを入力して下さい。"),
                            dlg.get());
    note->setWordWrap(true);
    auto* edit = new QLineEdit(defaultFolder, dlg.get());
    edit->setObjectName(QStringLiteral("txtFolder"));
    edit->setMinimumWidth(420);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dlg.get());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dlg.get(), &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dlg.get(), &QDialog::reject);
    layout->addWidget(note);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    return dlg;
}

TfrmTBS::TfrmTBS(QObject* owner, const QString& database, const QString& objectName, int tabImage, TOpenMode mode)
    : TfrmTBS(owner, database, objectName, tabImage, mode, false)
{
}

TfrmTBS::TfrmTBS(QObject* owner, const QString& database, const QString& objectName, int tabImage, TOpenMode mode,
                 bool scriptMode)
    : TfrmDefine(owner, TbsKind(tabImage), DefineArgs{database, QString(), objectName, mode}, scriptMode),
      m_fileKind(tabImage == FileGroupKind ? FileGroupKind : filegroup::FileKind),
      m_columns(Columns(m_fileKind))
{
    setObjectName(QStringLiteral("frmTBS"));

    grdFile = new TqvStringGrid(tabDefine);
    grdFile->setObjectName(QStringLiteral("grdFile"));
    grdFile->SetGridMode(TqvGridEditorMode::geAccess);
    grdFile->SetGridOptions(grdFile->GridOptions() | goTabs | goColSizing);
    grdFile->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grdFile->SetDefaultRowHeight(qMax(17, grdFile->fontMetrics().height() + 4));
    auto* defineLayout = new QVBoxLayout(tabDefine);
    defineLayout->setContentsMargins(0, 0, 0, 0);
    defineLayout->addWidget(grdFile);
    grdFile->OnSelectCell = [this](int c, int r) { return SelectCell(c, r); };
    grdFile->OnSetEditText = [this](TqvStringGrid*, int c, int r, const QString&) { SetEditText(c, r); };
    grdFile->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& rect, TGridDrawState) { DrawCell(p, c, r, rect); };
    grdFile->OnGetPickListitems = [this](int c, int, QStringList& items) { PickList(c, items); };
    grdFile->OnEditButtonClick = [this] { Guard([this] { grdFileEditButtonClick(); }); };
    // Sizes and growth amounts are whole numbers.
    grdFile->OnShowEditor = [this](TqvStringGrid*, int c, int, TqvInplaceEditor* editor) {
        const bool whole = c == Column(Field::Size) || c == Column(Field::Growth);
        if (whole && !editor->validator())
            editor->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^.]*")), editor));
        else if (!whole && editor->validator())
            editor->setValidator(nullptr);
    };

    if (m_fileKind == FileGroupKind) {
        tabContents = new QWidget(pagObject);
        tabContents->setObjectName(QStringLiteral("tabContents"));
        lstObject = new TqvListView(tabContents);
        lstObject->setObjectName(QStringLiteral("lstObject"));
        lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
        lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
        lstObject->setHeaderLabels({QStringLiteral("オブジェクト名"), QStringLiteral("所有者"), QStringLiteral("タイプ")});
        lstObject->header()->resizeSection(0, 200);
        lstObject->header()->resizeSection(1, 100);
        lstObject->header()->resizeSection(2, 120);
        auto* contentsLayout = new QVBoxLayout(tabContents);
        contentsLayout->setContentsMargins(0, 0, 0, 0);
        contentsLayout->addWidget(lstObject);
        pagObject->addTab(tabContents, QStringLiteral("格納オブジェクト"));
        mnuContents = new QMenu(lstObject);
        popOpen = mnuContents->addAction(imgMain(17), QStringLiteral("開く(&O)"));
        popDel = mnuContents->addAction(imgMain(41), QStringLiteral("削除(&D)"));
        connect(popOpen, &QAction::triggered, this, [this] { Guard([this] { popOpenClick(); }); });
        connect(popDel, &QAction::triggered, this, [this] { Guard([this] { popDelClick(); }); });
        lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(lstObject, &QWidget::customContextMenuRequested, this,
                [this](const QPoint& pos) { mnuContents->popup(lstObject->viewport()->mapToGlobal(pos)); });
        connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { Guard([this] { popOpenClick(); }); });
        lstObject->installEventFilter(this);
    }

    // The window's own delete: the files, and on request the file group.
    disconnect(actDelete, &QAction::triggered, this, nullptr);
    connect(actDelete, &QAction::triggered, this, [this] { DeleteObject(); });
    // Another database's list: the name typed for the old one no longer applies.
    cmbDatabase->OnDropDown = [this] {
        cmbDatabaseDropDown();
        txtName->clear();
    };

    InitGrid();
    ApplyColumnWidths();
    Start();
}

int TfrmTBS::Column(Field f) const { return int(m_columns.indexOf(f)); }

QString TfrmTBS::Database() const { return cmbDatabase->currentText().trimmed(); }

QString TfrmTBS::Cell(Field f, int row) const
{
    const int c = Column(f);
    return c < 0 ? QString() : grdFile->Cells(c, row);
}

QString TfrmTBS::SavedCell(Field f, int row) const
{
    const int c = Column(f);
    return c < 0 ? QString() : grdFile->SaveCells(c, row);
}

void TfrmTBS::SetCell(Field f, int row, const QString& value)
{
    if (const int c = Column(f); c >= 0)
        grdFile->SetCells(c, row, value);
}

void TfrmTBS::InitGrid()
{
    // The layout of the kind is set once; column widths the user changed stay.
    if (grdFile->ColCount() == m_columns.size() && grdFile->FixedRows() == 1)
        return;
    grdFile->SetColCount(int(m_columns.size()));
    grdFile->SetRowCount(2);
    grdFile->SetFixedRows(1);
    grdFile->SetFixedCols(0);
    for (int c = 0; c < m_columns.size(); ++c) {
        grdFile->SetCells(c, 0, Header(m_columns.at(c)));
        grdFile->SetColWidths(c, DefaultWidth(m_columns.at(c)));
    }
}

void TfrmTBS::SetEditStyles()
{
    for (int c = 0; c < m_columns.size(); ++c) {
        TqvGridEditStyle style = TqvGridEditStyle::geSimple;
        switch (m_columns.at(c)) {
        case Field::Path: style = TqvGridEditStyle::geEllipsis; break;
        case Field::Type:
        case Field::Unit: style = TqvGridEditStyle::geDropList; break;
        case Field::FileGroup: style = TqvGridEditStyle::gePickList; break;
        default: break;
        }
        grdFile->SetEditStyles(c, style);
    }
}

QWidget* TfrmTBS::PageForMode(TOpenMode mode)
{
    switch (mode) {
    case omDefine:
    case omData: return tabDefine;
    case omSource: return tabSource;
    default: return tabContents ? tabContents : tabDefine;
    }
}

QList<QWidget*> TfrmTBS::ExistingOnlyPages()
{
    QList<QWidget*> pages{tabSource};
    if (tabContents)
        pages << tabContents;
    return pages;
}

bool TfrmTBS::IsCreate() const { return IsNew() || SourceMode == smText || SourcePageActive(); }

ScriptInput TfrmTBS::Input() const
{
    ScriptInput in;
    in.kind = m_fileKind;
    in.database = Database();
    in.name = txtName->text().trimmed();
    in.addFileGroup = IsCreate();
    const auto row = [this](int r, bool saved) {
        const auto cell = [&](Field f) { return saved ? SavedCell(f, r) : Cell(f, r); };
        FileRow f;
        f.name = cell(Field::Name);
        f.path = cell(Field::Path);
        f.type = cell(Field::Type);
        f.fileGroup = cell(Field::FileGroup);
        f.size = cell(Field::Size);
        f.growth = cell(Field::Growth);
        f.unit = cell(Field::Unit);
        f.maximum = cell(Field::Max);
        return f;
    };
    for (int r = 1; r < grdFile->RowCount(); ++r)
        in.rows << row(r, false);
    for (int r = 1; r < grdFile->SaveRowCount(); ++r)
        in.saved << row(r, true);
    return in;
}

QStringList TfrmTBS::GetSourceCreate() const { return CreateScript(Input()); }

QStringList TfrmTBS::GetSourceAlter() const { return AlterScript(Input()); }

QStringList TfrmTBS::GetSourceDrop()
{
    QStringList groupFiles;
    const ScriptInput in = Input();
    if (m_fileKind == FileGroupKind) {
        db::Query* q = Session()->OpenSQL(Session()->Use(in.database) + GroupFilesSql(in.name));
        try {
            for (q->First(); !q->Eof(); q->Next())
                groupFiles << q->Fields().at(0)->AsString();
        } catch (...) {
            q->Close();
            throw;
        }
        q->Close();
    }
    bool header = SourceMode == smShow;
    if (SourceMode == smText) {
        IConnectionWindow* conn = OwnerForm();
        const bool azure = conn && conn->IsAzure();
        const QString current = conn ? conn->DataBase() : QString();
        header = !azure && (ScriptOption.Database == 0 || (ScriptOption.Database == 1 && in.database != current));
    }
    return DropScript(in, groupFiles, header);
}

void TfrmTBS::ShowData(bool isDrop)
{
    WaitCursor cursor;
    m_loading = true;
    struct Done {
        TfrmTBS* w;
        ~Done()
        {
            w->m_loading = false;
            w->SetModified(false);
        }
    } done{this};
    InitGrid();
    grdFile->Clear();
    if (!IsNew()) {
        TObjectSession* s = Session();
        QStringList params{txtName->text().trimmed()};
        if (s->DBVer > 8)
            params << Database();
        db::Query* q = s->OpenSQL(s->Use(Database()) + FileSql(s->DBVer, m_fileKind), params);
        int r = 1;
        try {
            for (q->First(); !q->Eof(); q->Next()) {
                const auto text = [q](int i) { return q->Fields().at(i)->AsString(); };
                CatalogFile f;
                f.name = text(0);
                f.path = text(1);
                f.fileGroup = text(2);
                f.size = text(3);
                f.growth = text(4);
                f.maxSize = text(5);
                f.used = text(6);
                f.percentFlag = text(8);
                f.logFlag = text(9);
                const ShownFile shown = ShowFile(f);
                if (grdFile->RowCount() <= r)
                    grdFile->SetRowCount(r + 1);
                SetCell(Field::Name, r, shown.row.name);
                SetCell(Field::Path, r, shown.row.path);
                SetCell(Field::Type, r, shown.row.type);
                SetCell(Field::FileGroup, r, shown.row.fileGroup);
                SetCell(Field::Size, r, shown.row.size);
                SetCell(Field::Growth, r, shown.row.growth);
                SetCell(Field::Unit, r, shown.row.unit);
                SetCell(Field::Max, r, shown.row.maximum);
                SetCell(Field::Used, r, shown.used);
                SetCell(Field::Usage, r, shown.usage);
                ++r;
                if (m_fileKind != FileGroupKind)
                    break; // the file window has its one row
            }
        } catch (...) {
            q->Close();
            throw;
        }
        q->Close();
        if (m_fileKind == FileGroupKind) {
            // One blank row follows the files: a new file is typed there.
            grdFile->SetRowCount(r + 1);
            for (int c = 0; c < grdFile->ColCount(); ++c)
                grdFile->SetCells(c, r, QString());
        }
    }
    SetEditStyles();
    // The snapshot first: the select-cell rules tell loaded rows from new ones by it.
    grdFile->Save();
    grdFile->SetRow(1);
    grdFile->SetCol(0);
    SelectCell(grdFile->Col(), grdFile->Row());
    // An editor left open would show the text before the load; the grid hides only an editor
    // on screen, and a window being built is not on screen yet.
    grdFile->SetEditorMode(false);
    if (QWidget* editor = grdFile->InplaceEditor())
        editor->hide();
    if (SourcePageActive() && SourceMode == smShow)
        SetSourceLines(isDrop ? GetSourceDrop() : GetSourceCreate());
    cmbDatabase->Save();
    txtName->Save();
}

bool TfrmTBS::SelectCell(int c, int r)
{
    if (c < 0 || c >= m_columns.size() || r < 1)
        return true;
    const bool newRow = r >= grdFile->SaveRowCount() - 1;
    const bool editable = CellEditable(m_columns.at(c), newRow, SavedCell(Field::Type, r), Cell(Field::Type, r));
    if (editable) {
        grdFile->SetGridOptions(grdFile->GridOptions() | goEditing);
    } else {
        grdFile->SetEditorMode(false);
        grdFile->SetGridOptions(grdFile->GridOptions() & ~unsigned(goEditing));
    }
    return true;
}

void TfrmTBS::SetEditText(int c, int r)
{
    if (m_loading)
        return;
    if (m_fileKind == FileGroupKind && r == grdFile->RowCount() - 1 && !grdFile->Cells(c, r).trimmed().isEmpty()) {
        grdFile->SetRowCount(grdFile->RowCount() + 1);
        for (int col = 0; col < grdFile->ColCount(); ++col)
            grdFile->SetCells(col, grdFile->RowCount() - 1, QString());
    }
    if (Cell(Field::Type, r) == LogText)
        SetCell(Field::FileGroup, r, QString());
    grdFile->viewport()->update();
    SetModified(Modified() || grdFile->IsChanged());
    actCompile->setEnabled(Modified() || SourcePageActive());
}

void TfrmTBS::PickList(int c, QStringList& items)
{
    if (c < 0 || c >= m_columns.size())
        return;
    switch (m_columns.at(c)) {
    case Field::Type: items = {DataText, LogText}; break;
    case Field::FileGroup:
        if (FFileGroup.isEmpty()) {
            // The file groups of the window's database, whatever the shared session is in.
            Session()->ExecuteSQL(QStringLiteral("use ") + QuoteIdentifier(Database(), true));
            Session()->GetFileGroup(FFileGroup);
            Session()->dmSQLServer->qryGeneral->Close();
        }
        items = FFileGroup;
        break;
    case Field::Unit: items = {PercentText, MbText}; break;
    default: break;
    }
}

void TfrmTBS::DrawCell(QPainter& p, int c, int r, const QRect& rect)
{
    if (r < 1 || c < 0 || c >= m_columns.size())
        return;
    const Field f = m_columns.at(c);
    if (f == Field::FileGroup && m_fileKind != FileGroupKind && Cell(Field::Type, r) == LogText) {
        p.fillRect(rect, palette().color(QPalette::Button));
        return;
    }
    if (f != Field::Usage || Cell(Field::Path, r).isEmpty())
        return;
    // The usage as a bar: a silver frame, the used part in blue.
    p.save();
    p.fillRect(rect, palette().color(QPalette::Base));
    const int top = BarTop(rect);
    const int right = rect.right() + 1;
    const QColor silver(192, 192, 192);
    p.setPen(silver);
    p.setBrush(silver);
    p.drawRect(QRect(QPoint(rect.left(), top + 2), QPoint(right - 1, top + 13)));
    const int value = grdFile->Cells(c, r).trimmed().toInt();
    if (value > 0) {
        p.setPen(Qt::blue);
        p.setBrush(Qt::blue);
        const int edge = UsageBarRight(rect.left(), right, qMin(value, 1000));
        p.drawRect(QRect(QPoint(rect.left(), top + 4), QPoint(edge - 1, top + 11)));
    }
    p.restore();
}

void TfrmTBS::grdFileEditButtonClick()
{
    QString folder;
    {
        WaitCursor cursor;
        try {
            db::Query* q = Session()->OpenSQL(InstallFolderSql());
            if (!q->Eof())
                folder = q->Fields().at(0)->AsString().trimmed();
            q->Close();
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception&) {
            // Reading the server's registry needs rights the login may lack: the folder is
            // then typed without a proposal.
            Session()->dmSQLServer->qryGeneral->Close();
        }
    }
    pagObject->setCurrentWidget(tabDefine);
    const std::optional<QString> chosen = FolderHook ? FolderHook(this, folder) : AskFolder(this, folder);
    if (!chosen)
        return;
    const QString base = chosen->isEmpty() ? folder : *chosen;
    const int r = grdFile->Row();
    QString path = base;
    if (m_fileKind == FileGroupKind) {
        if (!Cell(Field::Name, r).trimmed().isEmpty())
            path = FilePathInFolder(m_fileKind, base, Cell(Field::Name, r), QString());
    } else if (!txtName->text().trimmed().isEmpty()) {
        path = FilePathInFolder(m_fileKind, base, txtName->text(), Cell(Field::Type, r));
    }
    grdFile->SetEditText(grdFile->Col(), r, path);
    grdFile->UpdateEditor();
}

void TfrmTBS::CheckDefinition()
{
    if (!DefinePageActive())
        return;
    bool entries = false;
    const auto fail = [this](Field f, int r, const QString& text) {
        grdFile->SetRow(r);
        grdFile->SetCol(Column(f));
        Warn(text, grdFile);
    };
    for (int r = 1; r < grdFile->RowCount(); ++r) {
        if (m_fileKind == FileGroupKind) {
            bool blank = true;
            for (Field f : {Field::Name, Field::Path, Field::Size, Field::Growth, Field::Unit, Field::Max, Field::Used,
                            Field::Usage})
                blank = blank && Cell(f, r).trimmed().isEmpty();
            if (blank)
                continue;
        }
        entries = true;
        if (m_fileKind == FileGroupKind && Cell(Field::Name, r).trimmed().isEmpty())
            fail(Field::Name, r, QStringLiteral("データファイル名を指定して下さい。"));
        if (Cell(Field::Path, r).trimmed().isEmpty())
            fail(Field::Path, r, QStringLiteral("ファイルパスを指定して下さい。"));
        if (m_fileKind != FileGroupKind) {
            if (Cell(Field::Type, r).trimmed().isEmpty())
                fail(Field::Type, r, QStringLiteral("種別を指定して下さい。"));
            if (Cell(Field::Type, r) == DataText && Cell(Field::FileGroup, r).trimmed().isEmpty())
                fail(Field::FileGroup, r, QStringLiteral("ファイルグループを指定して下さい。"));
        }
    }
    if (m_fileKind == FileGroupKind && !entries &&
        Box(QStringLiteral("データファイルの入力がありません。\r\nファイルグループを新規作成しますか？"),
            MB_YESNO | MB_ICONQUESTION) != IDYES)
        Abort();
}

QStringList TfrmTBS::GetDDL()
{
    if (SourcePageActive())
        return SourceLines();
    return IsCreate() ? GetSourceCreate() : GetSourceAlter();
}

QStringList TfrmTBS::ScriptText(bool isDrop) { return isDrop ? GetSourceDrop() : GetSourceCreate(); }

void TfrmTBS::PreviewTarget(QString& database, QString& schema, QString& name)
{
    database = Database();
    schema.clear();
    name = txtName->text().trimmed();
}

int TfrmTBS::CheckBox(const QString& text, int flags, const CheckList& checks)
{
    return CheckBoxHook ? CheckBoxHook(text, flags, checks) : ShowCheckMessageBox(text, flags, checks);
}

void TfrmTBS::DeleteObject()
{
    if (IsNew())
        return;
    bool dropFileGroup = false;
    CheckList checks;
    if (m_fileKind == FileGroupKind)
        checks << CheckItem{QStringLiteral("ファイルグループも削除する"), &dropFileGroup};
    if (CheckBox(QStringLiteral("オブジェクトを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks) !=
        IDYES)
        return;
    bool done = false;
    Guard([&] {
        WaitCursor cursor;
        QStringList files;
        for (int r = 1; r < grdFile->RowCount() - 1; ++r)
            files << Cell(Field::Name, r).trimmed();
        const QStringList lines = DeleteScript(Input(), files, dropFileGroup);
        // ALTER DATABASE cannot run inside a user transaction.
        CommitOpenTransaction();
        try {
            Session()->ExecuteSQL(lines, false);
        } catch (...) {
            StartTransactionWhenAuto();
            throw;
        }
        StartTransactionWhenAuto();
        done = true;
    });
    if (!done)
        return;
    Box(QStringLiteral("オブジェクトが削除されました。"), MB_OK | MB_ICONINFORMATION);
    SetModified(false);
    frame()->close();
}

void TfrmTBS::PageShown()
{
    if (tabContents && pagObject->currentWidget() == tabContents) {
        SetModified(false);
        ShowContents();
    }
}

bool TfrmTBS::eventFilter(QObject* watched, QEvent* e)
{
    // Enter opens, Delete drops the selected objects (not while a caption is edited).
    if (watched == lstObject && e->type() == QEvent::KeyPress && !lstObject->isPersistentEditorOpen(lstObject->currentItem())) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guard([this] { popOpenClick(); });
            return true;
        }
        if (key == Qt::Key_Delete) {
            Guard([this] { popDelClick(); });
            return true;
        }
    }
    return TfrmDefine::eventFilter(watched, e);
}

// ---- stored objects

void TfrmTBS::ShowContents()
{
    if (!tabContents || pagObject->currentWidget() != tabContents)
        return;
    WaitCursor cursor;
    TfrmMain* main = TfrmMain::instance();
    lstObject->clear();
    if (main)
        main->SetLoopMessage(0, 0);
    const bool progress = qvOption.Progress;
    if (!progress)
        lstObject->setUpdatesEnabled(false);
    struct Restore {
        TfrmTBS* w;
        TfrmMain* main;
        ~Restore()
        {
            if (main)
                main->SetDefMessage();
            w->lstObject->setUpdatesEnabled(true);
        }
    } restore{this, main};
    TObjectSession* s = Session();
    db::Query* q = s->OpenSQL(ContentsSql(s->DBVer, Database(), qvOption.ShowSysObj), {txtName->text().trimmed()});
    try {
        for (q->First(); !q->Eof() && !EscapePressed(); q->Next()) {
            const auto text = [q](const char* name) { return q->FieldByName(QString::fromLatin1(name))->AsString(); };
            const ContentItem item = ContentFromRecord(text("OBJECT_TYPE"), text("OBJECT_TYPE_DESC"),
                                                       text("OBJECT_NAME"), text("SCHEMA_NAME"),
                                                       text("PARENT_OBJECT_NAME"));
            QTreeWidgetItem* it = lstObject->AddItem(item.name, {item.schema, item.typeName, item.parent});
            it->setIcon(0, imgMain(item.type));
            it->setData(0, Qt::UserRole, item.type);
            if (progress)
                lstObject->viewport()->repaint();
        }
    } catch (...) {
        q->Close();
        throw;
    }
    lstObject->SortItems();
    q->Close();
}

namespace {
ContentItem ItemOf(QTreeWidgetItem* it)
{
    ContentItem item;
    item.type = it->data(0, Qt::UserRole).toInt();
    item.name = it->text(0);
    item.schema = it->text(1);
    item.typeName = it->text(2);
    item.parent = it->text(3);
    return item;
}
} // namespace

void TfrmTBS::popOpenClick()
{
    const QList<QTreeWidgetItem*> selected = lstObject->selectedItems();
    if (selected.isEmpty())
        return;
    TfrmMain* main = TfrmMain::instance();
    IConnectionWindow* conn = OwnerForm();
    struct Reset {
        TfrmMain* main;
        ~Reset()
        {
            if (main)
                main->SetDefMessage();
        }
    } reset{main};
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i)
        if (lstObject->topLevelItem(i)->isSelected())
            items << lstObject->topLevelItem(i);
    for (int i = 0; i < items.size(); ++i) {
        if (EscapePressed())
            break;
        if (main)
            main->SetLoopMessage(i + 1, int(items.size()));
        const ContentItem item = ItemOf(items.at(i));
        QWidget* w = conn ? conn->OpenObject(item.type, Database(), item.schema, item.name, qvOption.OpenMode, false,
                                             0, item.parent)
                          : nullptr;
        if (main) {
            if (w)
                main->AddChildWindow(w);
            main->RecentObjectCheck(item.type, Database(), item.schema, item.name, item.parent);
        }
        items.at(i)->setSelected(false);
    }
}

void TfrmTBS::popDelClick()
{
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i)
        if (lstObject->topLevelItem(i)->isSelected())
            items << lstObject->topLevelItem(i);
    if (items.isEmpty())
        return;
    bool ignoreErrors = qvOption.DelErr;
    if (CheckBox(QStringLiteral("オブジェクトを削除しますか？"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                 {CheckItem{QStringLiteral("削除時のエラーを無視する"), &ignoreErrors}}) != IDYES)
        return;
    qvOption.DelErr = ignoreErrors;
    TfrmMain* main = TfrmMain::instance();
    struct Reset {
        TfrmMain* main;
        ~Reset()
        {
            if (main)
                main->SetDefMessage();
        }
    } reset{main};

    // The rows as the delete run sees them; the run drops in passes so that an object that
    // failed because of another one removed later is tried again.
    QList<actions::Row> rows;
    for (QTreeWidgetItem* it : items) {
        const ContentItem item = ItemOf(it);
        actions::Row r;
        r.name = item.name;
        r.type = item.type;
        r.sub = {Database(), item.schema, item.typeName, item.parent};
        rows << r;
    }
    TObjectSession* s = Session();
    const int dbVer = s->DBVer;
    actions::DeleteHooks hooks;
    hooks.escape = [] { return EscapePressed(); };
    hooks.progress = [main](int i, int n) {
        if (main)
            main->SetLoopMessage(i, n);
    };
    hooks.drop = [&](const actions::Row& r) {
        QTreeWidgetItem* it = items.at(&r - rows.constData());
        lstObject->scrollToItem(it);
        const ContentItem item = ItemOf(it);
        const QString sql = ContentDropStatement(item, dbVer);
        if (sql.isEmpty())
            throw Exception(QStringLiteral("この種類のオブジェクトはここから削除できません。"));
        s->ExecuteSQL(s->Use(Database()) + sql);
    };
    const actions::DeleteOutcome out = actions::RunDelete(rows, ignoreErrors, hooks);
    for (int idx : out.deleted)
        delete items.at(idx);
    if (out.error) {
        // The deletion ends at the first error: shown with the server's text.
        HandleException(out.error);
        return;
    }
    if (out.stopped)
        return;
    if (!out.failures.isEmpty()) {
        Box(actions::DeleteFailureText(rows, out.failures), MB_OK | MB_ICONERROR);
        return;
    }
    Box(QStringLiteral("オブジェクトが削除されました。"), MB_OK | MB_ICONINFORMATION);
}

// ---- window settings

void TfrmTBS::ApplyColumnWidths()
{
    if (ScriptMode())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey(), true))
        return;
    for (int c = 0; c < grdFile->ColCount(); ++c)
        grdFile->SetColWidths(c, reg.GetInteger(QStringLiteral("COL%1").arg(c), grdFile->ColWidths(c)));
}

void TfrmTBS::LoadWindowSettings()
{
    TfrmDefine::LoadWindowSettings();
    if (grdFile)
        ApplyColumnWidths();
}

void TfrmTBS::SaveWindowSettings()
{
    TfrmDefine::SaveWindowSettings();
    if (ScriptMode())
        return;
    TqvRegistry reg;
    if (!reg.OpenKey(SettingsKey(), true))
        return;
    for (int c = 0; c < grdFile->ColCount(); ++c)
        reg.WriteInteger(QStringLiteral("COL%1").arg(c), grdFile->ColWidths(c));
}

void TfrmTBS::GetScript(IConnectionWindow* owner, const QString& database, const QString& objectName, int objectType,
                        QIODevice& stream)
{
    std::unique_ptr<TfrmTBS> w(new TfrmTBS(owner ? owner->connectionWidget() : nullptr, database, objectName,
                                           objectType, omDefine, true));
    w->WriteScriptTo(stream);
    Abort();
}

} // namespace qv
