#include "controls/frame/data_frame.h"

#include "app/escape_watch.h"
#include "app/main_window.h"
#include "app/message_box.h"

#include "app/options.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"
#include "controls/export/clipboard_export.h"
#include "controls/export/csv_export.h"
#include "controls/export/excel_export.h"
#include "controls/export/export_dialogs.h"
#include "controls/export/insert_export.h"
#include "controls/grid/data_grid.h"
#include "controls/inputs/inputs.h"
#include "controls/string_editor.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {

const QString kColWidthV = QStringLiteral("COLWIDTH_V");
const QString kColWidthH = QStringLiteral("COLWIDTH_H");
const QString kAll = QStringLiteral("(ALL)");

// Icon of a tool button: the theme's icon, else a drawn letter.
QIcon toolIcon(const char* themeName, const QString& letter)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!icon.isNull())
        return icon;
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(40, 70, 130));
    p.setBrush(QColor(225, 235, 250));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
    return QIcon(pm);
}

bool isTextField(db::FieldType t)
{
    return t == db::FieldType::String || t == db::FieldType::WideString || t == db::FieldType::Memo
        || t == db::FieldType::WideMemo;
}

QString fullOrEditText(db::Field* f)
{
    return f->AsString(); // memos give their whole text as well
}

} // namespace

std::function<void(const QString&, TfraData::MessageKind)>& TfraData::MessageHook()
{
    static std::function<void(const QString&, MessageKind)> hook;
    return hook;
}

std::function<bool(const QString&)>& TfraData::ConfirmHook()
{
    static std::function<bool(const QString&)> hook;
    return hook;
}

std::function<bool(QString&)>& TfraData::TableNameHook()
{
    static std::function<bool(QString&)> hook;
    return hook;
}

std::function<int(const QString&, bool&, bool&)>& TfraData::CopyQuestionHook()
{
    static std::function<int(const QString&, bool&, bool&)> hook;
    return hook;
}

void TfraDataOwner::FrameReload(TfraData& frame) { frame.Open(); }

void TfraData::showMessage(const QString& text, MessageKind kind)
{
    if (MessageHook()) {
        MessageHook()(text, kind);
        return;
    }
    ShowMessageBox(text, kind == MessageKind::Warning ? MB_ICONWARNING
                         : kind == MessageKind::Error ? MB_ICONERROR
                                                      : MB_ICONINFORMATION);
}

TfraData::TfraData(TfraDataOwner* owner, QWidget* parent) : QWidget(parent), m_owner(owner)
{
    setObjectName(QStringLiteral("fraData"));
    qryData = new db::Query(this);
    qryTemp = new db::Query(this);
    qryTemp->SetEscapeExpand(false);
    dsrTableData = new db::DataSource(this);
    dsrTableData->SetDataSet(qryData);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    createTools();
    layout->addWidget(scrButton);

    grdData1 = new TqvDBGridV(this);
    grdData1->setObjectName(QStringLiteral("grdData1"));
    grdData2 = new TqvDBGridH(this);
    grdData2->setObjectName(QStringLiteral("grdData2"));
    layout->addWidget(grdData1, 1);
    layout->addWidget(grdData2, 1);

    QFont dataFont(qvOption.DataFontName, qvOption.DataFontSize);
    dataFont.setFixedPitch(true);
    dataFont.setStyleHint(QFont::Monospace);
    for (TqvDataGrid* g : {static_cast<TqvDataGrid*>(grdData1), static_cast<TqvDataGrid*>(grdData2)}) {
        g->SetGridFont(dataFont);
        g->SetOptions(g->Options() | dgMultiSelect);
        g->OnTitleClick = [this](TGridItem* item) {
            db::Field* f = item ? item->Field() : nullptr;
            TitleClick(f ? f->Index() : (item ? item->Index() : 0));
        };
        g->OnDblClick = [this] { DoubleClick(); };
        g->OnEditButtonClick = [this] { CellEditor(); };
        g->OnKeyDown = [this](QKeyEvent* e) {
            if ((e->modifiers() & Qt::ControlModifier) && e->key() == Qt::Key_0)
                NullKey();
        };
        g->OnDrawItemCell = [this, g](QPainter& p, const QRect& r, int idx, TGridItem* item, TGridDrawState st) {
            paintCell(g, p, r, idx, item, st);
        };
        g->viewport()->installEventFilter(this);
    }
    grdData2->SetDefaultColWidth(QFontMetrics(dataFont).horizontalAdvance(QString(qvOption.DataColWidthH, QLatin1Char('A'))));

    dtpInputDate = new QDateTimeEdit(this);
    dtpInputDate->setObjectName(QStringLiteral("dtpInputDate"));
    dtpInputDate->setCalendarPopup(true);
    dtpInputDate->hide();
    connect(dtpInputDate, &QDateTimeEdit::editingFinished, this, &TfraData::dtpInputDateCloseUp);

    createMenus();

    qryData->AfterOpen = [this](db::DataSet&) { qryDataAfterOpenClose(); };
    qryData->AfterClose = [this](db::DataSet&) { qryDataAfterOpenClose(); };
    qryData->BeforeClose = [this](db::DataSet&) { qryDataBeforeClose(); };
    qryData->AfterPost = [this](db::DataSet&) { TransactionRule(); };
    qryData->AfterDelete = [this](db::DataSet&) { TransactionRule(); };

    btnUpdate->setChecked(qvOption.UpdateMode);
    btnUpdate->setEnabled(true);
    btnGridTypeClick();
    qryDataAfterOpenClose();
}

