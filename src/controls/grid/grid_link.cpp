#include "controls/grid/grid_link.h"
#include "controls/grid/data_grid.h"

namespace qv {

namespace {
constexpr int kMaxMapSize = 268435455;
}

TGridDataLink::~TGridDataLink()
{
    ClearMapping();
    m_detached = true;
    SetDataSource(nullptr);
}

bool TGridDataLink::AddMapping(const QString& fieldName)
{
    if (FieldCount() >= kMaxMapSize)
        RaiseGridOperationError(QStringLiteral("グリッドの 256 カラム数の限界を超えました"));
    db::DataSet* ds = DataSet();
    db::Field* f = nullptr;
    if (ds)
        f = m_sparseMap ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
    if (m_fieldMap.size() == m_fieldMap.capacity()) {
        size_t cap = m_fieldMap.empty() ? 8 : m_fieldMap.capacity() * 2;
        cap = std::min<size_t>(std::max<size_t>(cap, m_fieldMap.size() + 1), kMaxMapSize);
        m_fieldMap.reserve(cap);
    }
    m_fieldMap.push_back(f ? f->Index() : -1);
    return true;
}

db::Field* TGridDataLink::Fields(int i) const
{
    const int idx = MappedIndex(i);
    db::DataSet* ds = DataSet();
    if (idx < 0 || !ds || idx >= ds->FieldCount())
        return nullptr;
    return ds->Fields()[idx];
}

bool TGridDataLink::DefaultFields() const
{
    db::DataSet* ds = DataSet();
    if (!ds)
        return true;
    if (m_sparseMap)
        for (int v : m_fieldMap)
            if (v < 0)
                return false;
    return ds->DefaultFields();
}

void TGridDataLink::Reset()
{
    if (m_modified)
        RecordChanged(nullptr);
    else if (DataSet())
        DataSet()->Cancel();
}

void TGridDataLink::ReadRecord(int i)
{
    SetActiveRecord(i);
    if (m_logReads && DataSet())
        m_readLog.insert(DataSet()->ActivePosition());
}

void TGridDataLink::RestoreRecord()
{
    if (db::DataSet* ds = DataSet())
        ds->SetActivePosition(ds->CursorPosition());
}

int TGridDataLink::MoveBy(int distance)
{
    if (!Active() || distance == 0)
        return 0;
    return DataSet()->MoveBy(distance);
}

void TGridDataLink::ActiveChanged()
{
    if (m_detached)
        return;
    m_modified = false;
    m_grid->LinkActiveChanged(Active());
}

void TGridDataLink::DataSetChanged()
{
    if (m_detached)
        return;
    m_modified = false;
    m_grid->DataChanged();
}

void TGridDataLink::DataSetScrolled(int)
{
    if (m_detached)
        return;
    m_grid->DataChanged();
}

void TGridDataLink::RecordChanged(db::Field* field)
{
    if (m_detached)
        return;
    m_modified = false;
    m_grid->RecordChanged(field);
}

void TGridDataLink::EditingChanged()
{
    if (m_detached)
        return;
    m_grid->EditingChanged();
}

void TGridDataLink::LayoutChanged()
{
    if (m_detached)
        return;
    const bool saved = m_grid->m_layoutFromDataset;
    m_grid->m_layoutFromDataset = true;
    struct Restore { TqvDataGrid* g; bool v; ~Restore() { g->m_layoutFromDataset = v; } } restore{m_grid, saved};
    m_grid->RequestLayout();
}

void TGridDataLink::UpdateData()
{
    if (m_detached)
        return;
    if (!m_modified)
        return;
    m_inUpdateData = true;
    struct Clear { bool& b; ~Clear() { b = false; } } clear{m_inUpdateData};
    m_grid->UpdateData();
    m_modified = false;
}

void TGridDataLink::FocusControl(db::Field** field)
{
    if (m_detached)
        return;
    if (!field || !*field)
        return;
    m_grid->SetSelectedField(*field);
    if (m_grid->SelectedField() == *field && m_grid->TakeFocus()) {
        *field = nullptr;
        m_grid->ShowEditor();
    }
}

// ---------------------------------------------------------------------------------------------

int TBookmarkList::Compare(const QByteArray& a, const QByteArray& b) const
{
    db::DataSet* ds = m_grid ? m_grid->DataSet() : nullptr;
    return ds ? ds->CompareBookmarks(a, b) : 0;
}

QByteArray TBookmarkList::CurrentBookmark() const
{
    if (!m_linkActive)
        RaiseGridOperationError(QStringLiteral("データセットは閉じているため, この操作は実行できません"));
    return m_grid->DataSet()->GetBookmark();
}

void TBookmarkList::LinkActive(bool active)
{
    Clear();
    m_linkActive = active;
}

void TBookmarkList::Clear()
{
    if (m_list.isEmpty())
        return;
    m_list.clear();
    Changed();
    m_grid->InvalidateGrid();
}

bool TBookmarkList::Find(const QByteArray& bm, int& index) const
{
    if (m_cacheIndex >= 0 && bm == m_cache) {
        index = m_cacheIndex;
        return m_cacheFind;
    }
    int low = 0, high = int(m_list.size()) - 1;
    bool found = false;
    while (high >= low) {
        const int mid = (low + high) / 2;
        const int c = Compare(m_list[mid], bm);
        if (c < 0)
            low = mid + 1;
        else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                low = mid;
            }
        }
    }
    index = low;
    m_cache = bm;
    m_cacheIndex = low;
    m_cacheFind = found;
    return found;
}

int TBookmarkList::IndexOf(const QByteArray& bm) const
{
    int i;
    return Find(bm, i) ? i : -1;
}

bool TBookmarkList::CurrentRowSelected() const
{
    int i;
    return Find(CurrentBookmark(), i);
}

void TBookmarkList::Insert(const QByteArray& bm)
{
    int i;
    if (bm.isEmpty() || Find(bm, i))
        return;
    m_list.insert(i, bm);
    Changed();
}

void TBookmarkList::SetCurrentRowSelected(bool value)
{
    const QByteArray bm = CurrentBookmark();
    int i;
    if (bm.isEmpty() || Find(bm, i) == value)
        return;
    if (value)
        m_list.insert(i, bm);
    else
        m_list.removeAt(i);
    Changed();
    if (m_grid->Transposed())
        m_grid->InvalidateCol(m_grid->CurrentRecordRaw());
    else
        m_grid->InvalidateRow(m_grid->CurrentRecordRaw());
}

void TBookmarkList::Delete()
{
    db::DataSet* ds = m_grid->DataSet();
    if (!ds)
        return;
    ds->DisableControls();
    struct Enable { db::DataSet* d; ~Enable() { d->EnableControls(); } } enable{ds};
    while (!m_list.isEmpty()) {
        ds->GotoBookmark(m_list.last());
        ds->Delete();
        m_list.removeLast();
        Changed();
    }
}

bool TBookmarkList::Refresh()
{
    db::DataSet* ds = m_grid->DataSet();
    if (!ds)
        return false;
    bool removed = false;
    struct After {
        TqvDataGrid* g; bool& r;
        ~After() { if (r) g->InvalidateGrid(); }
    } after{m_grid, removed};
    ds->CheckBrowseMode();
    for (int i = int(m_list.size()) - 1; i >= 0; --i)
        if (!ds->BookmarkValid(m_list[i])) {
            m_list.removeAt(i);
            removed = true;
        }
    if (removed)
        Changed();
    return removed;
}

} // namespace qv
