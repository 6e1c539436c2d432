#pragma once
// A statement on a connection: SQL text as lines, parameters made from ":name" markers, opening
// a result (every row is fetched into memory at once) or executing, and writing edited records
// back to the result's base table.
#include "platform/db/connection.h"
#include "platform/db/dataset.h"
#include "platform/db/sql_params.h"

#include <QStringList>
#include <deque>
#include <functional>

namespace qv::db {

class Param {
public:
    Param() = default;
    explicit Param(QString name) : m_name(std::move(name)) {}

    QString Name() const { return m_name; }
    qv::db::ParamType DataType() const { return m_type; }
    void SetDataType(qv::db::ParamType t) { m_type = t; }
    ParamDirection ParamType() const { return m_direction; }
    ParamDirection Direction() const { return m_direction; }
    void SetDirection(ParamDirection d) { m_direction = d; }
    qint64 Size() const { return m_size; }
    void SetSize(qint64 s) { m_size = s; }
    QVariant Value() const { return m_value; }
    // Sets the value; a parameter without a data type takes one from the value.
    void SetValue(const QVariant& v);
    bool IsNull() const { return !m_value.isValid() || m_value.isNull(); }
    void Clear() { m_value = QVariant(); }
    QString AsString() const { return m_value.toString(); }
    void SetAsString(const QString& s) { SetTyped(ParamType::String, s); }
    void SetAsWideString(const QString& s) { SetTyped(ParamType::WideString, s); }
    void SetAsInteger(qint64 v) { SetTyped(ParamType::Integer, v); }
    void SetAsFloat(double v) { SetTyped(ParamType::Float, v); }
    void SetAsBoolean(bool v) { SetTyped(ParamType::Boolean, v); }
    void SetAsDateTime(const QDateTime& v) { SetTyped(ParamType::DateTime, v); }
    // Copies data type, value, direction and size.
    void Assign(const Param& other);

private:
    void SetTyped(qv::db::ParamType t, const QVariant& v)
    {
        m_type = t;
        m_value = v;
    }
    QString m_name;
    qv::db::ParamType m_type = ParamType::Unknown;
    ParamDirection m_direction = ParamDirection::Input;
    qint64 m_size = 0;
    QVariant m_value;
};

class Params {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    Param& operator[](int i) { return m_items.at(static_cast<size_t>(i)); }
    const Param& operator[](int i) const { return m_items.at(static_cast<size_t>(i)); }
    Param& Items(int i) { return (*this)[i]; }
    Param* FindParam(const QString& name);
    Param& ParamByName(const QString& name); // raises EDatabaseError when missing
    Param& Add(const QString& name);
    void Clear() { m_items.clear(); }
    QStringList Names() const;

private:
    std::deque<Param> m_items; // stable addresses
};

// The SQL text of a query as a list of lines.
class SQLStrings {
public:
    QString Text() const { return m_lines.join(QStringLiteral("\r\n")); }
    void SetText(const QString& text);
    void Clear();
    void Add(const QString& line);
    int Count() const { return static_cast<int>(m_lines.size()); }
    QString Strings(int i) const { return m_lines.value(i); }
    const QStringList& Lines() const { return m_lines; }
    void Assign(const QStringList& lines);

private:
    friend class Query;
    void changed() { if (m_onChange) m_onChange(); }
    QStringList m_lines;
    std::function<void()> m_onChange;
};

// Builds the one INSERT, UPDATE or DELETE that writes a changed record to its base table.
// table is the quoted table name; writable lists the columns that belong to the table;
// keyColumns, when the result holds them all, make the WHERE clause, otherwise every original
// comparable value does (NULL compared with IS NULL). An UPDATE sets only changed columns;
// an empty sql means there is nothing to write.
// For an UPDATE or DELETE by key, verifySql counts the rows that hold the key after the write
// ("SELECT COUNT(*) FROM t WHERE k = ?", the new key values for an UPDATE, the old ones for a
// DELETE): the check of a write the server reports no row count for (SET NOCOUNT ON).
struct WriteStatement {
    QString sql;
    std::vector<BoundParam> params;
    QString verifySql;               // empty: no key, the row cannot be re-read
    std::vector<BoundParam> verifyParams;
};
WriteStatement buildWriteStatement(DataSet::UpdateKind kind, const QString& table, const std::vector<ColumnDesc>& columns,
                                   const std::vector<int>& writable, const QStringList& keyColumns,
                                   const QVariantList& oldCells, const QVariantList& newCells);
// "[name]" with inner "]" doubled.
QString quoteName(const QString& name);
// Splits "db.schema.table" / "[a.b].[c]" into its parts (brackets and double quotes removed).
QStringList splitQualifiedName(const QString& name);

class Query : public DataSet {
    Q_OBJECT
public:
    explicit Query(QObject* parent = nullptr);
    ~Query() override;