TfraData::~TfraData()
{
    qryData->AfterOpen = nullptr;
    qryData->AfterClose = nullptr;
    qryData->BeforeClose = nullptr;
    grdData1->SetDataSource(nullptr);
    grdData2->SetDataSource(nullptr);
}

void TfraData::createTools()
{
    scrButton = new QScrollArea(this);
    scrButton->setObjectName(QStringLiteral("scrButton"));
    scrButton->setFrameShape(QFrame::NoFrame);
    scrButton->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrButton->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrButton->setWidgetResizable(true);
    scrButton->setFocusPolicy(Qt::StrongFocus);
    tolLeft = new QToolBar(scrButton);
    tolLeft->setObjectName(QStringLiteral("tolLeft"));
    tolLeft->setOrientation(Qt::Vertical);
    tolLeft->setIconSize(QSize(16, 16));
    tolLeft->setContentsMargins(0, 0, 0, 0);
    scrButton->setWidget(tolLeft);

    auto add = [this](QToolButton*& b, const char* name, const QString& hint, const char* icon, const QString& letter) {
        b = new QToolButton(tolLeft);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setIcon(toolIcon(icon, letter));
        b->setAutoRaise(true);
        m_buttonActions.insert(b, tolLeft->addWidget(b));
    };
    add(btnUpdate, "btnUpdate", QStringLiteral("結果を編集可能にする"), "document-edit", QStringLiteral("E"));
    btnUpdate->setCheckable(true);
    add(btnGridType, "btnGridType", QStringLiteral("出力方向変更"), "transform-rotate", QStringLiteral("⇄"));
    add(btnExcel, "btnExcel", QStringLiteral("結果をExcelファイルに出力する"), "x-office-spreadsheet", QStringLiteral("X"));
    add(btnInsert, "btnInsert", QStringLiteral("結果のINSERT文を出力する"), "document-export", QStringLiteral("I"));
    add(btnCopy, "btnCopy", QStringLiteral("結果をクリップボードに出力する"), "edit-copy", QStringLiteral("C"));
    add(btnCSV, "btnCSV", QStringLiteral("結果をCSVファイルに出力する"), "text-csv", QStringLiteral("V"));
    btnS1 = tolLeft->addSeparator();
    add(btnIns, "btnIns", QStringLiteral("レコードの挿入"), "list-add", QStringLiteral("+"));
    add(btnDel, "btnDel", QStringLiteral("レコードの削除"), "list-remove", QStringLiteral("−"));
    btnS2 = tolLeft->addSeparator();
    add(btnFirst, "btnFirst", QString(), "go-first", QStringLiteral("«"));
    add(btnPrev, "btnPrev", QString(), "go-previous", QStringLiteral("◀"));
    add(btnNext, "btnNext", QString(), "go-next", QStringLiteral("▶"));
    add(btnLast, "btnLast", QString(), "go-last", QStringLiteral("»"));

    // The scroller pages through the buttons when the frame is lower than the tool bar; its
    // scroll bar then comes beside the buttons instead of over them.
    tolLeft->setMinimumHeight(tolLeft->sizeHint().height());
    const int toolWidth = qMax(24 + 4, tolLeft->sizeHint().width());
    scrButton->setFixedWidth(toolWidth);
    QScrollBar* bar = scrButton->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, scrButton, [this, bar, toolWidth](int, int max) {
        scrButton->setFixedWidth(toolWidth + (max > 0 ? bar->sizeHint().width() : 0));
    });
    connect(btnUpdate, &QToolButton::clicked, this, &TfraData::btnUpdateClick);
    connect(btnGridType, &QToolButton::clicked, this, &TfraData::btnGridTypeClick);
    connect(btnIns, &QToolButton::clicked, this, &TfraData::btnInsClick);
    connect(btnDel, &QToolButton::clicked, this, &TfraData::btnDelClick);
    connect(btnFirst, &QToolButton::clicked, this, &TfraData::btnFirstClick);
    connect(btnPrev, &QToolButton::clicked, this, &TfraData::btnPrevClick);
    connect(btnNext, &QToolButton::clicked, this, &TfraData::btnNextClick);
    connect(btnLast, &QToolButton::clicked, this, &TfraData::btnLastClick);
    connect(btnCSV, &QToolButton::clicked, this, &TfraData::btnCSVClick);
    connect(btnExcel, &QToolButton::clicked, this, &TfraData::btnExcelClick);
    connect(btnInsert, &QToolButton::clicked, this, &TfraData::btnInsertClick);
    connect(btnCopy, &QToolButton::clicked, this, &TfraData::btnCopyClick);
}

