#include "connection/object_script.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "connection/catalog_queries.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "tables/define_script.h"

#include <QBuffer>
#include <QHash>
#include <QIODevice>
#include <QScopeGuard>
#include <optional>

namespace qv {

namespace {

const QString CRLF = QStringLiteral("\r\n");

QHash<TObjectTypeCode, ScriptRoutine>& Routines()
{
    static QHash<TObjectTypeCode, ScriptRoutine> routines;
    return routines;
}

bool IsSourceKind(TObjectTypeCode code)
{
    return code == ObjType::Procedure || code == ObjType::Function || code == ObjType::View ||
           code == ObjType::Trigger;
}

// Restores ScriptOption.Drop on every way out.
class DropGuard {
public:
    DropGuard() : m_saved(ScriptOption.Drop) {}
    ~DropGuard() { ScriptOption.Drop = m_saved; }
    bool saved() const { return m_saved; }

private:
    bool m_saved;
};

} // namespace

void RegisterScriptRoutine(TObjectTypeCode code, ScriptRoutine routine) { Routines().insert(code, std::move(routine)); }

void UnregisterScriptRoutine(TObjectTypeCode code) { Routines().remove(code); }

namespace {

// A definition window's class-level script routine under this registry's contract: the window
// is built invisibly for the connection window, writes UTF-16 LE into a memory stream and ends
// with the silent abort; the DROP pass is chosen through the script option it reads.
ScriptRoutine DefinitionWindowScript(DefineScriptRoutine routine)
{
    return [routine = std::move(routine)](const ScriptContext& context, const ScriptRequest& r) -> QString {
        if (!context.owner)
            throw Exception(NoScriptRoutineText());
        DefineScriptRequest d;
        d.objectType = static_cast<int>(r.type);
        d.database = r.database;
        d.schema = r.schema;
        d.name = r.objectName;
        d.newSchema = r.newSchema;
        d.newName = r.newObjectName;
        d.tableName = r.tableName;
        d.withIndexes = r.index;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const auto restore = qScopeGuard([drop = ScriptOption.Drop] { ScriptOption.Drop = drop; });
        ScriptOption.Drop = r.drop;
        try {
            routine(context.owner, d, buffer);
        } catch (const EAbort&) {
            // the routine's normal end
        }
        const QByteArray& bytes = buffer.data();
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    };
}

} // namespace

ScriptRoutine FindScriptRoutine(TObjectTypeCode code)
{
    const auto it = Routines().constFind(code);
    if (it != Routines().constEnd())
        return it.value();
    // Procedures, functions, views and triggers: the catalog's text as it stands, byte for byte
    // (their windows' own script routines serve the windows).
    if (IsSourceKind(code))
        return SourceScript;
    // The definition windows built so far script their own kinds.
    if (const DefineScriptRoutine own = DefinitionScripts().value(static_cast<int>(code)))
        return DefinitionWindowScript(own);
    return {};
}

QString NoScriptRoutineText() { return QStringLiteral("この種類のスクリプト出力はまだありません"); }

// ---- source objects ----------------------------------------------------------------------

QString SourceQuery(int dbVer, const QString& database)
{
    if (dbVer >= 9)
        return catalog::UseText(database) +
               QStringLiteral("select definition from sys.sql_modules where object_id = object_id(:NAME)");
    // syscomments keeps the text in pieces of up to 4000 characters; the stored length of
    // each piece keeps the blanks at its end whatever the driver does with them.
    return catalog::UseText(database) +
           QStringLiteral("select text, datalength(text) / 2 from syscomments where id = object_id(:NAME) "
                          "order by number, colid");
}

QString ReadObjectSource(TObjectSession& session, const QString& database, const QString& schema,
                         const QString& objectName)
{
    const QString name = QuoteIdentifier(schema, true) + QLatin1Char('.') + QuoteIdentifier(objectName, true);
    db::Query* q = session.OpenSQL(SourceQuery(session.DBVer, database), {name});
    QString text;
    bool any = false;
    for (q->First(); !q->Eof(); q->Next()) {
        db::Field* f = q->Fields().at(0);
        if (f->IsNull())
            continue;
        any = true;
        QString piece = f->AsString();
        if (session.DBVer < 9 && q->Fields().size() > 1) {
            const int stored = q->Fields().at(1)->AsInteger();
            if (piece.size() < stored)
                piece += QString(stored - piece.size(), QLatin1Char(' '));
        }
        text += piece;
    }
    q->Close();
    if (!any)
        throw Exception(QStringLiteral("%1.%2 のソースを読めません（存在しないか、暗号化されています）。")
                            .arg(schema, objectName));
    return text;
}

namespace {

// Skips blanks and comments from i; returns the index of the next token.
qsizetype SkipBlanksAndComments(const QString& s, qsizetype i)
{
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && s.at(i + 1) == QLatin1Char('-')) {
            while (i < n && s.at(i) != QLatin1Char('\n') && s.at(i) != QLatin1Char('\r'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && s.at(i + 1) == QLatin1Char('*')) {
            int depth = 0;
            while (i < n) {
                if (s.at(i) == QLatin1Char('/') && i + 1 < n && s.at(i + 1) == QLatin1Char('*')) {
                    ++depth;
                    i += 2;
                } else if (s.at(i) == QLatin1Char('*') && i + 1 < n && s.at(i + 1) == QLatin1Char('/')) {
                    i += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++i;
                }
            }
        } else {
            break;
        }
    }
    return i;
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#') ||
           c == QLatin1Char('$');
}

// The word at i (letters and digits), upper-cased; end receives its end.
QString WordAt(const QString& s, qsizetype i, qsizetype* end)
{
    qsizetype j = i;
    while (j < s.size() && IsWordChar(s.at(j)))
        ++j;
    *end = j;
    return s.mid(i, j - i).toUpper();
}

// One part of a multi-part name at i (bracketed, double-quoted or plain); the end of it, or -1.
qsizetype NamePartEnd(const QString& s, qsizetype i)
{
    if (i >= s.size())
        return -1;
    const QChar c = s.at(i);
    if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
        const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
        qsizetype j = i + 1;
        while (j < s.size()) {
            if (s.at(j) == close) {
                if (j + 1 < s.size() && s.at(j + 1) == close) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return -1;
    }
    qsizetype j = i;
    while (j < s.size() && IsWordChar(s.at(j)))
        ++j;
    return j > i ? j : -1;
}

} // namespace

QString ReplaceCreateName(const QString& source, const QString& qualifiedName)
{
    qsizetype i = SkipBlanksAndComments(source, 0);
    qsizetype end = 0;
    if (WordAt(source, i, &end) != QLatin1String("CREATE"))
        return source;
    i = SkipBlanksAndComments(source, end);
    QString word = WordAt(source, i, &end);
    if (word == QLatin1String("OR")) {
        i = SkipBlanksAndComments(source, end);
        if (WordAt(source, i, &end) != QLatin1String("ALTER"))
            return source;
        i = SkipBlanksAndComments(source, end);
        word = WordAt(source, i, &end);
    }
    static const QStringList kinds = {QStringLiteral("PROC"), QStringLiteral("PROCEDURE"), QStringLiteral("FUNCTION"),
                                      QStringLiteral("VIEW"), QStringLiteral("TRIGGER")};
    if (!kinds.contains(word))
        return source;
    const qsizetype start = SkipBlanksAndComments(source, end);
    qsizetype j = start;
    for (;;) {
        const qsizetype partEnd = NamePartEnd(source, j);
        if (partEnd < 0)
            return source;
        qsizetype k = partEnd;
        while (k < source.size() && (source.at(k) == QLatin1Char(' ') || source.at(k) == QLatin1Char('\t')))
            ++k;
        if (k < source.size() && source.at(k) == QLatin1Char('.')) {
            ++k;
            while (k < source.size() && (source.at(k) == QLatin1Char(' ') || source.at(k) == QLatin1Char('\t')))
                ++k;
            j = k;
            continue;
        }
        return source.left(start) + qualifiedName + source.mid(partEnd);
    }
}

QStringList ScriptUseLines(const TObjectSession& session, const QString& database)
{
    if (session.IsAzure || database.isEmpty())
        return {};
    const bool write = ScriptOption.Database == qmAlways ||
                       (ScriptOption.Database == qmDiffLogin &&
                        database.trimmed().compare(session.g_DataBase, Qt::CaseInsensitive) != 0);
    if (!write)
        return {};
    return {QStringLiteral("use ") + QuoteIdentifier(database, true), QStringLiteral("go")};
}

QString ScriptObjectName(const TObjectSession& session, const QString& schema, const QString& name)
{
    const bool qualify = !schema.isEmpty() &&
                         (ScriptOption.Owner == qmAlways ||
                          (ScriptOption.Owner == qmDiffLogin && schema != session.GetCurrentSchema()));
    return qualify ? QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(name) : QuoteIdentifier(name);
}

QString SourceScript(const ScriptContext& context, const ScriptRequest& r)
{
    if (!context.session)
        throw Exception(QStringLiteral("接続がありません。"));
    TObjectSession& session = *context.session;
    QString text = JoinTextLines(ScriptUseLines(session, r.database));
    if (r.drop) {
        text += QStringLiteral("DROP ") + GetObjectTypeName(r.type) + QLatin1Char(' ') +
                ScriptObjectName(session, r.schema, r.objectName) + CRLF + QStringLiteral("go") + CRLF;
        return text;
    }
    QString source = ReadObjectSource(session, r.database, r.schema, r.objectName);
    if (!r.newSchema.isEmpty() || !r.newObjectName.isEmpty()) {
        const QString schema = r.newSchema.isEmpty() ? r.schema : r.newSchema;
        const QString name = r.newObjectName.isEmpty() ? r.objectName : r.newObjectName;
        source = ReplaceCreateName(source, QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(name));
    }
    text += source;
    if (!source.endsWith(QLatin1Char('\n')) && !source.endsWith(QLatin1Char('\r')))
        text += CRLF;
    text += QStringLiteral("go") + CRLF;
    return text;
}

// ---- writing -----------------------------------------------------------------------------

void WriteScriptText(QIODevice* stream, const QString& text)
{
    if (!stream || text.isEmpty())
        return;
    const bool memory = qobject_cast<QBuffer*>(stream) != nullptr;
    const TextEncoding& enc = memory ? TextEncoding::get(TextEncoding::Utf16LE) : TextEncoding::fromOption(qvOption.Encoding);
    const QByteArray bytes = enc.encode(text);
    if (stream->write(bytes) != bytes.size())
        throw Exception(QStringLiteral("スクリプトを書き込めません: ") + stream->errorString());
}

void WriteObjectScript(const ScriptContext& context, TObjectTypeCode type, const QString& database,
                       const QString& schema, const QString& objectName, QIODevice* stream,
                       const QString& newSchema, const QString& newObjectName, bool appendDrop,
                       const QString& tableName)
{
    const ScriptRoutine routine = FindScriptRoutine(type);
    if (!routine)
        throw Exception(NoScriptRoutineText());
    ScriptRequest r;
    r.type = type;
    r.database = database;
    r.schema = schema;
    r.objectName = objectName;
    r.newSchema = newSchema;
    r.newObjectName = newObjectName;
    r.tableName = tableName;
    r.index = ScriptOption.Index;

    DropGuard guard;
    std::optional<Exception> failure;
    if (appendDrop) {
        r.drop = true;
        try {
            WriteScriptText(stream, routine(context, r));
        } catch (const std::exception& e) {
            failure.emplace(QString::fromUtf8(e.what()));
        }
    }
    ScriptOption.Drop = false;
    r.drop = false;
    try {
        WriteScriptText(stream, routine(context, r));
    } catch (const std::exception& e) {
        if (!failure)
            failure.emplace(QString::fromUtf8(e.what()));
    }
    if (failure)
        throw *failure;
}

void OutputScript(const ScriptContext& context, TObjectTypeCode type, const QString& database,
                  const QString& schema, const QString& objectName, QIODevice* stream,
                  const QString& newSchema, const QString& newObjectName, bool appendDrop,
                  const QString& tableName) noexcept
{
    try {
        WriteObjectScript(context, type, database, schema, objectName, stream, newSchema, newObjectName, appendDrop,
                          tableName);
    } catch (...) {
    }
}

QString ObjectScriptText(const ScriptContext& context, TObjectTypeCode type, const QString& database,
                         const QString& schema, const QString& objectName)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    OutputScript(context, type, database, schema, objectName, &buffer, {}, {}, false, {});
    return TextEncoding::get(TextEncoding::Utf16LE).decode(buffer.data());
}

// ---- permissions -------------------------------------------------------------------------

namespace {

const char* const DatabasePermissionCodes[][2] = {
    {"AL", "ALTER"}, {"ALAK", "ALTER ANY ASYMMETRIC KEY"}, {"ALAR", "ALTER ANY APPLICATION ROLE"},
    {"ALAS", "ALTER ANY ASSEMBLY"}, {"ALCF", "ALTER ANY CERTIFICATE"}, {"ALDS", "ALTER ANY DATASPACE"},
    {"ALED", "ALTER ANY DATABASE EVENT NOTIFICATION"}, {"ALFT", "ALTER ANY FULLTEXT CATALOG"},
    {"ALMT", "ALTER ANY MESSAGE TYPE"}, {"ALRL", "ALTER ANY ROLE"}, {"ALRT", "ALTER ANY ROUTE"},
    {"ALSB", "ALTER ANY REMOTE SERVICE BINDING"}, {"ALSC", "ALTER ANY CONTRACT"},
    {"ALSK", "ALTER ANY SYMMETRIC KEY"}, {"ALSM", "ALTER ANY SCHEMA"}, {"ALSV", "ALTER ANY SERVICE"},
    {"ALTG", "ALTER ANY DATABASE DDL TRIGGER"}, {"ALUS", "ALTER ANY USER"}, {"AUTH", "AUTHENTICATE"},
    {"BADB", "BACKUP DATABASE"}, {"BALO", "BACKUP LOG"}, {"CL", "CONTROL"}, {"CO", "CONNECT"},
    {"CORP", "CONNECT REPLICATION"}, {"CP", "CHECKPOINT"}, {"CRAG", "CREATE AGGREGATE"},
    {"CRAK", "CREATE ASYMMETRIC KEY"}, {"CRAS", "CREATE ASSEMBLY"}, {"CRCF", "CREATE CERTIFICATE"},
    {"CRDB", "CREATE DATABASE"}, {"CRDF", "CREATE DEFAULT"}, {"CRED", "CREATE DATABASE DDL EVENT NOTIFICATION"},
    {"CRFN", "CREATE FUNCTION"}, {"CRFT", "CREATE FULLTEXT CATALOG"}, {"CRMT", "CREATE MESSAGE TYPE"},
    {"CRPR", "CREATE PROCEDURE"}, {"CRQU", "CREATE QUEUE"}, {"CRRL", "CREATE ROLE"}, {"CRRT", "CREATE ROUTE"},
    {"CRRU", "CREATE RULE"}, {"CRSB", "CREATE REMOTE SERVICE BINDING"}, {"CRSC", "CREATE CONTRACT"},
    {"CRSK", "CREATE SYMMETRIC KEY"}, {"CRSM", "CREATE SCHEMA"}, {"CRSN", "CREATE SYNONYM"},
    {"CRSV", "CREATE SERVICE"}, {"CRTB", "CREATE TABLE"}, {"CRTY", "CREATE TYPE"}, {"CRVW", "CREATE VIEW"},
    {"CRXS", "CREATE XML SCHEMA COLLECTION"}, {"DL", "DELETE"}, {"EX", "EXECUTE"}, {"IM", "IMPERSONATE"},
    {"IN", "INSERT"}, {"RC", "RECEIVE"}, {"RF", "REFERENCES"}, {"SL", "SELECT"}, {"SN", "SEND"},
    {"SPLN", "SHOWPLAN"}, {"SUQN", "SUBSCRIBE QUERY NOTIFICATIONS"}, {"TO", "TAKE OWNERSHIP"}, {"UP", "UPDATE"},
    {"VW", "VIEW DEFINITION"}, {"VWDS", "VIEW DATABASE STATE"},
};

const char* const ObjectPermissionCodes[][2] = {
    {"AL", "ALTER"}, {"CL", "CONTROL"}, {"DL", "DELETE"}, {"EX", "EXECUTE"}, {"IN", "INSERT"},
    {"RF", "REFERENCES"}, {"SL", "SELECT"}, {"TO", "TAKE OWNERSHIP"}, {"UP", "UPDATE"}, {"VW", "VIEW DEFINITION"},
};

const std::pair<int, const char*> ActionNumbers[] = {
    {26, "REFERENCES"}, {178, "CREATE FUNCTION"}, {193, "SELECT"}, {195, "INSERT"}, {196, "DELETE"},
    {197, "UPDATE"}, {198, "CREATE TABLE"}, {203, "CREATE DATABASE"}, {207, "CREATE VIEW"},
    {222, "CREATE PROCEDURE"}, {224, "EXECUTE"}, {228, "BACKUP DATABASE"}, {233, "CREATE DEFAULT"},
    {235, "BACKUP LOG"}, {236, "CREATE RULE"},
};

template <size_t N>
QString TypeCase(const QString& column, const char* const (&codes)[N][2])
{
    QString s = QStringLiteral("case ") + column;
    for (const auto& c : codes)
        s += QStringLiteral(" when '%1' then N'%2'").arg(QLatin1String(c[0]), QLatin1String(c[1]));
    return s + QStringLiteral(" else NULL end");
}

QString ActionCase(const QString& column)
{
    QString s = QStringLiteral("case ") + column;
    for (const auto& [number, name] : ActionNumbers)
        s += QStringLiteral(" when %1 then N'%2'").arg(number).arg(QLatin1String(name));
    return s + QStringLiteral(" else NULL end");
}

} // namespace

QString GrantQuery(int dbVer, bool isDB, const QString& database)
{
    // GRANTABLE: N'YES' with grant option, N'DENY' for a denial, N'NO' for a plain grant.
    const QString state9 = QStringLiteral("case p.state_desc when N'GRANT_WITH_GRANT_OPTION' then N'YES' "
                                          "when N'DENY' then N'DENY' else N'NO' end");
    const QString state8 = QStringLiteral("case b.protecttype when 204 then N'YES' when 206 then N'DENY' else N'NO' end");
    QString sql;
    if (isDB && dbVer >= 9)
        sql = QStringLiteral("select user_name(p.grantee_principal_id), ") + TypeCase(QStringLiteral("p.type"), DatabasePermissionCodes) +
              QStringLiteral(", ") + state9 +
              QStringLiteral(", db_name() from sys.database_permissions as p where p.class_desc = N'DATABASE'");
    else if (isDB)
        sql = QStringLiteral("select distinct user_name(b.uid), ") + ActionCase(QStringLiteral("b.action")) +
              QStringLiteral(", ") + state8 + QStringLiteral(", db_name() from sysprotects as b where b.id = 0");
    else if (dbVer >= 9)
        sql = QStringLiteral("select d.name, ") + TypeCase(QStringLiteral("p.type"), ObjectPermissionCodes) +
              QStringLiteral(", ") + state9 +
              QStringLiteral(", a.name from sys.objects as a"
                             " inner join sys.database_permissions as p on p.major_id = a.object_id and p.minor_id = 0 and p.class = 1"
                             " inner join sys.database_principals as g on g.principal_id = p.grantor_principal_id"
                             " inner join sys.database_principals as d on d.principal_id = p.grantee_principal_id"
                             " where a.object_id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))");
    else
        sql = QStringLiteral("select distinct user_name(b.uid), ") + ActionCase(QStringLiteral("b.action")) +
              QStringLiteral(", ") + state8 +
              QStringLiteral(", object_name(b.id) from sysprotects as b"
                             " inner join sysobjects as c on c.id = b.id"
                             " where user_name(c.uid) = :OWNER collate database_default"
                             " and c.name = :NAME collate database_default");
    return catalog::UseText(database) + sql + QStringLiteral(" ORDER BY 1, 2, 3");
}

QStringList GrantLines(TObjectSession& session, const QString& database, const QString& schema,
                       const QString& objectName, bool isDB)
{
    if (session.IsAzure && database.toUpper() != session.g_DataBase.toUpper())
        return {};
    struct Row {
        QString grantee, privilege, grantable, object;
    };
    std::vector<Row> rows;
    {
        db::Query* q = isDB ? session.OpenSQL(GrantQuery(session.DBVer, true, database))
                            : session.OpenSQL(GrantQuery(session.DBVer, false, database), {schema, objectName});
        for (q->First(); !q->Eof(); q->Next())
            rows.push_back({q->Fields().at(0)->AsString(), q->Fields().at(1)->IsNull() ? QString() : q->Fields().at(1)->AsString(),
                            q->Fields().at(2)->AsString(), q->Fields().at(3)->AsString()});
        q->Close();
    }

    QStringList lines;
    if (!session.IsAzure &&
        ((ScriptOption.Database == qmAlways && !rows.empty()) ||
         (ScriptOption.Database == qmDiffLogin &&
          database.trimmed().compare(session.g_DataBase, Qt::CaseInsensitive) != 0))) {
        lines << QStringLiteral("use ") + QuoteIdentifier(database, true) << QStringLiteral("go");
    }

    QStringList principals;
    if (isDB && !rows.empty())
        session.GetUser(principals, database, true);

    for (const Row& row : rows) {
        const QString privilege = row.privilege.trimmed();
        if (privilege.isEmpty())
            continue; // a permission the lists above do not name
        const bool deny = row.grantable == QLatin1String("DENY");
        QString stmt = deny ? QStringLiteral("DENY ") : QStringLiteral("GRANT ");
        if (isDB) {
            if (!principals.contains(row.grantee))
                continue;
            stmt += privilege + QStringLiteral(" TO ") + QuoteIdentifier(row.grantee);
        } else {
            const bool qualify = ScriptOption.Owner == qmAlways ||
                                 (ScriptOption.Owner == qmDiffLogin && schema != session.GetCurrentSchema());
            stmt += privilege + QStringLiteral(" ON ");
            stmt += qualify ? QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(row.object)
                            : QuoteIdentifier(row.object);
            stmt += QStringLiteral(" TO ") + QuoteIdentifier(row.grantee);
        }
        if (row.grantable == QLatin1String("YES"))
            stmt += QStringLiteral(" WITH GRANT OPTION");
        lines << stmt << QStringLiteral("go");
    }
    return lines;
}

void OutputGrant(TObjectSession& session, const QString& database, const QString& schema,
                 const QString& objectName, QIODevice* stream, bool isDB)
{
    const QStringList lines = GrantLines(session, database, schema, objectName, isDB);
    if (!lines.isEmpty())
        WriteScriptText(stream, JoinTextLines(lines));
}

} // namespace qv
