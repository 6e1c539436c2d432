#include "objects/sequence_text.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "tables/define_text.h"

namespace qv::seq {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

QString Target(const QString& schema, const QString& name) { return Q(schema) + QLatin1Char('.') + Q(name); }

QString Use(const QString& database) { return DatabaseSwitchLine(database.trimmed()) + QStringLiteral("\r\n"); }

QString CacheClause(const Definition& d)
{
    switch (d.cache) {
    case Cache::Specified: return QStringLiteral("CACHE ") + d.cacheSize.trimmed();
    case Cache::None: return QStringLiteral("NO CACHE");
    default: return QStringLiteral("CACHE ");
    }
}
} // namespace

TypeDefaults DefaultsFor(const QString& type)
{
    const QString t = type.trimmed().toLower();
    if (t == QLatin1String("tinyint"))
        return {QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("255")};
    if (t == QLatin1String("smallint"))
        return {QStringLiteral("5"), QStringLiteral("-32768"), QStringLiteral("32767")};
    if (t == QLatin1String("int"))
        return {QStringLiteral("10"), QStringLiteral("-2147483648"), QStringLiteral("2147483647")};
    if (t == QLatin1String("bigint"))
        return {QStringLiteral("19"), QStringLiteral("-9223372036854775808"), QStringLiteral("9223372036854775807")};
    if (t == QLatin1String("decimal") || t == QLatin1String("numeric"))
        return {QStringLiteral("18"), QStringLiteral("-999999999999999999"), QStringLiteral("999999999999999999")};
    return {};
}

bool IsIntegerType(const QString& type)
{
    const QString t = type.trimmed().toLower();
    return t == QLatin1String("tinyint") || t == QLatin1String("smallint") || t == QLatin1String("int") ||
           t == QLatin1String("bigint");
}

bool TypeLimits(int systemTypeId, QString& lowest, QString& highest)
{
    QString type;
    switch (systemTypeId) {
    case 48: type = QStringLiteral("tinyint"); break;
    case 52: type = QStringLiteral("smallint"); break;
    case 56: type = QStringLiteral("int"); break;
    case 127: type = QStringLiteral("bigint"); break;
    case 106: type = QStringLiteral("decimal"); break;
    case 108: type = QStringLiteral("numeric"); break;
    default: return false;
    }
    const TypeDefaults d = DefaultsFor(type);
    lowest = d.minimum;
    highest = d.maximum;
    return true;
}

QString WithoutPoints(const QString& text)
{
    QString out = text;
    out.remove(QLatin1Char('.'));
    return out;
}

QString DefinitionQuery(const QString& database)
{
    return Use(database) +
           QStringLiteral("select a.current_value, a.minimum_value, a.maximum_value, a.increment, "
                          "a.is_cached, a.cache_size, b.name, a.precision, a.is_cycling, a.start_value, a.system_type_id "
                          "from sys.sequences a left outer join sys.systypes b on a.user_type_id = b.xusertype "
                          "where object_id = object_id(quotename(:OWNER) + '.' + quotename(:NAME))");
}

bool WritesSwitch(bool scriptMode, int databaseOption, bool azure, const QString& database,
                  const QString& connectionDatabase)
{
    if (!scriptMode)
        return true;
    switch (databaseOption) {
    case qmAlways: return !azure;
    case qmDiffLogin: return !azure && database.trimmed() != connectionDatabase.trimmed();
    default: return false;
    }
}

QStringList CreateText(const QString& switchDatabase, const QString& schemaPrefix, const QString& name,
                       const Definition& d)
{
    QStringList out;
    if (!switchDatabase.trimmed().isEmpty())
        out << DatabaseSwitchLine(switchDatabase.trimmed()) << Go;
    out << QStringLiteral("CREATE SEQUENCE ") + schemaPrefix + Q(name);
    const QString type = d.type.trimmed();
    const QString lower = type.toLower();
    if (lower == QLatin1String("decimal") || lower == QLatin1String("numeric"))
        out << QStringLiteral("AS ") + type + QStringLiteral(" (") + d.precision.trimmed() + QStringLiteral(") ");
    else
        out << QStringLiteral("AS ") + type;
    if (!d.start.trimmed().isEmpty())
        out << QStringLiteral("START WITH ") + d.start.trimmed();
    if (!d.increment.trimmed().isEmpty())
        out << QStringLiteral("INCREMENT BY ") + d.increment.trimmed();
    if (d.noMin)
        out << QStringLiteral("NO MINVALUE");
    else if (!d.minimum.trimmed().isEmpty())
        out << QStringLiteral("MINVALUE ") + d.minimum.trimmed();
    if (d.noMax)
        out << QStringLiteral("NO MAXVALUE");
    else if (!d.maximum.trimmed().isEmpty())
        out << QStringLiteral("MAXVALUE ") + d.maximum.trimmed();
    out << (d.cycle ? QStringLiteral("CYCLE ") : QStringLiteral("NO CYCLE "));
    out << CacheClause(d);
    out << Go;
    return out;
}

