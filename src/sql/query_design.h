#pragma once
// The visual query builder's design, without a window: table boxes with their columns, the
// joins between columns, the seven-column grid and the statement type; the two directions
// between a design and SQL text (DesignToSQL, SQLToDesign). The catalog questions a box needs
// (columns, key columns, synonyms, default schema, server version) go through
// TqvBuilderCatalog, so that the design is tested without a server and the window only draws.
#include "app/sqltext/parser.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace qv {

enum TqvSQLBuildConnectType { ctEQ, ctGT, ctGE, ctLT, ctLE, ctNE };
enum TqvSQLBuildJoinType { jtInner, jtLeftOuter, jtRightOuter };

// Grid columns of the design.
enum TqvDesignColumn { gcItem = 0, gcAlias, gcShow, gcSort, gcSortOrder, gcGroup, gcCondition, gcCount };

extern const char* const SortAscending;  // "昇順"
extern const char* const SortDescending; // "降順"
// The grouping choices, the empty entry first (15 entries).
const QStringList& PickGroupTypes();
// The sort choices: empty, ascending, descending.
const QStringList& PickSortTypes();
// The message the parser raises for a statement the builder cannot show.
QString BuilderParseMessage();

// What a table box needs from the catalog about one object.
struct TqvTableCatalog {
    QString SynonymBase; // "[db].[schema].[name]" when the object is a synonym
    QStringList Keys, Columns;
};

// The catalog questions of the builder. Answers are the server's; a failure throws.
class TqvBuilderCatalog {
public:
    virtual ~TqvBuilderCatalog() = default;
    // The connection's database.
    virtual QString Database() = 0;
    // The server's major version (99 when unknown).
    virtual int DBVer() = 0;
    // The default schema of the connection's user ("dbo" when unknown).
    virtual QString DefSchema() = 0;
    // Display names of the result columns of a query (a derived table).
    virtual QStringList QueryColumns(const QString& query) = 0;
    // The base object of a synonym ("[db].[schema].[name]"), empty when the name is none.
    virtual QString SynonymBase(const QString& database, const QString& schema, const QString& name) = 0;
    virtual QStringList KeyColumns(const QString& database, const QString& schema, const QString& name) = 0;
    virtual QStringList Columns(const QString& database, const QString& schema, const QString& name) = 0;
    // The three questions of one table box at once (`withSynonym` false: no synonym question).
    virtual TqvTableCatalog TableCatalog(const QString& database, const QString& schema, const QString& name,
                                         bool withSynonym)
    {
        TqvTableCatalog c;
        if (withSynonym)
            c.SynonymBase = SynonymBase(database, schema, name);
        if (c.SynonymBase.isEmpty()) {
            c.Keys = KeyColumns(database, schema, name);
            c.Columns = Columns(database, schema, name);
        }
        return c;
    }
    // Database and default schema of the connection window (for a synonym's base name).
    virtual QString CurrentDatabase() { return Database(); }
    virtual QString CurrentSchema() { return DefSchema(); }
    // A synchronisation starts or ends: answers may be kept in between.
    virtual void BeginSync() {}
    virtual void EndSync() {}
};

struct TqvBuildColumn {
    QString Name;
    bool Key = false;
};

class TqvSQLDesign;

class TqvSQLBuildTable {
public:
    QString TableDatabase, TableSchema, TableName;
    QString AliasText;              // the alias edit's text
    QList<TqvBuildColumn> Items;    // "*" first for SELECT and CREATE VIEW
    QRect Bounds;                   // in surface content coordinates

    // The alias edit's text, else the table name.
    QString Alias() const { return AliasText.isEmpty() ? TableName : AliasText; }
    // "database.schema.name", "schema.name" or the name.
    QString HeaderText() const;
    // Index of a column (letter case ignored), -1 when absent.
    int IndexOfColumn(const QString& name) const;
};

class TqvSQLBuildConnect {
public:
    TqvSQLBuildTable* FromTable = nullptr;
    TqvSQLBuildTable* ToTable = nullptr;
    QString FromColumn, ToColumn;
    TqvSQLBuildConnectType ConnectType = ctEQ;
    TqvSQLBuildJoinType JoinType = jtInner;
    QPoint Lines[4];
};

// Metrics of a new table box, in pixels (the window sets them from its font).
struct TqvBoxMetrics {
    int ItemHeight = 16;
    int HeaderHeight = 16;
    int AliasHeight = 22;
    int SurfaceWidth = 1024; // the designer's client width
};

class TqvSQLDesign {
public:
    using Row = QStringList; // gcCount cells

    TqvSQLDesign();
    ~TqvSQLDesign();

