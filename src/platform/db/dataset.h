#pragma once
// Data set, fields, data source and data link: the record cursor that the data grids and the
// data frame stand on.
//
// A data set holds its records in a ResultTable (compact column storage). It moves a cursor
// over them, edits the current record in a buffer (Edit/Insert/Append … Post/Cancel), deletes
// records, and tells every data link of every data source bound to it what changed, in this
// order: visual links (grids) from the last bound to the first, then the other links likewise,
// then the data source's own OnDataChange / OnStateChange. Each data link keeps its own window
// of BufferCount records around the cursor; ActiveRecord is the record of that window the
// fields read (a grid sets it while it paints a row and restores it afterwards).
#include "platform/db/result_table.h"
#include "platform/db/types.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace qv::db {

class DataSet;
class DataSource;
class DataLink;

enum DataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum Alignment { taLeftJustify, taRightJustify, taCenter };

enum class DataEvent {
    FieldChange,     // a field of the current record changed (info: the field)
    RecordChange,    // the current record changed as a whole
    DataSetChange,   // records came or went, or the cursor jumped
    DataSetScroll,   // the cursor moved by steps
    LayoutChange,    // fields changed (visibility, captions, widths)
    UpdateRecord,    // links write their pending edits into the fields
    UpdateState,     // the state of the data set changed
    CheckBrowseMode, // the data set is about to leave the edit states
    FocusControl,    // a control should take the focus for a field (info: Field**)
};

class Field : public QObject {
    Q_OBJECT
public:
    Field(qv::db::DataSet* owner, int index, ColumnDesc desc);

    qv::db::DataSet* DataSet() const { return m_dataSet; }
    const ColumnDesc& Desc() const { return m_desc; }
    QString FieldName() const { return m_desc.name; }
    QString FullName() const { return m_desc.name; }
    QString DisplayLabel() const { return m_displayLabel.isNull() ? m_desc.name : m_displayLabel; }
    void SetDisplayLabel(const QString& label);
    QString DisplayName() const { return DisplayLabel(); }
    FieldType DataType() const { return m_type; }
    // Characters of a text field, bytes of a binary field, the scale of a decimal field; 0 otherwise.
    int Size() const;
    int Precision() const { return m_desc.precision; }
    int DisplayWidth() const { return m_displayWidth; }
    void SetDisplayWidth(int width);
    qv::db::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(qv::db::Alignment a);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on);
    bool Visible() const { return m_visible; }
    void SetVisible(bool on);
    bool Required() const { return !m_desc.nullable; }
    int Index() const { return m_index; }
    int FieldNo() const { return m_index + 1; }
    bool IsBlob() const { return isBlobType(m_type) || isMemoType(m_type); }
    // The base table and column, "table.column", when the driver told them.
    QString Origin() const;
    bool CanModify() const;

    // Reading the value of the record the data set's active record points at.
    bool IsNull() const;
    // The text of the value: "True"/"False" for bit; for binary fields "0x" and two hexadecimal
    // digits per byte; memos their whole text. Empty for NULL.
    QString AsString() const;
    qint64 AsLargeInt() const;
    int AsInteger() const { return static_cast<int>(AsLargeInt()); }
    double AsFloat() const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;
    QByteArray AsBytes() const;
    QVariant Value() const;       // see cellToValue(); invalid for NULL
    QVariant AsVariant() const { return Value(); }
    QString Text() const { return AsString(); }        // edit text
    QString DisplayText() const { return AsString(); } // display text
    QVariant Cell() const;        // the stored cell (result_table.h)

    // Writing (the data set must be in dsEdit or dsInsert).
    void Clear();
    void SetAsString(const QString& s);
    void SetText(const QString& s) { SetAsString(s); }
    void SetValue(const QVariant& v);
    void SetAsLargeInt(qint64 v) { SetValue(QVariant(v)); }
    void SetAsInteger(int v) { SetValue(QVariant(qint64(v))); }
    void SetAsFloat(double v) { SetValue(QVariant(v)); }
    void SetAsBoolean(bool v) { SetValue(QVariant(v)); }
    void SetAsDateTime(const QDateTime& v) { SetValue(QVariant(v)); }
    // Asks the controls bound to this field to take the focus (FocusControl data event).
    void FocusControl();

