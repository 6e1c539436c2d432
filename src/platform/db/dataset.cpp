#include "platform/db/dataset.h"
#include "platform/exceptions.h"

#include <QDateTime>
#include <algorithm>

namespace qv::db {

namespace {

[[noreturn]] void dbError(const QString& msg)
{
    throw EDatabaseError(msg);
}

int defaultDisplayWidth(const ColumnDesc& d, FieldType t)
{
    switch (t) {
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::FixedChar:
    case FieldType::FixedWideChar:
        return d.size > 0 ? static_cast<int>(std::min<qint64>(d.size, 8000)) : 10;
    case FieldType::Boolean: return 5;
    case FieldType::Byte: return 4;
    case FieldType::Smallint: return 6;
    case FieldType::Word: return 5;
    case FieldType::Integer: return 11;
    case FieldType::Largeint: return 20;
    case FieldType::Float:
    case FieldType::Single: return 10;
    case FieldType::Currency: return 21;
    case FieldType::BCD:
    case FieldType::FMTBcd: return d.precision + 2;
    case FieldType::Date: return 10;
    case FieldType::Time: return d.scale > 0 ? 9 + d.scale : 8;
    case FieldType::TimeStamp:
        if (d.typeName == QLatin1String("smalldatetime"))
            return 19;
        if (d.typeName == QLatin1String("datetime2"))
            return d.scale > 0 ? 20 + d.scale : 19;
        return 23;
    case FieldType::TimeStampOffset: return 34;
    case FieldType::Guid: return 38;
    default: return 10;
    }
}

} // namespace

// ---- Field ------------------------------------------------------------------------------------------

Field::Field(qv::db::DataSet* owner, int index, ColumnDesc desc)
    : QObject(owner), m_dataSet(owner), m_index(index), m_desc(std::move(desc)), m_type(m_desc.fieldType()),
      m_kind(storageKindFor(m_desc))
{
    setObjectName(m_desc.name);
    m_displayWidth = defaultDisplayWidth(m_desc, m_type);
    m_alignment = isNumericType(m_type) ? taRightJustify : taLeftJustify;
    m_readOnly = m_desc.readOnly || m_desc.autoIncrement;
}

void Field::SetDisplayLabel(const QString& label)
{
    if (label == DisplayLabel())
        return;
    m_displayLabel = label == m_desc.name ? QString() : label;
    m_dataSet->DataEventNotify(DataEvent::LayoutChange);
}

void Field::SetDisplayWidth(int width)
{
    if (width == m_displayWidth)
        return;
    m_displayWidth = width;
    m_dataSet->DataEventNotify(DataEvent::LayoutChange);
}

void Field::SetAlignment(qv::db::Alignment a)
{
    if (a == m_alignment)
        return;
    m_alignment = a;
    if (m_dataSet->Active())
        m_dataSet->DataEventNotify(DataEvent::DataSetChange);
}

void Field::SetReadOnly(bool on)
{
    if (on == m_readOnly)
        return;
    m_readOnly = on;
    if (m_dataSet->Active())
        m_dataSet->DataEventNotify(DataEvent::DataSetChange);
}

void Field::SetVisible(bool on)
{
    if (on == m_visible)
        return;
    m_visible = on;
    m_dataSet->DataEventNotify(DataEvent::LayoutChange);
}

int Field::Size() const
{
    if (m_type == FieldType::BCD || m_type == FieldType::FMTBcd)
        return m_desc.scale;
    if (m_type == FieldType::Currency)
        return 4;
    if (isStringType(m_type) || m_type == FieldType::Bytes || m_type == FieldType::Blob || isMemoType(m_type)
        || m_type == FieldType::Guid)
        return m_desc.size > 0 ? static_cast<int>(std::min<qint64>(m_desc.size, INT32_MAX)) : 0;
    return 0;
}

QString Field::Origin() const
{
    if (m_desc.baseTable.isEmpty())
        return QString();
    return m_desc.baseTable + QLatin1Char('.') + (m_desc.baseColumn.isEmpty() ? m_desc.name : m_desc.baseColumn);
}

bool Field::CanModify() const { return !m_readOnly && m_dataSet->CanModify(); }

QVariant Field::Cell() const { return m_dataSet->cellAt(m_index); }
bool Field::IsNull() const
{
    const QVariant c = Cell();
    return !c.isValid() || c.isNull();
}
QString Field::AsString() const { return m_dataSet->fieldText(*this); }
QVariant Field::Value() const { return cellToValue(m_desc, Cell()); }

qint64 Field::AsLargeInt() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return static_cast<qint64>(v.toDouble());
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (!ok)
            dbError(QStringLiteral("'%1' は正しい整数値ではありません").arg(v.toString()));
        return n;
    }
    return v.toLongLong();
}

