#include "platform/db/fixture.h"
#include "platform/exceptions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qv::db {

QString normalizeStatement(const QString& sql)
{
    QString s = sql;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = s.split(QLatin1Char('\n'));
    for (QString& l : lines) {
        qsizetype n = l.size();
        while (n > 0 && l.at(n - 1).isSpace())
            --n;
        l.truncate(n);
    }
    while (!lines.isEmpty() && lines.first().trimmed().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    // Blanks in front of the statement count no more than those after it.
    if (!lines.isEmpty()) {
        qsizetype n = 0;
        while (n < lines.first().size() && lines.first().at(n).isSpace())
            ++n;
        lines.first().remove(0, n);
    }
    return lines.join(QLatin1Char('\n'));
}

ColumnDesc column(const QString& name, const QString& typeSpec, bool nullable)
{
    ColumnDesc d;
    d.name = name;
    if (!parseTypeSpec(typeSpec, d))
        throw Exception(QStringLiteral("Unknown column type \"%1\"").arg(typeSpec));
    d.nullable = nullable;
    return d;
}

QVariant fixtureValue(const QVariant& raw, FieldType type, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QVariant();
    };
    if (!raw.isValid() || raw.isNull())
        return QVariant();
    const bool isNumber = raw.typeId() == QMetaType::Double || raw.typeId() == QMetaType::Int
                          || raw.typeId() == QMetaType::LongLong || raw.typeId() == QMetaType::UInt
                          || raw.typeId() == QMetaType::ULongLong;
    switch (type) {
    case FieldType::Boolean: {
        if (raw.typeId() == QMetaType::Bool)
            return raw.toBool();
        if (isNumber)
            return raw.toLongLong() != 0;
        const QString s = raw.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("1"))
            return true;
        if (s == QLatin1String("false") || s == QLatin1String("0"))
            return false;
        return fail(QStringLiteral("\"%1\" is not a bit value").arg(raw.toString()));
    }
    case FieldType::Byte:
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Largeint:
    case FieldType::Word: {
        bool ok = false;
        qlonglong v = 0;
        if (raw.typeId() == QMetaType::Double) {
            const double d = raw.toDouble();
            v = static_cast<qlonglong>(d);
            ok = static_cast<double>(v) == d;
        } else {
            v = raw.toString().trimmed().toLongLong(&ok);
        }
        if (!ok)
            return fail(QStringLiteral("\"%1\" is not an integer").arg(raw.toString()));
        return v;
    }
    case FieldType::Float:
    case FieldType::Single: {
        bool ok = false;
        const double d = raw.toString().trimmed().toDouble(&ok);
        if (!ok)
            return fail(QStringLiteral("\"%1\" is not a number").arg(raw.toString()));
        return d;
    }
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd: {
        const QString s = raw.typeId() == QMetaType::Double ? QString::number(raw.toDouble(), 'g', 17)
                                                            : raw.toString().trimmed();
        bool ok = false;
        s.toDouble(&ok);
        if (!ok)
            return fail(QStringLiteral("\"%1\" is not a decimal number").arg(raw.toString()));
        return s;
    }
    case FieldType::Bytes:
    case FieldType::Blob: {
        if (raw.typeId() == QMetaType::QByteArray)
            return raw;
        QString s = raw.toString().trimmed();
        if (!s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            return fail(QStringLiteral("binary value \"%1\" must be written 0x…").arg(s));
        s = s.mid(2);
        if (s.size() % 2 != 0 || s.contains(QRegularExpression(QStringLiteral("[^0-9A-Fa-f]"))))
            return fail(QStringLiteral("\"%1\" is not hexadecimal").arg(raw.toString()));
        return QByteArray::fromHex(s.toLatin1());
    }
    default:
        if (raw.typeId() == QMetaType::Double) {
            const double d = raw.toDouble();
            if (d == static_cast<double>(static_cast<qlonglong>(d)))
                return QString::number(static_cast<qlonglong>(d));
            return QString::number(d, 'g', 17);
        }
        if (raw.typeId() == QMetaType::Bool)
            return raw.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return raw.toString();
    }
}

// ---- FixtureRule --------------------------------------------------------------------------

bool FixtureRule::matches(const QString& sql, const QVariantList& boundValues) const
{
    if (kind == Kind::Exact) {
        if (QString::compare(normalizeStatement(text), sql, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) != 0)
            return false;
    } else {
        if (!m_re) {
            QRegularExpression::PatternOptions opts = QRegularExpression::DotMatchesEverythingOption;
            if (ignoreCase)
                opts |= QRegularExpression::CaseInsensitiveOption;
            m_re = QRegularExpression(QRegularExpression::anchoredPattern(text), opts);
        }
        if (!m_re->match(sql).hasMatch())
            return false;
    }
    if (params) {
        if (params->size() != boundValues.size())
            return false;
        for (qsizetype i = 0; i < params->size(); ++i) {
            const QVariant& a = params->at(i);
            const QVariant& b = boundValues.at(i);
            const bool an = !a.isValid() || a.isNull();
            const bool bn = !b.isValid() || b.isNull();
            if (an != bn)
                return false;
            if (!an && a.toString() != b.toString())
                return false;
        }
    }
    return true;
}

