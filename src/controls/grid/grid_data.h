#pragma once
// What the data grids need of a data set: fields, a cursor with bookmarks, the edit states
// and notices to the links bound to it. The grids talk to a data set only through this
// interface, so any record source (a query result, an in-memory table) can feed them.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <Qt>
#include <vector>

namespace qv {

enum class DataSetState { Inactive, Browse, Edit, Insert };

enum class FieldType {
    Unknown, String, WideString, FixedChar, SmallInt, Integer, Word, LargeInt, Float, Currency, BCD,
    Boolean, Date, Time, DateTime, Memo, WideMemo, Blob, Bytes, VarBytes, Guid,
    Graphic, FmtMemo, TypedBinary, Cursor, ADT, Array, Reference, DataSet, OraBlob, OraClob
};

class GridDataSet;

// One column of a data set. Values are those of the data set's "read record": the current
// record unless a link has made another buffered record readable for a moment (painting).
class GridField {
public:
    virtual ~GridField() = default;
    virtual GridDataSet* DataSet() const = 0;
    virtual QString FieldName() const = 0;
    virtual QString FullName() const { return FieldName(); }
    virtual QString DisplayName() const = 0;          // the display label, else the name
    virtual void SetDisplayLabel(const QString& label) = 0;
    virtual FieldType DataType() const = 0;
    virtual int Size() const = 0;
    virtual int DisplayWidth() const = 0;
    virtual void SetDisplayWidth(int width) = 0;
    virtual Qt::Alignment Alignment() const = 0;
    virtual void SetAlignment(Qt::Alignment a) = 0;
    virtual bool ReadOnly() const = 0;
    virtual void SetReadOnly(bool ro) = 0;
    virtual bool Visible() const = 0;
    virtual bool Calculated() const { return false; }
    virtual bool IsLookup() const { return false; }
    virtual bool HasSetTextHandler() const { return false; }
    virtual int Index() const = 0;                    // position in the data set's field list
    virtual bool IsNull() const = 0;
    virtual QString AsString() const = 0;             // string value
    virtual QString DisplayText() const = 0;          // text shown in a cell
    virtual QString Text() const = 0;                 // edit text
    virtual void SetText(const QString& text) = 0;    // edit text write (puts the record in edit first)
    virtual QString EditMask() const { return {}; }
    virtual bool CanModify() const = 0;
    virtual bool IsValidChar(QChar) const { return true; }
    virtual GridField* ParentField() const { return nullptr; }
};

// Receives the notices of a data set (the data-access layer's data-link role).
class GridDataSetClient {
public:
    virtual ~GridDataSetClient() = default;
    virtual void DataSetActiveChanged() = 0;
    virtual void DataSetChanged() = 0;          // records were added, removed or reloaded
    virtual void DataSetScrolled(int distance) = 0;
    virtual void RecordChanged(GridField* field) = 0;
    virtual void EditingChanged() = 0;
    virtual void LayoutChanged() = 0;
    virtual void UpdateData() = 0;              // write pending editor text back before a post
    virtual void FocusControl(GridField** field) { (void)field; }
};

class GridDataSet {
public:
    virtual ~GridDataSet() = default;
    virtual bool Active() const = 0;
    virtual DataSetState State() const = 0;
    virtual int FieldCount() const = 0;
    virtual GridField* Field(int index) const = 0;
    virtual GridField* FindField(const QString& name) const;
    virtual bool DefaultFields() const { return true; }
    // Gives a field another position in the field list (a column moved in a grid keeps its
    // place at the next layout).
    virtual void SetFieldIndex(GridField* field, int index) { (void)field; (void)index; }
    virtual bool ObjectView() const { return false; }

    // cursor
    virtual int RecordCount() const = 0;
    virtual bool IsSequenced() const { return true; }
    virtual int RecNo() const = 0;              // 1-based number of the current record; 0 when empty
    virtual int MoveBy(int distance) = 0;       // returns the distance moved
    virtual void First() = 0;
    virtual void Last() = 0;
    virtual void SetRecNo(int recNo) = 0;
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    bool IsEmpty() const { return RecordCount() == 0 && State() != DataSetState::Insert; }
    // Makes the fields read record recNo (1-based) for a moment without moving the cursor;
    // 0 returns them to the current record.
    virtual void SetReadRecord(int recNo) = 0;

    // bookmarks: byte strings in the data set's own order
    virtual QByteArray GetBookmark() const = 0;
    virtual void GotoBookmark(const QByteArray& bm) = 0;
    virtual bool BookmarkValid(const QByteArray& bm) const = 0;
    virtual int CompareBookmarks(const QByteArray& a, const QByteArray& b) const = 0;

    // editing
    virtual bool CanModify() const = 0;
    virtual bool Modified() const = 0;
    virtual void Edit() = 0;
    virtual void Insert() = 0;
    virtual void Append() = 0;
    virtual void Post() = 0;
    virtual void Cancel() = 0;
    virtual void Delete() = 0;
    virtual void CheckBrowseMode() = 0;
    // The connection of the data set stops committing each statement on its own.
    virtual void EndAutoCommit() {}

    virtual void DisableControls() = 0;
    virtual void EnableControls() = 0;
    virtual bool ControlsDisabled() const = 0;

    virtual void AddClient(GridDataSetClient* client) = 0;
    virtual void RemoveClient(GridDataSetClient* client) = 0;
};

inline GridField* GridDataSet::FindField(const QString& name) const
{
    for (int i = 0; i < FieldCount(); ++i)
        if (Field(i)->FullName().compare(name, Qt::CaseInsensitive) == 0)
            return Field(i);
    return nullptr;
}

} // namespace qv
