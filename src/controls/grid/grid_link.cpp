#include "controls/grid/grid_link.h"
#include "controls/grid/data_grid.h"

namespace qv {

namespace {
constexpr int kMaxMapSize = 268435455;
}

TGridDataLink::~TGridDataLink()
{
    ClearMapping();
    if (m_dataSet)
        m_dataSet->RemoveClient(this);
}

void TGridDataLink::SetDataSet(GridDataSet* ds)
{
    if (ds == m_dataSet)
        return;
    const bool wasActive = Active();
    if (m_dataSet)
        m_dataSet->RemoveClient(this);
    m_dataSet = ds;
    m_first = 1;
    if (m_dataSet)
        m_dataSet->AddClient(this);
    if (wasActive || Active())
        DataSetActiveChanged();
}

bool TGridDataLink::AddMapping(const QString& fieldName)
{
    if (FieldCount() >= kMaxMapSize)
        RaiseGridOperationError(QStringLiteral("グリッドの 256 カラム数の限界を超えました"));
    GridField* f = m_dataSet ? m_dataSet->FindField(fieldName) : nullptr;
    if (!f && !m_sparseMap)
        throw Exception(QStringLiteral("%1: フィールドが見つかりません").arg(fieldName));
    if (m_fieldMap.size() == m_fieldMap.capacity()) {
        size_t cap = m_fieldMap.empty() ? 8 : m_fieldMap.capacity() * 2;
        cap = std::min<size_t>(std::max<size_t>(cap, m_fieldMap.size() + 1), kMaxMapSize);
        m_fieldMap.reserve(cap);
    }
    m_fieldMap.push_back(f ? f->Index() : -1);
    return true;
}

GridField* TGridDataLink::Fields(int i) const
{
    const int idx = MappedIndex(i);
    if (idx < 0 || !m_dataSet || idx >= m_dataSet->FieldCount())
        return nullptr;
    return m_dataSet->Field(idx);
}

bool TGridDataLink::DefaultFields() const
{
    if (!m_dataSet)
        return true;
    if (m_sparseMap)
        for (int v : m_fieldMap)
            if (v < 0)
                return false;
    return m_dataSet->DefaultFields();
}

void TGridDataLink::Reset()
{
    if (m_modified)
        RecordChanged(nullptr);
    else if (m_dataSet)
        m_dataSet->Cancel();
}

void TGridDataLink::UpdateRecord()
{
    if (m_dataSet && (m_dataSet->State() == DataSetState::Edit || m_dataSet->State() == DataSetState::Insert))
        UpdateData();
}

bool TGridDataLink::Edit()
{
    if (!m_dataSet || m_readOnly)
        return false;
    if (m_dataSet->State() == DataSetState::Browse && m_dataSet->CanModify()) {
        if (m_dataSet->IsEmpty())
            m_dataSet->Append();
        else
            m_dataSet->Edit();
    }
    return Editing();
}

bool TGridDataLink::Editing() const
{
    return m_dataSet && (m_dataSet->State() == DataSetState::Edit || m_dataSet->State() == DataSetState::Insert);
}

void TGridDataLink::SetBufferCount(int n)
{
    m_bufferCount = qMax(1, n);
    SyncBuffer();
}

void TGridDataLink::SyncBuffer()
{
    if (!Active())
        return;
    const int total = m_dataSet->RecordCount();
    const int cur = m_dataSet->RecNo();
    if (cur <= 0) {
        m_first = 1;
        return;
    }
    if (cur < m_first)
        m_first = cur;
    else if (cur >= m_first + m_bufferCount)
        m_first = cur - m_bufferCount + 1;
    // keep the buffer full when records were removed at its end
    if (m_first + m_bufferCount - 1 > total)
        m_first = qMax(1, qMin(m_first, total - m_bufferCount + 1));
}

int TGridDataLink::RecordCount() const
{
    if (!Active())
        return 0;
    return qMax(0, qMin(m_bufferCount, m_dataSet->RecordCount() - m_first + 1));
}

int TGridDataLink::ActiveRecord() const
{
    if (!Active())
        return 0;
    if (m_readRecord >= 0)
        return m_readRecord;
    return qMax(0, m_dataSet->RecNo() - m_first);
}

void TGridDataLink::SetActiveRecord(int i)
{
    if (!Active())
        return;
    if (i < 0) {
        m_readRecord = -1;
        m_dataSet->SetReadRecord(0);
    } else {
        m_readRecord = i;
        m_dataSet->SetReadRecord(m_first + i);
    }
}

int TGridDataLink::MoveBy(int distance)
{
    if (!Active() || distance == 0)
        return 0;
    return m_dataSet->MoveBy(distance);
}

void TGridDataLink::DataSetActiveChanged()
{
    m_modified = false;
    m_first = 1;
    SyncBuffer();
    m_grid->LinkActiveChanged(Active());
}

void TGridDataLink::DataSetChanged()
{
    m_modified = false;
    SyncBuffer();
    m_grid->DataChanged();
}

void TGridDataLink::DataSetScrolled(int)
{
    SyncBuffer();
    m_grid->DataChanged();
}

void TGridDataLink::RecordChanged(GridField* field)
{
    m_modified = false;
    m_grid->RecordChanged(field);
}

void TGridDataLink::EditingChanged()
{
    SyncBuffer();
    m_grid->EditingChanged();
}

void TGridDataLink::LayoutChanged()
{
    const bool saved = m_grid->m_layoutFromDataset;
    m_grid->m_layoutFromDataset = true;
    struct Restore { TqvDataGrid* g; bool v; ~Restore() { g->m_layoutFromDataset = v; } } restore{m_grid, saved};
    m_grid->RequestLayout();
}

void TGridDataLink::UpdateData()
{
    if (!m_modified)
        return;
    m_inUpdateData = true;
    struct Clear { bool& b; ~Clear() { b = false; } } clear{m_inUpdateData};
    m_grid->UpdateData();
    m_modified = false;
}

void TGridDataLink::FocusControl(GridField** field)
{
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
    GridDataSet* ds = m_grid ? m_grid->DataSet() : nullptr;
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
    GridDataSet* ds = m_grid->DataSet();
    if (!ds)
        return;
    ds->DisableControls();
    struct Enable { GridDataSet* d; ~Enable() { d->EnableControls(); } } enable{ds};
    while (!m_list.isEmpty()) {
        ds->GotoBookmark(m_list.last());
        ds->Delete();
        m_list.removeLast();
        Changed();
    }
}

bool TBookmarkList::Refresh()
{
    GridDataSet* ds = m_grid->DataSet();
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
