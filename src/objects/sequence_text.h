#pragma once
// The statements and decisions of the sequence window, without any window: the type defaults,
// the NoMinValue/NoMaxValue decision of a loaded sequence, the definition query, CREATE, ALTER
// and DROP SEQUENCE text, the add and reset statements and the value a re-created sequence
// restarts with. Names are bracket-quoted ("]" doubled); numbers come from the numeric fields.
#include <QString>
#include <QStringList>

#include <optional>

namespace qv::seq {

// Defaults of a data type for a new sequence ("" for a type not in the table).
struct TypeDefaults {
    QString precision, minimum, maximum;
};
TypeDefaults DefaultsFor(const QString& type);
// tinyint, smallint, int, bigint: the precision field stays disabled for them.
bool IsIntegerType(const QString& type);
// The lowest and highest value of a system type id (48, 52, 56, 127, 106, 108); false for
// any other id.
bool TypeLimits(int systemTypeId, QString& lowest, QString& highest);

// The numeric fields take no decimal point: the text without any ".".
QString WithoutPoints(const QString& text);

enum class Cache { Default, Specified, None };

// What the definition page holds.
struct Definition {
    QString type = QStringLiteral("bigint");
    QString precision;
    QString start, increment, minimum, maximum;
    bool noMin = true, noMax = true, cycle = false;
    Cache cache = Cache::Default;
    QString cacheSize;
};

// The definition read: the "use" line, then the query with :OWNER and :NAME. Result columns:
// 0 current value, 1 minimum, 2 maximum, 3 increment, 4 is cached, 5 cache size, 6 type name,
// 7 precision, 8 is cycling, 9 start value, 10 system type id.
QString DefinitionQuery(const QString& database);

// Whether a script starts with the database switch: always in the window; in a script by the
// Database option (0: unless Azure; 1: another database than the connection's, not on Azure;
// otherwise never).
bool WritesSwitch(bool scriptMode, int databaseOption, bool azure, const QString& database,
                  const QString& connectionDatabase);

// CREATE SEQUENCE: the switch pair when `switchDatabase` is not empty, the CREATE line with the
// schema prefix as the caller computed it ("[s]." or ""), one clause a line, "go".
QStringList CreateText(const QString& switchDatabase, const QString& schemaPrefix, const QString& name,
                       const Definition& d);
// ALTER SEQUENCE [s].[n] with a clause for each field that differs from the loaded one, "go";
// empty when nothing differs.
QStringList AlterText(const QString& schema, const QString& name, const Definition& now, const Definition& loaded);
// "use [db]", "DROP SEQUENCE [s].[n]", "go".
QStringList DropText(const QString& database, const QString& schema, const QString& name);
// One statement of the delete action: "use [db]" and DROP SEQUENCE.
QString DeleteStatement(const QString& database, const QString& schema, const QString& name);
// The add action: "use [db]" and SELECT NEXT VALUE FOR [s].[n].
QString NextValueStatement(const QString& database, const QString& schema, const QString& name);
// The reset action: "use [db]" and ALTER SEQUENCE [s].[n] RESTART WITH start. The switch
// comes first, so the statement never acts in another database the shared session is in.
QString ResetStatement(const QString& database, const QString& schema, const QString& name, const QString& start);

// Integer text (as the server writes sequence values, up to 38 digits); nullopt otherwise.
std::optional<__int128> ParseInteger(const QString& text);
QString IntegerText(__int128 value);

// The value NEXT VALUE FOR gives after `current` (the sequence's current value): current plus
// the increment; past a bound, a cycling sequence goes on at the other bound (minimum for a
// positive increment, maximum for a negative one); a sequence that is not cycling has no next
// value (nullopt), nor has one whose values are not integers.
std::optional<QString> NextValue(const QString& current, const QString& increment, const QString& minimum,
                                 const QString& maximum, bool cycle);
// The batch that puts a re-created sequence where the dropped one stood: "ALTER SEQUENCE
// [s].[n] RESTART WITH <next>" and "go"; empty when there is no next value.
QStringList RestartText(const QString& schema, const QString& name, const QString& current, const QString& increment,
                        const QString& minimum, const QString& maximum, bool cycle);

} // namespace qv::seq
