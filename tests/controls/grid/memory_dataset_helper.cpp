#include "memory_dataset_helper.h"

#include "platform/exceptions.h"

#include <QtEndian>

namespace qvtest {

using qv::DataSetState;

qv::GridDataSet* MemoryField::DataSet() const { return m_ds; }
bool MemoryField::IsNull() const { return m_ds->ReadValue(m_index).isNull(); }
QString MemoryField::AsString() const
{
    const QString v = m_ds->ReadValue(m_index);
    return v.isNull() ? QString() : v;
}
void MemoryField::SetText(const QString& text) { m_ds->WriteValue(m_index, text); }

void MemoryDataSet::AddField(const QString& name, qv::FieldType type, int size)
{
    m_fields.push_back(std::make_unique<MemoryField>(this, int(m_fields.size()), name, type, size));
}

void MemoryDataSet::SetFieldIndex(qv::GridField* field, int index)
{
    const int from = field->Index();
    if (from == index || index < 0 || index >= FieldCount())
        return;
    auto f = std::move(m_fields[size_t(from)]);
    m_fields.erase(m_fields.begin() + from);
    m_fields.insert(m_fields.begin() + index, std::move(f));
    for (auto& row : m_rows) {
        QString v = row.values[size_t(from)];
        row.values.erase(row.values.begin() + from);
        row.values.insert(row.values.begin() + index, v);
    }
    for (int i = 0; i < FieldCount(); ++i)
        m_fields[size_t(i)]->SetIndexRaw(i);
}

void MemoryDataSet::AddRow(const QStringList& values)
{
    Row r{m_nextSerial++, {}};
    for (int i = 0; i < FieldCount(); ++i)
        r.values.push_back(i < values.size() ? values[i] : QString());
    m_rows.push_back(std::move(r));
}

void MemoryDataSet::Open()
{
    m_active = true;
    m_state = DataSetState::Browse;
    m_cur = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    for (auto* c : std::vector(m_clients)) c->DataSetActiveChanged();
}

void MemoryDataSet::Close()
{
    m_active = false;
    m_state = DataSetState::Inactive;
    for (auto* c : std::vector(m_clients)) c->DataSetActiveChanged();
}

QString MemoryDataSet::ReadValue(int field) const
{
    const int i = ReadIndex();
    if (i < 0 || i >= int(m_rows.size()))
        return QString();
    m_read.insert(i);
    return m_rows[size_t(i)].values[size_t(field)];
}

void MemoryDataSet::WriteValue(int field, const QString& v)
{
    if (m_state == DataSetState::Browse)
        Edit();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        throw qv::Exception(QStringLiteral("not editing"));
    m_rows[size_t(m_cur)].values[size_t(field)] = v;
    m_modified = true;
    for (auto* c : std::vector(m_clients)) c->RecordChanged(m_fields[size_t(field)].get());
}

void MemoryDataSet::NotifyChanged()
{
    if (m_disabled > 0) { m_pendingChange = true; return; }
    for (auto* c : std::vector(m_clients)) c->DataSetChanged();
}

void MemoryDataSet::NotifyScrolled(int d)
{
    if (m_disabled > 0) { m_pendingChange = true; return; }
    for (auto* c : std::vector(m_clients)) c->DataSetScrolled(d);
}

void MemoryDataSet::NotifyEditing()
{
    if (m_disabled > 0) { m_pendingChange = true; return; }
    for (auto* c : std::vector(m_clients)) c->EditingChanged();
}

void MemoryDataSet::EnableControls()
{
    if (m_disabled > 0 && --m_disabled == 0 && m_pendingChange) {
        m_pendingChange = false;
        NotifyChanged();
    }
}

int MemoryDataSet::MoveBy(int distance)
{
    if (!m_active || distance == 0)
        return 0;
    CheckBrowseMode();
    const int n = int(m_rows.size());
    const int target = qBound(0, m_cur + distance, qMax(0, n - 1));
    const int moved = target - m_cur;
    m_cur = target;
    m_eof = distance > 0 && moved < distance;
    m_bof = distance < 0 && moved > distance;
    if (n == 0) m_eof = m_bof = true;
    NotifyScrolled(moved);
    return moved;
}

void MemoryDataSet::First()
{
    CheckBrowseMode();
    m_cur = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    NotifyChanged();
}

void MemoryDataSet::Last()
{
    CheckBrowseMode();
    m_cur = qMax(0, int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.empty();
    NotifyChanged();
}

void MemoryDataSet::SetRecNo(int recNo)
{
    CheckBrowseMode();
    m_cur = qBound(0, recNo - 1, qMax(0, int(m_rows.size()) - 1));
    m_bof = m_eof = false;
    NotifyChanged();
}

QByteArray MemoryDataSet::GetBookmark() const
{
    const int i = ReadIndex();
    if (i < 0 || i >= int(m_rows.size()))
        return {};
    QByteArray b(4, '\0');
    qToBigEndian(m_rows[size_t(i)].serial, b.data());
    return b;
}

int MemoryDataSet::IndexOfSerial(quint32 s) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].serial == s)
            return int(i);
    return -1;
}

