#include "tools/matrix/matrix_window.h"

#include "app/application.h"
#include "app/images.h"
#include "app/main_window.h"
#include "app/object_types.h"
#include "app/options.h"
#include "app/wait_cursor.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "controls/export/grid_output.h"
#include "connection/object_list_view.h"
#include "platform/db/query.h"
#include "platform/registry.h"
#include "tools/tool_ui.h"

#include <QAction>
#include <algorithm>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {

const QString GuiKey = SettingsRootKey + QStringLiteral("\\GUI\\MATRIX");
constexpr int ObjectRole = Qt::UserRole + 1;

// Heading cells: column 0 with the object's icon, rows 0 and 1 with their text turned upwards.
class MatrixDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int row = index.row(), col = index.column();
        const QString text = index.data().toString();
        const int object = index.data(ObjectRole).toInt();
        if (row >= 2 && col >= 2) {
            QStyleOptionViewItem o(option);
            o.displayAlignment = Qt::AlignCenter;
            QStyledItemDelegate::paint(p, o, index);
            return;
        }
        p->save();
        p->fillRect(option.rect, option.palette.button());
        p->setPen(option.palette.mid().color());
        p->drawRect(option.rect.adjusted(0, 0, -1, -1));
        p->setPen(option.palette.buttonText().color());
        const QRect r = option.rect;
        if (col == 0 && row >= 1) {
            if (object > 0)
                imgMain(object).paint(p, QRect(r.left() + 2, r.top() + 1, 16, 16));
            p->drawText(r.adjusted(20, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, text);
        } else if (row <= 1 && col >= 1) {
            const int bottom = row == 0 ? 2 : 22;
            if (row == 1 && object > 0)
                imgMain(object).paint(p, QRect(r.left() + 1, r.bottom() - 19, 16, 16));
            p->translate(r.left() + 1, r.bottom() - bottom);
            p->rotate(-90);
            p->drawText(QRect(0, 0, r.height(), r.width() - 2), Qt::AlignLeft | Qt::AlignVCenter, text);
        } else {
            p->drawText(r.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, text);
        }
        p->restore();
    }
};

} // namespace

