#pragma once
// The window-free part of the source windows (trigger, procedure and function, view): the
// header rewrite of a source text to "CREATE <KIND> [schema].[name]" + a line break, the
// batches of an editor text with the editor line each starts on, the error lines of a failed
// compile mapped back to editor lines, the catalog reads of a source text (whole, never cut
// at piece boundaries) and the statements that put back what a DROP + CREATE loses:
// permissions, extended properties and a trigger's disabled state.
#include <QString>
#include <QStringList>

#include <optional>

namespace qv {
class TObjectSession;
}

namespace qv::source {

enum class Kind { Trigger, Procedure, Function, View };

// "TRIGGER", "PROCEDURE", "FUNCTION", "VIEW".
QString KindKeyword(Kind kind);

// Index (0-based) of the first "CREATE" (any letter case) that lies in code (outside literals,
// quoted names and comments) and stands as a word; -1 when there is none.
qsizetype FindCreate(const QString& text);
// Index (0-based, after `from`) of the end of the header that starts at `from`: trigger: the
// keyword ON; procedure: "(", "@" or the keyword AS, WITH or FOR; function: "(", or the keyword
// RETURNS; view: "(" or the keyword AS or WITH. Only hits in code count; a keyword stands
// between blanks, line ends, quotes, brackets or comments. -1 when there is none.
qsizetype FindHeaderEnd(const QString& text, Kind kind, qsizetype from);
// The text with its header (from the first CREATE in code up to the header end, which stays)
// replaced by verb + " " + kind keyword + " " + qualifiedName + CR LF. Unchanged when the text
// has no CREATE in code or no header end after it. Comments before the CREATE stay.
QString RewriteHeader(const QString& text, Kind kind, const QString& qualifiedName,
                      const QString& verb = QStringLiteral("CREATE"));

// Lines of a text cut at CR LF, LF and lone CR (an empty text gives no line).
QStringList TextLines(const QString& text);

// One batch of an editor text: its text (the lines joined by CR LF, no line break after the
// last) and the editor line (0-based) it starts on.
struct Batch {
    QString text;
    int firstLine = 0;
};
// Cut at lines whose trimmed, lower-cased text is "go" (such a line belongs to no batch);
// batches of blanks only are left out.
QList<Batch> Batches(const QStringList& lines);

// The error list items of a database error message: cut at CR LF and LF, empty items and the
// last piece included.
QStringList ErrorItems(const QString& message);
// The items with the server's line number of their record put in front ("行番号 N: " + item)
// where it is known (lines: one per item, 0 for none; ignored unless there is one per item).
QStringList NumberErrorItems(const QStringList& items, const QList<int>& lines);
// The line number an item carries: its characters from the 4th up to the one before the first
// ":", trimmed, as an integer; 0 when they are not one (or there is no ":").
int ErrorItemLine(const QString& item);
// The items with every non-zero line number n raised by `baseRow` (the editor row, 0-based, on
// which the failing batch starts): first three characters + (n + baseRow) + the rest from the
// ":" on, trimmed. Items without a number stay.
QStringList MapErrorLines(const QStringList& items, int baseRow);
// The editor row (0-based) an item points at, within 0 … lastRow.
int ErrorItemRow(const QString& item, int lastRow);

// The statement that reads an object's source (parameter :NAME, the quoted schema.name):
// sys.sql_modules from version 9 and on Azure (one row, NULL for an encrypted module); below
// it the syscomments rows with their stored length in characters (datalength / 2).
QString SourceQuery(int dbVer, bool azure, const QString& database);
// The source text, whole: below version 9 the rows are joined in order, each kept at its
// stored length, so blanks at a row boundary are never lost. No row or a NULL definition
// gives nothing.
std::optional<QString> ReadSource(TObjectSession& session, const QString& database, const QString& schema,
                                  const QString& name);

// What a DROP + CREATE of an existing object would lose, as statements that put it back.
struct Keep {
    QStringList permissions;     // GRANT / DENY on the object
    QStringList properties;      // sp_addextendedproperty of the object
    QString disableTrigger;      // a disabled trigger is disabled again
    QStringList Statements() const;
};
// Trigger facts: parent object name, whether it is a view, whether the trigger is disabled
// (parameter :NAME, the quoted schema.name).
QString TriggerInfoQuery(const QString& database);
struct TriggerInfo {
    bool found = false;
    QString parent;
    bool parentIsView = false;
    bool disabled = false;
};
TriggerInfo ReadTriggerInfo(TObjectSession& session, const QString& database, const QString& schema,
                            const QString& name);
// The extended properties of the object (parameters :OWNER, :NAME and, for a trigger, :PARENT).
QString PropertyQuery(int dbVer, Kind kind, bool parentIsView, const QString& database);
// "EXEC sp_addextendedproperty @name = N'…', @value = N'…', @level0type = N'SCHEMA', …"
// (N'USER' below version 9).
QString AddPropertyStatement(int dbVer, Kind kind, const QString& schema, const QString& name,
                             const QString& parent, bool parentIsView, const QString& property,
                             const QString& value);
// "DISABLE TRIGGER [s].[t] ON [s].[parent]" from version 9; "ALTER TABLE [s].[parent] DISABLE
// TRIGGER [t]" below.
QString DisableTriggerStatement(int dbVer, const QString& schema, const QString& name, const QString& parent);
// Reads what the object has now (nothing for an object that does not exist).
Keep ReadKeep(TObjectSession& session, Kind kind, const QString& database, const QString& schema,
              const QString& name);

} // namespace qv::source
