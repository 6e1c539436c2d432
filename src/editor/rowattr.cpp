#include "editor/rowattr.h"
#include "editor/charclass.h"

namespace qv {

EStringListError::EStringListError(int index)
    : Exception(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index))
{
}

uint32_t PackRowItem(TRowAttribute row, const TRowAttributeData& d)
{
    return (uint32_t(row) & 3u) | ((uint32_t(d.PrevRowAttribute) & 3u) << 2)
        | ((uint32_t(d.BracketIndex + 2) & 0xFu) << 4) | ((uint32_t(d.ElementIndex) & 0xFFu) << 8)
        | ((uint32_t(d.WrappedByte) & 0xFFu) << 16) | ((uint32_t(d.Remain) & 0xFFu) << 24);
}

uint32_t PackRowItem2(const TRowAttributeData& d, TRowMarks marks)
{
    return (uint32_t(d.StartToken) & 0xFFu) | ((uint32_t(d.PrevToken) & 0xFFu) << 8) | (uint32_t(marks) << 16);
}

TRowAttributeData TRowStrings::GetRowData(int i) const
{
    const uint32_t a = GetItem(i), b = GetItem2(i);
    TRowAttributeData d;
    d.RowAttribute = TRowAttribute(a & 3u);
    d.PrevRowAttribute = TRowAttribute((a >> 2) & 3u);
    d.BracketIndex = int((a >> 4) & 0xFu) - 2;
    d.ElementIndex = int((a >> 8) & 0xFFu);
    d.WrappedByte = int((a >> 16) & 0xFFu);
    d.Remain = int(a >> 24);
    d.StartToken = char16_t(b & 0xFFu);
    d.PrevToken = char16_t((b >> 8) & 0xFFu);
    d.DataStr = GetDataStr(i);
    return d;
}

void TRowStrings::PutRowState(int i, const TRowAttributeData& d)
{
    const uint32_t a = GetItem(i);
    PutItem(i, PackRowItem(TRowAttribute(a & 3u), d));
    PutItem2(i, PackRowItem2(d, GetRowMarks(i)));
    if (d.DataStr != GetDataStr(i))
        PutDataStr(i, d.DataStr);
}

void TRowStrings::MarkNotComputed(int i)
{
    PutItem(i, GetItem(i) & 3u);
    PutItem2(i, GetItem2(i) & 0xFFFF0000u);
    if (!GetDataStr(i).isEmpty())
        PutDataStr(i, QString());
}

TheStringList::~TheStringList()
{
    OnChange = TNotifyEvent();
    OnChanging = TNotifyEvent();
}

QString TheStringList::Get(int index) const
{
    CheckIndex(index, Count());
    return m_items[size_t(index)].FString;
}

QStringView TheStringList::RowView(int index) const
{
    CheckIndex(index, Count());
    return m_items[size_t(index)].FString;
}

void TheStringList::Put(int index, const QString& s)
{
    CheckIndex(index, Count());
    Changing();
    m_items[size_t(index)].FString = s;
    Changed();
}

void TheStringList::Insert(int index, const QString& s)
{
    if (index < 0 || index > Count())
        throw EStringListError(index);
    Changing();
    if (Count() == m_capacity) {
        const int delta = m_capacity > 64 ? m_capacity / 4 : (m_capacity > 8 ? 16 : 4);
        m_capacity += delta;
        m_items.reserve(size_t(m_capacity));
    }
    Item item;
    item.FString = s;
    m_items.insert(m_items.begin() + index, std::move(item));
    Changed();
}

void TheStringList::Delete(int index)
{
    CheckIndex(index, Count());
    Changing();
    m_items.erase(m_items.begin() + index);
    Changed();
}

void TheStringList::Exchange(int index1, int index2)
{
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    Changing();
    std::swap(m_items[size_t(index1)], m_items[size_t(index2)]);
    Changed();
}

void TheStringList::Clear()
{
    if (m_items.empty())
        return;
    Changing();
    m_items.clear();
    m_items.shrink_to_fit();
    m_capacity = 0;
    Changed();
}

uint32_t TheStringList::GetItem(int index) const
{
    CheckIndex(index, Count());
    return m_items[size_t(index)].FItem;
}
void TheStringList::PutItem(int index, uint32_t value)
{
    CheckIndex(index, Count());
    m_items[size_t(index)].FItem = value;
}
uint32_t TheStringList::GetItem2(int index) const
{
    CheckIndex(index, Count());
    return m_items[size_t(index)].FItem2;
}
void TheStringList::PutItem2(int index, uint32_t value)
{
    CheckIndex(index, Count());
    m_items[size_t(index)].FItem2 = value;
}
quintptr TheStringList::GetData(int index) const
{
    CheckIndex(index, Count());
    return m_items[size_t(index)].FData;
}
void TheStringList::PutData(int index, quintptr value)
{
    CheckIndex(index, Count());
    m_items[size_t(index)].FData = value;
}
QString TheStringList::GetDataStr(int index) const
{
    CheckIndex(index, Count());
    return m_items[size_t(index)].FDataStr;
}
void TheStringList::PutDataStr(int index, const QString& value)
{
    CheckIndex(index, Count());
    m_items[size_t(index)].FDataStr = value;
}

void TheStringList::Changed()
{
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
}

void TheStringList::Changing()
{
    if (m_updateCount == 0 && OnChanging)
        OnChanging(this);
}

void TheStringList::SetUpdateState(bool updating)
{
    if (updating) {
        Changing();
        ++m_updateCount;
    } else {
        --m_updateCount;
        Changed();
    }
}

void SetStringsFromText(QStringView text, TRowStrings& strings)
{
    strings.BeginUpdate();
    strings.Clear();
    ForEachTextLine(text, [&](QStringView line) { strings.Add(line.toString()); });
    strings.EndUpdate();
}

} // namespace qv
