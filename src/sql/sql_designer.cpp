#include "sql/sql_designer.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/images.h"

namespace qv {

namespace {

const int SurfaceRange = 1024;
const int SizingBorder = 4; // pixels inside a box's edge that grab its sizing border

// Pick lists of the grid: the item column editable, sort and grouping fixed lists.
class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(TqvSQLDesigner* owner) : QStyledItemDelegate(owner), m_owner(owner) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int col = index.column();
        if (col != gcItem && col != gcSort && col != gcGroup)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto* box = new QComboBox(parent);
        box->setEditable(col == gcItem);
        box->addItems(col == gcItem ? m_owner->Design().PickColumns() : col == gcSort ? PickSortTypes() : PickGroupTypes());
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor))
            box->setCurrentText(index.data().toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor))
            model->setData(index, box->currentText());
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    TqvSQLDesigner* m_owner;
};

} // namespace

// ---------------------------------------------------------------------------------------------
TqvDesignSurface::TqvDesignSurface(TqvSQLDesigner* owner) : QWidget(owner), m_owner(owner)
{
    setMouseTracking(true);
    setAcceptDrops(true);
    setMinimumSize(SurfaceRange, SurfaceRange);
    setAutoFillBackground(false);
}

QRect TqvDesignSurface::HeaderRect(const TqvSQLBuildTable* t) const
{
    const auto& m = m_owner->m_design.Metrics;
    return QRect(t->Bounds.left() + 1, t->Bounds.top() + 1, t->Bounds.width() - 2, m.HeaderHeight);
}

QRect TqvDesignSurface::AliasRect(const TqvSQLBuildTable* t) const
{
    const auto& m = m_owner->m_design.Metrics;
    return QRect(t->Bounds.left() + 1, HeaderRect(t).bottom() + 1, t->Bounds.width() - 2, m.AliasHeight);
}

QRect TqvDesignSurface::ItemRect(const TqvSQLBuildTable* t, int index) const
{
    const auto& m = m_owner->m_design.Metrics;
    const int top = AliasRect(t).bottom() + 1;
    const int row = index - m_owner->m_listScroll.value(t);
    const QRect r(t->Bounds.left() + 1, top + row * m.ItemHeight, t->Bounds.width() - 2, m.ItemHeight);
    if (row < 0 || r.bottom() > t->Bounds.bottom() - 1)
        return {};
    return r;
}

TqvSQLBuildTable* TqvDesignSurface::BoxAt(QPoint p) const
{
    const auto& tables = m_owner->m_design.Tables();
    for (auto it = tables.rbegin(); it != tables.rend(); ++it)
        if ((*it)->Bounds.contains(p))
            return it->get();
    return nullptr;
}

Qt::Edges TqvDesignSurface::BorderAt(const TqvSQLBuildTable* t, QPoint p) const
{
    Qt::Edges edges;
    const QRect& b = t->Bounds;
    if (!b.contains(p))
        return edges;
    if (p.x() < b.left() + SizingBorder)
        edges |= Qt::LeftEdge;
    else if (p.x() > b.right() - SizingBorder)
        edges |= Qt::RightEdge;
    if (p.y() < b.top() + SizingBorder)
        edges |= Qt::TopEdge;
    else if (p.y() > b.bottom() - SizingBorder)
        edges |= Qt::BottomEdge;
    return edges;
}

int TqvDesignSurface::ItemAt(const TqvSQLBuildTable* t, QPoint p) const
{
    for (int i = 0; i < t->Items.size(); ++i)
        if (ItemRect(t, i).contains(p))
            return i;
    return -1;
}