void TfraData::createMenus()
{
    popRecord = new QMenu(this);
    popRecord->setObjectName(QStringLiteral("popRecord"));
    mnuIns = popRecord->addAction(QStringLiteral("レコードの挿入(&I)"), this, &TfraData::btnInsClick);
    mnuCopy = popRecord->addAction(QStringLiteral("レコードのコピー(&C)"), this, [this] {
        if (TqvDataGrid* g = VisibleGrid())
            g->CopyToClipboard();
    });
    mnuPaste = popRecord->addAction(QStringLiteral("レコードの貼り付け(&V)"), this, [this] {
        grdData1->SetEditorMode(true);
        if (TqvDataGrid* g = VisibleGrid())
            g->PasteFromClipboard();
    });
    mnuDel = popRecord->addAction(QStringLiteral("レコードの削除(&D)"), this, &TfraData::btnDelClick);

    popColumn = new QMenu(this);
    popColumn->setObjectName(QStringLiteral("popColumn"));
    connect(popColumn, &QMenu::aboutToShow, this, &TfraData::popColumnPopup);
    mnuEditCopy = popColumn->addAction(QStringLiteral("項目名をコピー(&C)"), this, &TfraData::mnuEditCopyClick);
    mnuSort = popColumn->addAction(QStringLiteral("並び替え(&S)"), this, &TfraData::mnuSortClick);
    mnugroup = popColumn->addMenu(QStringLiteral("集計情報を表示(&T)"));
    mnuCount = mnugroup->addAction(QStringLiteral("件数(&C)"), this, [this] { Aggregate(AggregateKind::Count); });
    mnuSum = mnugroup->addAction(QStringLiteral("合計(&S)"), this, [this] { Aggregate(AggregateKind::Sum); });
    mnuAverage = mnugroup->addAction(QStringLiteral("平均(&A)"), this, [this] { Aggregate(AggregateKind::Average); });
    mnuMax = mnugroup->addAction(QStringLiteral("最大(&M)"), this, [this] { Aggregate(AggregateKind::Max); });
    mnuMin = mnugroup->addAction(QStringLiteral("最小(&N)"), this, [this] { Aggregate(AggregateKind::Min); });
}

TqvDataGrid* TfraData::VisibleGrid() const
{
    return m_gridType ? static_cast<TqvDataGrid*>(grdData1) : static_cast<TqvDataGrid*>(grdData2);
}

void TfraData::SetSQL(const QString& sql)
{
    m_sql = sql;
    m_sort.clear();
    m_desc = false;
}

void TfraData::SetPrimary(const QStringList& names)
{
    m_primary.clear();
    if (OwnerKind() == FrameOwnerKind::TableWindow)
        m_primary = names;
}

void TfraData::SetConnection(db::Connection* c)
{
    qryData->SetConnection(c);
    qryTemp->SetConnection(c);
}

QString TfraData::ColumnWidthFileName() const
{
    QString dir = qvOption.TempDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + SafeFileName(m_dbName + QLatin1Char('.') + m_tableName + QStringLiteral(".ini"));
}

void TfraData::setEditOptions(bool editable)
{
    for (TqvDataGrid* g : {static_cast<TqvDataGrid*>(grdData1), static_cast<TqvDataGrid*>(grdData2)}) {
        if (editable) {
            g->SetOptions(g->Options() | dgEditing | dgAlwaysShowEditor);
        } else {
            g->SetOptions(g->Options() & ~(dgEditing | dgAlwaysShowEditor));
            g->SetEditorMode(false);
        }
    }
}

void TfraData::Prepare()
{
    WaitCursor busy;
    qryData->Close();
    qryData->SQL().SetText(SortedStatement(m_sql, m_sort, m_desc));
    const bool editable = btnUpdate->isChecked();
    qryData->SetReadOnly(!editable);
    setEditOptions(editable);
}

void TfraData::Open()
{
    {
        WaitCursor busy;
        try {
            // Money columns come as the decimal text the layer keeps for every decimal value,
            // so the currency option needs no mapping rule here.
            qryData->Open();
        } catch (...) {
            qryDataAfterOpenClose();
            throw;
        }
    }
    qryDataAfterOpenClose();
}

void TfraData::TitleClick(int index)
{
    m_titleClicked = true;
    if (!qryData->Active())
        return;
    const QString k = QString::number(index + 1);
    if (m_sort != k) {
        m_sort = k;
        m_desc = false;
    } else {
        m_desc = !m_desc;
    }
    // Bind values entered for the statement survive the re-sort.
    qryTemp->SQL().SetText(qryData->SQL().Text());
    for (int i = 0; i < qryData->Params().Count() && i < qryTemp->Params().Count(); ++i)
        qryTemp->Params()[i].Assign(qryData->Params()[i]);
    try {
        Prepare();
        for (int i = 0; i < qryData->Params().Count() && i < qryTemp->Params().Count(); ++i)
            qryData->Params()[i].Assign(qryTemp->Params()[i]);
        Open();
    } catch (...) {
        showMessage(QStringLiteral("ntext、text、image、geography、geometry、および xml 型の列は、ORDER BY 句では使用できません。"),
                    MessageKind::Warning);
        m_sort.clear();
        Prepare();
        for (int i = 0; i < qryData->Params().Count() && i < qryTemp->Params().Count(); ++i)
            qryData->Params()[i].Assign(qryTemp->Params()[i]);
        Open();
    }
}

void TfraData::btnGridTypeClick()
{
    m_gridType = !m_gridType;
    grdData1->setVisible(m_gridType);
    grdData2->setVisible(!m_gridType);
    grdData1->SetDataSource(dsrTableData);
    grdData2->SetDataSource(dsrTableData);
    setEditButtonStyles();
}

void TfraData::TransactionRule()
{
    db::Connection* c = qryData->GetConnection();
    if (!c || !c->Connected())
        return;
    if (qvOption.AutoTran) {
        if (!c->InTransaction())
            c->StartTransaction();
    } else if (c->InTransaction()) {
        c->Commit();
    }
}

int TfraData::DataColWidthLimit() const
{
    return QFontMetrics(grdData1->font()).horizontalAdvance(QString(qvOption.DataColWidthV, QLatin1Char('A')));
}

