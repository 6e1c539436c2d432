#include "objects/login_text.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "tables/define_text.h"

namespace qv::login {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

// A literal argument of the system procedures: N'…', quotes doubled.
QString L(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }

bool From2005(const LoginState& s) { return s.dbVer >= 9; }

// The database switch pair before a mapping statement of a written script.
bool ScriptSwitch(const LoginState& s)
{
    if (!s.scriptMode)
        return true;
    switch (s.databaseOption) {
    case qmAlways: return !s.azure;
    case qmDiffLogin: return !s.azure && s.defaultDatabase.trimmed() != s.connectionDatabase.trimmed();
    default: return false;
    }
}

void Switch(QStringList& out, const QString& database)
{
    if (!database.trimmed().isEmpty())
        out << DatabaseSwitchLine(database.trimmed()) << Go;
}

QString CreateUser(const LoginState& s, const MappingRow& r)
{
    if (!From2005(s))
        return QStringLiteral("EXEC sp_grantdbaccess ") + Q(s.name) + QStringLiteral(", ") + Q(r.user);
    QString line = QStringLiteral("CREATE USER ") + Q(r.user) + QStringLiteral(" FOR LOGIN ") + Q(s.name);
    // A user without a default schema takes the server's default (dbo); "[]" would not run.
    if (!r.schema.trimmed().isEmpty())
        line += QStringLiteral(" WITH DEFAULT_SCHEMA = ") + Q(r.schema);
    return line;
}

// DEFAULT_DATABASE, DEFAULT_LANGUAGE and, for SQL Server authentication, the policy lines.
void Defaults(QStringList& out, const LoginState& s, const QString& prefix)
{
    if (s.azure)
        return;
    out << prefix + QStringLiteral("DEFAULT_DATABASE = ") + Q(s.defaultDatabase);
    out << QStringLiteral("    ,DEFAULT_LANGUAGE = ") + Q(s.language);
    if (s.sqlAuth) {
        out << QStringLiteral("    ,CHECK_POLICY     = ") + (s.policy ? QStringLiteral("ON") : QStringLiteral("OFF"));
        out << QStringLiteral("    ,CHECK_EXPIRATION = ") + (s.expiration ? QStringLiteral("ON") : QStringLiteral("OFF"));
    }
}
} // namespace

QString PasswordLiteral(const QString& password) { return L(password); }

QStringList CreateText(const LoginState& s)
{
    QStringList out;
    // A script never carries a password: only a new login's typed one is written.
    const QString password = s.isNew && !s.scriptMode ? s.password1 : QString();
    if (From2005(s)) {
        out << QStringLiteral("CREATE LOGIN ") + Q(s.name) + (s.sqlAuth ? QString() : QStringLiteral(" FROM WINDOWS")) +
                   QStringLiteral(" WITH");
        QString prefix = QStringLiteral("    ");
        if (s.sqlAuth) {
            out << QStringLiteral("    PASSWORD = ") + PasswordLiteral(password);
            prefix = QStringLiteral("    ,");
        }
        Defaults(out, s, prefix);
        out << Go;
        if (s.deny)
            out << QStringLiteral("ALTER LOGIN ") + Q(s.name) + QStringLiteral(" DISABLE") << Go;
    } else if (s.sqlAuth) {
        out << QStringLiteral("EXEC sp_addlogin ") + L(s.name.trimmed()) + QStringLiteral(", ") + PasswordLiteral(password) +
                   QStringLiteral(", ") + L(s.defaultDatabase.trimmed()) + QStringLiteral(", ") + L(s.language.trimmed())
            << Go;
    } else {
        out << (s.deny ? QStringLiteral("EXEC sp_denylogin ") : QStringLiteral("EXEC sp_grantlogin ")) + Q(s.name) << Go;
        out << QStringLiteral("EXEC sp_defaultdb ") + Q(s.name) + QStringLiteral(", ") + Q(s.defaultDatabase) << Go;
        out << QStringLiteral("EXEC sp_defaultlanguage ") + Q(s.name) + QStringLiteral(", ") + Q(s.language) << Go;
    }
    const bool useSwitch = ScriptSwitch(s);
    for (const MappingRow& r : s.users) {
        if (!r.mapped)
            continue;
        if (useSwitch)
            Switch(out, r.database);
        out << CreateUser(s, r) << Go;
    }
    return out;
}