double Field::AsFloat() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return 0;
    bool ok = true;
    const double d = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble();
    if (!ok)
        dbError(QStringLiteral("'%1' は正しい浮動小数点値ではありません").arg(v.toString()));
    return d;
}

bool Field::AsBoolean() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return false;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("true") || s == QLatin1String("1");
    }
    return v.toBool();
}

QDateTime Field::AsDateTime() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    if (v.typeId() == QMetaType::QTime)
        return QDateTime(QDate(1899, 12, 30), v.toTime());
    if (v.typeId() == QMetaType::QString)
        return QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
    return v.toDateTime();
}

QByteArray Field::AsBytes() const
{
    const QVariant c = Cell();
    if (c.typeId() == QMetaType::QByteArray)
        return c.toByteArray();
    return AsString().toUtf8();
}

void Field::Clear() { m_dataSet->setCell(this, QVariant()); }

void Field::SetAsString(const QString& s)
{
    // An empty text clears every non-character field; character fields keep the empty string.
    if (s.isEmpty() && !isStringType(m_type) && !isMemoType(m_type)) {
        Clear();
        return;
    }
    m_dataSet->setCell(this, toCell(m_desc, s));
}

void Field::SetValue(const QVariant& v) { m_dataSet->setCell(this, toCell(m_desc, v)); }

void Field::FocusControl()
{
    Field* ref = this;
    m_dataSet->DataEventNotify(DataEvent::FocusControl, &ref);
}

// ---- DataSet -------------------------------------------------------------------------------------

DataSet::DataSet(QObject* parent) : QObject(parent) {}

DataSet::~DataSet()
{
    // Links see the data set go inactive; sources forget it.
    const auto sources = m_sources;
    for (DataSource* s : sources)
        s->SetDataSet(nullptr);
    freeFields();
}

void DataSet::checkActive() const
{
    if (!Active())
        dbError(QStringLiteral("データセットが閉じているため、この操作は実行できません"));
}

