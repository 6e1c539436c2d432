#include "tables/table_data_script.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "connection/script_output.h"
#include "controls/export/insert_export.h"
#include "platform/db/dataset.h"
#include "tables/define_text.h"

namespace qv::table {

namespace {

const QString TableObject = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:NAME))");

QString Switch(const QString& database) { return DatabaseSwitchLine(database) + QStringLiteral("\r\n"); }

// head + items joined by ",", a new line begun after an item that takes the line past 70
// characters, closed by ")".
void AppendList(QStringList& lines, const QString& head, const QStringList& items)
{
    QString line = head;
    for (qsizetype i = 0; i < items.size(); ++i) {
        line += items.at(i);
        if (i + 1 < items.size()) {
            line += u',';
            if (line.size() > 70) {
                lines << line;
                line.clear();
            }
        }
    }
    lines << line + u')';
}

} // namespace

DataFilePlace DataFilePath(const DataFileFacts& f)
{
    DataFilePlace place;
    if (f.oneScript)
        return place;
    if (f.insertMode == pmSeparateFolder) {
        place.path = f.databasesFirst
                         ? JoinSafePath(f.root, {f.database, f.schema, QStringLiteral("DATA"), f.name + QStringLiteral(".SQL")})
                         : JoinSafePath(f.root, {QStringLiteral("DATA"), f.database, f.schema, f.name + QStringLiteral(".SQL")});
    } else if (f.insertMode == pmSeparateFile) {
        const QString file = QStringLiteral("_DATA.SQL");
        if (!f.dir)
            place.path = JoinSafePath(f.root, {file});
        else if (f.databasesFirst)
            place.path = JoinSafePath(f.root, {f.database, f.schema, file});
        else
            place.path = JoinSafePath(f.root, {QStringLiteral("TABLE"), file});
        place.append = true;
    }
    return place;
}

DataColumns PlanDataColumns(const QList<TableColumn>& columns, const QStringList& fieldNames, const QStringList& generated)
{
    DataColumns plan;
    bool skipped = false;
    for (const TableColumn& c : columns)
        if (!c.name.isEmpty() && c.defaultValue.toUpper().contains(QStringLiteral("IDENTITY(")))
            plan.identity = true;
    QStringList names;
    for (const QString& field : fieldNames) {
        bool written = true;
        for (const TableColumn& c : columns) {
            if (c.name.compare(field, Qt::CaseInsensitive) != 0)
                continue;
            const QString type = c.type.trimmed().toLower();
            written = c.computed.isEmpty() && type != u"timestamp" && type != u"rowversion" && !generated.contains(c.name);
            break;
        }
        plan.written << written;
        skipped = skipped || !written;
        if (written)
            names << QuoteIdentifier(field);
    }
    if (plan.identity || skipped)
        plan.columnList = names;
    return plan;
}

QStringList IdentityInsertLines(const QString& target, bool on)
{
    return {QStringLiteral("SET IDENTITY_INSERT ") + target + (on ? QStringLiteral(" ON") : QStringLiteral(" OFF")),
            QStringLiteral("go")};
}

QStringList RowLiterals(const QList<db::Field*>& fields, const QList<bool>& written)
{
    QStringList values;
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (i >= written.size() || written.at(i))
            values << exporting::SqlLiteral(*fields.at(i));
    return values;
}

QStringList InsertRowLines(const QString& target, const QStringList& columnList, const QStringList& values)
{
    QStringList lines{QStringLiteral("INSERT INTO ") + target};
    if (!columnList.isEmpty())
        AppendList(lines, QStringLiteral(" ("), columnList);
    AppendList(lines, QStringLiteral(" VALUES("), values);
    lines << QStringLiteral("go");
    return lines;
}

QString KeyIndexQuery(bool azure, const QString& database)
{
    const QString table = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:TABLE))");
    if (azure)
        return Switch(database) +
               QStringLiteral("select object_name(a.parent_object_id) from sys.key_constraints a"
                              " left outer join sysobjects b on a.object_id = b.id"
                              " where b.xtype in (N'PK', N'UQ') and b.parent_obj = %1 and b.name = :INDEX")
                   .arg(table);
    return Switch(database) + QStringLiteral("select object_name(a.id) from sysconstraints a"
                                             " left outer join sysobjects b on a.constid = b.id"
                                             " where b.xtype in (N'PK', N'UQ') and b.parent_obj = %1 and b.name = :INDEX")
                                  .arg(table);
}

QString TableIndexesQuery(int version, const QString& database)
{
    if (version < 9)
        return Switch(database) + QStringLiteral("select name from sysindexes where id = %1 and indid between 1 and 254"
                                                 " and INDEXPROPERTY(id, name, 'IsStatistics') = 0"
                                                 " and INDEXPROPERTY(id, name, 'IsHypothetical') = 0 order by indid")
                                      .arg(TableObject);
    return Switch(database) + QStringLiteral("select name from sys.indexes where object_id = %1 and index_id > 0"
                                             " and is_hypothetical = 0 order by index_id")
                                  .arg(TableObject);
}

} // namespace qv::table