QStringList AlterText(const LoginState& s)
{
    QStringList out;
    const bool newPassword = s.sqlAuth && s.password1 == s.password2 && s.passwordChanged;
    if (From2005(s)) {
        if (!s.azure || s.passwordChanged)
            out << QStringLiteral("ALTER LOGIN ") + Q(s.name) + QStringLiteral(" WITH");
        QString prefix = QStringLiteral("    ");
        if (newPassword || s.unlock) {
            QString line = QStringLiteral("    PASSWORD = ") + PasswordLiteral(s.password1);
            if (s.unlock && !s.azure)
                line += QStringLiteral(" UNLOCK");
            out << line;
            prefix = QStringLiteral("    ,");
        }
        Defaults(out, s, prefix);
        if (!out.isEmpty())
            out << Go;
        if (s.denyChanged)
            out << QStringLiteral("ALTER LOGIN ") + Q(s.name) + (s.deny ? QStringLiteral(" DISABLE") : QStringLiteral(" ENABLE"))
                << Go;
    } else {
        if (newPassword)
            out << QStringLiteral("EXEC sp_password NULL, ") + PasswordLiteral(s.password1) + QStringLiteral(", ") + Q(s.name)
                << Go;
        out << QStringLiteral("EXEC sp_defaultdb ") + Q(s.name) + QStringLiteral(", ") + Q(s.defaultDatabase) << Go;
        out << QStringLiteral("EXEC sp_defaultlanguage ") + Q(s.name) + QStringLiteral(", ") + Q(s.language) << Go;
        if (s.denyChanged)
            out << (s.deny ? QStringLiteral("EXEC sp_denylogin ") : QStringLiteral("EXEC sp_grantlogin ")) + Q(s.name) << Go;
    }
    for (const MappingRow& r : s.users) {
        if (r.mapped != r.loadedMapped) {
            Switch(out, r.database);
            if (r.mapped)
                out << CreateUser(s, r);
            else if (From2005(s))
                out << QStringLiteral("DROP USER ") + Q(r.loadedUser);
            else
                out << QStringLiteral("EXEC sp_revokedbaccess ") + Q(r.loadedUser);
            out << Go;
        } else if (r.mapped && (r.user != r.loadedUser || (From2005(s) && r.schema != r.loadedSchema))) {
            Switch(out, r.database);
            if (From2005(s)) {
                QString line = QStringLiteral("ALTER USER ") + Q(r.loadedUser) + QStringLiteral(" WITH NAME = ") + Q(r.user);
                if (!r.schema.trimmed().isEmpty())
                    line += QStringLiteral(", DEFAULT_SCHEMA = ") + Q(r.schema);
                out << line;
            } else {
                out << QStringLiteral("EXEC sp_revokedbaccess ") + Q(r.loadedUser) << Go;
                out << QStringLiteral("EXEC sp_grantdbaccess ") + Q(s.name) + QStringLiteral(", ") + Q(r.user) << Go;
            }
        }
    }
    return out;
}

QStringList DropText(const LoginState& s)
{
    QString line;
    if (From2005(s))
        line = QStringLiteral("DROP LOGIN ") + Q(s.name);
    else
        line = (s.sqlAuth ? QStringLiteral("EXEC sp_droplogin ") : QStringLiteral("EXEC sp_revokelogin ")) + Q(s.name);
    return {line, Go};
}

QString DeleteStatement(const QString& name, bool sqlAuth, int dbVer)
{
    if (dbVer >= 9)
        return QStringLiteral("DROP LOGIN ") + Q(name);
    return (sqlAuth ? QStringLiteral("EXEC sp_droplogin ") : QStringLiteral("EXEC sp_revokelogin ")) + Q(name);
}

PasswordCheck CheckPasswords(const LoginState& s)
{
    if (!s.sqlAuth)
        return PasswordCheck::Ok;
    // Clearing the lockout sets a password: it must be typed, twice, never left blank.
    if (s.unlock && !s.isNew) {
        if (s.password1 != s.password2)
            return PasswordCheck::Mismatch;
        if (s.password1.isEmpty() || !s.passwordChanged)
            return PasswordCheck::UnlockNeedsNew;
        return PasswordCheck::Ok;
    }
    const bool relevant = s.isNew || s.passwordChanged;
    if (relevant && s.password1 != s.password2)
        return PasswordCheck::Mismatch;
    if (relevant && s.password1.trimmed().isEmpty() && s.password2.trimmed().isEmpty())
        return PasswordCheck::Blank;
    return PasswordCheck::Ok;
}

QString UnlockNeedsPasswordText()
{
    return QStringLiteral("ロックアウトを解除するには、新しいパスワードを2回入力して下さい。");
}

namespace {
// The text of a literal as written: N'…' or '…' without quotes, trimmed.
QString LiteralText(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && (text.front() == u'N' || text.front() == u'n') && text.at(1) == u'\'')
        text.remove(0, 1);
    text.remove(u'\'');
    return text.trimmed();
}
} // namespace