private:
    friend class qv::db::DataSet;
    qv::db::DataSet* m_dataSet;
    int m_index;
    ColumnDesc m_desc;
    FieldType m_type;
    StorageKind m_kind;
    QString m_displayLabel;
    int m_displayWidth = 10;
    qv::db::Alignment m_alignment = taLeftJustify;
    bool m_readOnly = false;
    bool m_visible = true;
};

class DataSet : public QObject {
    Q_OBJECT
public:
    explicit DataSet(QObject* parent = nullptr);
    ~DataSet() override;

    using Event = std::function<void(DataSet&)>;
    Event BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforePost, AfterPost, BeforeDelete, AfterDelete,
        BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforeCancel, AfterCancel, BeforeScroll, AfterScroll,
        OnNewRecord;

    // Opening and state.
    void Open();
    void Close();
    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool on) { on ? Open() : Close(); }
    DataSetState State() const { return m_state; }
    bool Modified() const { return m_modified; }

    // Fields (made from the result's columns when the data set opens).
    const QList<Field*>& Fields() const { return m_fields; }
    const QList<Field*>& FieldList() const { return m_fields; }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    Field* FindField(const QString& name) const;
    Field* FieldByName(const QString& name) const; // raises EDatabaseError when missing
    Field* FieldByNumber(int fieldNo) const;
    bool DefaultFields() const { return true; }

    // Navigation.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    int RecNo() const;             // 1-based; 0 when there is no record
    void SetRecNo(int recNo);
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }

    // Bookmarks: opaque byte arrays, valid while the record exists.
    QByteArray GetBookmark() const;
    // The bookmark of the record the fields read (a link's active record while it paints).
    QByteArray ActiveBookmark() const;
    void GotoBookmark(const QByteArray& bookmark);
    bool BookmarkValid(const QByteArray& bookmark) const;
    int CompareBookmarks(const QByteArray& a, const QByteArray& b) const;

    // Editing.
    bool CanModify() const { return Active() && !m_readOnly && canModifyData(); }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on) { m_readOnly = on; }
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    void UpdateRecord(); // links write back pending edits
    void Resync();       // tells the links that records may have changed
    void UpdateCursorPos() {}

    // Controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // The record the fields read: an absolute position (0-based) among the records. Data links
    // set it through DataLink::SetActiveRecord; navigation resets it to the cursor.
    int ActivePosition() const { return m_activePos; }
    void SetActivePosition(int pos) { m_activePos = pos; }
    int CursorPosition() const { return m_cur; }

    // The records as stored (row order of the current view), for exports and tests.
    std::shared_ptr<const ResultTable> Table() const { return m_table; }

    void DataEventNotify(DataEvent event, void* info = nullptr);

    enum class UpdateKind { Modify, Insert, Delete };

protected:
    // Supplies the records when the data set opens; throw to fail.
    virtual std::shared_ptr<ResultTable> InternalOpen() = 0;
    virtual void InternalClose() {}
    // Writes one change to where the records come from; throw to refuse it (the record then
    // stays as it was). The default accepts every change (the records live only here).
    virtual void ApplyUpdate(UpdateKind kind, const QVariantList& oldCells, const QVariantList& newCells);
    // Whether the records can be changed at all (a query: its result is updatable).
    virtual bool canModifyData() const { return true; }
    // Called when the fields have been made, before the data set reports itself open.
    virtual void FieldsCreated() {}
    // InternalOpen calls it when the table it returns is shared with its caller: the data set
    // then reads it as it is and copies it only before its first change, so opening costs the
    // same whatever the size of the table.
    void SetTableShared() { m_tableShared = true; }

