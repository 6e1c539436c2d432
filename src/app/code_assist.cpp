#include "app/code_assist.h"

#include "app/object_types.h"
#include "app/qvstrings.h"
#include "app/sqltext/comments.h"
#include "app/sqltext/parser.h"
#include "app/sqltext/script_text.h"
#include "platform/db/query.h"

#include <memory>

namespace qv {

namespace {

using Rows = std::vector<QStringList>;

// Runs one catalog statement: parameters by position, every row read as texts.
Rows openRows(db::Query& q, const QString& sql, const QStringList& params = {})
{
    q.Close();
    q.SetParamCreate(true);
    q.SetSQLText(sql);
    for (int i = 0; i < params.size() && i < q.Params().Count(); ++i)
        q.Params()[i].SetAsWideString(params.at(i));
    q.Open();
    Rows rows;
    for (q.First(); !q.Eof(); q.Next()) {
        QStringList row;
        for (int f = 0; f < q.FieldCount(); ++f)
            row << q.Fields().at(f)->AsString();
        rows.push_back(row);
    }
    return rows;
}

enum class Part { Database, Schema, Table, Alias, Synonym, Procedure, Prefix };

struct Context {
    const CodeAssistRequest& req;
    db::Query& q;
    bool azure = false;

    QString ownerExpr(const QString& prefix = QString()) const
    {
        return req.dbVer < 9 ? QStringLiteral("upper(user_name(%1uid))").arg(prefix)
                             : QStringLiteral("upper(schema_name(%1uid))").arg(prefix);
    }
    QString schemaListSql(const QString& db) const
    {
        return CodeAssistUse(db)
               + (req.dbVer < 9 ? QStringLiteral("select name from sysusers order by name ")
                                : QStringLiteral("select name from sys.schemas order by name "));
    }
};

} // namespace

QString CodeAssistUse(const QString& database)
{
    if (database.trimmed().isEmpty())
        return QString(); // no database to switch to: the session's current one
    return QStringLiteral("use ") + QuoteIdentifier(database, true) + QStringLiteral("\r\n");
}

std::optional<CodeAssistList> BuildCodeAssistList(const CodeAssistRequest& req)
{
    if (!req.query)
        return std::nullopt;
    db::Query& q = *req.query;
    Context ctx{req, q};

    // Azure test on a query of its own.
    {
        db::Query test;
        test.SetConnection(q.GetConnection());
        const Rows r = openRows(test, QStringLiteral("select serverproperty('Edition')"));
        ctx.azure = !r.empty() && !r.front().isEmpty() && r.front().front().trimmed() == QLatin1String("SQL Azure");
    }

    QString token = req.token;
    const bool unfinished = !token.endsWith(QLatin1Char('.'));
    if (!unfinished)
        token.chop(1);
    QStringList parts = token.split(QLatin1Char('.'));
    if (parts.size() >= 5)
        return std::nullopt;
    bool listDatabases = false, listSchemas = false;
    const QString schemaUpper = req.schema.toUpper();
    if (!req.token.isEmpty() && parts.size() == 1 && parts[0].isEmpty()) {
        parts[0] = req.schema;
        listSchemas = true;
    } else if (parts.size() == 2 || parts.size() == 3) {
        if (parts[0].isEmpty())
            parts[0] = req.database;
        if (parts[1].isEmpty())
            parts[1] = schemaUpper;
    } else if (parts.size() == 4) {
        if (parts[0].isEmpty() && parts[1].isEmpty() && parts[2].isEmpty() && parts[3].isEmpty())
            return std::nullopt;
    }
    if (req.token.isEmpty() || unfinished)
        listDatabases = listSchemas = true;

    QString curDB = req.database;
    std::vector<Part> kinds;
    QString synDb, synSchema, synName;   // base object of a synonym
    QString aliasTable;                  // table name of an alias as written
    for (int i = 0; i < parts.size(); ++i) {
        QString part = NormalizeNamePart(parts[i]);
        parts[i] = part;
        const QString owner = i == 0 ? schemaUpper : parts[i - 1].toUpper();
        const QString name = part.toUpper();
        if (i == parts.size() - 1 && unfinished) {
            kinds.push_back(Part::Prefix);
            break;
        }
        // Database
        {
            const Rows r = openRows(q, ctx.azure
                                           ? QStringLiteral("select name from sys.sysdatabases where upper(name) = :NAME")
                                           : QStringLiteral("select name from master.dbo.sysdatabases where has_dbaccess(name) = 1 and upper(name) = :NAME "),
                                    {name});
            if (!r.empty()) {
                curDB = r.front().value(0);
                parts[i] = curDB;
                kinds.push_back(Part::Database);
                continue;
            }
        }
        // Table or view
        {
            const Rows r = openRows(q, CodeAssistUse(curDB)
                                           + QStringLiteral("select name from sysobjects where xtype in (N'U', N'S', N'V') and ")
                                           + ctx.ownerExpr() + QStringLiteral(" = :OWNER collate database_default and upper(name) = :NAME "),
                                    {owner, name});
            if (!r.empty()) {
                kinds.push_back(Part::Table);
                continue;
            }
        }
        // Synonym of a table or view
        if (req.dbVer > 8) {
            const QString base = GetSynonymBaseObject(curDB, owner, name, [&](const QString& sql, const QList<QPair<QString, QVariant>>& params) {
                QStringList values;
                for (const auto& p : params)
                    values << p.second.toString();
                const Rows r = openRows(q, sql, values);
                return r.empty() ? QVariant() : QVariant(r.front().value(0));
            });
            if (!base.isEmpty()) {
                QString a, b, c;
                SplitThreePartName(base, a, b, c);
                if (b.isEmpty()) {
                    // One- and two-part base names live in the synonym's own database.
                    const QStringList pieces = db::splitQualifiedName(base);
                    a = curDB;
                    b = pieces.size() >= 2 ? pieces.at(pieces.size() - 2) : owner;
                    c = pieces.isEmpty() ? base : pieces.last();
                }
                synDb = a.isEmpty() ? curDB : a;
                synSchema = b;
                synName = c;
                kinds.push_back(Part::Synonym);
                continue;
            }
        }
        // Alias of a table in the edited statements
        if (i == 0) {
            QStringList lines = req.editorText;
            StripSQLComments(lines, false);
            TqvParseList columns, tables, orderBy;
            QStringList where, groupBy, having;
            QString viewName;
            try {
                ParseSQLStatement(lines.join(QStringLiteral("\r\n")), columns, tables, orderBy, where, groupBy, having, QString(), viewName);
            } catch (const std::exception&) {
            }
            bool found = false;
            for (int t = 0; t < tables.Count(); ++t) {
                if (tables.Alias(t).compare(part, Qt::CaseInsensitive) == 0 && !tables.Alias(t).isEmpty()) {
                    aliasTable = tables.ObjectName(t);
                    found = true;
                    break;
                }
            }
            if (found) {
                kinds.push_back(Part::Alias);
                continue;
            }
        }
        // Schema
        {
            const Rows r = openRows(q, CodeAssistUse(curDB)
                                           + (req.dbVer < 9 ? QStringLiteral("select name from sysusers where upper(name) = :NAME ")
                                                            : QStringLiteral("select name from sys.schemas where upper(name) = :NAME ")),
                                    {name});
            if (!r.empty()) {
                kinds.push_back(Part::Schema);
                continue;
            }
        }
        // Procedure or function: no list after it
        {
            const Rows r = openRows(q, QStringLiteral("select name from sysobjects where xtype in (N'P', N'RF', N'X', N'FN', N'IF', N'TF') and ")
                                           + ctx.ownerExpr() + QStringLiteral(" = :OWNER collate database_default and upper(name) = :NAME "),
                                    {owner, name});
            if (!r.empty()) {
                kinds.push_back(Part::Procedure);
                continue;
            }
        }
        return std::nullopt;
    }

    // Choosing the list.
    enum class L { None, O, OWords, S, C };
    L list = L::None;
    QString db = req.database, sch = schemaUpper, table, prefix;
    const auto P = [&](int i) { return parts.value(i); };
    const auto is = [&](std::initializer_list<Part> pattern) {
        return kinds.size() == pattern.size() && std::equal(kinds.begin(), kinds.end(), pattern.begin());
    };
    const auto useSynonym = [&]() {
        list = L::C;
        db = synDb;
        sch = synSchema.toUpper();
        table = synName.toUpper();
    };
    using enum Part;
    if (is({Schema})) {
        list = L::O; sch = P(0).toUpper();
    } else if (is({Prefix})) {
        list = L::OWords; prefix = P(0);
    } else if (is({Table})) {
        list = L::C; table = P(0).toUpper();
    } else if (is({Alias}) || is({Alias, Prefix})) {
        list = L::C;
        const qsizetype dot = aliasTable.indexOf(QLatin1Char('.'));
        if (dot < 0) {
            table = NormalizeNamePart(aliasTable);
        } else {
            sch = NormalizeNamePart(aliasTable.left(dot));
            table = NormalizeNamePart(aliasTable.mid(dot + 1));
            if (kinds.size() == 1 && aliasTable.mid(dot + 1).contains(QLatin1Char('.'))) {
                // database.schema.table
                const QString first = aliasTable.left(dot);
                if (!StripBrackets(first).isEmpty())
                    db = StripBrackets(first);
                const QString rest = aliasTable.mid(dot + 1);
                const qsizetype dot2 = rest.indexOf(QLatin1Char('.'));
                sch = StripBrackets(rest.left(dot2));
                table = StripBrackets(rest.mid(dot2 + 1));
            }
            if (sch.isEmpty())
                sch = schemaUpper;
        }
        sch = sch.toUpper();
        table = table.toUpper();
        if (kinds.size() == 2)
            prefix = P(1);
    } else if (is({Synonym}) || is({Schema, Synonym}) || is({Database, Schema, Synonym})) {
        useSynonym();
    } else if (is({Synonym, Prefix}) || is({Schema, Synonym, Prefix}) || is({Database, Schema, Synonym, Prefix})) {
        useSynonym(); prefix = P(int(kinds.size()) - 1);
    } else if (is({Database})) {
        list = L::S; db = P(0);
    } else if (is({Database, Schema})) {
        list = L::O; db = P(0); sch = P(1).toUpper();
    } else if (is({Schema, Prefix})) {
        list = L::O; sch = P(0).toUpper(); prefix = P(1);
    } else if (is({Schema, Table})) {
        list = L::C; sch = P(0).toUpper(); table = P(1).toUpper();
    } else if (is({Table, Prefix})) {
        list = L::C; table = P(0).toUpper(); prefix = P(1);
    } else if (is({Database, Schema, Table})) {
        list = L::C; db = P(0); sch = P(1).toUpper(); table = P(2).toUpper();
    } else if (is({Database, Schema, Prefix})) {
        list = L::O; db = P(0); sch = P(1).toUpper(); prefix = P(2);
    } else if (is({Schema, Table, Prefix})) {
        list = L::C; sch = P(0).toUpper(); table = P(1).toUpper(); prefix = P(2);
    } else if (is({Database, Schema, Table, Prefix})) {
        list = L::C; db = P(0); sch = P(1).toUpper(); table = P(2).toUpper(); prefix = P(3);
    }
    if (list == L::None)
        return std::nullopt;

    CodeAssistList out;
    out.unfinished = unfinished;
    if (unfinished)
        out.buffer = prefix.toUpper();

    if (list == L::O || list == L::OWords) {
        out.kind = CodeAssistList::Objects;
        out.caption1 = QStringLiteral("オブジェクト名");
        out.caption2 = QStringLiteral("タイプ");
        if (listDatabases) {
            const Rows r = openRows(q, ctx.azure ? QStringLiteral("select name from sys.databases")
                                                 : QStringLiteral("select name from master.dbo.sysdatabases where has_dbaccess(name) = 1"));
            for (const QStringList& row : r)
                out.rows.push_back({row.value(0), QStringLiteral("DATABASE"), row.value(0) == req.database ? 116 : 1});
        }
        if (listSchemas) {
            for (const QStringList& row : openRows(q, ctx.schemaListSql(db)))
                out.rows.push_back({row.value(0), QStringLiteral("SCHEMA"), row.value(0) == req.schema ? 3 : 2});
        }
        const QString owner = req.dbVer < 9 ? QStringLiteral("upper(user_name(d.uid)) = :OWNER collate database_default ")
                                            : QStringLiteral("upper(schema_name(d.uid)) = :OWNER collate database_default ");
        const QString sql = CodeAssistUse(db)
            + QStringLiteral("select name, xtype, case when xtype in (N'U', N'S') then 1 when xtype = N'V' then 2 "
                             "when xtype in (N'PK', N'F', N'C', N'D', N'UQ') then 4 when xtype in (N'P', N'RF', N'X') then 5 "
                             "when xtype in (N'FN', N'IF', N'TF') then 6 when xtype = N'TR' then 7 when xtype = N'SO' then 8 "
                             "when xtype = N'SN' then 9 end as Sort from sysobjects ")
            + QStringLiteral("where xtype in(N'U', N'S', N'V', N'PK', N'F', N'C', N'D', N'UQ', N'P', N'RF', N'X', N'FN', N'IF', N'TF', N'TR', N'SN', N'SO') ")
            + QStringLiteral("and ") + ctx.ownerExpr() + QStringLiteral(" = :OWNER collate database_default ")
            + QStringLiteral("union ")
            + (ctx.azure ? QStringLiteral("select c.name, N'IX' as xtype, 3 as Sort from sys.indexes c inner join sys.sysobjects d on object_id(c.name) = d.id ")
                         : QStringLiteral("select c.name, N'IX' as xtype, 3 as Sort from sysindexes c inner join sysobjects d on d.id = c.id "))
            + QStringLiteral("where c.name not like N'_WA_Sys%' and ") + owner
            + QStringLiteral("order by Sort, name ");
        // Both owner tests take the same value; the parameters are bound by position.
        for (const QStringList& row : openRows(q, sql, {sch, sch})) {
            const QString xtype = row.value(1).trimmed();
            out.rows.push_back({row.value(0), XTypeToTypeName(xtype), int(XTypeToObjectType(xtype))});
        }
        if (list == L::OWords)
            for (const QString& w : req.reservedWords)
                out.rows.push_back({w, QStringLiteral("KEYWORD"), 10});
    } else if (list == L::S) {
        out.kind = CodeAssistList::Schemas;
        out.caption1 = QStringLiteral("スキーマ名");
        out.caption2 = QStringLiteral("タイプ");
        for (const QStringList& row : openRows(q, ctx.schemaListSql(db)))
            out.rows.push_back({row.value(0), QStringLiteral("SCHEMA"), row.value(0) == req.schema ? 3 : 2});
    } else {
        out.kind = CodeAssistList::Columns;
        out.caption1 = QStringLiteral("列名");
        out.caption2 = QStringLiteral("データ型");
        const Rows cols = openRows(q, CodeAssistUse(db)
                                          + QStringLiteral("select COLUMN_NAME, DATA_TYPE, CHARACTER_OCTET_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE, "
                                                           "CHARACTER_MAXIMUM_LENGTH from INFORMATION_SCHEMA.COLUMNS "
                                                           "where upper(TABLE_SCHEMA) = :OWNER and upper(TABLE_NAME) = :TABLENAME order by ORDINAL_POSITION "),
                                   {sch, table});
        if (cols.empty())
            return std::nullopt;
        QStringList keys;
        {
            db::Query pk;
            pk.SetConnection(q.GetConnection());
            const Rows r = openRows(pk, CodeAssistUse(db)
                                            + QStringLiteral("select b.COLUMN_NAME  from sysobjects a "
                                                             "inner join INFORMATION_SCHEMA.KEY_COLUMN_USAGE b on a.name = b.CONSTRAINT_NAME ")
                                            + (ctx.azure ? QStringLiteral("inner join sys.indexes c on b.CONSTRAINT_NAME  = c.name ")
                                                         : QStringLiteral("inner join sysindexes c on b.CONSTRAINT_NAME  = c.name "))
                                            + QStringLiteral("where a.xtype = N'PK' and upper(TABLE_SCHEMA) = :OWNER and upper(TABLE_NAME) = :TABLENAME "),
                                    {sch, table});
            for (const QStringList& row : r)
                keys << row.value(0);
        }
        out.rows.push_back({QStringLiteral("*"), QString(), -1});
        for (const QStringList& c : cols) {
            const QString type = c.value(1);
            const QString upper = type.toUpper();
            QString size;
            if (upper == QLatin1String("CHAR") || upper == QLatin1String("NCHAR") || upper == QLatin1String("BINARY")) {
                size = c.value(5);
            } else if (upper == QLatin1String("VARCHAR") || upper == QLatin1String("NVARCHAR") || upper == QLatin1String("VARBINARY")) {
                size = (req.dbVer > 8 && c.value(5) == QLatin1String("-1")) ? QStringLiteral("max") : c.value(5);
            } else if (upper == QLatin1String("NUMERIC") || upper == QLatin1String("DECIMAL")) {
                if (!c.value(3).isEmpty())
                    size = c.value(3) + QLatin1Char(',') + c.value(4);
            } else if (upper == QLatin1String("FLOAT") || upper == QLatin1String("REAL")) {
                size = c.value(3);
            }
            const bool key = keys.contains(c.value(0), Qt::CaseInsensitive);
            out.rows.push_back({c.value(0), size.isEmpty() ? type : type + QLatin1Char('(') + size + QLatin1Char(')'), key ? 46 : -1});
        }
    }
    if (out.rows.empty())
        return std::nullopt;
    return out;
}

} // namespace qv
