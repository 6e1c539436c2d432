#include "fixture_responder.h"

#include "platform/exceptions.h"

#include <QDir>
#include <QFileInfo>

namespace qvtds {

using qv::db::ColumnDesc;
using qv::db::Fixture;
using qv::db::FixtureRule;

namespace {

int neededLength(const ColumnType& t, const QVariant& v, bool wide)
{
    if (!v.isValid() || v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QByteArray)
        return int(v.toByteArray().size());
    QString s = v.toString();
    if (t.type == SqlType::VarBinary || t.type == SqlType::Binary)
        return int((s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? s.size() - 2 : s.size()) / 2);
    return wide ? int(s.size()) : int(encodeText(s, "CP932").size());
}

} // namespace

ColumnType columnTypeFor(const ColumnDesc& d)
{
    ColumnType t;
    const QString& n = d.typeName;
    const int size = d.size < 0 ? -1 : int(qMin<qint64>(d.size, 1 << 30));
    auto sized = [&](SqlType type, int limit) {
        t.type = type;
        t.length = size < 0 || size > limit ? -1 : qMax(1, size);
    };
    if (n == QLatin1String("bit")) t.type = SqlType::Bit;
    else if (n == QLatin1String("tinyint")) t.type = SqlType::TinyInt;
    else if (n == QLatin1String("smallint")) t.type = SqlType::SmallInt;
    else if (n == QLatin1String("int")) t.type = SqlType::Int;
    else if (n == QLatin1String("bigint")) t.type = SqlType::BigInt;
    else if (n == QLatin1String("real")) t.type = SqlType::Real;
    else if (n == QLatin1String("float")) t.type = SqlType::Float;
    else if (n == QLatin1String("decimal") || n == QLatin1String("numeric")) {
        t.type = n == QLatin1String("decimal") ? SqlType::Decimal : SqlType::Numeric;
        t.precision = qBound(1, d.precision > 0 ? d.precision : 18, 38);
        t.scale = qBound(0, d.scale, t.precision);
    }
    else if (n == QLatin1String("money")) t.type = SqlType::Money;
    else if (n == QLatin1String("smallmoney")) t.type = SqlType::SmallMoney;
    else if (n == QLatin1String("datetime")) t.type = SqlType::DateTime;
    else if (n == QLatin1String("smalldatetime")) t.type = SqlType::SmallDateTime;
    else if (n == QLatin1String("date")) t.type = SqlType::Date;
    else if (n == QLatin1String("time") || n == QLatin1String("datetime2")) {
        t.type = n == QLatin1String("time") ? SqlType::Time : SqlType::DateTime2;
        t.scale = qBound(0, d.precision, 7);
    }
    else if (n == QLatin1String("uniqueidentifier")) t.type = SqlType::UniqueIdentifier;
    else if (n == QLatin1String("sql_variant")) t.type = SqlType::SqlVariant;
    else if (n == QLatin1String("char")) sized(SqlType::Char, 8000);
    else if (n == QLatin1String("varchar")) sized(SqlType::VarChar, 8000);
    else if (n == QLatin1String("text")) { t.type = SqlType::VarChar; t.length = -1; }
    else if (n == QLatin1String("nchar")) sized(SqlType::NChar, 4000);
    else if (n == QLatin1String("nvarchar")) sized(SqlType::NVarChar, 4000);
    else if (n == QLatin1String("sysname")) { t.type = SqlType::NVarChar; t.length = 128; }
    else if (n == QLatin1String("binary")) sized(SqlType::Binary, 8000);
    else if (n == QLatin1String("varbinary")) sized(SqlType::VarBinary, 8000);
    else if (n == QLatin1String("image")) { t.type = SqlType::VarBinary; t.length = -1; }
    else if (n == QLatin1String("timestamp") || n == QLatin1String("rowversion")) { t.type = SqlType::Binary; t.length = 8; }
    else if (n == QLatin1String("datetimeoffset")) { t.type = SqlType::NVarChar; t.length = 40; }
    else { t.type = SqlType::NVarChar; t.length = -1; }  // ntext, xml and anything else: text
    return t;
}

Answer answerFor(const FixtureRule& rule)
{
    Answer a;
    for (const QString& m : rule.messages)
        a.items << AnswerItem::info(0, m);
    for (const auto& r : rule.results) {
        if (!r.hasColumns()) {
            a.items << AnswerItem::rowCount(r.rowCount);
            continue;
        }
        ResultSet rs;
        for (size_t i = 0; i < r.columns.size(); ++i) {
            const ColumnDesc& d = r.columns[i];
            Column c;
            c.name = d.name;
            c.type = columnTypeFor(d);
            c.nullable = d.nullable;
            c.identity = d.autoIncrement;
            // Fixtures often leave sizes out ("nvarchar" is nvarchar(1)): widen to the values.
            const bool wide = c.type.type == SqlType::NVarChar || c.type.type == SqlType::NChar;
            const int limit = wide ? 4000 : 8000;
            bool sizedType = c.type.length > 0 && (wide || c.type.type == SqlType::VarChar || c.type.type == SqlType::Char
                                                   || c.type.type == SqlType::VarBinary || c.type.type == SqlType::Binary);
            if (sizedType) {
                for (const QVariantList& row : r.rows) {
                    int need = neededLength(c.type, i < size_t(row.size()) ? row[int(i)] : QVariant(), wide);
                    if (need > c.type.length)
                        c.type.length = need > limit ? -1 : need;
                    if (c.type.length < 0)
                        break;
                }
            }
            rs.columns << c;
        }
        for (const QVariantList& row : r.rows)
            rs.rows << row;
        a.items << AnswerItem::rows(rs);
    }
    if (rule.error)
        a.items << AnswerItem::error(rule.error->native, rule.error->message, rule.error->severity);
    return a;
}

void FixtureResponder::load(const QString& path)
{
    QFileInfo fi(path);
    if (!fi.exists())
        throw qv::Exception(QStringLiteral("No fixture file or folder %1").arg(path));
    auto keepVersion = [&](const Fixture& f) {
        if (m_version.isEmpty())
            m_version = f.version;
    };
    if (fi.isFile()) {
        Fixture f = Fixture::fromFile(path);
        keepVersion(f);
        add(f);
        return;
    }
    QDir dir(path);
    const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        Fixture f = Fixture::fromFile(dir.filePath(name));
        keepVersion(f);
        add(f);
    }
    QDir dbDir(dir.filePath(QStringLiteral("databases")));
    if (dbDir.exists()) {
        for (const QString& name : dbDir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            Fixture f = Fixture::fromFile(dbDir.filePath(name));
            keepVersion(f);
            add(f, QFileInfo(name).completeBaseName());
        }
    }
}