void TfraData::applyColumnWidths()
{
    if (!grdData1->DataSource())
        return;
    TDBGridColumns* cols = grdData1->Columns();
    if (cols->Count() >= 100 && !qvOption.Draw100ColOver)
        return;
    const int limit = DataColWidthLimit();
    const FrameOwnerKind kind = OwnerKind();
    cols->BeginUpdate();
    if ((kind == FrameOwnerKind::TableWindow || kind == FrameOwnerKind::ViewWindow) && !m_tableName.isEmpty()) {
        QDir().mkpath(qvOption.TempDir);
        std::unique_ptr<IniTextFile> ini;
        try {
            ini = std::make_unique<IniTextFile>(ColumnWidthFileName());
        } catch (const std::exception&) {
        }
        for (int i = cols->Count() - 1; i >= 0; --i) {
            TColumn* col = cols->Items(i);
            const int stored = ini ? ini->readString(kColWidthV, col->Title()->Caption()).toInt() : 0;
            if (stored >= 1)
                col->SetWidth(stored);
            else
                col->SetWidth(std::min(col->Width(), limit));
        }
        if (ini && grdData2->DataSource()) {
            const int all = ini->readString(kColWidthH, kAll).toInt();
            if (all > 0)
                grdData2->SetDefaultColWidth(all);
        }
    } else {
        for (int i = cols->Count() - 1; i >= 0; --i)
            cols->Items(i)->SetWidth(std::min(cols->Items(i)->Width(), limit));
    }
    cols->EndUpdate();
}

void TfraData::setEditButtonStyles()
{
    if (!qryData->Active())
        return;
    for (TqvDataGrid* g : {static_cast<TqvDataGrid*>(grdData1), static_cast<TqvDataGrid*>(grdData2)}) {
        TGridItems* items = g->Items();
        for (int i = 0; i < items->Count() && i < qryData->FieldCount(); ++i) {
            const db::FieldType t = qryData->Fields()[i]->DataType();
            TGridItem* item = items->Item(i);
            item->SetButtonStyle(isTextField(t) || t == db::FieldType::TimeStamp ? TColumnButtonStyle::cbsEllipsis
                                                                                 : TColumnButtonStyle::cbsNone);
        }
    }
}

void TfraData::qryDataAfterOpenClose()
{
    const bool open = qryData->Active();
    for (QToolButton* b : {btnExcel, btnInsert, btnCopy, btnFirst, btnPrev, btnNext, btnLast, btnCSV})
        b->setEnabled(open);
    const bool writable = open && qryData->CanModify();
    btnIns->setEnabled(writable);
    btnDel->setEnabled(writable);
    for (QAction* a : popColumn->actions())
        a->setEnabled(open);
    mnuCopy->setEnabled(open);
    mnuIns->setEnabled(btnIns->isEnabled());
    mnuDel->setEnabled(btnDel->isEnabled());
    mnuPaste->setEnabled(btnDel->isEnabled());
    if (!open)
        return;
    TransactionRule();
    if (OwnerKind() != FrameOwnerKind::TableWindow)
        for (db::Field* f : qryData->Fields())
            if (f->DataType() == db::FieldType::Blob)
                f->SetReadOnly(true);
    applyColumnWidths();
    // Primary-key titles.
    for (TqvDataGrid* g : {static_cast<TqvDataGrid*>(grdData1), static_cast<TqvDataGrid*>(grdData2)}) {
        TGridItems* items = g->Items();
        for (const QString& name : m_primary)
            for (int i = 0; i < items->Count(); ++i)
                if (items->Item(i)->Field() && items->Item(i)->Field()->FieldName() == name) {
                    items->Item(i)->Title()->SetColor(QColor(255, 245, 135));
                    break;
                }
    }
    setEditButtonStyles();
}

void TfraData::qryDataBeforeClose()
{
    const FrameOwnerKind kind = OwnerKind();
    if (kind != FrameOwnerKind::TableWindow && kind != FrameOwnerKind::ViewWindow)
        return;
    if (m_tableName.isEmpty())
        return;
    TDBGridColumns* cols = grdData1->Columns();
    if (cols->Count() == 0 || (cols->Count() >= 100 && !qvOption.Draw100ColOver))
        return;
    if (cols->Items(0)->Title()->Caption().isEmpty())
        return;
    try {
        QDir().mkpath(qvOption.TempDir);
        IniTextFile ini(ColumnWidthFileName());
        for (int i = 0; i < cols->Count(); ++i)
            ini.writeString(kColWidthV, cols->Items(i)->Title()->Caption(), QString::number(cols->Items(i)->Width()));
        ini.writeString(kColWidthH, kAll, QString::number(grdData2->DefaultColWidth()));
        ini.updateFile();
    } catch (const std::exception&) {
        // Widths are a convenience: a file that cannot be written is left as it is.
    }
}

void TfraData::btnUpdateClick()
{
    if (!qryData->Active())
        return;
    qryData->Close();
    Prepare();
    Open();
    if (btnUpdate->isChecked() && !qryData->CanModify()) {
        showMessage(QStringLiteral("この結果セットには書き込み出来ません。"), MessageKind::Warning);
        btnUpdate->setChecked(false);
    }
}

void TfraData::clearMultiSelection()
{
    for (TqvDataGrid* g : {static_cast<TqvDataGrid*>(grdData1), static_cast<TqvDataGrid*>(grdData2)})
        if (g->isVisible() || g == VisibleGrid())
            g->SelectedRecords()->Clear();
}

void TfraData::btnInsClick()
{
    if (!qryData->Active())
        return;
    clearMultiSelection();
    qryData->Insert();
}

void TfraData::btnFirstClick()
{
    if (!qryData->Active())
        return;
    clearMultiSelection();
    qryData->First();
}