    Connection* GetConnection() const { return m_connection; }
    void SetConnection(Connection* c);

    SQLStrings& SQL() { return m_sql; }
    const SQLStrings& SQL() const { return m_sql; }
    void SetSQLText(const QString& text) { m_sql.SetText(text); }

    qv::db::Params& Params() { return m_params; }
    Param* FindParam(const QString& name) { return m_params.FindParam(name); }
    Param& ParamByName(const QString& name) { return m_params.ParamByName(name); }

    // Parameter markers become parameters (default on); off sends ":" to the server as written.
    bool ParamCreate() const { return m_paramCreate; }
    void SetParamCreate(bool on);
    // Escape-sequence processing by the driver (default on).
    bool EscapeExpand() const { return m_escapeExpand; }
    void SetEscapeExpand(bool on) { m_escapeExpand = on; }
    // Execute without a prepare step (default off).
    bool DirectExecute() const { return m_direct; }
    void SetDirectExecute(bool on) { m_direct = on; }
    // The table edited records are written to when the driver cannot tell the result's base
    // table ("schema.table"; empty: none).
    QString UpdateTableName() const { return m_updateTable; }
    void SetUpdateTableName(const QString& name) { m_updateTable = name; }
    // Money columns become plain decimal (BCD) fields instead of currency fields (default off).
    bool CurrencyAsBCD() const { return m_currencyAsBcd; }
    void SetCurrencyAsBCD(bool on) { m_currencyAsBcd = on; }

    void Prepare();
    void Unprepare() { m_prepared = false; }
    bool Prepared() const { return m_prepared; }
    StatementKind Kind() const { return m_kind; }
    void ExecSQL();
    qint64 RowsAffected() const { return m_rowsAffected; }
    QStringList Messages() const { return m_messages; }
    // Moves to the next result of the batch; false (and closed) when there is none.
    bool NextResultSet();
    // The result's rows can be written back (one base table that the layer can tell).
    bool Updatable() const { return m_updatable; }
    // The quoted base table edits go to; empty when not updatable.
    QString UpdateTable() const { return m_writeTable; }

protected:
    std::shared_ptr<ResultTable> InternalOpen() override;
    void InternalClose() override;
    void ApplyUpdate(UpdateKind kind, const QVariantList& oldCells, const QVariantList& newCells) override;
    // The rows a write hit, read again by key when the server reported no count.
    static qint64 verifiedCount(Connection& c, UpdateKind kind, const WriteStatement& ws);
    bool canModifyData() const override { return m_updatable; }
    void FieldsCreated() override;

private:
    void sqlChanged();
    ExecOutcome run(bool keepRows);
    void takeOutputs(const ExecOutcome& out);
    void decideUpdatable(const std::vector<ColumnDesc>& columns);
    Connection& connection();

    QPointer<Connection> m_connection;
    SQLStrings m_sql;
    qv::db::Params m_params;
    ParsedSql m_parsed;
    bool m_parsedValid = false;
    bool m_paramCreate = true;
    bool m_escapeExpand = true;
    bool m_direct = false;
    bool m_currencyAsBcd = false;
    bool m_prepared = false;
    StatementKind m_kind = StatementKind::Other;
    qint64 m_rowsAffected = -1;
    QStringList m_messages;
    std::deque<std::shared_ptr<ResultTable>> m_pending;
    std::shared_ptr<ResultTable> m_next;
    QString m_updateTable;
    bool m_updatable = false;
    QString m_writeTable;
    QStringList m_writeTableParts; // catalog, schema, table (may be empty)
    std::vector<int> m_writable;
    std::optional<QStringList> m_keys;
};

} // namespace qv::db