Field* DataSet::FindField(const QString& name) const
{
    for (Field* f : m_fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

Field* DataSet::FieldByName(const QString& name) const
{
    Field* f = FindField(name);
    if (!f)
        dbError(QStringLiteral("フィールド '%1' が見つかりません").arg(name));
    return f;
}

Field* DataSet::FieldByNumber(int fieldNo) const
{
    return fieldNo >= 1 && fieldNo <= m_fields.size() ? m_fields.at(fieldNo - 1) : nullptr;
}

void DataSet::buildFields()
{
    freeFields();
    const auto& cols = m_table->columns();
    for (int i = 0; i < static_cast<int>(cols.size()); ++i)
        m_fields.append(new Field(this, i, cols[static_cast<size_t>(i)]));
}

void DataSet::freeFields()
{
    const auto fields = m_fields;
    m_fields.clear();
    qDeleteAll(fields);
}

void DataSet::Open()
{
    if (Active())
        return;
    fire(BeforeOpen);
    m_tableShared = false;
    std::shared_ptr<ResultTable> table = InternalOpen();
    m_table = table ? std::move(table) : std::make_shared<ResultTable>();
    m_identity = true;
    m_order.clear();
    m_physOf.clear();
    m_posOf.clear();
    m_posValid = false;
    m_rowCountIdentity = m_table->rowCount();
    m_editCells.clear();
    m_origCells.clear();
    m_insertId = -1;
    buildFields();
    FieldsCreated();
    const qint64 n = m_rowCountIdentity;
    m_cur = n > 0 ? 0 : -1;
    m_activePos = m_cur;
    m_bof = true;
    m_eof = n == 0;
    setState(dsBrowse);
    fire(AfterOpen);
    fire(AfterScroll);
}

void DataSet::Close()
{
    if (!Active())
        return;
    fire(BeforeClose);
    setState(dsInactive);
    InternalClose();
    freeFields();
    m_table.reset();
    m_tableShared = false;
    m_identity = true;
    m_order.clear();
    m_physOf.clear();
    m_posOf.clear();
    m_rowCountIdentity = 0;
    m_editCells.clear();
    m_origCells.clear();
    m_cur = m_activePos = -1;
    m_bof = m_eof = true;
    fire(AfterClose);
}

void DataSet::setState(DataSetState s)
{
    if (m_state == s)
        return;
    m_state = s;
    m_modified = false;
    DataEventNotify(DataEvent::UpdateState);
}

int DataSet::RecordCount() const
{
    if (!Active())
        return 0;
    return static_cast<int>(m_identity ? m_rowCountIdentity : static_cast<qint64>(m_order.size()));
}

int DataSet::RecNo() const { return Active() && m_cur >= 0 ? m_cur + 1 : 0; }

void DataSet::materializeOrder()
{
    if (!m_identity)
        return;
    const auto n = static_cast<size_t>(m_rowCountIdentity);
    m_order.resize(n);
    m_physOf.resize(n);
    for (size_t i = 0; i < n; ++i)
        m_order[i] = m_physOf[i] = static_cast<qint64>(i);
    m_identity = false;
    m_posValid = false;
}

qint64 DataSet::recIdOfPos(int pos) const
{
    return m_identity ? pos : m_order[static_cast<size_t>(pos)];
}

qint64 DataSet::physOfPos(int pos) const
{
    return m_identity ? pos : m_physOf[static_cast<size_t>(m_order[static_cast<size_t>(pos)])];
}

int DataSet::posOfRecId(qint64 id) const
{
    if (id < 0)
        return -1;
    if (m_identity)
        return id < m_rowCountIdentity ? static_cast<int>(id) : -1;
    if (!m_posValid) {
        m_posOf.assign(m_physOf.size(), -1);
        for (size_t p = 0; p < m_order.size(); ++p)
            m_posOf[static_cast<size_t>(m_order[p])] = static_cast<int>(p);
        m_posValid = true;
    }
    return id < static_cast<qint64>(m_posOf.size()) ? m_posOf[static_cast<size_t>(id)] : -1;
}

QVariant DataSet::cellAt(int fieldIndex) const
{
    if (!Active())
        return QVariant();
    const int pos = m_activePos;
    if ((m_state == dsEdit || m_state == dsInsert) && pos == m_cur)
        return m_editCells.value(fieldIndex);
    if (pos < 0 || pos >= RecordCount())
        return QVariant();
    const qint64 phys = physOfPos(pos);
    if (phys < 0)
        return QVariant();
    return m_table->cell(fieldIndex, phys);
}

QString DataSet::fieldText(const Field& f) const
{
    // The same text as cellText() of cellAt(), read straight from the stored column without a
    // QVariant in between (listings read every field of many rows).
    if (!Active())
        return QString();
    const int pos = m_activePos;
    if ((m_state == dsEdit || m_state == dsInsert) && pos == m_cur)
        return cellText(f.m_desc, f.m_type, f.m_kind, m_editCells.value(f.m_index));
    if (pos < 0 || pos >= RecordCount())
        return QString();
    const qint64 phys = physOfPos(pos);
    if (phys < 0 || m_table->isNull(f.m_index, phys))
        return QString();
    const StorageKind stored = m_table->kind(f.m_index);
    if (f.m_kind == StorageKind::Text && stored == StorageKind::Text)
        return m_table->textAt(f.m_index, phys);
    if (f.m_kind == StorageKind::Int64 && stored == StorageKind::Int64)
        return intCellText(f.m_desc, f.m_type, m_table->intAt(f.m_index, phys));
    return cellText(f.m_desc, f.m_type, f.m_kind, m_table->cell(f.m_index, phys));
}

void DataSet::setCell(Field* f, const QVariant& cell)
{
    if (m_state != dsEdit && m_state != dsInsert)
        dbError(QStringLiteral("データセットが編集モードでも挿入モードでもありません"));
    if (f->ReadOnly())
        dbError(QStringLiteral("フィールド '%1' は変更できません").arg(f->DisplayName()));
    m_activePos = m_cur;
    m_editCells[f->Index()] = cell;
    m_modified = true;
    DataEventNotify(DataEvent::FieldChange, f);
}

// ---- navigation -------------------------------------------------------------------------------------

void DataSet::moveTo(int pos, bool scroll)
{
    const int before = m_cur;
    m_cur = pos;
    m_activePos = pos;
    if (scroll)
        DataEventNotify(DataEvent::DataSetScroll, reinterpret_cast<void*>(static_cast<qintptr>(pos - before)));
    else
        DataEventNotify(DataEvent::DataSetChange);
}

void DataSet::First()
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    const int n = RecordCount();
    m_bof = true;
    m_eof = n == 0;
    moveTo(n > 0 ? 0 : -1, false);
    fire(AfterScroll);
}

void DataSet::Last()
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    const int n = RecordCount();
    m_eof = true;
    m_bof = n == 0;
    moveTo(n - 1, false);
    fire(AfterScroll);
}