private:
    friend class Field;
    friend class DataSource;
    void setState(DataSetState s);
    void addDataSource(DataSource* ds);
    void removeDataSource(DataSource* ds);
    void checkActive() const;
    void checkBrowse(const char* op);
    void beginInsert(int pos);
    void buildFields();
    void freeFields();
    void materializeOrder();
    qint64 physOfPos(int pos) const;
    qint64 recIdOfPos(int pos) const;
    int posOfRecId(qint64 id) const;
    void invalidatePositions() { m_posValid = false; }
    QVariant cellAt(int fieldIndex) const;
    QString fieldText(const Field& field) const; // Field::AsString
    void setCell(Field* f, const QVariant& cell);
    void moveTo(int pos, bool scroll);
    void fire(const Event& e) { if (e) e(*this); }

    void ownTable();

    DataSetState m_state = dsInactive;
    std::shared_ptr<ResultTable> m_table;
    bool m_tableShared = false;
    QList<Field*> m_fields;
    QList<DataSource*> m_sources;

    // Record order: empty while it is the table's rows in order (no record inserted or deleted
    // yet); otherwise record ids by position, with the physical row of each record id.
    bool m_identity = true;
    std::vector<qint64> m_order;     // position → record id
    std::vector<qint64> m_physOf;    // record id → physical row (-1: not yet posted)
    mutable std::vector<int> m_posOf; // record id → position, -1 when deleted
    mutable bool m_posValid = false;
    qint64 m_rowCountIdentity = 0;

    int m_cur = -1;
    int m_activePos = -1;
    bool m_bof = true;
    bool m_eof = true;
    bool m_readOnly = false;
    bool m_modified = false;
    QVariantList m_editCells;   // the record being edited or inserted
    QVariantList m_origCells;   // its values before the edit
    qint64 m_insertId = -1;

    int m_disableCount = 0;
    DataSetState m_disableState = dsInactive;
    DataEvent m_enableEvent = DataEvent::DataSetChange;
};

// Binds data links to a data set.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    qv::db::DataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(qv::db::DataSet* ds);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool on);
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool on) { m_autoEdit = on; }
    DataSetState State() const { return m_state; }
    void Edit();

    std::function<void(DataSource&)> OnStateChange;
    std::function<void(DataSource&, Field*)> OnDataChange;
    std::function<void(DataSource&)> OnUpdateData;

private:
    friend class qv::db::DataSet;
    friend class DataLink;
    void dataEvent(DataEvent event, void* info);
    void notifyLinks(DataEvent event, void* info);
    void notifyState();
    void setState(DataSetState s);
    void addLink(DataLink* l);
    void removeLink(DataLink* l);

    QPointer<qv::db::DataSet> m_dataSet;
    QList<DataLink*> m_links;
    DataSetState m_state = dsInactive;
    bool m_enabled = true;
    bool m_autoEdit = true;
};

// A control's connection to a data source. Subclasses override the notices they need.
class DataLink {
public:
    DataLink();
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    qv::db::DataSource* DataSource() const { return m_source; }
    void SetDataSource(qv::db::DataSource* src);
    qv::db::DataSet* DataSet() const;
    bool Active() const { return m_active; }
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on);
    bool VisualControl() const { return m_visual; }
    void SetVisualControl(bool on) { m_visual = on; }

    // The window of records this link shows.
    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int n);
    int RecordCount() const;       // records in the window (at most BufferCount)
    int ActiveRecord() const;      // index in the window of the record the fields read
    void SetActiveRecord(int index);
    int FirstRecord() const { return m_first; } // position of the window's first record

    bool Edit();                   // puts the data set into edit mode when allowed
    void UpdateRecord();           // UpdateData with the updating flag set

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void RecordChanged(Field* /*field*/) {}
    virtual void FocusControl(Field** /*fieldRef*/) {}
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}

private:
    friend class qv::db::DataSource;
    void dataEvent(DataEvent event, void* info);
    void updateState();
    int adjustWindow(); // returns how far the window moved

    QPointer<qv::db::DataSource> m_source;
    bool m_active = false;
    bool m_editing = false;
    bool m_readOnly = false;
    bool m_visual = false;
    bool m_updating = false;
    int m_bufferCount = 1;
    int m_first = 0;
};

// A data set over a table given in code (tests, tools that build a result themselves).
class TableDataSet : public DataSet {
    Q_OBJECT
public:
    explicit TableDataSet(QObject* parent = nullptr) : DataSet(parent) {}
    void SetTable(std::shared_ptr<ResultTable> table) { m_source = std::move(table); }
    // Called for each change before it is kept; throw to refuse it.
    std::function<void(UpdateKind, const QVariantList&, const QVariantList&)> OnApplyUpdate;

protected:
    std::shared_ptr<ResultTable> InternalOpen() override;
    void ApplyUpdate(UpdateKind kind, const QVariantList& oldCells, const QVariantList& newCells) override;

private:
    std::shared_ptr<ResultTable> m_source;
};

} // namespace qv::db
