#include "tables/cross_ref_text.h"

#include "app/object_types.h"
#include "app/qvstrings.h"
#include "connection/catalog_queries.h"
#include "platform/registry.h"

#include <QRegularExpression>

namespace qv::cross {

namespace {

// An object's name for object_id(): both parts bracketed, so that names with dots, blanks or
// brackets still name the object.
QString Bracketed(const QString& schema, const QString& name)
{
    return QuoteIdentifier(schema, true) + QStringLiteral(".") + QuoteIdentifier(name, true);
}
// N'[schema].[name]'
QString ObjLiteral(const QString& schema, const QString& name)
{
    return QStringLiteral("N") + QuoteLiteral(Bracketed(schema, name));
}
QString Lit(const QString& s) { return QuoteLiteral(s); }
QString NLit(const QString& s) { return QStringLiteral("N") + QuoteLiteral(s); }

int Code(const QString& xtype) { return int(XTypeToObjectType(xtype.trimmed())); }

QString Text(const QVariant& v) { return v.isNull() ? QString() : v.toString().trimmed(); }

} // namespace

const QList<int>& FilterTypes()
{
    static const QList<int> types{45, 46, 47, 51, 52, 57, 58, 60};
    return types;
}

int Node::Depth() const
{
    int d = 0;
    for (const Node& c : children)
        d = qMax(d, c.Depth() + 1);
    return d;
}

QStringList Node::Lines(int level) const
{
    QStringList out{QString(level, u'\t') + text};
    for (const Node& c : children)
        out << c.Lines(level + 1);
    return out;
}

QString KindQuery(const QString& database)
{
    return catalog::UseText(database) +
           QStringLiteral("select xtype from sysobjects where id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))");
}

QString KindQueryLiteral(const QString& database, const QString& schema, const QString& name)
{
    return catalog::UseText(database) + QStringLiteral("select xtype from sysobjects where id = object_id(") +
           ObjLiteral(schema, name) + QStringLiteral(")");
}

QString ReferencesQuery(const ReferencesInput& in)
{
    const QString q = ObjLiteral(in.schema, in.name);
    const QString x = in.xtype.trimmed();
    const bool table = x == QLatin1String("U") || x == QLatin1String("S");
    QString s;
    auto indexPart = [&](const QString& d) {
        return QStringLiteral("union select schema_name(b.schema_id), a.name, 'IX', ") + d +
               QStringLiteral(" from sys.indexes a inner join sys.objects b on a.object_id = b.object_id "
                              "where a.object_id = object_id(") +
               q + QStringLiteral(") and a.name is not null and a.name not like N'_WA_Sys%' ");
    };
    if (in.dbVer > 9 && in.azure) {
        const QString d = Lit(in.windowDatabase);
        if (x != QLatin1String("SN")) {
            s = QStringLiteral("select schema_name(b.schema_id), a.referenced_entity_name, b.type, ") + d +
                QStringLiteral(" from sys.sql_expression_dependencies a inner join sys.objects b "
                               "on b.object_id = object_id(a.referenced_entity_name) "
                               "where a.referencing_id = object_id(") +
                q + QStringLiteral(") ");
            if (in.withSelf)
                s += QStringLiteral("and object_id(a.referenced_entity_name) <> object_id(:PARENT) ");
        } else {
            s = QStringLiteral("select schema_name(b.schema_id), object_name(b.object_id), b.type, ") + d +
                QStringLiteral(" from sys.synonyms a inner join sys.objects b "
                               "on b.object_id = object_id(a.base_object_name) where a.object_id = object_id(") +
                q + QStringLiteral(") ");
            if (in.withSelf)
                s += QStringLiteral("and b.object_id <> object_id(:PARENT) ");
        }
        s += QStringLiteral("union select schema_name(c.schema_id), object_name(c.object_id), c.type, ") + d +
             QStringLiteral(" from sys.triggers a inner join sys.sql_expression_dependencies b "
                            "on a.object_id = b.referencing_id inner join sys.objects c "
                            "on b.referenced_id = c.object_id where a.parent_id = object_id(") +
             q + QStringLiteral(") ");
        s += QStringLiteral("union select schema_name(b.schema_id), object_name(a.referenced_object_id), b.type, ") +
             d +
             QStringLiteral(" from sys.foreign_keys a inner join sys.objects b "
                            "on a.referenced_object_id = b.object_id where a.parent_object_id = object_id(") +
             q + QStringLiteral(") ");
        if (table)
            s += indexPart(d);
        return s;
    }
    if (in.dbVer > 9) {
        const QString d = NLit(in.callDatabase);
        if (x != QLatin1String("TR")) {
            s = QStringLiteral("select distinct schema_name(b.uid), object_name(a.depid), b.xtype, ") + d +
                QStringLiteral(" from sysdepends a join sysobjects b on a.depid = b.id where a.id = object_id(") + q +
                QStringLiteral(") and b.xtype <> 'V' ");
            if (in.withSelf)
                s += QStringLiteral("and a.depid <> object_id(:PARENT) ");
        } else {
            s = QStringLiteral("select schema_name(b.uid), object_name(a.parent_obj), b.xtype, ") + d +
                QStringLiteral(" from sysobjects a join sysobjects b on a.parent_obj = b.id where a.id = object_id(") +
                q + QStringLiteral(") ");
            if (in.withSelf)
                s += QStringLiteral("and a.parent_obj <> object_id(:PARENT) ");
        }
        s += QStringLiteral("union select schema_name(b.uid), object_name(a.depid), c.xtype, ") + d +
             QStringLiteral(" from sysdepends a inner join sysobjects b on a.id = b.id "
                            "inner join sysobjects c on a.depid = c.id where b.xtype = 'TR' "
                            "and schema_name(b.uid) + '.' + object_name(a.depid) <> ") +
             NLit(in.schema) + QStringLiteral(" + '.' + ") + NLit(in.name) +
             QStringLiteral(" and b.parent_obj = object_id(") + q + QStringLiteral(") ");
        s += QStringLiteral("union select schema_name(c.uid), object_name(a.rkeyid), c.xtype, ") + d +
             QStringLiteral(" from sysreferences a inner join sysconstraints b on a.constid = b.constid "
                            "inner join sysobjects c on a.rkeyid = c.id where b.id = object_id(") +
             q + QStringLiteral(") ");
        // References into other databases.
        const bool onlyOwn = in.chosen.size() == 1 && in.chosen.first() == in.windowDatabase;
        if (!onlyOwn) {
            s += QStringLiteral("union select referenced_schema_name, referenced_entity_name, ' ', "
                                "referenced_database_name from sys.sql_expression_dependencies "
                                "where referencing_id = object_id(") +
                 q + QStringLiteral(")");
            QStringList others;
            for (const QString& c : in.chosen)
                if (c != in.windowDatabase)
                    others << NLit(c);
            if (!others.isEmpty())
                s += QStringLiteral(" and referenced_database_name in(") + others.join(u',') + QStringLiteral(")");
            s += QStringLiteral(" ");
        }
        if (table)
            s += indexPart(d);
        return s;
    }
    // SQL Server 2000 and 2005.
    const QString d = Lit(in.windowDatabase);
    const QString o = catalog::VerStr(in.dbVer, 9, QStringLiteral("schema_name(b.uid)"), QStringLiteral("user_name(b.uid)"));
    const QString oc = catalog::VerStr(in.dbVer, 9, QStringLiteral("schema_name(c.uid)"), QStringLiteral("user_name(c.uid)"));
    if (x != QLatin1String("TR")) {
        s = QStringLiteral("select distinct ") + o + QStringLiteral(", object_name(a.depid), b.xtype, ") + d +
            QStringLiteral(" from sysdepends a join sysobjects b on a.depid = b.id where a.id = object_id(") + q +
            QStringLiteral(")");
        if (in.withSelf)
            s += QStringLiteral(" and a.depid <> object_id(:PARENT)");
    } else {
        s = QStringLiteral("select ") + o + QStringLiteral(", object_name(a.parent_obj), b.xtype, ") + d +
            QStringLiteral(" from sysobjects a join sysobjects b on a.parent_obj = b.id where a.id = object_id(") + q +
            QStringLiteral(")");
        if (in.withSelf)
            s += QStringLiteral(" and a.parent_obj <> object_id(:PARENT)");
    }
    if (x == QLatin1String("U")) {
        s += QStringLiteral(" union select ") + o + QStringLiteral(", object_name(a.depid), c.xtype, ") + d +
             QStringLiteral(" from sysdepends a inner join sysobjects b on a.id = b.id "
                            "inner join sysobjects c on a.depid = c.id where b.xtype = 'TR' and ") +
             o + QStringLiteral(" + '.' + object_name(a.depid) <> ") + NLit(in.schema) + QStringLiteral(" + '.' + ") +
             NLit(in.name) + QStringLiteral(" and b.parent_obj = object_id(") + q + QStringLiteral(")");
        s += QStringLiteral(" union select ") + oc + QStringLiteral(", object_name(a.rkeyid), c.xtype, ") + d +
             QStringLiteral(" from sysreferences a inner join sysconstraints b on a.constid = b.constid "
                            "inner join sysobjects c on a.rkeyid = c.id where b.id = object_id(") +
             q + QStringLiteral(")");
    }
    return s;
}

QString ReferencedByQuery(int dbVer, bool azure, const QString& schema, const QString& name, bool withType,
                          bool withSelf)
{
    const QString q = ObjLiteral(schema, name);
    QString s;
    if (azure) {
        s = QStringLiteral("select schema_name(b.schema_id), object_name(a.referencing_id), b.type "
                           "from sys.sql_expression_dependencies a inner join sys.objects b "
                           "on a.referencing_id = b.object_id inner join sys.objects c "
                           "on object_id(a.referenced_entity_name) = c.object_id "
                           "where object_id(a.referenced_entity_name) = object_id(") +
            q + QStringLiteral(") and b.type not in ('PK', 'UQ', 'F', 'D', 'C') ");
        if (withType)
            s += QStringLiteral(" and c.type = :TYPE");
        if (withSelf)
            s += QStringLiteral(" and b.object_id <> object_id(:PARENT) ");
        s += QStringLiteral("union select schema_name(schema_id), name, type from sys.synonyms "
                            "where object_id(base_object_name) = object_id(") +
             q + QStringLiteral(") ");
        s += QStringLiteral("union select schema_name(b.schema_id), a.name, a.type from sys.triggers a "
                            "inner join sys.objects b on a.parent_id = b.object_id where a.parent_id = object_id(") +
             q + QStringLiteral(") ");
        s += QStringLiteral("union select schema_name(b.schema_id), object_name(a.parent_object_id), b.type "
                            "from sys.foreign_keys a inner join sys.objects b on a.parent_object_id = b.object_id "
                            "where referenced_object_id = object_id(") +
             q + QStringLiteral(") ");
        return s;
    }
    const QString o = catalog::VerStr(dbVer, 9, QStringLiteral("schema_name(b.uid)"), QStringLiteral("user_name(b.uid)"));
    const QString oc = catalog::VerStr(dbVer, 9, QStringLiteral("schema_name(c.uid)"), QStringLiteral("user_name(c.uid)"));
    s = QStringLiteral("select distinct ") + o +
        QStringLiteral(", object_name(a.id), b.xtype from sysdepends a join sysobjects b on a.id = b.id "
                       "where a.depid = object_id(") +
        q + QStringLiteral(") and b.xtype not in ('PK', 'UQ', 'F', 'D', 'C')");
    // The referenced object (the node itself) has the node's type, as on Azure.
    if (withType)
        s += QStringLiteral(" and (select t.xtype from sysobjects t where t.id = a.depid) = :TYPE");
    if (withSelf)
        s += QStringLiteral(" and a.id <> object_id(:PARENT) ");
    s += QStringLiteral("\r\nunion select ") + o +
         QStringLiteral(", object_name(a.fkeyid), b.xtype from sysreferences a inner join sysobjects b "
                        "on a.fkeyid = b.id where a.rkeyid = object_id(") +
         q + QStringLiteral(") union select ") + oc +
         QStringLiteral(", c.name, c.xtype from sysobjects c inner join sysobjects d "
                        "on c.parent_obj = d.id and c.xtype = 'TR' where c.parent_obj = object_id(") +
         q + QStringLiteral(")");
    if (dbVer >= 9)
        s += QStringLiteral("\r\nunion select schema_name(f.uid), e.name, f.xtype from sys.synonyms e "
                            "inner join sysobjects f on e.object_id = f.id "
                            "where object_id(e.base_object_name) = object_id(") +
             q + QStringLiteral(")");
    return s;
}

QString OtherDbReferencedByQuery(const QString& chosen, const QString& database, const QString& schema,
                                 const QString& name)
{
    return catalog::UseText(chosen) +
           QStringLiteral("select * from (select object_name(a.referencing_id) object_name "
                          ",schema_name(b.schema_id) schema_name ,isnull(a.referenced_database_name,") +
           NLit(chosen) + QStringLiteral(") referenced_database_name ,isnull(a.referenced_schema_name, ") +
           NLit(QStringLiteral("dbo")) +
           QStringLiteral(") referenced_schema_name ,a.referenced_entity_name ,b.type "
                          "from sys.sql_expression_dependencies a inner join sys.objects b "
                          "on a.referencing_id = b.object_id ) aa where aa.referenced_database_name = ") +
           NLit(database) + QStringLiteral(" and aa.referenced_schema_name = ") + NLit(schema) +
           QStringLiteral(" and aa.referenced_entity_name = ") + NLit(name);
}

// ---- the walks ------------------------------------------------------------------------

bool Walker::Passes(int code) const
{
    return !FilterTypes().contains(code) || !m_ctx.hiddenTypes.contains(code);
}

Node Walker::References(const QString& schema, const QString& name, int rootImage)
{
    Node root;
    root.text = schema + QStringLiteral(".") + name;
    root.image = rootImage;
    AddReferences(root, 0, m_ctx.database, schema, name, false);
    return root;
}

Node Walker::ReferencedBy(const QString& schema, const QString& name, int rootImage)
{
    Node root;
    root.text = schema + QStringLiteral(".") + name;
    root.image = rootImage;
    AddReferencedBy(root, 0, schema, name, false, QString());
    if (CrossDatabase())
        AddOtherDbReferencedBy(root, 0, m_ctx.database, schema, name);
    return root;
}

void Walker::AddReferences(Node& node, int level, const QString& database, const QString& schema,
                           const QString& name, bool withSelf)
{
    const QList<QVariantList> kind = m_read(KindQuery(database), {schema, name});
    ReferencesInput in;
    in.dbVer = m_ctx.dbVer;
    in.azure = m_ctx.azure;
    in.xtype = kind.isEmpty() || kind.first().isEmpty() ? QString() : Text(kind.first().first());
    in.schema = schema;
    in.name = name;
    in.callDatabase = database;
    in.windowDatabase = m_ctx.database;
    in.chosen = m_ctx.chosen;
    in.withSelf = withSelf;
    QStringList params;
    if (withSelf)
        params << Bracketed(schema, name);
    const QList<QVariantList> rows = m_read(catalog::UseText(database) + ReferencesQuery(in), params);
    for (const QVariantList& row : rows) {
        if (row.size() < 4)
            continue;
        const QString rs = Text(row.at(0));
        const QString rn = Text(row.at(1));
        const QString type = Text(row.at(2));
        QString rowDb = Text(row.at(3));
        int code;
        if (type.isEmpty()) {
            if (rowDb.isEmpty())
                continue;
            const QList<QVariantList> k = m_read(KindQueryLiteral(rowDb, rs, rn), {});
            code = k.isEmpty() || k.first().isEmpty() ? 255 : Code(Text(k.first().first()));
        } else {
            code = Code(type);
        }
        if (!Passes(code))
            continue;
        if (rowDb.isEmpty())
            rowDb = database;
        Node child;
        child.image = code;
        child.subItems = {rs, rn, rowDb};
        child.text = (rowDb != m_ctx.database ? rowDb + QStringLiteral(".") : QString()) + rs + QStringLiteral(".") + rn;
        if (level + 1 < m_ctx.crossLevel)
            AddReferences(child, level + 1, rowDb, rs, rn, true);
        node.children << child;
    }
}

void Walker::AddReferencedBy(Node& node, int level, const QString& schema, const QString& name, bool withSelf,
                             const QString& type)
{
    const bool withType = !type.isEmpty();
    QStringList params;
    if (withType)
        params << type;
    if (withSelf)
        params << Bracketed(schema, name);
    const QList<QVariantList> rows =
        m_read(catalog::UseText(m_ctx.database) +
                   ReferencedByQuery(m_ctx.dbVer, m_ctx.azure, schema, name, withType, withSelf),
               params);
    for (const QVariantList& row : rows) {
        if (row.size() < 3)
            continue;
        const QString rs = Text(row.at(0));
        const QString rn = Text(row.at(1));
        const QString rowType = Text(row.at(2));
        const int code = Code(rowType);
        if (!Passes(code))
            continue;
        Node child;
        child.image = code;
        child.text = rs + QStringLiteral(".") + rn;
        if (CrossDatabase())
            AddOtherDbReferencedBy(child, level + 1, m_ctx.database, rs, rn);
        if (level + 1 <= m_ctx.crossLevel)
            AddReferencedBy(child, level + 1, rs, rn, true, rowType);
        node.children << child;
    }
}

void Walker::AddOtherDbReferencedBy(Node& node, int level, const QString& database, const QString& schema,
                                    const QString& name)
{
    for (const QString& c : m_ctx.chosen) {
        const QList<QVariantList> rows = m_read(OtherDbReferencedByQuery(c, database, schema, name), {});
        for (const QVariantList& row : rows) {
            if (row.size() < 6)
                continue;
            const QString objectName = Text(row.at(0));
            const QString schemaName = Text(row.at(1));
            const int code = Code(Text(row.at(5)));
            if (!Passes(code))
                continue;
            // Objects of the window's own database right below the root are already listed.
            if (c == m_ctx.database && level == 0)
                continue;
            Node child;
            child.image = code;
            child.text = c + QStringLiteral(".") + schemaName + QStringLiteral(".") + objectName;
            child.subItems = {c, schemaName, objectName};
            if (level + 1 < m_ctx.crossLevel)
                AddOtherDbReferencedBy(child, level + 1, c, schemaName, objectName);
            node.children << child;
        }
    }
}

// ---- the stored choice ------------------------------------------------------------------

QString ChoiceKey(const QString& server) { return SettingsRootKey + QStringLiteral("\\CROSSDB\\") + server; }

QStringList ParseChoice(const QString& text)
{
    return text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")), Qt::SkipEmptyParts);
}

QString ChoiceText(const QStringList& names)
{
    QString out;
    for (const QString& n : names)
        out += n + QStringLiteral("\r\n");
    return out;
}

QStringList KeepExisting(const QStringList& chosen, const QStringList& databases)
{
    QStringList out;
    for (const QString& n : chosen)
        if (databases.contains(n, Qt::CaseInsensitive))
            out << n;
    return out;
}

QStringList LoadChoice(const QString& server)
{
    TqvRegistry reg;
    if (!reg.OpenKey(ChoiceKey(server), false))
        return {};
    const QStringList names = ParseChoice(reg.GetString(QStringLiteral("DataBase"), QString()));
    reg.CloseKey();
    return names;
}

void SaveChoice(const QString& server, const QStringList& names)
{
    TqvRegistry reg;
    if (reg.OpenKey(ChoiceKey(server), true)) {
        reg.WriteString(QStringLiteral("DataBase"), ChoiceText(names));
        reg.CloseKey();
    }
}

} // namespace qv::cross
