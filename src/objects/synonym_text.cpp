#include "objects/synonym_text.h"

#include "app/qvstrings.h"
#include "platform/db/query.h"
#include "tables/define_text.h"

namespace qv::synonym {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

QString Use(const QString& database) { return DatabaseSwitchLine(database.trimmed()) + QStringLiteral("\r\n"); }
} // namespace

BaseObject SplitBaseName(const QString& stored, const QString& synonymDatabase)
{
    const QStringList parts = db::splitQualifiedName(stored);
    BaseObject b;
    switch (parts.size()) {
    case 2:
        b = {QString(), synonymDatabase, parts.at(0), parts.at(1)};
        break;
    case 3:
        b = {QString(), parts.at(0), parts.at(1), parts.at(2)};
        break;
    case 4:
        b = {parts.at(0), parts.at(1), parts.at(2), parts.at(3)};
        break;
    default:
        b = {QString(), synonymDatabase, QStringLiteral("dbo"), parts.value(0)};
        break;
    }
    return b;
}

QString SynonymQuery(const QString& database)
{
    return Use(database) + QStringLiteral("select schema_name(schema_id), base_object_name from sys.synonyms "
                                          "where object_id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))");
}

QString ObjectTypeQuery(const QString& baseDatabase, bool azure)
{
    return Use(baseDatabase) +
           QStringLiteral("select Xtype from sysobjects where id = object_id(quotename(:OWNER) + '.' + quotename(:NAME)) "
                          "union select N'IX' Xtype ") +
           (azure ? QStringLiteral("from sys.indexes c inner join sysobjects a on a.id = c.index_id ")
                  : QStringLiteral("from sysindexes c inner join sysobjects a on a.id = c.indid ")) +
           QStringLiteral("where a.id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))");
}

QStringList TypeItems()
{
    return {QStringLiteral("TABLE"), QStringLiteral("VIEW"), QStringLiteral("PROCEDURE"), QStringLiteral("FUNCTION")};
}

QStringList CreateText(const CreateInput& in)
{
    QStringList out;
    if (!in.switchDatabase.trimmed().isEmpty())
        out << DatabaseSwitchLine(in.switchDatabase.trimmed()) << Go;
    out << QStringLiteral("CREATE SYNONYM ") + in.schemaPrefix + Q(in.name)
        << QStringLiteral("FOR ") + in.basePrefix + Q(in.baseName) << Go;
    return out;
}

QStringList DropText(const QString& switchDatabase, const QString& schema, const QString& name)
{
    QStringList out;
    if (!switchDatabase.trimmed().isEmpty())
        out << DatabaseSwitchLine(switchDatabase.trimmed()) << Go;
    // The existence test names the synonym bracketed, so "." and "]" in its names hold.
    const QString literal =
        QuoteLiteral(QuoteIdentifier(schema.trimmed(), true) + QLatin1Char('.') + QuoteIdentifier(name.trimmed(), true));
    out << QStringLiteral("IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N") + literal + QStringLiteral("))")
        << QStringLiteral("DROP SYNONYM ") + Q(schema) + QLatin1Char('.') + Q(name) << Go;
    return out;
}

QString DeleteStatement(const QString& database, const QString& schema, const QString& name)
{
    return Use(database) + QStringLiteral("drop synonym ") + Q(schema) + QLatin1Char('.') + Q(name);
}

} // namespace qv::synonym