void MemoryDataSet::GotoBookmark(const QByteArray& bm)
{
    CheckBrowseMode();
    const int i = IndexOfSerial(qFromBigEndian<quint32>(bm.constData()));
    if (i < 0)
        throw qv::Exception(QStringLiteral("record not found"));
    m_cur = i;
    m_bof = m_eof = false;
    NotifyChanged();
}

bool MemoryDataSet::BookmarkValid(const QByteArray& bm) const
{
    return bm.size() == 4 && IndexOfSerial(qFromBigEndian<quint32>(bm.constData())) >= 0;
}

int MemoryDataSet::CompareBookmarks(const QByteArray& a, const QByteArray& b) const
{
    // bookmarks follow the records' positions
    const int ia = IndexOfSerial(qFromBigEndian<quint32>(a.constData()));
    const int ib = IndexOfSerial(qFromBigEndian<quint32>(b.constData()));
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

void MemoryDataSet::Edit()
{
    if (m_state != DataSetState::Browse || m_rows.empty())
        return;
    m_saved = m_rows[size_t(m_cur)].values;
    m_state = DataSetState::Edit;
    m_modified = false;
    NotifyEditing();
}

void MemoryDataSet::Insert()
{
    CheckBrowseMode();
    Row r{m_nextSerial++, std::vector<QString>(size_t(FieldCount()))};
    const int at = m_rows.empty() ? 0 : m_cur;
    m_rows.insert(m_rows.begin() + at, std::move(r));
    m_cur = at;
    m_state = DataSetState::Insert;
    m_modified = false;
    m_eof = m_bof = false;
    NotifyChanged();
}

void MemoryDataSet::Append()
{
    CheckBrowseMode();
    Row r{m_nextSerial++, std::vector<QString>(size_t(FieldCount()))};
    m_rows.push_back(std::move(r));
    m_cur = int(m_rows.size()) - 1;
    m_state = DataSetState::Insert;
    m_modified = false;
    m_eof = true;
    m_bof = false;
    NotifyChanged();
}

void MemoryDataSet::Post()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    for (auto* c : std::vector(m_clients)) c->UpdateData();
    m_state = DataSetState::Browse;
    m_modified = false;
    ++m_posts;
    NotifyChanged();
}

void MemoryDataSet::Cancel()
{
    if (m_state == DataSetState::Insert) {
        m_rows.erase(m_rows.begin() + m_cur);
        if (m_cur >= int(m_rows.size()))
            m_cur = qMax(0, int(m_rows.size()) - 1);
    } else if (m_state == DataSetState::Edit) {
        m_rows[size_t(m_cur)].values = m_saved;
    } else {
        return;
    }
    m_state = DataSetState::Browse;
    m_modified = false;
    m_eof = m_bof = false;
    NotifyChanged();
}

void MemoryDataSet::Delete()
{
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    CheckBrowseMode();
    if (m_rows.empty())
        return;
    m_rows.erase(m_rows.begin() + m_cur);
    ++m_deletes;
    if (m_cur >= int(m_rows.size()))
        m_cur = qMax(0, int(m_rows.size()) - 1);
    NotifyChanged();
}

void MemoryDataSet::CheckBrowseMode()
{
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        for (auto* c : std::vector(m_clients)) c->UpdateData();
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

} // namespace qvtest
