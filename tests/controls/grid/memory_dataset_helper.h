#pragma once
// A small in-memory data set for the grid tests: rows of text values (a null QString is NULL),
// a cursor, bookmarks (the record's serial number, big-endian, so byte order is record order),
// the edit states and the notices to the grids' links. It counts the records the fields read,
// so tests can check that a grid reads only what it shows.
#include "controls/grid/grid_data.h"

#include <QStringList>
#include <memory>
#include <set>
#include <vector>

namespace qvtest {

class MemoryDataSet;

class MemoryField : public qv::GridField {
public:
    MemoryField(MemoryDataSet* ds, int index, QString name, qv::FieldType type, int size)
        : m_ds(ds), m_index(index), m_name(std::move(name)), m_type(type), m_size(size), m_displayWidth(size) {}
    qv::GridDataSet* DataSet() const override;
    QString FieldName() const override { return m_name; }
    QString DisplayName() const override { return m_label.isEmpty() ? m_name : m_label; }
    void SetDisplayLabel(const QString& l) override { m_label = l; }
    qv::FieldType DataType() const override { return m_type; }
    int Size() const override { return m_size; }
    int DisplayWidth() const override { return m_displayWidth; }
    void SetDisplayWidth(int w) override { m_displayWidth = w; }
    Qt::Alignment Alignment() const override { return m_alignment; }
    void SetAlignment(Qt::Alignment a) override { m_alignment = a; }
    bool ReadOnly() const override { return m_readOnly; }
    void SetReadOnly(bool ro) override { m_readOnly = ro; }
    bool Visible() const override { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    void SetIndexRaw(int i) { m_index = i; }
    int Index() const override { return m_index; }
    bool IsNull() const override;
    QString AsString() const override;
    QString DisplayText() const override { return AsString(); }
    QString Text() const override { return AsString(); }
    void SetText(const QString& text) override;
    bool CanModify() const override { return !m_readOnly; }

private:
    MemoryDataSet* m_ds;
    int m_index;
    QString m_name, m_label;
    qv::FieldType m_type;
    int m_size, m_displayWidth;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_readOnly = false;
    bool m_visible = true;
};

class MemoryDataSet : public qv::GridDataSet {
public:
    MemoryDataSet() = default;
    void AddField(const QString& name, qv::FieldType type = qv::FieldType::WideString, int size = 10);
    void AddRow(const QStringList& values);
    void Open();
    void Close();
    MemoryField* F(int i) const { return m_fields[size_t(i)].get(); }
    QString Value(int rec, int field) const { return m_rows[size_t(rec)].values[size_t(field)]; }
    int PostCount() const { return m_posts; }
    int DeleteCount() const { return m_deletes; }
    bool AutoCommitEnded() const { return m_autoCommitEnded; }
    void SetCanModify(bool b) { m_canModify = b; }
    const std::set<int>& RecordsRead() const { return m_read; }
    void ResetReadLog() { m_read.clear(); }

    bool Active() const override { return m_active; }
    qv::DataSetState State() const override { return m_state; }
    int FieldCount() const override { return int(m_fields.size()); }
    qv::GridField* Field(int i) const override { return m_fields[size_t(i)].get(); }
    int RecordCount() const override { return int(m_rows.size()); }
    int RecNo() const override { return m_rows.empty() ? 0 : m_cur + 1; }
    int MoveBy(int distance) override;
    void First() override;
    void Last() override;
    void SetRecNo(int recNo) override;
    bool Bof() const override { return m_bof; }
    bool Eof() const override { return m_eof; }
    void SetReadRecord(int recNo) override { m_readRec = recNo - 1; }
    QByteArray GetBookmark() const override;
    void GotoBookmark(const QByteArray& bm) override;
    bool BookmarkValid(const QByteArray& bm) const override;
    int CompareBookmarks(const QByteArray& a, const QByteArray& b) const override;
    bool CanModify() const override { return m_canModify; }
    bool Modified() const override { return m_modified; }
    void Edit() override;
    void Insert() override;
    void Append() override;
    void Post() override;
    void Cancel() override;
    void Delete() override;
    void CheckBrowseMode() override;
    void EndAutoCommit() override { m_autoCommitEnded = true; }
    void SetFieldIndex(qv::GridField* field, int index) override;
    void DisableControls() override { ++m_disabled; }
    void EnableControls() override;
    bool ControlsDisabled() const override { return m_disabled > 0; }
    void AddClient(qv::GridDataSetClient* c) override { m_clients.push_back(c); }
    void RemoveClient(qv::GridDataSetClient* c) override { std::erase(m_clients, c); }

    // what the fields read
    int ReadIndex() const { return m_readRec >= 0 ? m_readRec : m_cur; }
    QString ReadValue(int field) const;
    void WriteValue(int field, const QString& v);

private:
    struct Row {
        quint32 serial;
        std::vector<QString> values;
    };
    void NotifyChanged();
    void NotifyScrolled(int d);
    void NotifyEditing();
    int IndexOfSerial(quint32 s) const;

    std::vector<std::unique_ptr<MemoryField>> m_fields;
    std::vector<Row> m_rows;
    std::vector<QString> m_saved;   // values before an edit
    std::vector<qv::GridDataSetClient*> m_clients;
    qv::DataSetState m_state = qv::DataSetState::Inactive;
    bool m_active = false;
    int m_cur = 0;
    int m_readRec = -1;
    bool m_bof = true, m_eof = true;
    bool m_modified = false;
    bool m_canModify = true;
    bool m_autoCommitEnded = false;
    int m_disabled = 0;
    bool m_pendingChange = false;
    quint32 m_nextSerial = 1;
    int m_posts = 0, m_deletes = 0;
    mutable std::set<int> m_read;
};

} // namespace qvtest
