#pragma once
// The data grids' link to their data set (field map, record buffer, notices) and the list
// of selected records kept as bookmarks in the data set's order.
#include "controls/grid/grid_data.h"

#include <QByteArray>
#include <QList>
#include <set>
#include <vector>

namespace qv {

class TqvDataGrid;

class TGridDataLink : public db::DataLink {
public:
    explicit TGridDataLink(TqvDataGrid* grid) : m_grid(grid) { SetVisualControl(true); }
    ~TGridDataLink() override;

    // Leaves the data source without telling the grid (the grid is going away).
    void Detach() { m_detached = true; SetDataSource(nullptr); }

    // field map
    bool AddMapping(const QString& fieldName);
    void ClearMapping() { m_fieldMap.clear(); }
    int FieldCount() const { return int(m_fieldMap.size()); }
    db::Field* Fields(int i) const;
    int MappedIndex(int i) const { return i < 0 || i >= FieldCount() ? -1 : m_fieldMap[size_t(i)]; }
    bool DefaultFields() const;
    bool SparseMap() const { return m_sparseMap; }
    void SetSparseMap(bool s) { m_sparseMap = s; }

    // editor state
    bool Modified() const { return m_modified; }
    void SetModified() { m_modified = true; }
    void Reset();

    // the record buffer (BufferCount, RecordCount, ActiveRecord … of the base link)
    void ReadRecord(int i);        // makes buffer row i the record the fields read (painting)
    void RestoreRecord();          // the fields read the current record again
    int MoveBy(int distance);
    bool Eof() const { return DataSet() && DataSet()->Eof(); }
    bool Bof() const { return DataSet() && DataSet()->Bof(); }
    // Positions of the records made readable since the log was reset (tests: what a grid reads).
    void SetReadLog(bool on) { m_logReads = on; m_readLog.clear(); }
    const std::set<int>& ReadLog() const { return m_readLog; }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(db::Field* field) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void UpdateData() override;
    void FocusControl(db::Field** field) override;

private:
    friend class TqvDataGrid;
    TqvDataGrid* m_grid;
    std::vector<int> m_fieldMap;
    bool m_modified = false;
    bool m_inUpdateData = false;
    bool m_sparseMap = false;
    bool m_logReads = false;
    bool m_detached = false;
    std::set<int> m_readLog;
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