FixtureRule& FixtureRule::returns(std::vector<ColumnDesc> columns, std::vector<QVariantList> rows)
{
    FixtureResult r;
    r.columns = std::move(columns);
    for (auto& row : rows) {
        if (row.size() != static_cast<qsizetype>(r.columns.size()))
            throw Exception(QStringLiteral("Fixture row has %1 values for %2 columns").arg(row.size()).arg(r.columns.size()));
        QVariantList conv;
        for (qsizetype i = 0; i < row.size(); ++i) {
            QString err;
            QVariant v = fixtureValue(row.at(i), r.columns[static_cast<size_t>(i)].fieldType(), &err);
            if (!err.isEmpty())
                throw Exception(QStringLiteral("Fixture value of column %1: %2").arg(r.columns[static_cast<size_t>(i)].name, err));
            conv.append(v);
        }
        r.rows.push_back(std::move(conv));
    }
    results.push_back(std::move(r));
    return *this;
}

FixtureRule& FixtureRule::affects(qint64 rowCount)
{
    FixtureResult r;
    r.rowCount = rowCount;
    results.push_back(std::move(r));
    return *this;
}

FixtureRule& FixtureRule::fails(const QString& message, const QString& sqlState, int native)
{
    FixtureError e;
    e.message = message;
    e.sqlState = sqlState;
    e.native = native;
    error = e;
    return *this;
}

// ---- Fixture --------------------------------------------------------------------------------

namespace {

[[noreturn]] void loadError(const QString& where, const QString& why)
{
    throw Exception(QStringLiteral("Fixture %1: %2").arg(where, why));
}

FixtureResult readResult(const QJsonObject& o, const QString& where)
{
    FixtureResult r;
    if (o.contains(QLatin1String("columns"))) {
        const QJsonArray cols = o.value(QLatin1String("columns")).toArray();
        if (cols.isEmpty())
            loadError(where, QStringLiteral("\"columns\" must list at least one column"));
        for (const auto& cv : cols) {
            const QJsonObject c = cv.toObject();
            ColumnDesc d;
            d.name = c.value(QLatin1String("name")).toString();
            const QString type = c.value(QLatin1String("type")).toString();
            if (!parseTypeSpec(type, d))
                loadError(where, QStringLiteral("unknown type \"%1\" of column \"%2\"").arg(type, d.name));
            d.nullable = c.value(QLatin1String("nullable")).toBool(true);
            d.readOnly = c.value(QLatin1String("readOnly")).toBool(false);
            d.autoIncrement = c.value(QLatin1String("identity")).toBool(false);
            const QString table = c.value(QLatin1String("table")).toString();
            if (!table.isEmpty()) {
                const QStringList parts = table.split(QLatin1Char('.'));
                d.baseTable = parts.last();
                if (parts.size() >= 2)
                    d.baseSchema = parts.at(parts.size() - 2);
                if (parts.size() >= 3)
                    d.baseCatalog = parts.at(parts.size() - 3);
                d.baseColumn = c.value(QLatin1String("baseColumn")).toString(d.name);
            }
            r.columns.push_back(d);
        }
        const QJsonArray rows = o.value(QLatin1String("rows")).toArray();
        int rn = 0;
        for (const auto& rv : rows) {
            ++rn;
            const QJsonArray row = rv.toArray();
            if (row.size() != static_cast<qsizetype>(r.columns.size()))
                loadError(where, QStringLiteral("row %1 has %2 values for %3 columns").arg(rn).arg(row.size()).arg(r.columns.size()));
            QVariantList values;
            for (qsizetype i = 0; i < row.size(); ++i) {
                QString err;
                const auto& col = r.columns[static_cast<size_t>(i)];
                QVariant v = fixtureValue(row.at(i).toVariant(), col.fieldType(), &err);
                if (!err.isEmpty())
                    loadError(where, QStringLiteral("row %1, column \"%2\": %3").arg(rn).arg(col.name, err));
                values.append(v);
            }
            r.rows.push_back(std::move(values));
        }
    } else if (o.contains(QLatin1String("rows"))) {
        loadError(where, QStringLiteral("\"rows\" without \"columns\""));
    }
    if (o.contains(QLatin1String("rowCount")))
        r.rowCount = static_cast<qint64>(o.value(QLatin1String("rowCount")).toDouble());
    return r;
}

} // namespace