void DataSet::Next() { MoveBy(1); }
void DataSet::Prior() { MoveBy(-1); }

int DataSet::MoveBy(int distance)
{
    checkActive();
    CheckBrowseMode();
    const int n = RecordCount();
    if (n == 0) {
        m_bof = m_eof = true;
        return 0;
    }
    if (distance == 0)
        return 0;
    fire(BeforeScroll);
    qint64 target = static_cast<qint64>(m_cur) + distance;
    m_bof = m_eof = false;
    if (target >= n) {
        target = n - 1;
        m_eof = true;
    }
    if (target < 0) {
        target = 0;
        m_bof = true;
    }
    const int moved = static_cast<int>(target) - m_cur;
    if (moved != 0) {
        moveTo(static_cast<int>(target), true);
        fire(AfterScroll);
    }
    return moved;
}

void DataSet::SetRecNo(int recNo)
{
    checkActive();
    CheckBrowseMode();
    const int n = RecordCount();
    if (n == 0)
        return;
    recNo = std::clamp(recNo, 1, n);
    if (recNo - 1 == m_cur)
        return;
    fire(BeforeScroll);
    m_bof = m_eof = false;
    moveTo(recNo - 1, false);
    fire(AfterScroll);
}

// ---- bookmarks ----------------------------------------------------------------------------------------

QByteArray DataSet::GetBookmark() const
{
    if (!Active() || m_cur < 0 || m_cur >= RecordCount())
        return QByteArray();
    const qint64 id = recIdOfPos(m_cur);
    QByteArray b(sizeof(qint64), Qt::Uninitialized);
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<char>((id >> (8 * i)) & 0xFF);
    return b;
}

QByteArray DataSet::ActiveBookmark() const
{
    const int pos = m_activePos >= 0 ? m_activePos : m_cur;
    if (!Active() || pos < 0 || pos >= RecordCount())
        return QByteArray();
    const qint64 id = recIdOfPos(pos);
    QByteArray b(sizeof(qint64), Qt::Uninitialized);
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<char>((id >> (8 * i)) & 0xFF);
    return b;
}