void TfraData::btnPrevClick()
{
    if (!qryData->Active())
        return;
    clearMultiSelection();
    qryData->Prior();
}

void TfraData::btnNextClick()
{
    if (!qryData->Active())
        return;
    clearMultiSelection();
    qryData->Next();
}

void TfraData::btnLastClick()
{
    if (!qryData->Active())
        return;
    clearMultiSelection();
    qryData->Last();
}

void TfraData::btnDelClick()
{
    if (!qryData->Active() || qryData->IsEmpty())
        return;
    const QString ask = QStringLiteral("レコードを削除しますか？");
    const bool ok = ConfirmHook()
        ? ConfirmHook()(ask)
        : ShowMessageBox(ask, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
    if (!ok)
        return;
    TBookmarkList* marks = VisibleGrid()->SelectedRecords();
    if (marks->Count() == 0) {
        qryData->Delete();
        return;
    }
    {
        WaitCursor busy;
        qryData->DisableControls();
        struct Enable { db::Query* q; ~Enable() { q->EnableControls(); } } enable{qryData};
        const QList<QByteArray> list = [&] {
            QList<QByteArray> l;
            for (int i = 0; i < marks->Count(); ++i)
                l << marks->Items(i);
            return l;
        }();
        for (qsizetype i = list.size() - 1; i >= 0; --i) {
            if (!qryData->BookmarkValid(list[i]))
                continue;
            qryData->GotoBookmark(list[i]);
            qryData->Delete();
        }
        marks->Clear();
    }
    qryData->Close();
    qryData->Open();
}

void TfraData::NullKey()
{
    if (!btnUpdate->isChecked() || !qryData->Active())
        return;
    db::Field* f = VisibleGrid()->SelectedField();
    if (!f || !qryData->CanModify())
        return;
    if (qryData->State() == db::dsBrowse)
        qryData->Edit();
    f->Clear();
}

void TfraData::DoubleClick()
{
    if (m_titleClicked) {
        m_titleClicked = false;
        return;
    }
    CellEditor();
}

void TfraData::CellEditor()
{
    if (OwnerKind() == FrameOwnerKind::DataGenerator || !qryData->Active())
        return;
    TqvDataGrid* grid = VisibleGrid();
    db::Field* f = grid->SelectedField();
    if (!f)
        return;
    scrButton->setFocus();
    const bool readOnly = !(btnUpdate->isChecked() && qryData->CanModify());
    bool isNull = f->IsNull();
    const db::FieldType t = f->DataType();
    if (isTextField(t)) {
        QString text = fullOrEditText(f);
        if (TfrmMemo::ShowWindow(text, isNull, readOnly, true) == QDialog::Accepted && !readOnly) {
            if (qryData->State() == db::dsBrowse)
                qryData->Edit();
            f->SetText(text);
            if (isNull)
                f->Clear();
            else
                f->SetAsString(text);
        }
    }
    grid->setFocus();
    if (readOnly || (t != db::FieldType::TimeStamp && t != db::FieldType::Date))
        return;
    const int idx = grid->SelectedIndex();
    if (idx < 0 || idx >= grid->Items()->Count()
        || grid->Items()->Item(idx)->ButtonStyle() != TColumnButtonStyle::cbsEllipsis)
        return;

    const QString text = CalendarStartText(fullOrEditText(f));
    const QRect cell = grid->GetCellRect(grid->Col(), grid->Row());
    int width = cell.width() + 1;
    if (grid == grdData2)
        width = grdData2->GetColWidth(grdData2->Col()) + 1;
    const QPoint at = grid->viewport()->mapTo(this, cell.topLeft());
    dtpInputDate->setGeometry(at.x() + 1, at.y() + 1, width, cell.height() + 2);
    const QString dateFmt = qvOption.DateFormat;
    const QString fullFmt = dateFmt + QLatin1Char(' ') + qvOption.TimeFormat;
    disconnect(dtpInputDate, &QDateTimeEdit::dateTimeChanged, this, nullptr);
    if (text.trimmed().isEmpty()) {
        dtpInputDate->setDisplayFormat(dateFmt);
        dtpInputDate->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    } else {
        dtpInputDate->setDisplayFormat(text.trimmed().size() > dateFmt.size() ? fullFmt : dateFmt);
        QDateTime dt = QDateTime::fromString(text.trimmed(), fullFmt);
        if (!dt.isValid())
            dt = QDateTime(QDate::fromString(text.trimmed(), dateFmt), QTime(0, 0));
        if (!dt.isValid())
            throw Exception(QStringLiteral("'%1' は正しい日付時刻ではありません").arg(text));
        dtpInputDate->setDateTime(dt);
    }
    m_calendarField = f;
    dtpInputDate->show();
    dtpInputDate->raise();
    connect(dtpInputDate, &QDateTimeEdit::dateTimeChanged, this, &TfraData::dtpInputDateChange);
    dtpInputDate->setFocus();
    // F4 drops the calendar down.
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QApplication::sendEvent(dtpInputDate, &f4);
}

void TfraData::dtpInputDateChange()
{
    if (!qryData->Active())
        return;
    try {
        db::Field* f = VisibleGrid()->SelectedField();
        if (!f)
            return;
        if (qryData->State() == db::dsBrowse)
            qryData->Edit();
        f->SetText(CalendarCellText(fullOrEditText(f), dtpInputDate->dateTime(), qvOption.DateFormat, qvOption.TimeFormat));
    } catch (...) {
        dtpInputDateCloseUp();
    }
}

void TfraData::dtpInputDateCloseUp()
{
    disconnect(dtpInputDate, &QDateTimeEdit::dateTimeChanged, this, nullptr);
    dtpInputDate->hide();
    m_calendarField = nullptr;
    VisibleGrid()->setFocus();
}

void TfraData::SetButtonVisible(QToolButton* button, bool visible)
{
    if (QAction* a = m_buttonActions.value(button))
        a->setVisible(visible);
}

bool TfraData::ButtonVisible(QToolButton* button) const
{
    QAction* a = m_buttonActions.value(button);
    return a && a->isVisible();
}

QMenu* TfraData::PopupMenuAt(bool recordPerRow, const QPoint& pos) const
{
    if (!ButtonVisible(btnUpdate))
        return nullptr;
    if (recordPerRow) {
        if (pos.x() < 10 + grdData1->IndicatorOffset())
            return popRecord;
        if (pos.y() < 17 + grdData1->TitleOffset())
            return popColumn;
    } else {
        if (pos.y() < 17 + grdData2->IndicatorOffset())
            return popRecord;
        if (pos.x() < grdData2->GetColWidth(0) + grdData2->TitleOffset())
            return popColumn;
    }
    return nullptr;
}

bool TfraData::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu) {
        const bool v = watched == grdData1->viewport();
        if (v || watched == grdData2->viewport()) {
            auto* e = static_cast<QContextMenuEvent*>(event);
            if (QMenu* menu = PopupMenuAt(v, e->pos())) {
                menu->exec(e->globalPos());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfraData::popColumnPopup()
{
    TqvDataGrid* g = VisibleGrid();
    const int raw = g->CurrentFieldRaw();
    int idx = m_gridType ? grdData1->RawToDataColumn(raw) : grdData2->RawToDataRow(raw);
    if (idx < 0 || idx >= g->Items()->Count())
        idx = 0;
    SelectedIndex = idx;
}

void TfraData::mnuEditCopyClick()
{
    TGridItems* items = VisibleGrid()->Items();
    if (SelectedIndex >= 0 && SelectedIndex < items->Count())
        QApplication::clipboard()->setText(items->Item(SelectedIndex)->Title()->Caption());
}

void TfraData::mnuSortClick()
{
    TGridItems* items = VisibleGrid()->Items();
    if (SelectedIndex < 0 || SelectedIndex >= items->Count())
        return;
    db::Field* f = items->Item(SelectedIndex)->Field();
    TitleClick(f ? f->Index() : SelectedIndex);
}

void TfraData::Aggregate(AggregateKind kind)
{
    TGridItems* items = VisibleGrid()->Items();
    if (SelectedIndex < 0 || SelectedIndex >= items->Count())
        return;
    db::Field* target = items->Item(SelectedIndex)->Field();
    if (!target)
        return;
    const QString name = target->FieldName();
    db::Query q(this);
    q.SetConnection(qryData->GetConnection());
    q.SetParamCreate(false);
    q.SQL().SetText(AggregateStatement(kind, name, m_sql));
    struct Closer { db::Query& q; ~Closer() { q.Close(); } } closer{q};
    try {
        WaitCursor busy;
        q.Open();
    } catch (const std::exception&) {
        showMessage(QStringLiteral("集計情報を求めることができません。"), MessageKind::Warning);
        return;
    }
    if (q.FieldCount() == 0 || q.Fields()[0]->IsNull()) {
        showMessage(QStringLiteral("レコードがありません"), MessageKind::Warning);
        return;
    }
    showMessage(AggregateMessage(kind, name, q.Fields()[0]->DisplayText()), MessageKind::Information);
}

void TfraData::paintCell(TqvDataGrid* grid, QPainter& p, const QRect& rect, int /*dataIndex*/, TGridItem* item,
                         unsigned state)
{
    db::Field* f = item ? item->Field() : nullptr;
    if (!f || grid->FieldCount() == 0)
        return;
    const bool recordPerColumn = grid == grdData2;
    const int mode = recordPerColumn ? qvOption.DataShowMode : 0;
    db::DataSet* ds = f->DataSet();
    const int recNo = ds->ActivePosition() + 1;
    // A record among the multi-selected ones keeps the grid's highlight.
    int found = 0;
    const bool highlighted = (state & gdSelected)
        || (grid->SelectedRecords()->Count() > 0 && grid->SelectedRecords()->Find(ds->ActiveBookmark(), found));
    QColor back = p.brush().color();
    QColor pen = p.pen().color();
    bool redraw = false;
    if (qvOption.AddStripe && !highlighted && (recNo % 2) == 1) {
        back = QColor(249, 244, 255);
        pen = Qt::black;
        redraw = true;
    }
    auto draw = [&](const QString& text, Qt::Alignment align, const QColor& color) {
        p.fillRect(rect, back);
        p.setPen(color);
        PaintCellText(p, rect, 2, 2, text, align, false);
    };
    const auto leftOrRight = [&](Qt::Alignment standard) {
        return mode == 1 ? Qt::AlignLeft : (mode == 2 ? Qt::AlignRight : standard);
    };
    const db::FieldType t = f->DataType();
    if (t == db::FieldType::Blob) {
        draw(GridCellText(f), leftOrRight(Qt::AlignLeft), pen);
        return;
    }
    if (f->IsNull() && qvOption.ShowNull) {
        draw(QStringLiteral("(NULL)"), mode == 2 ? Qt::AlignRight : Qt::AlignLeft, QColor(0, 0, 255));
        return;
    }
    const bool number = t == db::FieldType::Smallint || t == db::FieldType::Integer || t == db::FieldType::Float
        || t == db::FieldType::BCD || t == db::FieldType::Byte || t == db::FieldType::Largeint
        || t == db::FieldType::Single || t == db::FieldType::FMTBcd || t == db::FieldType::Currency;
    if (number) {
        const QString text = mode == 0 ? NumberCellText(f->DisplayText()) : f->DisplayText();
        draw(text, leftOrRight(Qt::AlignRight), pen);
        return;
    }
    if (t == db::FieldType::Word || t == db::FieldType::Memo || t == db::FieldType::WideMemo) {
        draw(f->AsString(), leftOrRight(Qt::AlignLeft), pen);
        return;
    }
    if (mode != 0) {
        draw(f->DisplayText(), leftOrRight(Qt::AlignLeft), pen);
        return;
    }
    if (redraw)
        draw(f->DisplayText(), item->Alignment(), pen);
}

// ---- exports ----------------------------------------------------------------------------------

namespace {

// One export run: the hourglass, progress in the main window's status panel (which also starts
// the Esc watch) and the idle status text again at the end, whichever way the run ends.
class ExportRun {
public:
    ExportRun() : m_main(TfrmMain::instance())
    {
        if (m_main)
            m_main->SetLoopMessage(0, 0);
    }
    ~ExportRun()
    {
        if (m_main)
            m_main->SetDefMessage();
    }
    ExportRun(const ExportRun&) = delete;
    ExportRun& operator=(const ExportRun&) = delete;

    exporting::ProgressFn progress() const
    {
        return [m = m_main](qint64 done, qint64 count) {
            if (m)
                m->SetLoopMessage(int(done), int(count));
        };
    }
    static exporting::StopCheck stop()
    {
        return [] { return EscapePressed(); };
    }

private:
    WaitCursor m_cursor;
    QPointer<TfrmMain> m_main;
};

QString saveFileName(QWidget* owner, const QString& proposed, const QString& filter)
{
    if (ExportDialogHooks::fileDialog())
        return ExportDialogHooks::fileDialog()(QStringLiteral("名前を付けて保存"), proposed, filter);
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList qt;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        qt << parts.at(i);
    return QFileDialog::getSaveFileName(owner, QStringLiteral("名前を付けて保存"), proposed, qt.join(QStringLiteral(";;")));
}

// The proposed file: `dir` + the frame's table name + `ext`, numbered when it exists.
QString proposedFile(const QString& dir, const QString& tableName, const QString& ext)
{
    return UniqueFileName(dir + (tableName.isEmpty() ? QString() : SafeFileName(tableName)) + ext);
}

} // namespace

void TfraData::btnCSVClick()
{
    if (!qryData->Active())
        return;
    TfrmCSVSQL dlg(this);
    dlg.chkRefresh->setEnabled(true);
    dlg.txtSaveFile->setText(proposedFile(qvOption.CSVDir, m_tableName, QStringLiteral(".csv")));
    if (dlg.Execute() != QDialog::Accepted)
        return;
    const QString path = dlg.txtSaveFile->text();
    if (!ReadForExport(dlg.chkRefresh->isChecked()))
        return;
    exporting::CsvOptions o;
    o.encoding = qvOption.Encoding;
    o.lineBreak = dlg.cmbLineBreak->currentIndex();
    o.quotation = std::max(0, dlg.rdoQuotation->checkedId());
    const TTitleMode title = TTitleMode(std::max(0, dlg.rdoTitleIndex->checkedId()));
    try {
        ExportRun run;
        const QStringList headings = exporting::FieldHeadings(exporting::VisibleFields(*qryData), title,
                                                              m_owner ? m_owner->FrameColumnComments() : QHash<QString, QString>());
        exporting::ExportCsv(*qryData, path, o, headings, ExportRun::stop(), run.progress());
    } catch (const Exception& e) {
        showMessage(e.message(), MessageKind::Error);
        return;
    }
    showMessage(QStringLiteral("CSVを出力しました。"), MessageKind::Information);
}

void TfraData::btnExcelClick()
{
    const QString proposed = proposedFile(qvOption.ExcelDir, m_tableName, QStringLiteral(".xlsx"));
    const QString filter = QStringLiteral("Excelファイル(*.xlsx)|*.xlsx|すべてのファイル(*.*)|*.*");
    exporting::ExcelOptions o;
    QString path;
    bool refresh = qvOption.ExcelRefresh;
    TTitleMode title = qvOption.ExcelTitle;
    if (qvOption.ExcelDialog) {
        // The save dialog alone: a new workbook from A1, direction and heading from the options.
        path = saveFileName(this, proposed, filter);
        if (path.isEmpty())
            return;
        path = exporting::WithDefaultExtension(path, QStringLiteral(".xlsx"), {QStringLiteral(".XLSX")});
        o.mode = qvOption.ExcelMode;
    } else {
        TfrmXlsSQL dlg(OwnerKind() == FrameOwnerKind::SQLWindow, this);
        dlg.chkRefresh->setEnabled(qryData->Active());
        dlg.txtSaveFile->setText(proposed);
        if (dlg.Execute() != QDialog::Accepted)
            return;
        path = dlg.txtSaveFile->text();
        o.sheet = dlg.txtSheet->text();
        o.templateFile = dlg.txtFormFile->text();
        o.left = dlg.cmbColumn->currentIndex();
        o.top = dlg.txtRow->ValueInt() - 1;
        o.mode = qvOption.ExcelMode;
        refresh = qvOption.ExcelRefresh;
        title = qvOption.ExcelTitle;
    }
    if (OwnerKind() == FrameOwnerKind::SQLWindow && title == tmComment)
        title = tmColumnName;
    if (!ReadForExport(refresh))
        return;
    try {
        ExportRun run;
        const QStringList headings = exporting::FieldHeadings(exporting::VisibleFields(*qryData), title,
                                                              m_owner ? m_owner->FrameColumnComments() : QHash<QString, QString>());
        exporting::ExportExcel(*qryData, path, o, headings, ExportRun::stop(), run.progress());
    } catch (const Exception& e) {
        showMessage(e.message(), MessageKind::Warning);
        return;
    }
    qvOption.ExcelDir = exporting::FolderOf(QFileInfo(path).absoluteFilePath());
    showMessage(QStringLiteral("ファイルに出力しました。"), MessageKind::Information);
}

// The result an export writes: read again when asked (or when closed); false with a warning
// when the statement gives no result.
bool TfraData::ReadForExport(bool refresh)
{
    if (!qryData->Active() || refresh) {
        if (m_owner)
            m_owner->FrameReload(*this);
        else
            Open();
    }
    if (qryData->Active())
        return true;
    showMessage(QStringLiteral("SQL が結果を返しませんでした。"), MessageKind::Warning);
    return false;
}

void TfraData::btnInsertClick()
{
    if (!qryData->Active() || qryData->RecordCount() == 0) {
        showMessage(QStringLiteral("出力可能なデータがありません。"), MessageKind::Warning);
        return;
    }
    qryData->First();
    if (qryData->Eof()) {
        showMessage(QStringLiteral("出力可能なデータがありません。"), MessageKind::Warning);
        return;
    }
    QString table;
    switch (OwnerKind()) {
    case FrameOwnerKind::TableWindow:
    case FrameOwnerKind::ViewWindow:
        table = exporting::QuoteTableName(m_tableName);
        break;
    case FrameOwnerKind::DataGenerator:
        table = exporting::QuoteTableName(m_owner ? m_owner->FrameInsertTable() : QString());
        break;
    default: {
        bool ask = false;
        QString name = exporting::InsertTableFromSql(m_sql, &ask);
        if (ask) {
            bool ok;
            if (TableNameHook()) {
                ok = TableNameHook()(name);
            } else {
                QString owner;
                ok = ShowInputDialog(QStringLiteral("INSERT文出力"), QStringLiteral("テーブル名を指定してください。"), name,
                                     false, owner, {}, {});
            }
            if (!ok)
                return;
            // A typed name is taken whole: "my table" is one name, not a name and an alias.
            name = name.trimmed();
            if (exporting::SplitTableName(name).join(QLatin1Char('.')).size() < name.size()) {
                table = exporting::QuoteTableName(QString(), name);
                break;
            }
        }
        table = exporting::QuoteTableName(name);
        break;
    }
    }
    const QString path = saveFileName(this, qvOption.FileDir + QStringLiteral("insert.sql"),
                                      QStringLiteral("SQLファイル(*.sql)|*.sql|テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"));
    if (path.isEmpty())
        return;
    // The grid gives up the focus while the script is built.
    if (QWidget* target = m_owner ? m_owner->FrameInsertFocus() : nullptr)
        target->setFocus(Qt::OtherFocusReason);
    else if (TfrmMain* main = TfrmMain::instance(); main && main->toolBar(QStringLiteral("pnlDB")))
        main->toolBar(QStringLiteral("pnlDB"))->setFocus(Qt::OtherFocusReason);
    try {
        QStringList lines;
        {
            ExportRun run;
            lines = exporting::BuildInsertScript(*qryData, table, ExportRun::stop(), run.progress());
        }
        qvOption.FileDir = exporting::FolderOf(QFileInfo(path).absoluteFilePath());
        exporting::WriteInsertScript(path, lines);
    } catch (const Exception& e) {
        showMessage(e.message(), MessageKind::Error);
        return;
    }
    showMessage(QStringLiteral("ファイルに出力しました。"), MessageKind::Information);
}

void TfraData::btnCopyClick()
{
    if (!qryData->Active())
        return;
    bool heading = qvOption.PasteTitle != tmNone;
    bool comma = qvOption.PasteColumn == 1;
    if (qvOption.PasteDialog) {
        const QString ask = QStringLiteral("結果をクリップボードにコピーしますか？");
        int answer;
        if (CopyQuestionHook()) {
            answer = CopyQuestionHook()(ask, heading, comma);
        } else {
            answer = ShowCheckMessageBox(ask, MB_YESNO | MB_ICONQUESTION,
                                         {{QStringLiteral("見出しを出力する"), &heading},
                                          {QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), &comma}});
        }
        if (answer != IDYES)
            return;
    }
    qvOption.PasteColumn = comma ? 1 : 0;
    QString text;
    {
        ExportRun run;
        const TTitleMode mode = qvOption.PasteTitle == tmComment ? tmComment : tmColumnName;
        const QStringList headings = heading ? exporting::FieldHeadings(exporting::VisibleFields(*qryData), mode,
                                                                        m_owner ? m_owner->FrameColumnComments()
                                                                                : QHash<QString, QString>())
                                             : QStringList();
        text = exporting::BuildClipboardText(*qryData, headings, comma, ExportRun::stop());
    }
    QApplication::clipboard()->setText(text);
    showMessage(QStringLiteral("クリップボードに出力しました。"), MessageKind::Information);
}

} // namespace qv