Fixture Fixture::fromJson(const QByteArray& json, const QString& origin)
{
    const QString src = origin.isEmpty() ? QStringLiteral("(in memory)") : origin;
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &perr);
    if (perr.error != QJsonParseError::NoError)
        loadError(src, QStringLiteral("JSON error at offset %1: %2").arg(perr.offset).arg(perr.errorString()));
    if (!doc.isObject())
        loadError(src, QStringLiteral("the document must be a JSON object"));
    const QJsonObject root = doc.object();
    Fixture f;
    f.description = root.value(QLatin1String("description")).toString();
    f.version = root.value(QLatin1String("version")).toString();
    for (const auto& v : root.value(QLatin1String("info")).toArray())
        f.info.append(v.toString());
    const QJsonObject keys = root.value(QLatin1String("keys")).toObject();
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        QStringList cols;
        for (const auto& c : it.value().toArray())
            cols.append(c.toString());
        f.keys.insert(it.key().toLower(), cols);
    }
    const QJsonArray rules = root.value(QLatin1String("rules")).toArray();
    int n = 0;
    for (const auto& rv : rules) {
        ++n;
        const QString where = QStringLiteral("%1, rule %2").arg(src).arg(n);
        if (!rv.isObject())
            loadError(where, QStringLiteral("a rule must be an object"));
        const QJsonObject o = rv.toObject();
        FixtureRule rule;
        rule.origin = where;
        const bool hasMatch = o.contains(QLatin1String("match"));
        const bool hasPattern = o.contains(QLatin1String("pattern"));
        if (hasMatch == hasPattern)
            loadError(where, QStringLiteral("give exactly one of \"match\" and \"pattern\""));
        auto textOf = [&](const QJsonValue& v) {
            if (v.isArray()) {
                QStringList lines;
                for (const auto& l : v.toArray())
                    lines.append(l.toString());
                return lines.join(QLatin1Char('\n'));
            }
            return v.toString();
        };
        if (hasMatch) {
            rule.kind = FixtureRule::Kind::Exact;
            rule.text = textOf(o.value(QLatin1String("match")));
        } else {
            rule.kind = FixtureRule::Kind::Pattern;
            rule.text = textOf(o.value(QLatin1String("pattern")));
            QRegularExpression re(rule.text);
            if (!re.isValid())
                loadError(where, QStringLiteral("bad pattern: %1").arg(re.errorString()));
        }
        rule.ignoreCase = o.value(QLatin1String("ignoreCase")).toBool(false);
        rule.times = o.value(QLatin1String("times")).toInt(0);
        if (o.contains(QLatin1String("params"))) {
            QVariantList ps;
            for (const auto& p : o.value(QLatin1String("params")).toArray())
                ps.append(p.isNull() ? QVariant() : p.toVariant());
            rule.params = ps;
        }
        if (o.contains(QLatin1String("results"))) {
            int rn = 0;
            for (const auto& r : o.value(QLatin1String("results")).toArray())
                rule.results.push_back(readResult(r.toObject(), QStringLiteral("%1, result %2").arg(where).arg(++rn)));
        } else if (o.contains(QLatin1String("columns")) || o.contains(QLatin1String("rowCount"))) {
            rule.results.push_back(readResult(o, where));
        }
        if (o.contains(QLatin1String("error"))) {
            const QJsonValue ev = o.value(QLatin1String("error"));
            FixtureError e;
            if (ev.isString()) {
                e.message = ev.toString();
            } else {
                const QJsonObject eo = ev.toObject();
                e.message = eo.value(QLatin1String("message")).toString();
                e.sqlState = eo.value(QLatin1String("sqlState")).toString(e.sqlState);
                e.native = eo.value(QLatin1String("native")).toInt(e.native);
                e.severity = eo.value(QLatin1String("severity")).toInt(e.severity);
            }
            if (e.message.isEmpty())
                loadError(where, QStringLiteral("an error needs a message"));
            rule.error = e;
        }
        for (const auto& m : o.value(QLatin1String("messages")).toArray())
            rule.messages.append(m.toString());
        const QJsonObject outs = o.value(QLatin1String("outputs")).toObject();
        for (auto it = outs.begin(); it != outs.end(); ++it)
            rule.outputs.insert(it.key().toUpper(), it.value().toVariant());
        f.rules.push_back(std::move(rule));
    }
    return f;
}

Fixture Fixture::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        loadError(path, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    return fromJson(file.readAll(), path);
}

void Fixture::merge(const Fixture& other)
{
    for (const auto& r : other.rules)
        rules.push_back(r);
    for (auto it = other.keys.begin(); it != other.keys.end(); ++it)
        if (!keys.contains(it.key()))
            keys.insert(it.key(), it.value());
    info.append(other.info);
    if (version.isEmpty())
        version = other.version;
}

FixtureRule& Fixture::exact(const QString& sql)
{
    FixtureRule r;
    r.kind = FixtureRule::Kind::Exact;
    r.text = sql;
    r.origin = QStringLiteral("(in code) rule %1").arg(rules.size() + 1);
    rules.push_back(std::move(r));
    return rules.back();
}

FixtureRule& Fixture::pattern(const QString& regex)
{
    FixtureRule r;
    r.kind = FixtureRule::Kind::Pattern;
    r.text = regex;
    r.origin = QStringLiteral("(in code) rule %1").arg(rules.size() + 1);
    rules.push_back(std::move(r));
    return rules.back();
}

QStringList Fixture::keyColumns(const QString& schema, const QString& table) const
{
    const QString full = (schema.isEmpty() ? table : schema + QLatin1Char('.') + table).toLower();
    auto it = keys.find(full);
    if (it != keys.end())
        return it.value();
    it = keys.find(table.toLower());
    return it != keys.end() ? it.value() : QStringList();
}

} // namespace qv::db
