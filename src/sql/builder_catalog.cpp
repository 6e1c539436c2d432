#include "sql/builder_catalog.h"

#include "platform/db/connection.h"
#include "platform/db/query.h"

namespace qv {

TqvConnectionCatalog::TqvConnectionCatalog(db::Connection* connection, QString database, QString userName, bool isAzure)
    : m_connection(connection), m_database(std::move(database)), m_userName(std::move(userName)), m_isAzure(isAzure)
{
}

void TqvConnectionCatalog::BeginSync()
{
    if (m_depth++ == 0) {
        m_version.reset();
        m_defSchema.reset();
        m_cache.clear();
    }
}

void TqvConnectionCatalog::EndSync()
{
    if (m_depth > 0 && --m_depth == 0) {
        // Answers stay until the next synchronisation starts: drawing between two
        // synchronisations asks nothing new.
    }
}

QStringList TqvConnectionCatalog::firstColumn(const QString& sql, const QStringList& paramNames, const QStringList& values)
{
    if (!m_connection)
        return {};
    db::Query q;
    q.SetConnection(m_connection);
    q.SQL().SetText(sql);
    for (int i = 0; i < paramNames.size(); ++i)
        q.ParamByName(paramNames[i]).SetAsString(values[i]);
    q.Open();
    QStringList out;
    while (!q.Eof()) {
        if (q.FieldCount() > 0)
            out << q.Fields().at(0)->AsString();
        q.Next();
    }
    q.Close();
    return out;
}

int TqvConnectionCatalog::DBVer()
{
    if (!m_version) {
        int v = 99;
        try {
            const QStringList rows = firstColumn("select SERVERPROPERTY('productversion')", {}, {});
            bool ok = false;
            const int n = rows.value(0).section('.', 0, 0).toInt(&ok);
            if (ok)
                v = n;
        } catch (const std::exception&) {
        }
        m_version = v;
    }
    return *m_version;
}

QString TqvConnectionCatalog::DefSchema()
{
    if (!m_defSchema) {
        QString s = "dbo";
        try {
            if (DBVer() < 9) {
                s = m_userName;
            } else {
                const QStringList rows = firstColumn(
                    "select default_schema_name from sys.database_principals where name = user_name()", {}, {});
                if (!rows.isEmpty())
                    s = rows.first();
            }
        } catch (const std::exception&) {
            s = "dbo";
        }
        m_defSchema = s;
    }
    return *m_defSchema;
}

QStringList TqvConnectionCatalog::QueryColumns(const QString& query)
{
    if (!m_connection)
        return {};
    db::Query q;
    q.SetConnection(m_connection);
    q.SetParamCreate(false);
    q.SQL().SetText(query);
    q.Open();
    QStringList out;
    for (auto* f : q.Fields())
        out << f->DisplayName();
    q.Close();
    return out;
}

namespace {
QString useLine(const QString& database)
{
    QString db = database;
    return "Use [" + db.replace("]", "]]") + "] \n";
}
QString cacheKey(const char* kind, const QString& d, const QString& s, const QString& n)
{
    return QString::fromLatin1(kind) + '\x1f' + d.toLower() + '\x1f' + s.toLower() + '\x1f' + n.toLower();
}
} // namespace

QString TqvConnectionCatalog::SynonymBase(const QString& database, const QString& schema, const QString& name)
{
    const QString key = cacheKey("syn", database, schema, name);
    if (!m_cache.contains(key))
        m_cache.insert(key, firstColumn(useLine(database) +
                                            "select base_object_name from sys.synonyms where object_id = object_id(:OWNER + '.' + :NAME)",
                                        {"OWNER", "NAME"}, {schema, name}));
    return m_cache.value(key).value(0);
}

QStringList TqvConnectionCatalog::KeyColumns(const QString& database, const QString& schema, const QString& name)
{
    const QString key = cacheKey("key", database, schema, name);
    if (!m_cache.contains(key)) {
        const QString sql =
            m_isAzure ? QStringLiteral("select b.COLUMN_NAME  from sysobjects a              inner join INFORMATION_SCHEMA.KEY_COLUMN_USAGE b     on a.name = b.CONSTRAINT_NAME                        inner join sys.indexes c                             on b.CONSTRAINT_NAME  = c.name                       where a.xtype = N'PK' and TABLE_SCHEMA = :OWNER and TABLE_NAME = :TABLE ")
                      : QStringLiteral("select b.COLUMN_NAME  from sysobjects a              inner join INFORMATION_SCHEMA.KEY_COLUMN_USAGE b     on a.name = b.CONSTRAINT_NAME                        inner join sysindexes c                              on b.CONSTRAINT_NAME  = c.name                       where a.xtype = N'PK' and TABLE_SCHEMA = :OWNER and TABLE_NAME = :TABLE ");
        m_cache.insert(key, firstColumn(useLine(database) + sql, {"OWNER", "TABLE"}, {schema, name}));
    }
    return m_cache.value(key);
}

QStringList TqvConnectionCatalog::Columns(const QString& database, const QString& schema, const QString& name)
{
    const QString key = cacheKey("col", database, schema, name);
    if (!m_cache.contains(key))
        m_cache.insert(key, firstColumn(useLine(database) +
                                            "select name from syscolumns where id = object_id(:OWNER + '.' + :NAME) ORDER BY colid",
                                        {"OWNER", "NAME"}, {schema, name}));
    return m_cache.value(key);
}

} // namespace qv