void TqvDesignSurface::CalcLines(TqvSQLBuildConnect& c) const
{
    auto endY = [this](const TqvSQLBuildTable* t, const QString& column, int previous) {
        const int i = t->IndexOfColumn(column);
        if (i < 0)
            return previous;
        const auto& m = m_owner->m_design.Metrics;
        const int listTop = AliasRect(t).bottom() + 1;
        const int listBottom = t->Bounds.bottom() - 1;
        int top = listTop + (i - m_owner->m_listScroll.value(t)) * m.ItemHeight;
        int bottom = top + m.ItemHeight;
        top = std::clamp(top, listTop, listBottom);
        bottom = std::clamp(bottom, listTop, listBottom);
        return top + (bottom - top) / 2;
    };
    const int y0 = endY(c.FromTable, c.FromColumn, c.Lines[0].y());
    const int y3 = endY(c.ToTable, c.ToColumn, c.Lines[3].y());
    int x0, x3, x1, x2;
    if (c.ToTable->Bounds.left() < c.FromTable->Bounds.left()) {
        x0 = c.FromTable->Bounds.left();
        x3 = c.ToTable->Bounds.right() + 1;
        x1 = x0 - 16;
        x2 = x3 + 16;
    } else {
        x0 = c.FromTable->Bounds.right() + 1;
        x3 = c.ToTable->Bounds.left();
        x1 = x0 + 16;
        x2 = x3 - 16;
    }
    c.Lines[0] = QPoint(x0, y0);
    c.Lines[1] = QPoint(x1, y0);
    c.Lines[2] = QPoint(x2, y3);
    c.Lines[3] = QPoint(x3, y3);
}

void TqvDesignSurface::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    auto& design = m_owner->m_design;
    const QFontMetrics fm(font());
    // Joins under the boxes.
    for (const auto& c : design.Connects()) {
        CalcLines(*c);
        p.setPen(Qt::black);
        p.drawPolyline(c->Lines, 4);
        const QString label = TqvSQLDesign::ConnectLabel(*c);
        const QPoint mid(c->Lines[1].x() + (c->Lines[2].x() - c->Lines[1].x()) / 2,
                         c->Lines[1].y() + (c->Lines[2].y() - c->Lines[1].y()) / 2);
        const QRect textRect(mid.x() - fm.horizontalAdvance(label) / 2, mid.y() - fm.height() / 2,
                             fm.horizontalAdvance(label), fm.height());
        p.fillRect(textRect, pal.color(QPalette::Button));
        p.drawText(textRect, Qt::AlignCenter, label);
    }
    const bool enabled = m_owner->InSync();
    for (const auto& box : design.Tables()) {
        const TqvSQLBuildTable* t = box.get();
        p.fillRect(t->Bounds, pal.color(QPalette::Base));
        p.setPen(pal.color(QPalette::Mid));
        p.drawRect(t->Bounds.adjusted(0, 0, -1, -1));
        const bool selected = design.Selected() == t;
        const QRect head = HeaderRect(t);
        p.fillRect(head, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button));
        p.setPen(selected ? pal.color(QPalette::HighlightedText) : QColor(Qt::black));
        p.drawText(head.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   fm.elidedText(t->HeaderText(), Qt::ElideRight, head.width() - 4));
        const QRect alias = AliasRect(t);
        p.setPen(pal.color(QPalette::Mid));
        p.drawRect(alias.adjusted(1, 1, -2, -2));
        p.setPen(enabled ? pal.color(QPalette::Text) : pal.color(QPalette::Disabled, QPalette::Text));
        p.drawText(alias.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, t->AliasText);
        const auto& sel = m_owner->m_selectedItems.value(t);
        for (int i = 0; i < t->Items.size(); ++i) {
            const QRect r = ItemRect(t, i);
            if (r.isEmpty())
                continue;
            QFont f = font();
            f.setBold(t->Items[i].Key);
            p.setFont(f);
            const bool on = sel.contains(i);
            if (on)
                p.fillRect(r, pal.color(QPalette::Highlight));
            p.setPen(on ? pal.color(QPalette::HighlightedText)
                        : enabled ? pal.color(QPalette::Text) : pal.color(QPalette::Disabled, QPalette::Text));
            p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, t->Items[i].Name);
            p.setFont(font());
        }
    }
}

