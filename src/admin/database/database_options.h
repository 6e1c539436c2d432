#pragma once
// The database option grid of servers from 2005 on, without any window: its rows by version
// (caption, value column of the option query, value of a new database, pick list, editing),
// the option query, the statement each row stands for and the language look-ups.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace qv::database {

enum class OptionEdit {
    Header,      // "■..." group caption, never editable
    Pick,        // value from the pick list
    Free,        // free text
    Fixed,       // shown only
};

struct OptionRowDef {
    QString caption;
    int from;             // first connection version that has the row
    QString column;       // option query column
    QString newValue;     // value of a new database
    OptionEdit edit;
    QStringList choices;  // pick list (empty: "ON", "OFF")
    bool containment;     // editable and scripted only with containment "部分"
};

// The rows of a connection version, in grid order.
QList<OptionRowDef> OptionRows(int version);
const OptionRowDef* FindOptionRow(const QString& caption);

struct OptionValue {
    QString caption;
    QString value;
    bool operator==(const OptionValue&) const = default;
};
QList<OptionValue> NewOptionValues(int version);

// The pick list of a row (the default-language row: `languages`).
QStringList OptionPickList(const QString& caption, const QStringList& languages);
// Whether a value cell can be edited.
bool OptionEditable(const QString& caption, const QString& database, bool containmentPartial);

// Translates a language alias into its lcid (empty when unknown).
using LcidLookup = std::function<QString(const QString& alias)>;
// The statement text after "ALTER DATABASE [name]" of a row with its value; empty for rows
// without a statement.
QString OptionStatement(const QString& caption, const QString& value, const LcidLookup& lcidOf);

// The option query for a connection version (parameter :dbname).
QString OptionQuery(int version);

// The values of the rows from one row of the option query. `containmentPartial` is read from
// the Containment column; `aliasOf` turns DefaultLanguageLcid into its alias; `varDecimal` is
// the separate VarDecimal reading.
QList<OptionValue> OptionValuesFromRow(int version, const QVariantMap& row, bool& containmentPartial,
                                       const std::function<QString(const QString&)>& aliasOf,
                                       const QString& varDecimal);
// The VarDecimal reading of a database (the name passed as a literal).
QString VarDecimalQuery(const QString& database);

// Language look-ups.
QString LanguageListQuery();
QString LanguageLcidQuery(const QString& alias);
QString LanguageAliasQuery(const QString& lcid);

} // namespace qv::database