void FixtureResponder::add(const Fixture& fixture, const QString& database)
{
    QMutexLocker lock(&m_mutex);
    if (database.isEmpty()) {
        m_general.merge(fixture);
        return;
    }
    if (!m_byDatabase.contains(database.toLower()))
        m_databaseNames << database;
    m_byDatabase[database.toLower()].merge(fixture);
}

QStringList FixtureResponder::databases() const
{
    QMutexLocker lock(&m_mutex);
    if (m_databaseNames.isEmpty())
        return {};
    QStringList names;
    for (const char* system : {"master", "tempdb", "model", "msdb"})
        if (!m_byDatabase.contains(QLatin1String(system)))
            names << QString::fromLatin1(system);
    return names + m_databaseNames;
}

int FixtureResponder::ruleCount() const
{
    int n = int(m_general.rules.size());
    for (const Fixture& f : m_byDatabase)
        n += int(f.rules.size());
    return n;
}

std::optional<Answer> FixtureResponder::answerFrom(Fixture& fixture, const QString& key, const QString& sql,
                                                   const QVariantList& values)
{
    for (size_t i = 0; i < fixture.rules.size(); ++i) {
        const FixtureRule& rule = fixture.rules[i];
        if (!rule.matches(sql, values))
            continue;
        if (rule.times > 0) {
            int& used = m_used[key + QLatin1Char('|') + QString::number(i)];
            if (used >= rule.times)
                continue;
            ++used;
        }
        return answerFor(rule);
    }
    return std::nullopt;
}

std::optional<Answer> FixtureResponder::answer(const QString& sql, const QString& database, const QVariantList& values)
{
    QMutexLocker lock(&m_mutex);
    const QString normalized = qv::db::normalizeStatement(sql);
    const QString key = database.toLower();
    auto it = m_byDatabase.find(key);
    if (it != m_byDatabase.end()) {
        if (auto a = answerFrom(*it, key, normalized, values))
            return a;
    }
    return answerFrom(m_general, QString(), normalized, values);
}

} // namespace qvtds