void TqvDesignSurface::mousePressEvent(QMouseEvent* e)
{
    m_owner->setFocus();
    if (m_aliasEdit)
        m_aliasEdit->clearFocus();
    const QPoint pos = e->position().toPoint();
    TqvSQLBuildTable* t = BoxAt(pos);
    if (!t || e->button() != Qt::LeftButton) {
        return;
    }
    m_owner->SetSelected(t);
    const int item = ItemAt(t, pos);
    if (const Qt::Edges edges = BorderAt(t, pos)) {
        // The sizing border: the box follows the mouse with the grabbed edges.
        m_state = 4;
        m_sizing = edges;
        m_dragStart = pos;
    } else if (item >= 0) {
        auto& sel = m_owner->m_selectedItems[t];
        if (e->modifiers() & Qt::ControlModifier) {
            if (!sel.removeOne(item))
                sel << item;
        } else if (!sel.contains(item)) {
            sel = {item};
        }
        m_dragFrom = t;
        m_dragItem = item;
        m_dragStart = pos;
        m_state = 3;
    } else if (!AliasRect(t).contains(pos)) {
        // The frame or the header: the box comes to the front and moves with the mouse.
        m_state = 2;
        m_dragStart = pos;
    }
    update();
}

void TqvDesignSurface::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    auto& design = m_owner->m_design;
    if (m_state == 2 && design.Selected()) {
        TqvSQLBuildTable* t = design.Selected();
        const QPoint d = pos - m_dragStart;
        t->Bounds.moveTo(std::max(0, t->Bounds.left() + d.x()), std::max(0, t->Bounds.top() + d.y()));
        m_dragStart = pos;
        update();
        return;
    }
    if (m_state == 4 && design.Selected()) {
        const auto& m = design.Metrics;
        const int minWidth = 40, minHeight = m.HeaderHeight + m.AliasHeight + m.ItemHeight + 2;
        QRect& b = design.Selected()->Bounds;
        const QPoint d = pos - m_dragStart;
        if (m_sizing & Qt::LeftEdge)
            b.setLeft(std::clamp(b.left() + d.x(), 0, b.right() + 1 - minWidth));
        if (m_sizing & Qt::RightEdge)
            b.setRight(std::max(b.right() + d.x(), b.left() + minWidth - 1));
        if (m_sizing & Qt::TopEdge)
            b.setTop(std::clamp(b.top() + d.y(), 0, b.bottom() + 1 - minHeight));
        if (m_sizing & Qt::BottomEdge)
            b.setBottom(std::max(b.bottom() + d.y(), b.top() + minHeight - 1));
        m_dragStart = pos;
        update();
        return;
    }
    bool onLine = false;
    for (const auto& c : design.Connects())
        onLine = onLine || TqvSQLDesign::HitTest(*c, pos);
    Qt::CursorShape shape = onLine ? Qt::PointingHandCursor : Qt::ArrowCursor;
    if (TqvSQLBuildTable* t = BoxAt(pos)) {
        const Qt::Edges e = BorderAt(t, pos);
        const bool h = e & (Qt::LeftEdge | Qt::RightEdge), v = e & (Qt::TopEdge | Qt::BottomEdge);
        if (h && v)
            shape = (e == (Qt::LeftEdge | Qt::TopEdge) || e == (Qt::RightEdge | Qt::BottomEdge)) ? Qt::SizeFDiagCursor
                                                                                                 : Qt::SizeBDiagCursor;
        else if (h)
            shape = Qt::SizeHorCursor;
        else if (v)
            shape = Qt::SizeVerCursor;
    }
    setCursor(shape);
}

void TqvDesignSurface::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (m_state == 3 && m_dragFrom && (pos - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
        TqvSQLBuildTable* target = BoxAt(pos);
        const int item = target ? ItemAt(target, pos) : -1;
        if (target && target != m_dragFrom && item >= 0) {
            const QString from = m_dragFrom->Items[m_dragItem].Name, to = target->Items[item].Name;
            if (from != "*" && to != "*" && !from.isEmpty() && !to.isEmpty())
                m_owner->m_design.AddConnect(m_dragFrom, target, from, to);
            m_owner->DesignToSQL();
        }
    }
    m_state = 0;
    m_dragFrom = nullptr;
    update();
}

