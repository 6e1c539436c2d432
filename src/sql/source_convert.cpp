#include "sql/source_convert.h"

#include "platform/registry.h"

#include <algorithm>

namespace qv::convert {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString editorKey() { return SettingsRootKey + QStringLiteral("\\EDITOR"); }
QString slotKey(int i) { return editorKey() + QStringLiteral("\\USER_RULE") + QString::number(i); }

TRuleDetails rule(const char* name, const char* rowSt, const char* rowEd, const char* strChar, bool blank, char escapes)
{
    TRuleDetails r;
    r.sRuleNm = QString::fromUtf8(name);
    r.sRowSt = QString::fromUtf8(rowSt);
    r.sRowEd = QString::fromUtf8(rowEd);
    r.sStrChar = QString::fromUtf8(strChar);
    r.bHdSpaceOn = blank;
    switch (escapes) {
    case 'J':
        r.sBefore1 = QStringLiteral("\\");
        r.sAfter1 = QStringLiteral("\\\\");
        r.sBefore2 = QStringLiteral("\"");
        r.sAfter2 = QStringLiteral("\\\"");
        break;
    case 'V':
        r.sBefore1 = QStringLiteral("\"");
        r.sAfter1 = QStringLiteral("\"\"");
        break;
    case 'S':
        r.sBefore1 = QStringLiteral("'");
        r.sAfter1 = QStringLiteral("''");
        break;
    }
    return r;
}

struct Pair {
    const QString& before;
    const QString& after;
};

std::array<Pair, 3> pairs(const TRuleDetails& r)
{
    return {Pair{r.sBefore1, r.sAfter1}, Pair{r.sBefore2, r.sAfter2}, Pair{r.sBefore3, r.sAfter3}};
}

// Every occurrence of from replaced by to, left to right; an empty from changes nothing.
void replaceAll(QString& s, const QString& from, const QString& to)
{
    if (!from.isEmpty())
        s.replace(from, to);
}

} // namespace

TRuleDetails BuiltInRule(int index)
{
    switch (index) {
    case rtJAVA: return rule("Java、C++", "sql = sql + ", ";", "\"", true, 'J');
    case rtJAVA_BUILDER: return rule("Java（StringBuilder）", "sb.Append(", ");", "\"", false, 'J');
    case rtVB: return rule("VB.net", "sql = sql & ", "", "\"", true, 'V');
    case rtVB_BUILDER: return rule("VB.net（StringBuilder）", "sb.Append(", ")", "\"", false, 'V');
    case rtC: return rule("C#", "sql = sql + ", ";", "\"", true, 'J');
    case rtC_BUILDER: return rule("C#（StringBuilder）", "sb.Append(", ");", "\"", false, 'J');
    case rtSQUOTE: return rule("Delphi、Pascal", "sql := sql + ", ";", "'", true, 'S');
    case rtSQUOTE_BUILDER: return rule("Delphi（TStringList）", "sb.Add(", ");", "'", false, 'S');
    case rtRUBY: return rule("Ruby", "sql = sql + ", "", "\"", true, 'J');
    case rtPERL: return rule("Perl", "$sql = $sql . ", ";", "\"", true, 'J');
    case rtPHP: return rule("PHP", "$sql = $sql . ", ";", "\"", true, 'J');
    default: return {};
    }
}

QStringList RuleNames(const TRuleInf& inf)
{
    QStringList out;
    for (int i = 0; i < kBuiltInRules; ++i)
        out << BuiltInRule(i).sRuleNm;
    for (const TRuleDetails& d : inf.wRuleDtl)
        if (!d.IsFree())
            out << d.sRuleNm;
    return out;
}

int FindSlot(const TRuleInf& inf, const QString& name)
{
    const QString key = name.trimmed();
    if (key.isEmpty())
        return -1;
    for (int i = 0; i < kUserRules; ++i)
        if (inf.wRuleDtl[size_t(i)].sRuleNm.trimmed() == key)
            return i;
    return -1;
}

int FirstFreeSlot(const TRuleInf& inf)
{
    for (int i = 0; i < kUserRules; ++i)
        if (inf.wRuleDtl[size_t(i)].IsFree())
            return i;
    return -1;
}

QString RefuseNewRule(const TRuleInf& inf, const QString& name, bool nameAsked)
{
    if (FirstFreeSlot(inf) < 0)
        return QStringLiteral("ルールの追加は最大30件です。");
    if (!nameAsked)
        return QString();
    if (name.trimmed().isEmpty())
        return QStringLiteral("ルール名の空白は指定できません。");
    if (FindSlot(inf, name) >= 0)
        return QStringLiteral("ルール名【") + name + QStringLiteral("】は既に登録されています。");
    return QString();
}

TRuleDetails RuleOfItem(const TRuleInf& inf, int comboIndex)
{
    if (comboIndex < kBuiltInRules)
        return BuiltInRule(comboIndex);
    int k = kBuiltInRules;
    for (const TRuleDetails& d : inf.wRuleDtl) {
        if (d.IsFree())
            continue;
        if (k++ == comboIndex)
            return d;
    }
    return {};
}

