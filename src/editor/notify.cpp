#include "editor/notify.h"

namespace qv {

void TNotifyPersistent::Changed()
{
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
}

void TNotifyPersistent::BeginUpdate() { ++m_updateCount; }

void TNotifyPersistent::EndUpdate()
{
    --m_updateCount;
    Changed();
}

void TNotifyPersistent::ChangedProc(TPersistent* sender)
{
    if (sender != this)
        Changed();
}

void TNotifyCollection::Update(TPersistent*)
{
    if (OnChange)
        OnChange(this);
}

void TNotifyCollection::ChangedProc(TPersistent* sender)
{
    if (sender != this)
        Changed();
}

void TMethodList::Remove(const TNotifyEvent& method)
{
    for (int i = int(m_items.size()) - 1; i >= 0; --i) {
        if (m_items[size_t(i)] == method) {
            m_items.erase(m_items.begin() + i);
            return;
        }
    }
}

void TNotifyEventList::Changed()
{
    if (m_updateCount != 0)
        return;
    // A listener may add or remove listeners; walk a copy.
    std::vector<TNotifyEvent> copy;
    copy.reserve(size_t(m_list.Count()));
    for (int i = 0; i < m_list.Count(); ++i)
        copy.push_back(m_list[i]);
    for (const auto& e : copy)
        e(m_owner);
}

int TSortedStringList::Add(const QString& s)
{
    int i;
    if (Find(s, &i))
        return i;
    m_items.insert(i, s);
    return i;
}

bool TSortedStringList::Find(QStringView s, int* index) const
{
    int lo = 0, hi = int(m_items.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = QStringView(m_items[mid]).compare(s, Qt::CaseInsensitive);
        if (c < 0) {
            lo = mid + 1;
        } else if (c > 0) {
            hi = mid - 1;
        } else {
            if (index)
                *index = mid;
            return true;
        }
    }
    if (index)
        *index = lo;
    return false;
}

void TSortedStringList::Assign(const QStringList& list)
{
    m_items.clear();
    for (const QString& s : list)
        Add(s);
}

TFileExtComponent::TFileExtComponent() : m_fileExtList(std::make_unique<TSortedStringList>()) {}

std::unique_ptr<TSortedStringList> TFileExtComponent::CreateSortedList() const
{
    return std::make_unique<TSortedStringList>();
}

void TFileExtComponent::InitComponent()
{
    m_fileExtList = CreateSortedList();
    InitFileExtList();
}

} // namespace qv