static qint64 bookmarkId(const QByteArray& b)
{
    if (b.size() != 8)
        return -1;
    qint64 id = 0;
    for (int i = 0; i < 8; ++i)
        id |= static_cast<qint64>(static_cast<uchar>(b[i])) << (8 * i);
    return id;
}

bool DataSet::BookmarkValid(const QByteArray& bookmark) const
{
    return Active() && posOfRecId(bookmarkId(bookmark)) >= 0;
}

void DataSet::GotoBookmark(const QByteArray& bookmark)
{
    checkActive();
    CheckBrowseMode();
    const int pos = posOfRecId(bookmarkId(bookmark));
    if (pos < 0)
        dbError(QStringLiteral("レコードが見つかりません"));
    fire(BeforeScroll);
    m_bof = m_eof = false;
    moveTo(pos, false);
    fire(AfterScroll);
}

int DataSet::CompareBookmarks(const QByteArray& a, const QByteArray& b) const
{
    if (a.isEmpty() && b.isEmpty())
        return 0;
    if (a.isEmpty())
        return -1;
    if (b.isEmpty())
        return 1;
    const qint64 ia = bookmarkId(a), ib = bookmarkId(b);
    qint64 pa = posOfRecId(ia), pb = posOfRecId(ib);
    if (pa < 0 || pb < 0) {
        pa = ia;
        pb = ib;
    }
    return pa < pb ? -1 : (pa > pb ? 1 : 0);
}

// ---- editing ---------------------------------------------------------------------------------------

void DataSet::ApplyUpdate(UpdateKind, const QVariantList&, const QVariantList&) {}

void DataSet::Edit()
{
    checkActive();
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    if (RecordCount() == 0) {
        Insert();
        return;
    }
    if (!CanModify())
        dbError(QStringLiteral("読み取り専用のデータセットは変更できません"));
    fire(BeforeEdit);
    m_activePos = m_cur;
    m_origCells.clear();
    const qint64 phys = physOfPos(m_cur);
    for (int i = 0; i < FieldCount(); ++i)
        m_origCells.append(m_table->cell(i, phys));
    m_editCells = m_origCells;
    setState(dsEdit);
    DataEventNotify(DataEvent::RecordChange);
    fire(AfterEdit);
}

void DataSet::beginInsert(int pos)
{
    checkActive();
    CheckBrowseMode();
    if (!CanModify())
        dbError(QStringLiteral("読み取り専用のデータセットは変更できません"));
    fire(BeforeInsert);
    fire(BeforeScroll);
    materializeOrder();
    const qint64 id = static_cast<qint64>(m_physOf.size());
    m_physOf.push_back(-1);
    pos = std::clamp(pos, 0, RecordCount());
    m_order.insert(m_order.begin() + pos, id);
    m_posValid = false;
    m_insertId = id;
    m_cur = m_activePos = pos;
    m_bof = m_eof = false;
    m_origCells.clear();
    m_editCells.clear();
    for (int i = 0; i < FieldCount(); ++i) {
        m_origCells.append(QVariant());
        m_editCells.append(QVariant());
    }
    setState(dsInsert);
    fire(OnNewRecord);
    m_modified = false;
    DataEventNotify(DataEvent::DataSetChange);
    fire(AfterInsert);
    fire(AfterScroll);
}

void DataSet::Insert() { beginInsert(m_cur < 0 ? 0 : m_cur); }

void DataSet::Append()
{
    beginInsert(RecordCount());
}

void DataSet::UpdateRecord()
{
    if (m_state != dsEdit && m_state != dsInsert)
        dbError(QStringLiteral("データセットが編集モードでも挿入モードでもありません"));
    DataEventNotify(DataEvent::UpdateRecord);
}

void DataSet::ownTable()
{
    if (!m_tableShared)
        return;
    m_table = std::make_shared<ResultTable>(*m_table);
    m_tableShared = false;
}