bool SourceHasBlankPassword(const QStringList& lines, int dbVer)
{
    for (const QString& line : lines) {
        if (dbVer < 9) {
            const qsizetype at = line.indexOf(QStringLiteral("EXEC sp_addlogin "), 0, Qt::CaseInsensitive);
            if (at < 0)
                continue;
            const qsizetype first = line.indexOf(u',', at);
            if (first < 0)
                return true;
            qsizetype second = line.indexOf(u',', first + 1);
            if (second < 0)
                second = line.size();
            if (LiteralText(line.mid(first + 1, second - first - 1)).isEmpty())
                return true;
        } else {
            const qsizetype at = line.indexOf(QStringLiteral("PASSWORD ="), 0, Qt::CaseInsensitive);
            if (at < 0)
                continue;
            QString rest = line.mid(at + 10).trimmed();
            // What follows the literal (UNLOCK, a comma) is not the password.
            if (rest.endsWith(QStringLiteral("UNLOCK"), Qt::CaseInsensitive))
                rest.chop(6);
            if (LiteralText(rest).isEmpty())
                return true;
        }
    }
    return false;
}

QString LoginQuery(int dbVer, bool azure)
{
    QStringList p{QStringLiteral("select"), QStringLiteral("case")};
    if (azure) {
        p << QStringLiteral("when a.type = 'G' then '0'") << QStringLiteral("when a.type = 'U' then '1'")
          << QStringLiteral("when a.type = 'S' then '2'")
          << QStringLiteral("end as logintype, a.default_database_name, b.alias, a.is_disabled")
          << QStringLiteral("from sys.sql_logins a, syslanguages b")
          << QStringLiteral("where ((a.default_language_name like b.alias or a.default_language_name like b.name) or")
          << QStringLiteral("(a.default_language_name is NULL and b.langid = @@default_langid))")
          << QStringLiteral("and a.name = :Name;");
    } else if (dbVer >= 9) {
        p << QStringLiteral("when o.type = 'G' then '0'") << QStringLiteral("when o.type = 'U' then '1'")
          << QStringLiteral("when o.type = 'S' then '2'")
          << QStringLiteral("end as logintype, o.default_database_name, l.alias , is_disabled")
          << QStringLiteral("from sys.server_principals o, syslanguages l")
          << QStringLiteral("where ((o.default_language_name like l.alias or o.default_language_name like l.name) or")
          << QStringLiteral("(o.default_language_name is NULL and l.langid = @@default_langid))")
          << QStringLiteral("and o.name = :Name;");
    } else {
        p << QStringLiteral("when o.isntname = '1' and o.isntgroup = '1' then '0'")
          << QStringLiteral("when o.isntname = '1' and o.isntgroup = '0' then '1'")
          << QStringLiteral("when o.isntname = '0' and o.isntgroup = '0' then '2'")
          << QStringLiteral("end as logintype, o.dbname, l.alias , o.denylogin")
          << QStringLiteral("from syslogins o, syslanguages l")
          << QStringLiteral("where ((o.language like l.alias or o.language like l.name) or")
          << QStringLiteral("(o.language is NULL and l.langid = @@default_langid))") << QStringLiteral("and o.name = :Name;");
    }
    return QStringLiteral("use [master]\r\n") + p.join(u' ');
}

QString LoginOptionQuery(bool azure)
{
    return QStringLiteral("use [master]\r\n") +
           (azure ? QStringLiteral("select is_policy_checked, is_expiration_checked, '0' from sys.sql_logins where name = :NAME")
                  : QStringLiteral("select is_policy_checked, is_expiration_checked, LOGINPROPERTY(:NAME, 'IsLocked') "
                                   "from sys.sql_logins where name = :NAME"));
}

QString UserQuery(int dbVer, bool azure)
{
    if (azure)
        return QStringLiteral("select u.name, u.default_schema_name from sys.database_principals u inner join sys.sql_logins l "
                              "on u.sid = l.sid where (u.type in ('U', 'S', 'G', 'C', 'K')) and (l.name = :NAME)");
    if (dbVer >= 9)
        return QStringLiteral("SELECT u.name, u.default_schema_name FROM sys.database_principals AS u "
                              "WHERE (u.type in ('U', 'S', 'G', 'C', 'K')) and (u.sid = suser_sid(:NAME))");
    return QStringLiteral("SELECT u.name FROM sysusers AS u "
                          "WHERE (((u.issqlrole != 1 and u.isapprole != 1 ) or (u.sid=0x00)) and u.isaliased != 1 and "
                          "u.hasdbaccess != 0) and (u.sid = suser_sid(:NAME))");
}

QString DefaultLanguageQuery()
{
    return QStringLiteral("select alias from master.dbo.syslanguages where langid = @@default_langid");
}

QString LanguageListQuery() { return QStringLiteral("select alias from master.dbo.syslanguages"); }

bool FlagIsSet(const QString& value)
{
    const QString v = value.trimmed().toUpper();
    return v == QLatin1String("1") || v == QLatin1String("TRUE");
}

} // namespace qv::login
