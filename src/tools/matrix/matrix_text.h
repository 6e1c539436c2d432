#pragma once
// The dependency matrix without a window: the statements that list what an object refers to,
// what refers to it and its columns, the type labels of the columns page, and the grid model
// with its placement rules. TfrmMatrix (matrix_window.h) shows the model.
#include "connection/catalog_queries.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace qv::matrix {

enum class Page { Referenced, References, Fields }; // "OBJECT＼被参照", "OBJECT＼参照", "項目＼表"
QString PageCaption(Page page);

// The type look-up of one object (parameters :OWNER, :NAME), led by the database's use line.
QString XTypeSql(const QString& database);
// What the object refers to (page References) or what refers to it (page Referenced); xtype is
// the object's own catalog type ("U", "TR", …). Parameters :OWNER and :TABLE or :NAME.
QString RelationSql(Page page, const catalog::ServerKind& server, const QString& database, const QString& schema,
                    const QString& name, const QString& xtype);
// The primary-key columns (parameters :OWNER, :NAME): the fourth column of each row.
QString PrimaryKeySql(const QString& database);
// The columns of a table or view, or of the table of an index (parameters :OWNER, :NAME).
QString ColumnSql(const QString& database, bool isIndex, bool azure);
// The type label: data type with its size, e.g. "varchar(max)", "decimal(10,2)", "int".
QString TypeLabel(const QString& dataType, const QString& charMax, const QString& precision, const QString& scale,
                  bool version9);

// The matrix: rows × columns of cells, each with a text and an object (type code, 0 none).
// Rows 0 and 1 and columns 0 and 1 are the headings.
class Grid {
public:
    Grid() { Reset(); }
    void Reset(); // 2 × 2, empty

    int RowCount() const { return int(m_cells.size()); }
    int ColCount() const { return m_cols; }
    QString Text(int col, int row) const { return m_cells[row][col].text; }
    int Object(int col, int row) const { return m_cells[row][col].object; }
    void Set(int col, int row, const QString& text, int object = 0);

    int AppendRow();
    int AppendCol();
    void InsertRow(int index);
    void InsertCol(int index);

    // Object pages: the column of a related object (database, name, type code), made when new.
    int PlaceColumn(const QString& database, const QString& name, int object);
    // Columns page: the row of a column name and type label, made when new.
    int PlaceRow(const QString& column, const QString& label);
    // At least 3 × 3.
    void Finish();

    // Every row as its cells.
    QList<QStringList> Rows() const;

private:
    struct Cell {
        QString text;
        int object = 0;
    };
    std::vector<std::vector<Cell>> m_cells;
    int m_cols = 0;
};

QString Mark();    // "○"
QString KeyMark(); // "◎"

} // namespace qv::matrix