    TqvSQLType SQLType() const { return m_type; }
    // Changing the type clears the design and the text, unless a synchronisation is running.
    void SetSQLType(TqvSQLType type);
    QString ViewName;
    TqvBoxMetrics Metrics;
    TqvBuilderCatalog* Catalog = nullptr;

    const std::vector<std::unique_ptr<TqvSQLBuildTable>>& Tables() const { return m_tables; }
    const std::vector<std::unique_ptr<TqvSQLBuildConnect>>& Connects() const { return m_connects; }

    // Grid data rows; the last one is always the empty input row.
    QList<Row>& Rows() { return m_rows; }
    const QList<Row>& Rows() const { return m_rows; }
    static Row EmptyRow();
    void ClearGrid();
    // Fills the last row with the given cells and appends a new empty row.
    void AppendRow(const Row& cells);
    // Row commands of the grid's tool bar on data row `row`; each answers the row that is
    // current afterwards, or -1 when the command does not apply (the empty last row never moves,
    // nothing moves above the first row or below the last data row).
    int InsertGridRow(int row);
    int DeleteGridRow(int row);
    int MoveGridRow(int row, int delta);

    TqvSQLBuildTable* Selected() const { return m_selected; }
    void SetSelected(TqvSQLBuildTable* t) { m_selected = t; }

    // Deselects, frees every join, then every box.
    void Clear();
    QString NewAlias() const;
    TqvSQLBuildTable* AddTable(const QString& tableName);
    TqvSQLBuildTable* AddTable(const QString& tableName, const QString& alias);
    // Removes a box, its joins and its grid rows.
    void RemoveTable(TqvSQLBuildTable* table);
    TqvSQLBuildConnect* AddConnect(TqvSQLBuildTable* from, TqvSQLBuildTable* to, const QString& fromColumn,
                                   const QString& toColumn);
    void RemoveConnect(TqvSQLBuildConnect* connect);
    TqvSQLBuildTable* FindTableByColumn(const QString& alias, const QString& column) const;
    // Renames the prefix old + "." to the box's alias + "." in the item and condition columns.
    void RenameAlias(const QString& oldAlias, const QString& newAlias);
    // Item column entries for the columns of one box (reference name + quoted column).
    QStringList ColumnReferences(const TqvSQLBuildTable* table, const QList<int>& indexes) const;
    // Adds grid rows for the given columns of a box (double click or drop on the grid).
    void AddColumnRows(const TqvSQLBuildTable* table, const QList<int>& indexes);
    // The item column's pick list.
    QStringList PickColumns() const;
    // Whether a grid cell applies to the statement type.
    bool CellApplies(int column) const;

    // Qualifiers written for a table.
    QString GetDatabase(const TqvSQLBuildTable* t) const;
    QString GetSchema(const TqvSQLBuildTable* t) const;
    QString GetRefName(const TqvSQLBuildTable* t) const;
    QString TableReference(const TqvSQLBuildTable* t) const;

    // The statement of the design before layout, one entry per line. Renumbers sort orders.
    QStringList DesignToSQLLines();
    // The statement laid out by the formatter.
    QString DesignToSQL();
    // Rebuilds the design from a text; a statement the builder cannot show reports its message
    // through `warn` (the design stays empty). Catalog failures propagate.
    void SQLToDesign(const QString& text, const std::function<void(const QString&)>& warn = {});

    bool Synchronising() const { return m_sync; }
    void SetSynchronising(bool on) { m_sync = on; }

    // Join drawing: the polyline and the label; hit test of a join line. `scroll` is the
    // surface's scroll position; column rectangles come from `columnRect` (the window's list
    // geometry: top and bottom of the column's row inside the box, -1 when not visible/absent).
    static QString ConnectLabel(const TqvSQLBuildConnect& c);
    static bool HitTest(const TqvSQLBuildConnect& c, QPoint contentPoint);
    static int ApproxLength(int dx, int dy);

private:
    TqvSQLType m_type = sqltSelect;
    std::vector<std::unique_ptr<TqvSQLBuildTable>> m_tables;
    std::vector<std::unique_ptr<TqvSQLBuildConnect>> m_connects;
    QList<Row> m_rows;
    TqvSQLBuildTable* m_selected = nullptr;
    bool m_sync = false;

    void fillTable(TqvSQLBuildTable* t, const QString& name);
    void place(TqvSQLBuildTable* t);
    int findRowByAliasOrItem(const QString& text) const;
    int tableIndex(const TqvSQLBuildTable* t) const;
    QList<char> m_joinKinds; // outer-join kind per parsed table (ANSI joins)
    Row& newRow();
    void whereConditions(const QStringList& tokens);
    void havingConditions(const QStringList& tokens);
};

} // namespace qv
