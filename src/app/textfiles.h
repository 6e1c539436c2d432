#pragma once
// Shared routines for the program's text and output files: the text-file encoding of the
// options, free numbered file names, file-name cleaning, known extensions, the small ini files
// and the per-object history of WHERE conditions.
#include "platform/textcodec.h"

#include <QString>
#include <QStringList>

namespace qv {

// The encoding of every text file the program writes and reads back (the `Encoding` option).
const TextEncoding& GetFileEncoding();

// The program's work files (SQL history and favourites, WHERE histories, column widths): written
// like WriteTextFileLines (mark, CR LF lines) but open to the user only (0600), since they keep
// statements and conditions as typed, passwords included. Throws on failure.
void WritePrivateTextFileLines(const QString& fileName, const QStringList& lines, const TextEncoding& encoding);
// Creates the work folder (and missing parents) open to the user only; throws when it cannot.
void EnsureWorkFolder(const QString& dir);

// `fileName` itself when no such file exists; otherwise the first free name
// "<path and name without extension>NN<extension>" for NN = 01..99, else with 100 untested.
QString UniqueFileName(const QString& fileName);

// Every / * ? \ : < > " and | removed; nothing else changed.
QString RemoveInvalidFileChars(const QString& text);

// The one cleaning step for file names built from server, database, schema or object names:
// RemoveInvalidFileChars, then NUL and other control characters removed; a result that is empty,
// "." or ".." becomes "_", and a name longer than the file system allows (255 bytes) is
// shortened before its extension. The result never leaves the folder it is put in.
QString SafeFileName(const QString& name);

// True when the extension of the file-name part (ASCII letters lowered) is one of the known
// document, archive, media and program extensions.
bool HasKnownFileExt(const QString& fileName);

// The folder with a "/" appended when it exists; empty otherwise. (Paths here need no short
// form: programs are started with argument lists.)
QString ShortDirName(const QString& path);

// A whole ini file held in memory: sections "[name]" with "key=value" lines, section and key
// names compared ignoring case. Lines it does not touch are written back as they were.
class IniTextFile {
public:
    // Reads the file in the text-file encoding when it exists (throws on a read failure).
    explicit IniTextFile(QString fileName);
    const QString& fileName() const { return m_fileName; }

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // Line breaks in the value would break the file: they become blanks.
    void writeString(const QString& section, const QString& key, const QString& value);
    QStringList sectionKeys(const QString& section) const;
    // Writes the whole file at once in the text-file encoding, open to the user only (throws
    // on failure).
    void updateFile() const;

private:
    qsizetype findSection(const QString& section) const;
    qsizetype findKey(qsizetype sectionLine, const QString& key) const;

    QString m_fileName;
    QStringList m_lines;
};

// The history file of one object: the work folder + SafeFileName(server.database.schema.name.ini).
QString WhereHistoryFileName(const QString& server, const QString& database,
                             const QString& schema, const QString& objectName);
// Fills `items` with the stored conditions, newest first (empty for an empty object name).
void LoadWhereHistory(const QString& server, const QString& database, const QString& schema,
                      const QString& objectName, QStringList& items);
// Stores the first 20 conditions of `items` as the keys "00" … "19".
void SaveWhereHistory(const QString& server, const QString& database, const QString& schema,
                      const QString& objectName, const QStringList& items);

} // namespace qv