QStringList AlterText(const QString& schema, const QString& name, const Definition& now, const Definition& loaded)
{
    QStringList clauses;
    if (now.start != loaded.start && !now.start.trimmed().isEmpty())
        clauses << QStringLiteral("RESTART WITH ") + now.start.trimmed();
    if (now.increment != loaded.increment && !now.increment.trimmed().isEmpty())
        clauses << QStringLiteral("INCREMENT BY ") + now.increment.trimmed();
    if (now.noMin) {
        if (!loaded.noMin)
            clauses << QStringLiteral("NO MINVALUE");
    } else if (now.minimum != loaded.minimum && !now.minimum.trimmed().isEmpty()) {
        clauses << QStringLiteral("MINVALUE ") + now.minimum.trimmed();
    }
    if (now.noMax) {
        if (!loaded.noMax)
            clauses << QStringLiteral("NO MAXVALUE");
    } else if (now.maximum != loaded.maximum && !now.maximum.trimmed().isEmpty()) {
        clauses << QStringLiteral("MAXVALUE ") + now.maximum.trimmed();
    }
    if (now.cycle != loaded.cycle)
        clauses << (now.cycle ? QStringLiteral("CYCLE ") : QStringLiteral("NO CYCLE "));
    if (now.cache != loaded.cache || now.cacheSize != loaded.cacheSize)
        clauses << CacheClause(now);
    if (clauses.isEmpty())
        return {};
    QStringList out{QStringLiteral("ALTER SEQUENCE ") + Target(schema, name)};
    out << clauses << Go;
    return out;
}

QStringList DropText(const QString& database, const QString& schema, const QString& name)
{
    return {DatabaseSwitchLine(database.trimmed()), QStringLiteral("DROP SEQUENCE ") + Target(schema, name), Go};
}

QString DeleteStatement(const QString& database, const QString& schema, const QString& name)
{
    return Use(database) + QStringLiteral("DROP SEQUENCE ") + Target(schema, name);
}

QString NextValueStatement(const QString& database, const QString& schema, const QString& name)
{
    return Use(database) + QStringLiteral("SELECT NEXT VALUE FOR ") + Target(schema, name);
}

QString ResetStatement(const QString& database, const QString& schema, const QString& name, const QString& start)
{
    return Use(database) + QStringLiteral("ALTER SEQUENCE ") + Target(schema, name) + QStringLiteral(" RESTART WITH ") +
           start.trimmed();
}

std::optional<__int128> ParseInteger(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+'))) {
        negative = t.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == t.size() || t.size() - i > 38)
        return std::nullopt;
    __int128 v = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
    }
    return negative ? -v : v;
}

QString IntegerText(__int128 value)
{
    if (value == 0)
        return QStringLiteral("0");
    const bool negative = value < 0;
    QString digits;
    while (value != 0) {
        const int d = int(value % 10);
        digits.prepend(QChar(u'0' + (d < 0 ? -d : d)));
        value /= 10;
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

std::optional<QString> NextValue(const QString& current, const QString& increment, const QString& minimum,
                                 const QString& maximum, bool cycle)
{
    const auto c = ParseInteger(current), inc = ParseInteger(increment), lo = ParseInteger(minimum),
               hi = ParseInteger(maximum);
    if (!c || !inc || !lo || !hi || *inc == 0)
        return std::nullopt;
    const __int128 next = *c + *inc;
    if (next > *hi || next < *lo) {
        if (!cycle)
            return std::nullopt;
        return IntegerText(*inc > 0 ? *lo : *hi);
    }
    return IntegerText(next);
}

QStringList RestartText(const QString& schema, const QString& name, const QString& current, const QString& increment,
                        const QString& minimum, const QString& maximum, bool cycle)
{
    const auto next = NextValue(current, increment, minimum, maximum, cycle);
    if (!next)
        return {};
    return {QStringLiteral("ALTER SEQUENCE ") + Target(schema, name) + QStringLiteral(" RESTART WITH ") + *next, Go};
}

} // namespace qv::seq