TRuleInf LoadRules(TqvRegistry& reg)
{
    const TRegistryBatch batch(reg.rootKey()); // the keys made on the way are written once
    TRuleInf inf;
    if (reg.OpenKey(editorKey(), true)) {
        inf.iItemIndex = reg.GetInteger(QStringLiteral("ItemIndex"), 0);
        reg.CloseKey();
    }
    for (int i = 0; i < kUserRules; ++i) {
        if (!reg.OpenKey(slotKey(i), true))
            continue;
        TRuleDetails& d = inf.wRuleDtl[size_t(i)];
        d.sRuleNm = reg.GetString(QStringLiteral("RuleNm"), QString());
        d.sRowSt = reg.GetString(QStringLiteral("RowSt"), QString());
        d.sRowEd = reg.GetString(QStringLiteral("RowEd"), QString());
        d.sStrChar = reg.GetString(QStringLiteral("StrChar"), QString());
        d.bHdSpaceOn = reg.GetBool(QStringLiteral("HdSpaceOn"), false);
        d.sBefore1 = reg.GetString(QStringLiteral("Before1"), QString());
        d.sAfter1 = reg.GetString(QStringLiteral("After1"), QString());
        d.sBefore2 = reg.GetString(QStringLiteral("Before2"), QString());
        d.sAfter2 = reg.GetString(QStringLiteral("After2"), QString());
        d.sBefore3 = reg.GetString(QStringLiteral("Before3"), QString());
        d.sAfter3 = reg.GetString(QStringLiteral("After3"), QString());
        reg.CloseKey();
    }
    return inf;
}

void SaveRules(TqvRegistry& reg, const TRuleInf& inf)
{
    const TRegistryBatch batch(reg.rootKey()); // one write of the file for all slots
    for (int i = 0; i < kUserRules; ++i) {
        if (!reg.OpenKey(slotKey(i), true))
            continue;
        const TRuleDetails& d = inf.wRuleDtl[size_t(i)];
        reg.WriteString(QStringLiteral("RuleNm"), d.sRuleNm);
        reg.WriteString(QStringLiteral("RowSt"), d.sRowSt);
        reg.WriteString(QStringLiteral("RowEd"), d.sRowEd);
        reg.WriteString(QStringLiteral("StrChar"), d.sStrChar);
        reg.WriteBool(QStringLiteral("HdSpaceOn"), d.bHdSpaceOn);
        reg.WriteString(QStringLiteral("Before1"), d.sBefore1);
        reg.WriteString(QStringLiteral("After1"), d.sAfter1);
        reg.WriteString(QStringLiteral("Before2"), d.sBefore2);
        reg.WriteString(QStringLiteral("After2"), d.sAfter2);
        reg.WriteString(QStringLiteral("Before3"), d.sBefore3);
        reg.WriteString(QStringLiteral("After3"), d.sAfter3);
        reg.CloseKey();
    }
}

void SaveItemIndex(TqvRegistry& reg, int index)
{
    if (!reg.OpenKey(editorKey(), true))
        return;
    reg.WriteInteger(QStringLiteral("ItemIndex"), index);
    reg.CloseKey();
}

QString ToSource(const QStringList& lines, const TRuleDetails& rule, bool finalLineBreak)
{
    bool blank = false;
    for (const QString& line : lines)
        if (!line.startsWith(QLatin1Char(' '))) {
            blank = rule.bHdSpaceOn;
            break;
        }
    QString out;
    bool first = true;
    for (QString line : lines) {
        if (!first)
            out += kCrLf;
        first = false;
        for (const Pair& p : pairs(rule))
            if (!p.before.isEmpty() || !p.after.isEmpty())
                replaceAll(line, p.before, p.after);
        out += rule.sRowSt + rule.sStrChar + (blank ? QStringLiteral(" ") : QString()) + line + rule.sStrChar + rule.sRowEd;
    }
    if (finalLineBreak && !lines.isEmpty())
        out += kCrLf;
    return out;
}

QString ToSql(const QStringList& lines, const TRuleDetails& rule, bool finalLineBreak)
{
    QString out;
    bool first = true;
    for (QString line : lines) {
        if (!first)
            out += kCrLf;
        first = false;
        for (const Pair& p : pairs(rule))
            if (!p.before.isEmpty() || !p.after.isEmpty())
                replaceAll(line, p.after, p.before);
        const QString& d = rule.sStrChar;
        if (!d.isEmpty()) {
            const qsizetype open = line.indexOf(d);
            if (open >= 0)
                line = line.mid(open + d.size());
            const qsizetype close = line.lastIndexOf(d);
            if (close >= 0)
                line.truncate(close);
        }
        out += line;
    }
    if (finalLineBreak && !lines.isEmpty())
        out += kCrLf;
    return out;
}

LineRange WidenToLines(const QString& text, int selStart, int selLength)
{
    const int size = int(text.size());
    int start = std::clamp(selStart, 0, size);
    int end = std::clamp(selStart + selLength, start, size);
    while (start > 0 && text[start - 1] != QLatin1Char('\n'))
        --start;
    LineRange r;
    r.start = start;
    if (end > start && text[end - 1] == QLatin1Char('\n')) {
        r.endsWithBreak = true;
    } else {
        while (end < size && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
    }
    r.length = end - start;
    return r;
}

} // namespace qv::convert
