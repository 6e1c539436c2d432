#include "tools/matrix/matrix_text.h"

#include "app/qvstrings.h"

namespace qv::matrix {

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

QString PageCaption(Page page)
{
    switch (page) {
    case Page::Referenced: return QStringLiteral("OBJECT＼被参照");
    case Page::References: return QStringLiteral("OBJECT＼参照");
    case Page::Fields: return QStringLiteral("項目＼表");
    }
    return {};
}

QString Mark() { return QStringLiteral("○"); }
QString KeyMark() { return QStringLiteral("◎"); }

QString XTypeSql(const QString& database)
{
    return catalog::UseText(database) +
           QStringLiteral("select xtype from sysobjects where id = object_id(:OWNER + '.' + :NAME)");
}

QString RelationSql(Page page, const catalog::ServerKind& server, const QString& database, const QString& schema,
                    const QString& name, const QString& xtype)
{
    const QString u = catalog::UseText(database);
    const QString k = QuoteLiteral(schema + QLatin1Char('.') + name);
    const bool v9 = server.version >= 9;
    const bool table = xtype.trimmed() == QLatin1String("U");
    QString sql;
    if (page == Page::References) {
        if (xtype.trimmed() == QLatin1String("TR"))
            return u + QStringLiteral("select distinct db_name(), object_name(a.parent_obj), b.xtype "
                                      "from sysobjects a join sysobjects b on a.parent_obj = b.id "
                                      "where a.id = object_id(:OWNER + '.' + :NAME) ");
        if (server.azure)
            sql = u + QStringLiteral("select distinct db_name(), object_name(a.referenced_id), b.xtype "
                                     "from sys.sql_expression_dependencies a join sysobjects b "
                                     "on a.referenced_id = b.id "
                                     "where a.referencing_id = object_id(:OWNER + '.' + :TABLE) ");
        else
            sql = u + QStringLiteral("select distinct db_name(), object_name(a.depid), b.xtype "
                                     "from sysdepends a join sysobjects b on a.depid = b.id "
                                     "where a.id = object_id(:OWNER + '.' + :TABLE) ");
        if (v9)
            sql += CRLF + QStringLiteral("union select db_name(), object_name(object_id(e.base_object_name)), f.xtype "
                                         "from sys.synonyms e "
                                         "inner join sysobjects f on object_id(e.base_object_name) = f.id "
                                         "where object_id(e.name) = object_id(N") +
                   k + QStringLiteral(") ");
        if (table) {
            if (server.azure)
                // What the table's triggers refer to, and the tables its foreign keys refer to.
                sql += QStringLiteral("union select db_name(), object_name(a.referenced_id), c.xtype "
                                      "from sys.sql_expression_dependencies a inner join sysobjects b on "
                                      "a.referencing_id = b.id inner join sysobjects c on a.referenced_id = c.id "
                                      "where b.xtype = 'TR' and b.parent_obj = object_id(N") +
                       k +
                       QStringLiteral(") union select db_name(), object_name(a.referenced_object_id), c.xtype "
                                      "from sys.foreign_keys a inner join sysobjects c on a.referenced_object_id = c.id "
                                      "where a.parent_object_id = object_id(N") +
                       k + QStringLiteral(")");
            else
                sql += QStringLiteral("union select db_name(), object_name(a.depid), c.xtype "
                                      "from sysdepends a inner join sysobjects b on a.id = b.id ") +
                       (v9 ? QStringLiteral("inner join sys.sysobjects c on a.depid = c.id ")
                           : QStringLiteral("inner join sysobjects c on a.depid = c.id ")) +
                       QStringLiteral("where b.xtype = 'TR' and b.parent_obj = object_id(") + k +
                       QStringLiteral(")union select db_name(), object_name(a.rkeyid), c.xtype "
                                      "from sysreferences a inner join sysconstraints b on a.constid = b.constid "
                                      "inner join sysobjects c on a.rkeyid = c.id where b.id = object_id(") +
                       k + QStringLiteral(")");
        }
        return sql;
    }
    // What refers to the object.
    if (server.azure)
        sql = u + QStringLiteral("select distinct db_name(), object_name(a.referencing_id), b.xtype "
                                 "from sys.sql_expression_dependencies a join sysobjects b "
                                 "on a.referencing_id = b.id "
                                 "where a.referenced_id = object_id(:OWNER + '.' + :NAME) ");
    else
        sql = u + QStringLiteral("select distinct db_name(), object_name(a.id), b.xtype "
                                 "from sysdepends a join sysobjects b on a.id = b.id "
                                 "where a.depid = object_id(:OWNER + '.' + :NAME) ");
    if (table) {
        if (server.azure)
            // The tables whose foreign keys refer to it.
            sql += CRLF + QStringLiteral("union select db_name(), object_name(a.parent_object_id), c.xtype "
                                         "from sys.foreign_keys a inner join sysobjects c on a.parent_object_id = c.id "
                                         "where a.referenced_object_id = object_id(N") +
                   k + QStringLiteral(")");
        else
            sql += CRLF + QStringLiteral("union select db_name(), object_name(b.id), c.xtype "
                                         "from sysreferences a inner join sysconstraints b on a.constid = b.constid "
                                         "inner join sysobjects c on a.rkeyid = c.id where a.rkeyid = object_id(") +
                   k + QStringLiteral(")");
    }
    if (v9) {
        sql += CRLF + QStringLiteral("union select db_name(), e.name, f.xtype from sys.synonyms e "
                                     "inner join sysobjects f on e.object_id = f.id "
                                     "where object_id(e.base_object_name) = object_id(N") +
               k + QStringLiteral(")");
        sql += CRLF + QStringLiteral("union select db_name() , a.name, a.xtype from sysobjects a "
                                     "inner join sysobjects b on a.parent_obj = b.id and a.xtype ='TR' "
                                     "where a.parent_obj = object_id(N") +
               k + QStringLiteral(")");
    }
    return sql;
}

QString PrimaryKeySql(const QString& database)
{
    return catalog::UseText(database) + QStringLiteral("EXEC sp_pkeys  @table_owner = :OWNER, @table_name = :NAME");
}

QString ColumnSql(const QString& database, bool isIndex, bool azure)
{
    const QString u = catalog::UseText(database);
    if (!isIndex)
        return u + QStringLiteral("select COLUMN_NAME, DATA_TYPE, CHARACTER_OCTET_LENGTH, NUMERIC_PRECISION, "
                                  "NUMERIC_SCALE, CHARACTER_MAXIMUM_LENGTH from INFORMATION_SCHEMA.COLUMNS "
                                  "where TABLE_SCHEMA = :OWNER AND TABLE_NAME = :NAME ORDER BY COLUMN_NAME");
    return u +
           QStringLiteral("select distinct cml.COLUMN_NAME, cml.DATA_TYPE, cml.CHARACTER_OCTET_LENGTH, "
                          "cml.NUMERIC_PRECISION, cml.NUMERIC_SCALE, cml.CHARACTER_MAXIMUM_LENGTH "
                          "from INFORMATION_SCHEMA.COLUMNS cml ") +
           (azure ? QStringLiteral("inner join sys.indexes ind on cml.TABLE_SCHEMA = :OWNER and ind.name = :NAME and "
                                   "object_id(cml.table_name) = ind.object_id ")
                  : QStringLiteral("inner join sysindexes ind on cml.TABLE_SCHEMA = :OWNER and ind.name = :NAME and "
                                   "object_id(cml.table_name) = ind.id ")) +
           QStringLiteral("ORDER BY cml.COLUMN_NAME ");
}

QString TypeLabel(const QString& dataType, const QString& charMax, const QString& precision, const QString& scale,
                  bool version9)
{
    const QString t = dataType.toUpper();
    QString size;
    if (t == QLatin1String("CHAR") || t == QLatin1String("NCHAR") || t == QLatin1String("BINARY"))
        size = charMax;
    else if (t == QLatin1String("VARCHAR") || t == QLatin1String("NVARCHAR") || t == QLatin1String("VARBINARY"))
        size = version9 && charMax == QLatin1String("-1") ? QStringLiteral("max") : charMax;
    else if (t == QLatin1String("NUMERIC") || t == QLatin1String("DECIMAL"))
        size = precision + QLatin1Char(',') + scale;
    else if (t == QLatin1String("FLOAT") || t == QLatin1String("REAL"))
        size = precision;
    return size.isEmpty() ? dataType : dataType + QLatin1Char('(') + size + QLatin1Char(')');
}

void Grid::Reset()
{
    m_cells.assign(2, std::vector<Cell>(2));
    m_cols = 2;
}

void Grid::Set(int col, int row, const QString& text, int object)
{
    m_cells[row][col] = Cell{text, object};
}

int Grid::AppendRow()
{
    m_cells.emplace_back(m_cols);
    return RowCount() - 1;
}

int Grid::AppendCol()
{
    for (auto& row : m_cells)
        row.emplace_back();
    return m_cols++;
}

void Grid::InsertRow(int index)
{
    m_cells.insert(m_cells.begin() + index, std::vector<Cell>(m_cols));
}

void Grid::InsertCol(int index)
{
    for (auto& row : m_cells)
        row.insert(row.begin() + index, Cell{});
    ++m_cols;
}

int Grid::PlaceColumn(const QString& database, const QString& name, int object)
{
    const QString key = database + QLatin1Char('\t') + name;
    int at = -1;
    for (int c = 2; c < m_cols; ++c) {
        const QString ck = Text(c, 0) + QLatin1Char('\t') + Text(c, 1);
        const int cmp = QString::compare(ck, key, Qt::CaseSensitive);
        if (cmp == 0) {
            // Objects of one name but different kinds have a column each: look at them all.
            if (Object(c, 1) == object)
                return c;
            if (at < 0)
                at = c;
            continue;
        }
        if (cmp > 0) {
            if (at < 0)
                at = c;
            break;
        }
    }
    if (at < 0)
        at = AppendCol();
    else
        InsertCol(at);
    Set(at, 0, database);
    Set(at, 1, name, object);
    return at;
}

int Grid::PlaceRow(const QString& column, const QString& label)
{
    const QString key = column + QLatin1Char('\t') + label;
    int r = 2;
    for (; r < RowCount(); ++r) {
        const int cmp = QString::compare(Text(0, r) + QLatin1Char('\t') + Text(1, r), key, Qt::CaseSensitive);
        if (cmp == 0)
            return r;
        if (cmp > 0)
            break;
    }
    if (r < RowCount())
        InsertRow(r);
    else
        r = AppendRow();
    Set(0, r, column);
    Set(1, r, label);
    return r;
}

void Grid::Finish()
{
    while (RowCount() < 3)
        AppendRow();
    while (m_cols < 3)
        AppendCol();
}

QList<QStringList> Grid::Rows() const
{
    QList<QStringList> rows;
    for (const auto& row : m_cells) {
        QStringList cells;
        for (const Cell& cell : row)
            cells << cell.text;
        rows << cells;
    }
    return rows;
}

} // namespace qv::matrix
