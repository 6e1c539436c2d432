#pragma once
// The data grids' link to their data set (field map, record buffer, notices) and the list
// of selected records kept as bookmarks in the data set's order.
#include "controls/grid/grid_data.h"

#include <QByteArray>
#include <QList>
#include <vector>

namespace qv {

class TqvDataGrid;

class TGridDataLink : public GridDataSetClient {
public:
    explicit TGridDataLink(TqvDataGrid* grid) : m_grid(grid) {}
    ~TGridDataLink() override;

    GridDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(GridDataSet* ds);
    bool Active() const { return m_dataSet && m_dataSet->Active(); }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool ro) { m_readOnly = ro; }

    // field map
    bool AddMapping(const QString& fieldName);
    void ClearMapping() { m_fieldMap.clear(); }
    int FieldCount() const { return int(m_fieldMap.size()); }
    GridField* Fields(int i) const;
    int MappedIndex(int i) const { return i < 0 || i >= FieldCount() ? -1 : m_fieldMap[size_t(i)]; }
    bool DefaultFields() const;
    bool SparseMap() const { return m_sparseMap; }
    void SetSparseMap(bool s) { m_sparseMap = s; }

    // editor state
    bool Modified() const { return m_modified; }
    void Modified(bool) = delete;
    void SetModified() { m_modified = true; }
    void Reset();
    bool InUpdateData() const { return m_inUpdateData; }
    void UpdateRecord();          // asks the data set to write pending editor text back (UpdateData)
    bool Edit();                  // puts the data set into edit mode; answers whether editing

    // record buffer: the records that the grid shows
    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int n);
    int RecordCount() const;      // records held in the buffer
    int ActiveRecord() const;     // buffer index of the current record
    void SetActiveRecord(int i);  // makes buffer row i readable (painting); −1 restores the current one
    int FirstRecNo() const { return m_first; }
    int MoveBy(int distance);
    bool Eof() const { return m_dataSet && m_dataSet->Eof(); }
    bool Bof() const { return m_dataSet && m_dataSet->Bof(); }
    bool Editing() const;

    // GridDataSetClient
    void DataSetActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(GridField* field) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void UpdateData() override;
    void FocusControl(GridField** field) override;

private:
    void SyncBuffer();
    TqvDataGrid* m_grid;
    GridDataSet* m_dataSet = nullptr;
    std::vector<int> m_fieldMap;
    bool m_modified = false;
    bool m_inUpdateData = false;
    bool m_sparseMap = false;
    bool m_readOnly = false;
    int m_bufferCount = 1;
    int m_first = 1;
    int m_readRecord = -1;
};

class TBookmarkList {
public:
    explicit TBookmarkList(TqvDataGrid* grid) : m_grid(grid) {}
    ~TBookmarkList() = default;
    int Count() const { return int(m_list.size()); }
    QByteArray Items(int i) const { return m_list[i]; }
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool value);
    void Clear();
    void Delete();
    bool Find(const QByteArray& bm, int& index) const;
    int IndexOf(const QByteArray& bm) const;
    bool Refresh();
    void LinkActive(bool active);
    bool LinkIsActive() const { return m_linkActive; }
    QByteArray CurrentBookmark() const;
    void Insert(const QByteArray& bm);   // adds a bookmark at its place (no duplicates)

private:
    int Compare(const QByteArray& a, const QByteArray& b) const;
    void Changed() { m_cacheIndex = -1; m_cache.clear(); }
    TqvDataGrid* m_grid;
    QList<QByteArray> m_list;
    mutable QByteArray m_cache;
    mutable int m_cacheIndex = -1;
    mutable bool m_cacheFind = false;
    bool m_linkActive = false;
};

} // namespace qv
