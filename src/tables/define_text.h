#pragma once
// The text side of the definition windows, without any window: captions, the database switch
// that every applied script starts with, the blank-script test and the script writer that the
// class-level script routines share.
#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

namespace qv {

// The caption of a definition window: "<word> - 新規" for a new object, else
// "<word> - <db>.<schema>.<name> @ <server>.<current db>" (without "<schema>." for kinds
// without a schema). The object's database is always part of it, so that the same name in
// two databases gives two windows.
QString DefineCaption(const QString& word, bool isNew, const QString& database, const QString& schema,
                      const QString& name, const QString& server, const QString& currentDb, bool hasSchema);

// "use [db]": the database switch line (the name bracketed with "]" doubled).
QString DatabaseSwitchLine(const QString& database);
// The script with the object's database switch and "go" in front (unless it already starts
// with that switch), repeated switches removed. Every applied script starts this way, so a
// statement never acts in whatever database the shared session happens to be in.
QStringList WithDatabaseSwitch(const QStringList& lines, const QString& database);
// True when the script holds nothing but blanks, tabs and line breaks.
bool IsBlankScript(const QStringList& lines);

// The bytes a script routine writes: the lines each ended by CR LF, without a byte-order
// mark; UTF-16 LE into memory, else in the encoding of the Encoding option.
QByteArray EncodeScript(const QStringList& lines, bool toMemory);
// Writes the script to the stream: a QBuffer counts as memory.
void WriteScript(QIODevice& stream, const QStringList& lines);

} // namespace qv