void DataSet::Post()
{
    checkActive();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    UpdateRecord();
    DataEventNotify(DataEvent::CheckBrowseMode);
    fire(BeforePost);
    m_activePos = m_cur;
    if (m_state == dsEdit) {
        ApplyUpdate(UpdateKind::Modify, m_origCells, m_editCells);
        ownTable();
        materializeOrder();
        const qint64 id = m_order[static_cast<size_t>(m_cur)];
        for (int i = 0; i < FieldCount(); ++i)
            m_table->appendCell(i, m_editCells.at(i));
        m_table->endRow();
        m_physOf[static_cast<size_t>(id)] = m_table->rowCount() - 1;
    } else {
        ApplyUpdate(UpdateKind::Insert, QVariantList(), m_editCells);
        ownTable();
        for (int i = 0; i < FieldCount(); ++i)
            m_table->appendCell(i, m_editCells.at(i));
        m_table->endRow();
        m_physOf[static_cast<size_t>(m_insertId)] = m_table->rowCount() - 1;
        m_insertId = -1;
    }
    m_editCells.clear();
    m_origCells.clear();
    setState(dsBrowse);
    DataEventNotify(DataEvent::DataSetChange);
    fire(AfterPost);
}

void DataSet::Cancel()
{
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    DataEventNotify(DataEvent::CheckBrowseMode);
    fire(BeforeCancel);
    if (m_state == dsInsert) {
        m_order.erase(m_order.begin() + m_cur);
        m_posValid = false;
        m_insertId = -1;
        const int n = RecordCount();
        if (m_cur >= n)
            m_cur = n - 1;
        m_bof = m_eof = n == 0;
    }
    m_activePos = m_cur;
    m_editCells.clear();
    m_origCells.clear();
    setState(dsBrowse);
    DataEventNotify(DataEvent::DataSetChange);
    fire(AfterCancel);
}

void DataSet::Delete()
{
    checkActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (RecordCount() == 0)
        dbError(QStringLiteral("データセットが空のため削除できません"));
    if (!CanModify())
        dbError(QStringLiteral("読み取り専用のデータセットは変更できません"));
    DataEventNotify(DataEvent::CheckBrowseMode);
    fire(BeforeDelete);
    fire(BeforeScroll);
    QVariantList old = m_origCells;
    if (m_state != dsEdit) {
        const qint64 phys = physOfPos(m_cur);
        for (int i = 0; i < FieldCount(); ++i)
            old.append(m_table->cell(i, phys));
    }
    ApplyUpdate(UpdateKind::Delete, old, QVariantList());
    materializeOrder();
    m_order.erase(m_order.begin() + m_cur);
    m_posValid = false;
    const int n = RecordCount();
    if (m_cur >= n)
        m_cur = n - 1;
    m_activePos = m_cur;
    m_bof = n == 0;
    m_eof = n == 0;
    m_editCells.clear();
    m_origCells.clear();
    setState(dsBrowse);
    DataEventNotify(DataEvent::DataSetChange);
    fire(AfterDelete);
    fire(AfterScroll);
}

void DataSet::CheckBrowseMode()
{
    checkActive();
    DataEventNotify(DataEvent::CheckBrowseMode);
    if (m_state == dsEdit || m_state == dsInsert) {
        UpdateRecord();
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void DataSet::Resync()
{
    if (Active()) {
        m_activePos = m_cur;
        DataEventNotify(DataEvent::DataSetChange);
    }
}

// ---- controls and notices -------------------------------------------------------------------------------

void DataSet::DisableControls()
{
    if (m_disableCount == 0) {
        m_disableState = m_state;
        m_enableEvent = DataEvent::DataSetChange;
    }
    ++m_disableCount;
}

void DataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0) {
        if (m_disableState != m_state)
            DataEventNotify(DataEvent::UpdateState);
        if (m_disableState != dsInactive && m_state != dsInactive)
            DataEventNotify(m_enableEvent);
    }
}

