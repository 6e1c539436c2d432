#pragma once
// The table as the table window holds it, without any window: its columns in grid order, the
// default-constraint names and the key as loaded, and the load-side helpers that turn catalog
// values into the grid's texts (length, identity, default).
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::table {

struct TableColumn {
    QString name;
    QString type;         // type name as the catalog gives it, e.g. "nvarchar"
    QString length;       // length text: "50", "max", "18,2", "" …
    bool notNull = false;
    QString defaultValue; // as the server stores it ("((0))"), or "IDENTITY(seed, increment)"
    QString collation;
    QString mask;         // masking function (servers from version 13, not Azure)
    QString comment;
    QString computed;     // expression of a computed column; empty for a stored column
    bool primary = false; // ticked in the key column
    int loadedRow = 0;    // position at load (1 for the first column); 0 for a column added since
    QString loadedComment;
};

struct DefaultColumn {
    QString ColumnName;
    QString DefaultName;
};

// The server's primary key of an existing table (columns from sp_pkeys, name and kind from
// its index); empty columns when the table has none.
struct ServerKey {
    QStringList columns;
    QString name;          // empty: the key gets "PK_" + table name
    bool nonClustered = false;
};

enum class TempKind { None, Local, Global };

// System versioning of the table (servers from version 13): as loaded, or as the user set it.
struct TemporalSettings {
    bool versioned = false;
    QString historySchema;
    QString historyTable;
    QString startColumn;
    QString endColumn;
    bool startHidden = false;
    bool endHidden = false;
    bool consistency = true; // DATA_CONSISTENCY_CHECK when a history table is named
};

struct TableModel {
    QString database;
    QString schema;
    QString name;
    QString comment;
    QString loadedComment;
    QList<TableColumn> columns;
    QList<DefaultColumn> defaultColumns;
    int snapshotRows = 0;  // columns at the last load
    QList<TableColumn> saved; // the grid rows as loaded (row 1 first): the snapshot of the last load
    bool isNew = true;
    ServerKey serverKey;   // used for an existing table only
    TempKind temp = TempKind::None;
    QString storageClause; // "ON [PRIMARY]" …; empty for none
    TemporalSettings versioning;
};

// Length text of the grid by upper-cased type: CHAR, NCHAR, BINARY → maximum length; VARCHAR,
// NVARCHAR, VARBINARY → "max" for a stored −1 from version 9, else the length; NUMERIC, DECIMAL
// → "precision,scale"; FLOAT → precision from version 10; DATETIME2, DATETIMEOFFSET, TIME → the
// fractional-seconds scale; other types → "".
QString LengthText(const QString& type, const QString& maxLength, const QString& precision,
                   const QString& numericScale, const QString& scale, int version);
// "IDENTITY(seed, increment)".
QString IdentityText(qint64 seed, qint64 increment);
// The default cell: the stored default ("NULL" gives ""), or the identity text for an identity column.
QString DefaultCellText(const QString& storedDefault, bool isIdentity, qint64 seed, qint64 increment);

} // namespace qv::table
