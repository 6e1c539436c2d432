#include "admin/session/session_text.h"

#include "app/qvstrings.h"
#include "connection/catalog_queries.h"
#include "platform/db/driver.h"

#include <QRegularExpression>

namespace qv::sessiontext {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }

// Names in generated statements are always bracketed, "]" doubled.
QString Q(const QString& name) { return QuoteIdentifier(name, true); }

// A list caption as a process id: digits only after trimming.
bool SpidOf(const QString& caption, qint64& spid)
{
    bool ok = false;
    const QString t = caption.trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(t).hasMatch())
        return false;
    spid = t.toLongLong(&ok);
    return ok;
}

const QString DbNameExpr = QStringLiteral("case when dbid = 0 then db_name(2) else db_name(dbid) end");
} // namespace

QString AllDatabases() { return S("(すべて)"); }

void SetSecondSessionParams(db::ParamList& params, const Logon& logon)
{
    params.setValue(QStringLiteral("ApplicationName"), logon.applicationName);
    if (logon.windowsAuth) {
        params.setValue(QStringLiteral("User_Name"), QString());
        params.setValue(QStringLiteral("Password"), QString());
        params.setValue(QStringLiteral("OSAuthent"), QStringLiteral("Yes"));
    } else {
        params.setValue(QStringLiteral("User_Name"), logon.login);
        params.setValue(QStringLiteral("Password"), logon.password);
        params.setValue(QStringLiteral("OSAuthent"), QStringLiteral("No"));
    }
    params.setValue(QStringLiteral("Server"), logon.server);
    params.setValue(QStringLiteral("Database"), logon.database);
    if (logon.azure) {
        params.setValue(QStringLiteral("User_Name"), logon.login + QStringLiteral("@") + logon.server);
        params.setValue(QStringLiteral("OSAuthent"), QStringLiteral("No"));
    }
}

QString OwnSpidSql() { return QStringLiteral("select @@SPID"); }

QString InputBufferSql(const QString& caption)
{
    qint64 spid = 0;
    if (!SpidOf(caption, spid))
        return QString();
    return QStringLiteral("dbcc inputbuffer (") + QString::number(spid) + QStringLiteral(")");
}

QString OneLine(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    t.replace(u'\r', u' ');
    t.replace(u'\n', u' ');
    return t;
}

QString ProcessListSql(const ProcessFilter& filter, int ownSpid)
{
    const QStringList head = {
        QStringLiteral("select"),        QStringLiteral("spid"),     QStringLiteral(",status"),
        QStringLiteral(",loginame"),     QStringLiteral(",") + DbNameExpr + QStringLiteral(" dbname"),
        QStringLiteral(",nt_domain"),    QStringLiteral(",nt_username"), QStringLiteral(",hostname"),
        QStringLiteral(",program_name"), QStringLiteral(",cmd"),     QStringLiteral("from"),
        QStringLiteral("master..sysprocesses"), QStringLiteral("where")};
    QString condition;
    if (!filter.database.isEmpty() && filter.database != AllDatabases())
        // One form for both kinds: a LIKE pattern would let "_", "%" and "[" in a database name
        // match other databases.
        condition = QStringLiteral("   and  ") + DbNameExpr + QStringLiteral(" = N") + QuoteLiteral(filter.database);
    const QString own = QStringLiteral("   and  spid <> ") + QString::number(ownSpid);
    QString tail;
    if (filter.user && filter.background)
        tail = QStringLiteral("spid <> ") + QString::number(ownSpid) + condition;
    else if (filter.background)
        tail = QStringLiteral("status = 'background'") + condition + own;
    else
        tail = QStringLiteral("status <> 'background' ") + condition + own;
    return head.join(u' ') + u' ' + tail;
}

QString SpidCaption(qint64 spid) { return QStringLiteral("%1").arg(spid, 8); }

QString OsUser(const QString& domain, const QString& user)
{
    const QString d = domain.trimmed();
    return d.isEmpty() ? user.trimmed() : d + QStringLiteral("\\") + user.trimmed();
}

QString ProgramName(const QString& program)
{
    const QString t = program.trimmed();
    const qsizetype cut = std::max(t.lastIndexOf(u'\\'), t.lastIndexOf(u'/'));
    return cut < 0 ? t : t.mid(cut + 1);
}

QString KillSql(const QString& caption)
{
    qint64 spid = 0;
    if (!SpidOf(caption, spid))
        return QString();
    return QStringLiteral("KILL ") + QString::number(spid);
}

