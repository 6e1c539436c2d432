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
        m_tables.clear();
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

namespace {
QString literal(const QString& value)
{
    QString v = value;
    return "N'" + v.replace('\'', "''") + "'";
}
} // namespace

QString BuilderTableSql(const QString& database, const QString& schema, const QString& name, bool withSynonym,
                        bool isAzure)
{
    const QString owner = literal(schema), object = literal(name);
    const QString id = "object_id(" + owner + " + '.' + " + object + ")";
    QString sql = useLine(database);
    if (withSynonym)
        sql += "select 1 as kind, 0 as colid, base_object_name collate database_default as name from sys.synonyms "
               "where object_id = " + id + "\nunion all\n";
    sql += withSynonym ? QStringLiteral("select 2, 0, ") : QStringLiteral("select 2 as kind, 0 as colid, ");
    sql += "b.COLUMN_NAME collate database_default";
    if (!withSynonym)
        sql += " as name";
    sql += " from sysobjects a inner join INFORMATION_SCHEMA.KEY_COLUMN_USAGE b on a.name = b.CONSTRAINT_NAME ";
    sql += isAzure ? QStringLiteral("inner join sys.indexes c") : QStringLiteral("inner join sysindexes c");
    sql += " on b.CONSTRAINT_NAME = c.name where a.xtype = N'PK' and TABLE_SCHEMA = " + owner +
           " and TABLE_NAME = " + object + "\nunion all\n";
    sql += "select 3, colid, name collate database_default from syscolumns where id = " + id + "\norder by 1, 2";
    return sql;
}

TqvTableCatalog TqvConnectionCatalog::TableCatalog(const QString& database, const QString& schema,
                                                   const QString& name, bool withSynonym)
{
    const QString key = cacheKey(withSynonym ? "tab+" : "tab", database, schema, name);
    auto it = m_tables.constFind(key);
    if (it != m_tables.constEnd())
        return *it;
    TqvTableCatalog answer;
    if (m_connection) {
        db::Query q;
        q.SetConnection(m_connection);
        q.SetParamCreate(false);
        q.SQL().SetText(BuilderTableSql(database, schema, name, withSynonym, m_isAzure));
        q.Open();
        while (!q.Eof()) {
            const int kind = q.Fields().at(0)->AsInteger();
            const QString value = q.Fields().at(2)->AsString();
            if (kind == 1 && answer.SynonymBase.isEmpty())
                answer.SynonymBase = value;
            else if (kind == 2)
                answer.Keys << value;
            else if (kind == 3)
                answer.Columns << value;
            q.Next();
        }
        q.Close();
    }
    m_tables.insert(key, answer);
    return answer;
}

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