void TqvDesignSurface::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    auto& design = m_owner->m_design;
    if (TqvSQLBuildTable* t = BoxAt(pos)) {
        if (AliasRect(t).contains(pos)) {
            editAlias(t);
        } else if (ItemAt(t, pos) >= 0 && !design.Synchronising()) {
            QList<int> sel = m_owner->m_selectedItems.value(t);
            std::sort(sel.begin(), sel.end());
            design.AddColumnRows(t, sel);
            m_owner->LoadGrid();
            m_owner->DesignToSQL();
        }
        return;
    }
    for (const auto& c : design.Connects())
        if (TqvSQLDesign::HitTest(*c, pos)) {
            emit m_owner->ConnectDblClick(c.get());
            return;
        }
}

void TqvDesignSurface::wheelEvent(QWheelEvent* e)
{
    if (TqvSQLBuildTable* t = BoxAt(e->position().toPoint())) {
        int& top = m_owner->m_listScroll[t];
        top = std::clamp(top + (e->angleDelta().y() < 0 ? 1 : -1), 0, std::max(0, int(t->Items.size()) - 1));
        update();
        e->accept();
        return;
    }
    QWidget::wheelEvent(e);
}

void TqvDesignSurface::dragEnterEvent(QDragEnterEvent* e)
{
    dragMoveEvent(e);
}

