#include "objects/schema_text.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "tables/define_text.h"

namespace qv::schema {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

bool OtherDatabase(const TextInput& in)
{
    return in.database.trimmed() != in.connectionDatabase.trimmed();
}

void Switch(QStringList& out, const TextInput& in)
{
    out << DatabaseSwitchLine(in.database.trimmed()) << Go;
}
} // namespace

QStringList CreateText(const TextInput& in)
{
    QStringList out;
    bool use = true;
    if (in.scriptMode) {
        switch (in.databaseOption) {
        case qmAlways: use = !in.azure; break;
        case qmDiffLogin: use = OtherDatabase(in) && !in.azure; break;
        default: use = false; break;
        }
    }
    if (use && !in.database.trimmed().isEmpty())
        Switch(out, in);
    QString create = QStringLiteral("CREATE SCHEMA ") + Q(in.schema);
    if (!in.owner.trimmed().isEmpty())
        create += QStringLiteral(" AUTHORIZATION ") + Q(in.owner);
    out << create << Go;
    return out;
}

QStringList AlterText(const TextInput& in)
{
    QStringList out;
    if (!in.database.trimmed().isEmpty())
        Switch(out, in);
    out << QStringLiteral("ALTER AUTHORIZATION ON SCHEMA::") + Q(in.schema) + QStringLiteral(" TO ") + Q(in.owner) << Go;
    return out;
}

QStringList DropText(const TextInput& in)
{
    QStringList out;
    bool use = true;
    if (in.scriptMode) {
        switch (in.databaseOption) {
        case qmAlways: use = true; break;
        case qmDiffLogin: use = OtherDatabase(in); break;
        default: use = false; break;
        }
    }
    if (use && !in.database.trimmed().isEmpty())
        Switch(out, in);
    out << QStringLiteral("DROP SCHEMA ") + Q(in.schema) << Go;
    return out;
}

QString DeleteStatement(const QString& database, const QString& schema)
{
    return QStringLiteral("USE ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral(" DROP SCHEMA ") + Q(schema);
}

QString OwnerQuery(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) +
           QStringLiteral("\r\nSELECT ow.name from sys.schemas sc\r\n"
                          "inner join sys.database_principals ow\r\n"
                          "on sc.principal_id = ow.principal_id\r\n"
                          "where sc.name = :NAME");
}

QString OwnerListQuery(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) +
           QStringLiteral(" select name from sysusers order by name");
}

} // namespace qv::schema