TfrmMatrix::TfrmMatrix(TfrmObject* owner) : TqvForm(owner)
{
    SetIcon(1);
    CreateTaskButton();
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto* tolCmd = new QToolBar(this);
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    actRefresh = new QAction(imgMain(16), QStringLiteral("最新(&R)"), this);
    actOutput = new QAction(imgMain(36), QStringLiteral("出力(&O)"), this);
    actExcel = new QAction(imgMain(44), QStringLiteral("Excel出力(&E)"), this);
    actCopy = new QAction(imgMain(21), QStringLiteral("クリップボード出力(&C)"), this);
    actExit = new QAction(imgMain(42), QStringLiteral("終了(&X)"), this);
    tolCmd->addAction(actRefresh);
    auto* popOutput = new QMenu(this);
    popOutput->addAction(actExcel);
    popOutput->addAction(actCopy);
    btnOutput = new QToolButton(tolCmd);
    btnOutput->setDefaultAction(actOutput);
    btnOutput->setMenu(popOutput);
    btnOutput->setPopupMode(QToolButton::MenuButtonPopup);
    btnOutput->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tolCmd->addWidget(btnOutput);
    tolCmd->addAction(actExit);
    for (QAction* a : {actRefresh, actExit})
        if (QWidget* b = tolCmd->widgetForAction(a))
            b->setMinimumWidth(78);
    btnOutput->setMinimumWidth(78);
    root->addWidget(tolCmd);
    m_menu = new QMenu(QStringLiteral("マトリックス表(&O)"), this);
    m_menu->addAction(actExcel);
    m_menu->addAction(actCopy);

    pagMatrix = new QTabWidget(this);
    tabObject2 = new QWidget(pagMatrix);
    tabObject1 = new QWidget(pagMatrix);
    tabField = new QWidget(pagMatrix);
    for (QWidget* page : {tabObject2, tabObject1, tabField}) {
        auto* l = new QVBoxLayout(page);
        l->setContentsMargins(0, 0, 0, 0);
    }
    pagMatrix->addTab(tabObject2, matrix::PageCaption(matrix::Page::Referenced));
    pagMatrix->addTab(tabObject1, matrix::PageCaption(matrix::Page::References));
    pagMatrix->addTab(tabField, matrix::PageCaption(matrix::Page::Fields));
    root->addWidget(pagMatrix, 1);

    grdMatrix = new QTableWidget(tabObject2);
    grdMatrix->horizontalHeader()->hide();
    grdMatrix->verticalHeader()->hide();
    grdMatrix->horizontalHeader()->setDefaultSectionSize(18);
    grdMatrix->verticalHeader()->setDefaultSectionSize(18);
    grdMatrix->verticalHeader()->setMinimumSectionSize(18);
    grdMatrix->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdMatrix->setItemDelegate(new MatrixDelegate(grdMatrix));
    tabObject2->layout()->addWidget(grdMatrix);

    auto guarded = [this](auto fn) {
        return [this, fn] {
            try {
                (this->*fn)();
            } catch (...) {
                HandleException(std::current_exception());
            }
        };
    };
    connect(actRefresh, &QAction::triggered, this, guarded(&TfrmMatrix::Reload));
    connect(actOutput, &QAction::triggered, this, [this] { btnOutput->showMenu(); });
    connect(actExcel, &QAction::triggered, this, guarded(&TfrmMatrix::actExcelExecute));
    connect(actCopy, &QAction::triggered, this, guarded(&TfrmMatrix::actCopyExecute));
    connect(actExit, &QAction::triggered, this, [this] { frame()->close(); });
    connect(pagMatrix, &QTabWidget::currentChanged, this, guarded(&TfrmMatrix::pagMatrixChange));
    resize(800, 500);
    try {
        Reload();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

TfrmObject* TfrmMatrix::Connection() const
{
    return OwnerForm() ? dynamic_cast<TfrmObject*>(OwnerForm()->connectionWidget()) : nullptr;
}

matrix::Page TfrmMatrix::CurrentPage() const
{
    QWidget* page = pagMatrix->currentWidget();
    if (page == tabObject1)
        return matrix::Page::References;
    if (page == tabField)
        return matrix::Page::Fields;
    return matrix::Page::Referenced;
}

void TfrmMatrix::pagMatrixChange()
{
    QWidget* page = pagMatrix->currentWidget();
    if (page && grdMatrix->parentWidget() != page) {
        grdMatrix->setParent(page);
        page->layout()->addWidget(grdMatrix);
        grdMatrix->show();
    }
    Reload();
}

void TfrmMatrix::Reload()
{
    TfrmObject* conn = Connection();
    if (!conn)
        return;
    setWindowTitle(QStringLiteral("マトリックス表 - ") + conn->GetConnectInfo(QString(), QString(), true));
    SetTaskCaption(conn->GetConnectInfo(QString(), QString(), true));
    m_grid.Reset();
    TfrmMain* main = TfrmMain::instance();
    const auto restore = qScopeGuard([this, main] {
        m_grid.Finish();
        ShowGrid();
        if (main)
            main->SetDefMessage();
    });
    WaitCursor wait;
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < conn->lstObject->topLevelItemCount(); ++i)
        if (conn->lstObject->topLevelItem(i)->isSelected())
            rows << conn->lstObject->topLevelItem(i);
    for (int i = 0; i < rows.size(); ++i) {
        if (main)
            main->SetLoopMessage(i + 1, int(rows.size()));
        if (tools::Escape())
            break;
        const actions::Row r = TObjectActions::RowOf(rows.at(i));
        if (CurrentPage() == matrix::Page::Fields)
            BuildField(conn, r.database(), r.schema(), r.name, r.type);
        else
            BuildObject(conn, r.database(), r.schema(), r.name);
    }
}

void TfrmMatrix::BuildObject(TfrmObject* conn, const QString& database, const QString& schema, const QString& name)
{
    TObjectSession* s = conn->session();
    s->ExecuteSQL(catalog::UseText(database));
    QString xtype;
    {
        db::Query* q = s->OpenSQL(matrix::XTypeSql(database), {schema, name});
        if (!q->Eof())
            xtype = q->Fields().at(0)->AsString().trimmed();
        q->Close();
    }
    const QString sql = matrix::RelationSql(CurrentPage(), s->Kind(), database, schema, name, xtype);
    db::Query* q = s->OpenSQL(sql, {schema, name});
    const auto close = qScopeGuard([q] { q->Close(); });
    const int row = m_grid.AppendRow();
    m_grid.Set(0, row, name, GetObjectTypeCode(XTypeToTypeName(xtype)));
    m_grid.Set(1, row, database);
    for (q->First(); !q->Eof(); q->Next()) {
        const auto& f = q->Fields();
        const QString d = f.at(0)->AsString(), n = f.at(1)->AsString(), x = f.at(2)->AsString();
        const int col = m_grid.PlaceColumn(d, n, XTypeToObjectType(x));
        m_grid.Set(col, row, matrix::Mark());
    }
}

void TfrmMatrix::BuildField(TfrmObject* conn, const QString& database, const QString& schema, const QString& name,
                            int type)
{
    TObjectSession* s = conn->session();
    QStringList keys;
    {
        db::Query* q = s->OpenSQL(matrix::PrimaryKeySql(database), {schema, name});
        for (q->First(); !q->Eof(); q->Next())
            keys << q->Fields().at(3)->AsString();
        q->Close();
    }
    db::Query* q = s->OpenSQL(matrix::ColumnSql(database, type == ObjType::Index, s->IsAzure), {schema, name});
    const auto close = qScopeGuard([q] { q->Close(); });
    const int col = m_grid.AppendCol();
    m_grid.Set(col, 0, database);
    m_grid.Set(col, 1, name, type);
    for (q->First(); !q->Eof(); q->Next()) {
        const auto& f = q->Fields();
        const QString column = f.at(0)->AsString();
        const QString label = matrix::TypeLabel(f.at(1)->AsString(), f.at(5)->AsString(), f.at(3)->AsString(),
                                                f.at(4)->AsString(), s->DBVer >= 9);
        const int row = m_grid.PlaceRow(column, label);
        m_grid.Set(col, row, keys.contains(column, Qt::CaseInsensitive) ? matrix::KeyMark() : matrix::Mark());
    }
}

void TfrmMatrix::ShowGrid()
{
    grdMatrix->setUpdatesEnabled(false);
    grdMatrix->clearContents();
    grdMatrix->setRowCount(m_grid.RowCount());
    grdMatrix->setColumnCount(m_grid.ColCount());
    const QFontMetrics fm(grdMatrix->font());
    int widest[4] = {0, 0, 0, 0};
    for (int r = 0; r < m_grid.RowCount(); ++r)
        for (int c = 0; c < m_grid.ColCount(); ++c) {
            const QString text = m_grid.Text(c, r);
            auto* item = new QTableWidgetItem(text);
            item->setData(ObjectRole, m_grid.Object(c, r));
            grdMatrix->setItem(r, c, item);
            const int w = fm.horizontalAdvance(text);
            if (r <= 1)
                widest[r] = std::max(widest[r], w);
            if (c <= 1)
                widest[2 + c] = std::max(widest[2 + c], w);
        }
    // Grown only: heights of the turned heading rows, widths of the heading columns.
    grdMatrix->setRowHeight(0, std::max(grdMatrix->rowHeight(0), widest[0] + 6));
    grdMatrix->setRowHeight(1, std::max(grdMatrix->rowHeight(1), widest[1] + 26));
    grdMatrix->setColumnWidth(0, std::max(grdMatrix->columnWidth(0), widest[2] + 26));
    grdMatrix->setColumnWidth(1, std::max(grdMatrix->columnWidth(1), widest[3] + 6));
    grdMatrix->setUpdatesEnabled(true);
}

void TfrmMatrix::actExcelExecute()
{
    QList<QStringList> rows = m_grid.Rows();
    rows[0][0] = matrix::PageCaption(CurrentPage());
    exporting::GridExcelOutput(this, QStringLiteral("MATRIX"), rows);
}

void TfrmMatrix::actCopyExecute() { exporting::GridClipboardOutput(m_grid.Rows()); }

void TfrmMatrix::LoadWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(GuiKey, true))
        resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
}

void TfrmMatrix::SaveWindowSettings()
{
    if (!isNormalState())
        return;
    TqvRegistry reg;
    if (reg.OpenKey(GuiKey, true)) {
        reg.WriteInteger(QStringLiteral("Width"), width());
        reg.WriteInteger(QStringLiteral("Height"), height());
    }
}

} // namespace qv