void DataSet::DataEventNotify(DataEvent event, void* info)
{
    if (m_disableCount == 0) {
        const auto sources = m_sources;
        for (DataSource* s : sources)
            if (m_sources.contains(s))
                s->dataEvent(event, info);
    } else if ((event == DataEvent::UpdateState && m_state == dsInactive) || event == DataEvent::LayoutChange) {
        m_enableEvent = DataEvent::LayoutChange;
    }
}

void DataSet::addDataSource(DataSource* ds)
{
    if (!m_sources.contains(ds))
        m_sources.append(ds);
}

void DataSet::removeDataSource(DataSource* ds) { m_sources.removeAll(ds); }

// ---- DataSource -----------------------------------------------------------------------------------------

DataSource::DataSource(QObject* parent) : QObject(parent) {}

DataSource::~DataSource()
{
    SetDataSet(nullptr);
    const auto links = m_links;
    for (DataLink* l : links)
        l->SetDataSource(nullptr);
}

void DataSource::SetDataSet(qv::db::DataSet* ds)
{
    if (m_dataSet == ds)
        return;
    if (m_dataSet)
        m_dataSet->removeDataSource(this);
    m_dataSet = ds;
    if (ds)
        ds->addDataSource(this);
    notifyState();
}

void DataSource::SetEnabled(bool on)
{
    m_enabled = on;
    notifyState();
}

void DataSource::Edit()
{
    if (m_autoEdit && m_state == dsBrowse && m_dataSet)
        m_dataSet->Edit();
}

void DataSource::notifyState()
{
    setState(m_enabled && m_dataSet ? m_dataSet->State() : dsInactive);
}

void DataSource::setState(DataSetState s)
{
    if (m_state == s) {
        // The data set may have switched between two active states while we were disabled.
        return;
    }
    const DataSetState prior = m_state;
    m_state = s;
    notifyLinks(DataEvent::UpdateState, nullptr);
    if (OnStateChange)
        OnStateChange(*this);
    if (prior == dsInactive && OnDataChange)
        OnDataChange(*this, nullptr);
}

void DataSource::dataEvent(DataEvent event, void* info)
{
    if (event == DataEvent::UpdateState) {
        notifyState();
        return;
    }
    if (m_state == dsInactive)
        return;
    notifyLinks(event, info);
    switch (event) {
    case DataEvent::FieldChange:
    case DataEvent::RecordChange:
    case DataEvent::DataSetChange:
    case DataEvent::DataSetScroll:
    case DataEvent::LayoutChange:
        if (OnDataChange)
            OnDataChange(*this, event == DataEvent::FieldChange ? static_cast<Field*>(info) : nullptr);
        break;
    case DataEvent::UpdateRecord:
        if (OnUpdateData)
            OnUpdateData(*this);
        break;
    default:
        break;
    }
}

void DataSource::notifyLinks(DataEvent event, void* info)
{
    // Visual controls first, then the others; each group from the last bound to the first.
    const auto links = m_links;
    for (int pass = 0; pass < 2; ++pass) {
        const bool visual = pass == 0;
        for (qsizetype i = links.size() - 1; i >= 0; --i) {
            DataLink* l = links.at(i);
            if (l->VisualControl() == visual && m_links.contains(l))
                l->dataEvent(event, info);
        }
    }
}

void DataSource::addLink(DataLink* l)
{
    if (!m_links.contains(l))
        m_links.append(l);
}

void DataSource::removeLink(DataLink* l) { m_links.removeAll(l); }

// ---- DataLink ---------------------------------------------------------------------------------------------

DataLink::DataLink() = default;

DataLink::~DataLink()
{
    if (m_source)
        m_source->removeLink(this);
}

void DataLink::SetDataSource(qv::db::DataSource* src)
{
    if (m_source == src)
        return;
    if (m_source)
        m_source->removeLink(this);
    m_source = src;
    if (src)
        src->addLink(this);
    updateState();
}