void TqvDesignSurface::dragMoveEvent(QDragMoveEvent* e)
{
    if (m_owner->AcceptDrag && m_owner->AcceptDrag(e->source())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void TqvDesignSurface::dropEvent(QDropEvent* e)
{
    if (!m_owner->AcceptDrag || !m_owner->AcceptDrag(e->source()) || !m_owner->DropFrom) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    m_owner->DropFrom(e->source());
}

void TqvDesignSurface::editAlias(TqvSQLBuildTable* t)
{
    delete m_aliasEdit;
    m_aliasEdit = new QLineEdit(this);
    m_aliasEdit->setFrame(false);
    m_aliasEdit->setGeometry(AliasRect(t).adjusted(2, 2, -2, -2));
    m_aliasEdit->setText(t->AliasText);
    m_aliasEdit->selectAll();
    m_aliasEdit->show();
    m_aliasEdit->setFocus();
    const QString previous = t->Alias();
    QLineEdit* edit = m_aliasEdit;
    connect(edit, &QLineEdit::editingFinished, this, [this, t, previous, edit]() {
        if (edit != m_aliasEdit)
            return;
        t->AliasText = edit->text().trimmed();
        m_aliasEdit = nullptr;
        edit->deleteLater();
        if (t->Alias() != previous && !m_owner->m_design.Synchronising()) {
            m_owner->m_design.RenameAlias(previous, t->Alias());
            m_owner->LoadGrid();
            m_owner->DesignToSQL();
        }
        update();
    });
}

// ---------------------------------------------------------------------------------------------
TqvSQLDesigner::TqvSQLDesigner(QWidget* parent) : QScrollArea(parent)
{
    m_surface = new TqvDesignSurface(this);
    setWidget(m_surface);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(32);
    verticalScrollBar()->setSingleStep(32);
    setFocusPolicy(Qt::StrongFocus);
    const QFontMetrics fm(font());
    m_design.Metrics.ItemHeight = fm.height() + 2;
    m_design.Metrics.HeaderHeight = fm.height() + 4;
    m_design.Metrics.AliasHeight = fm.height() + 8;
    m_design.Metrics.SurfaceWidth = SurfaceRange - 120;
}

void TqvSQLDesigner::SetGrid(QTableWidget* grid)
{
    m_grid = grid;
    grid->setColumnCount(gcCount);
    grid->setHorizontalHeaderLabels({QString::fromUtf8("項目名/式"), QString::fromUtf8("別名"), QString::fromUtf8("表示"),
                                     QString::fromUtf8("ソート"), QString::fromUtf8("ソート順序"),
                                     QString::fromUtf8("グルーピング"), QString::fromUtf8("抽出条件")});
    grid->verticalHeader()->setVisible(false);
    grid->setItemDelegate(new GridDelegate(this));
    connect(grid, &QTableWidget::cellChanged, this, &TqvSQLDesigner::gridChanged);
    LoadGrid();
}

void TqvSQLDesigner::LoadGrid()
{
    if (!m_grid)
        return;
    m_loadingGrid = true;
    m_grid->horizontalHeaderItem(gcAlias)->setText(m_design.SQLType() == sqltSelect || m_design.SQLType() == sqltCreateView
                                                       ? QString::fromUtf8("別名")
                                                       : QString::fromUtf8("値"));
    const auto& rows = m_design.Rows();
    m_grid->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < gcCount; ++c) {
            auto* item = new QTableWidgetItem;
            const bool applies = m_design.CellApplies(c);
            if (c == gcShow) {
                item->setFlags(applies ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::NoItemFlags);
                item->setCheckState(rows[r][c] == "1" ? Qt::Checked : Qt::Unchecked);
            } else {
                item->setText(rows[r][c]);
                if (!applies)
                    item->setFlags(Qt::NoItemFlags);
            }
            if (!applies)
                item->setBackground(palette().color(QPalette::Button));
            m_grid->setItem(r, c, item);
        }
    m_loadingGrid = false;
}

void TqvSQLDesigner::gridChanged(int row, int column)
{
    if (m_loadingGrid || m_design.Synchronising() || row >= m_design.Rows().size())
        return;
    auto& rows = m_design.Rows();
    QTableWidgetItem* item = m_grid->item(row, column);
    const QString value = column == gcShow ? (item->checkState() == Qt::Checked ? "1" : "") : item->text();
    if (rows[row][column] == value)
        return;
    rows[row][column] = value;
    if (column == gcSort && value.trimmed().isEmpty())
        rows[row][gcSortOrder].clear();
    if (column == gcSortOrder && value.trimmed().isEmpty())
        rows[row][gcSort].clear();
    if (row == rows.size() - 1 && (!rows[row][gcItem].trimmed().isEmpty() || !rows[row][gcAlias].trimmed().isEmpty())) {
        if (column != gcShow && (m_design.SQLType() == sqltSelect || m_design.SQLType() == sqltCreateView))
            rows[row][gcShow] = "1";
        rows << TqvSQLDesign::EmptyRow();
    }
    DesignToSQL();
    // Rebuilding the grid from inside its own change signal would pull the item out from
    // under the view: do it once control returns to the event loop.
    QMetaObject::invokeMethod(this, &TqvSQLDesigner::LoadGrid, Qt::QueuedConnection);
}

void TqvSQLDesigner::DesignToSQL()
{
    if (m_design.Synchronising() || !SetText)
        return;
    m_design.SetSynchronising(true);
    QString text;
    try {
        if (m_design.Catalog)
            m_design.Catalog->BeginSync();
        text = m_design.DesignToSQL();
    } catch (...) {
        if (m_design.Catalog)
            m_design.Catalog->EndSync();
        m_design.SetSynchronising(false);
        throw;
    }
    if (m_design.Catalog)
        m_design.Catalog->EndSync();
    SetText(text);
    m_saveSQL = GetText ? GetText() : text;
    m_design.SetSynchronising(false);
    m_surface->update();
    emit DesignChanged();
}

void TqvSQLDesigner::SQLToDesign()
{
    if (m_design.Synchronising() || !GetText)
        return;
    const QString text = GetText();
    if (text == m_saveSQL)
        return;
    m_design.SetSynchronising(true);
    m_selectedItems.clear();
    m_listScroll.clear();
    struct Finish {
        TqvSQLDesigner* d;
        QString text;
        ~Finish()
        {
            if (d->m_design.Catalog)
                d->m_design.Catalog->EndSync();
            d->m_saveSQL = text;
            d->m_design.SetSynchronising(false);
            d->LoadGrid();
            d->m_surface->update();
        }
    } finish{this, text};
    if (m_design.Catalog)
        m_design.Catalog->BeginSync();
    try {
        m_design.SQLToDesign(text, Warn);
    } catch (const std::exception& e) {
        if (!Error)
            throw;
        Error(QString::fromUtf8(e.what()));
    }
}

void TqvSQLDesigner::SetSQLType(TqvSQLType type, bool keepDesign)
{
    if (type == m_design.SQLType())
        return;
    const bool was = m_design.Synchronising();
    m_design.SetSynchronising(keepDesign);
    m_design.SetSQLType(type);
    m_design.SetSynchronising(was);
    if (!keepDesign) {
        m_selectedItems.clear();
        if (SetText)
            SetText(QString());
        m_saveSQL = GetText ? GetText() : QString();
    }
    LoadGrid();
    m_surface->update();
}

TqvSQLBuildTable* TqvSQLDesigner::AddTable(const QString& name)
{
    if (m_design.Catalog)
        m_design.Catalog->BeginSync();
    struct End {
        TqvSQLDesign& d;
        ~End()
        {
            if (d.Catalog)
                d.Catalog->EndSync();
        }
    } end{m_design};
    TqvSQLBuildTable* t = m_design.AddTable(name);
    m_surface->update();
    return t;
}

void TqvSQLDesigner::RemoveSelected()
{
    if (TqvSQLBuildTable* t = m_design.Selected()) {
        m_selectedItems.remove(t);
        m_listScroll.remove(t);
        m_design.RemoveTable(t);
        LoadGrid();
        DesignToSQL();
        m_surface->update();
    }
}

void TqvSQLDesigner::InsColumn()
{
    if (!m_grid)
        return;
    m_grid->setFocus();
    const int row = m_design.InsertGridRow(m_grid->currentRow());
    if (row < 0)
        return;
    LoadGrid();
    m_grid->setCurrentCell(row, std::max(0, m_grid->currentColumn()));
}

void TqvSQLDesigner::DelColumn()
{
    if (!m_grid)
        return;
    const int column = std::max(0, m_grid->currentColumn());
    m_grid->setFocus();
    const int row = m_design.DeleteGridRow(m_grid->currentRow());
    if (row < 0)
        return;
    DesignToSQL();
    LoadGrid();
    m_grid->setCurrentCell(row, column);
}

void TqvSQLDesigner::MoveColumn(int delta)
{
    if (!m_grid)
        return;
    const int column = std::max(0, m_grid->currentColumn());
    const int row = m_design.MoveGridRow(m_grid->currentRow(), delta);
    if (row < 0)
        return;
    m_grid->setFocus();
    DesignToSQL();
    LoadGrid(); // shows the renumbered sort orders
    m_grid->setCurrentCell(row, column);
}

void TqvSQLDesigner::SetSelected(TqvSQLBuildTable* t)
{
    if (m_design.Selected() == t)
        return;
    for (auto it = m_selectedItems.begin(); it != m_selectedItems.end(); ++it)
        if (it.key() != t)
            it.value().clear();
    m_design.SetSelected(t);
    m_surface->update();
    emit DesignChanged();
}

void TqvSQLDesigner::focusInEvent(QFocusEvent* e)
{
    QScrollArea::focusInEvent(e);
    SQLToDesign();
}

// ---------------------------------------------------------------------------------------------
TqvBuilderPage::TqvBuilderPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Vertical, this);
    SQLDesign = new TqvSQLDesigner(split);
    auto* gridPanel = new QWidget(split);
    auto* gridLayout = new QHBoxLayout(gridPanel);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    auto* tolColumn = new QToolBar(gridPanel);
    tolColumn->setObjectName(QStringLiteral("tolColumn"));
    tolColumn->setOrientation(Qt::Vertical);
    tolColumn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    grdColumn = new QTableWidget(gridPanel);
    gridLayout->addWidget(tolColumn);
    gridLayout->addWidget(grdColumn, 1);
    const auto button = [&](int image, const char* hint, auto slot) {
        QAction* a = tolColumn->addAction(imgMain(image), QString::fromUtf8(hint));
        connect(a, &QAction::triggered, SQLDesign, slot);
        return a;
    };
    btnInsColumn = button(39, "行挿入", [this] { SQLDesign->InsColumn(); });
    btnDelColumn = button(40, "行削除", [this] { SQLDesign->DelColumn(); });
    btnUpColumn = button(35, "上へ移動", [this] { SQLDesign->MoveColumn(-1); });
    btnDownColumn = button(36, "下へ移動", [this] { SQLDesign->MoveColumn(1); });
    split->addWidget(SQLDesign);
    split->addWidget(gridPanel);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    layout->addWidget(split);
    SQLDesign->SetGrid(grdColumn);
}

} // namespace qv