QString LockListSql(bool filtered)
{
    return QStringLiteral(
               "select l.req_spid, rtrim(p.loginame) as loginname, rtrim(p.hostname) as hostname, "
               "rtrim(p.program_name) as program_name, p.cmd, object_name(l.rsc_objid) as objectname, l.rsc_type, "
               "l.req_mode, p.blocked, sum(p.waittime), db_name(rsc_dbid) from master.dbo.syslockinfo l with (NOLOCK) "
               "left outer join master.dbo.sysprocesses p on p.spid = l.req_spid ")
        + (filtered ? QStringLiteral("where db_name(rsc_dbid) = :DATABASE ") : QString())
        + QStringLiteral("group by l.req_spid, rtrim(p.loginame), rtrim(p.hostname), rtrim(p.program_name), p.cmd, "
                         "object_name(l.rsc_objid), l.rsc_type, l.req_mode, p.blocked, db_name(rsc_dbid) "
                         "order by l.req_spid ");
}

QString ResourceTypeText(int type)
{
    static const char* const texts[] = {"", "DB", "FILE", "INDEX", "TABLE", "PAGE", "KEY", "EXTENT", "RID", "APPLICATION"};
    if (type >= 1 && type <= 10)
        return QString::fromLatin1(texts[type - 1]);
    return QString::number(type);
}

QString RequestModeText(int mode)
{
    static const char* const texts[] = {"",           "ｽｷｰﾏ安定度", "ｽｷｰﾏ修正",   "共有",         "更新",
                                        "排他",       "共有ｲﾝﾃﾝﾄ",  "更新ｲﾝﾃﾝﾄ",  "排他ｲﾝﾃﾝﾄ",   "共有更新ｲﾝﾃﾝﾄ",
                                        "共有排他ｲﾝﾃﾝﾄ", "更新排他ｲﾝﾃﾝﾄ", "BU", "S_S", "S_U", "I_N", "I_S", "I_U",
                                        "I_X", "X_S", "X_U", "X_X"};
    if (mode >= 0 && mode <= 21)
        return QString::fromUtf8(texts[mode]);
    return QString::number(mode);
}

QString NonZeroText(const QString& value)
{
    const QString t = value.trimmed();
    bool ok = false;
    const double v = t.toDouble(&ok);
    return (t.isEmpty() || (ok && v == 0)) ? QString() : t;
}

QString StatNamesSql(const QString& database, int version)
{
    const QStringList pieces = {
        QStringLiteral("SELECT st.name AS [Name] FROM dbo.sysobjects AS tbl"),
        // From 2005 on sysobjects.uid is the schema id, which is not a user id.
        version >= 9 ? QStringLiteral("INNER JOIN sys.schemas AS stbl ON stbl.schema_id = tbl.uid")
                     : QStringLiteral("INNER JOIN sysusers AS stbl ON stbl.uid = tbl.uid"),
        QStringLiteral("INNER JOIN dbo.sysindexes st ON ("),
        QStringLiteral("(st.indid <> 0 and st.indid <> 255) and 0 = OBJECTPROPERTY(st.id,'IsMSShipped'))"),
        QStringLiteral("AND (st.id=tbl.id)"),
        QStringLiteral("WHERE (tbl.type in ('U', 'S', 'V')) and (tbl.name = :NAME and stbl.name= :OWNER)"),
        QStringLiteral("ORDER BY [Name] ASC")};
    return catalog::UseText(database) + pieces.join(u' ');
}

namespace {
QString Prefix(const QString& database) { return QStringLiteral("USE ") + Q(database); }
} // namespace

QString UpdateStatisticsSql(const QString& database, const QString& schema, const QString& name, StatMode mode,
                            const QString& sample, bool percent)
{
    QString sql = Prefix(database) + QStringLiteral(" UPDATE STATISTICS ") + Q(schema) + QStringLiteral(".") + Q(name);
    if (mode == StatMode::Estimated) {
        // The sample goes into the statement: only a whole number above 0 is taken.
        qint64 n = 0;
        if (!SpidOf(sample, n) || n <= 0)
            return QString();
        sql += QStringLiteral(" WITH SAMPLE ") + QString::number(n) + (percent ? QStringLiteral(" PERCENT") : QStringLiteral(" ROWS"));
    } else if (mode != StatMode::Exact) {
        return QString();
    }
    return sql;
}

QString DropStatisticsSql(const QString& database, const QString& schema, const QString& table,
                          const QString& statistics)
{
    // The schema names the table: without it the name resolves in the login's default schema.
    return Prefix(database) + QStringLiteral(" DROP STATISTICS ") + Q(schema) + QStringLiteral(".") + Q(table)
        + QStringLiteral(".") + Q(statistics);
}

QString PercentSample(const QString& sample)
{
    bool ok = false;
    const double v = sample.trimmed().toDouble(&ok);
    return ok && v > 100 ? QStringLiteral("100") : sample;
}

} // namespace qv::sessiontext