qv::db::DataSet* DataLink::DataSet() const { return m_source ? m_source->DataSet() : nullptr; }

void DataLink::SetReadOnly(bool on)
{
    if (m_readOnly == on)
        return;
    m_readOnly = on;
    updateState();
}

void DataLink::SetBufferCount(int n)
{
    m_bufferCount = std::max(1, n);
    if (m_active)
        adjustWindow();
}

int DataLink::RecordCount() const
{
    const qv::db::DataSet* ds = DataSet();
    if (!m_active || !ds)
        return 0;
    return std::clamp(ds->RecordCount() - m_first, 0, m_bufferCount);
}

int DataLink::ActiveRecord() const
{
    const qv::db::DataSet* ds = DataSet();
    if (!m_active || !ds)
        return 0;
    return ds->ActivePosition() - m_first;
}

void DataLink::SetActiveRecord(int index)
{
    if (qv::db::DataSet* ds = DataSet(); m_active && ds)
        ds->SetActivePosition(m_first + index);
}

bool DataLink::Edit()
{
    if (!m_readOnly && m_source)
        m_source->Edit();
    return m_editing;
}

void DataLink::UpdateRecord()
{
    m_updating = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_updating};
    UpdateData();
}

int DataLink::adjustWindow()
{
    const qv::db::DataSet* ds = DataSet();
    if (!ds)
        return 0;
    const int n = ds->RecordCount();
    const int cur = ds->CursorPosition();
    const int old = m_first;
    m_first = std::min(m_first, std::max(0, n - m_bufferCount));
    if (cur >= 0) {
        if (cur < m_first)
            m_first = cur;
        else if (cur >= m_first + m_bufferCount)
            m_first = cur - m_bufferCount + 1;
    }
    m_first = std::max(0, m_first);
    return m_first - old;
}

void DataLink::updateState()
{
    const bool active = m_source && m_source->State() != dsInactive;
    if (active != m_active) {
        m_active = active;
        if (active)
            adjustWindow();
        else
            m_first = 0;
        ActiveChanged();
    }
    const bool editing = m_source && (m_source->State() == dsEdit || m_source->State() == dsInsert) && !m_readOnly;
    if (editing != m_editing) {
        m_editing = editing;
        EditingChanged();
    }
}

void DataLink::dataEvent(DataEvent event, void* info)
{
    if (event == DataEvent::UpdateState) {
        updateState();
        return;
    }
    if (!m_active)
        return;
    switch (event) {
    case DataEvent::FieldChange:
    case DataEvent::RecordChange:
        if (!m_updating)
            RecordChanged(event == DataEvent::FieldChange ? static_cast<Field*>(info) : nullptr);
        break;
    case DataEvent::DataSetChange:
    case DataEvent::DataSetScroll:
    case DataEvent::LayoutChange: {
        const int distance = adjustWindow();
        if (event == DataEvent::DataSetChange)
            DataSetChanged();
        else if (event == DataEvent::DataSetScroll)
            DataSetScrolled(distance);
        else
            LayoutChanged();
        break;
    }
    case DataEvent::UpdateRecord:
        UpdateRecord();
        break;
    case DataEvent::CheckBrowseMode:
        CheckBrowseMode();
        break;
    case DataEvent::FocusControl:
        FocusControl(static_cast<Field**>(info));
        break;
    default:
        break;
    }
}

// ---- TableDataSet ------------------------------------------------------------------------------------------

std::shared_ptr<ResultTable> TableDataSet::InternalOpen()
{
    if (!m_source)
        return std::make_shared<ResultTable>();
    // The caller's table is read as it is; the first change works on a copy of it, so that
    // edits do not change the caller's table.
    SetTableShared();
    return m_source;
}

void TableDataSet::ApplyUpdate(UpdateKind kind, const QVariantList& oldCells, const QVariantList& newCells)
{
    if (OnApplyUpdate)
        OnApplyUpdate(kind, oldCells, newCells);
}

} // namespace qv::db
