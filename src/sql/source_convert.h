#pragma once
// Turning SQL lines into string-building statements of a programming language and back. A rule
// says what goes before and after each line, the string delimiter, whether a blank follows the
// opening delimiter, and three escape pairs. Eleven rules are built in; up to 30 named user
// rules are kept in the settings (EDITOR\USER_RULE0 … USER_RULE29, the chosen rule in
// EDITOR\ItemIndex). No window here; the editor frame's conversion panel (memo_convert.h)
// uses it.
#include <QString>
#include <QStringList>
#include <array>

namespace qv {

class TqvRegistry;

namespace convert {

enum TRuleType { rtJAVA, rtJAVA_BUILDER, rtVB, rtVB_BUILDER, rtC, rtC_BUILDER, rtSQUOTE, rtSQUOTE_BUILDER, rtRUBY, rtPERL, rtPHP };
constexpr int kBuiltInRules = 11;
constexpr int kUserRules = 30;

struct TRuleDetails {
    QString sRuleNm, sRowSt, sRowEd, sStrChar;
    bool bHdSpaceOn = false;
    QString sBefore1, sAfter1, sBefore2, sAfter2, sBefore3, sAfter3;

    bool IsFree() const { return sRuleNm.trimmed().isEmpty(); }
    bool operator==(const TRuleDetails&) const = default;
};

struct TRuleInf {
    int iItemIndex = 0;
    std::array<TRuleDetails, kUserRules> wRuleDtl;
};

// The built-in rule of combo index 0 … 10 (its name included).
TRuleDetails BuiltInRule(int index);
// The combo items: the built-in names, then the names of the used slots in slot order.
QStringList RuleNames(const TRuleInf& inf);
// The slot whose trimmed name equals name trimmed (case-sensitive); -1 when none.
int FindSlot(const TRuleInf& inf, const QString& name);
int FirstFreeSlot(const TRuleInf& inf);
// Why a new rule of this name cannot be added (the limit, a blank or a taken name); empty
// when it can. nameAsked: false checks only the limit (before the name is asked).
QString RefuseNewRule(const TRuleInf& inf, const QString& name, bool nameAsked = true);

// The rule of a combo index: a built-in one, or the user rule of that name.
TRuleDetails RuleOfItem(const TRuleInf& inf, int comboIndex);

// Settings: the chosen index and the 30 slots (missing values read as empty / false / 0).
// Reading and writing create the keys.
TRuleInf LoadRules(TqvRegistry& reg);
void SaveRules(TqvRegistry& reg, const TRuleInf& inf);
void SaveItemIndex(TqvRegistry& reg, int index);

// The lines as program source: line start, delimiter, a blank when the rule asks for it (only
// when some line does not begin with a blank), the line with its escapes applied, delimiter,
// line end; lines joined by CR LF, and a CR LF after the last when finalLineBreak.
QString ToSource(const QStringList& lines, const TRuleDetails& rule, bool finalLineBreak);
// Program source back to SQL: escapes undone, each line cut to what lies between the first and
// the last delimiter; joined as above.
QString ToSql(const QStringList& lines, const TRuleDetails& rule, bool finalLineBreak);

// A selection widened to whole lines. text: the editor lines joined by CR LF; offsets count
// UTF-16 units with each line break as 2. The start moves back to the start of its line; the
// end moves forward to the end of its line, except when it already stands at the start of a
// later line: then the selection keeps its last line break (endsWithBreak).
struct LineRange {
    int start = 0;
    int length = 0;
    bool endsWithBreak = false;
};
LineRange WidenToLines(const QString& text, int selStart, int selLength);

} // namespace convert
} // namespace qv
