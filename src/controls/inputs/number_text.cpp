#include "controls/inputs/number_text.h"

#include <QLocale>
#include <climits>
#include <cmath>

namespace qv {

namespace {
QString trimControl(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && text.at(e - 1).unicode() <= 0x20)
        --e;
    return text.mid(b, e - b);
}
} // namespace

double StrToFloatOrDefault(const QString& text, double def)
{
    const QString t = trimControl(text);
    if (t.isEmpty())
        return def;
    // Only sign, digits, one point and an exponent; no group separators, no inf or nan words.
    for (QChar c : t) {
        const ushort u = c.unicode();
        if (!((u >= '0' && u <= '9') || u == '.' || u == '+' || u == '-' || u == 'e' || u == 'E'))
            return def;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return def;
    return v;
}

QString FilterNumberText(const QString& text, bool allowMinus)
{
    QString kept;
    bool pointSeen = false;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            kept.prepend(c);
        } else if (c == QLatin1Char('.') && !pointSeen) {
            pointSeen = true;
            kept.prepend(c);
        }
    }
    if (allowMinus && text.contains(QLatin1Char('-')))
        kept.prepend(QLatin1Char('-'));
    return kept;
}

int RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double r = std::nearbyint(value); // default rounding mode: to nearest, ties to even
    if (r >= double(INT_MAX))
        return INT_MAX;
    if (r <= double(INT_MIN))
        return INT_MIN;
    return int(r);
}

QString FloatToText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString s = QLocale::c().toString(value, 'g', 15);
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

bool IsBlankText(const QString& text)
{
    return trimControl(text).isEmpty();
}

} // namespace qv
