#pragma once
// "QVDOC" documents: the program's XML container for user commands (USERCMD\*.cmd), report
// definitions (xlsdef\*.def) and data-generator settings (DATAGEN\*.prm). The root element is
// "QVDOC" with the attribute "QVDOC-VERSION" (writers write 2); below it one element names the
// document's kind ("USERCMD", "XLSDEF", "DATAGEN") and carries its values as attributes.
//
// Readers refuse a document whose root is not exactly "QVDOC" or whose version, read as a
// number, is above 2; a missing, empty or non-numeric version counts as 99.9 (refused), except
// for the user-command menu, which counts it as 0.
#include <QDomDocument>
#include <QDomElement>
#include <QKeySequence>
#include <QList>
#include <QString>

#include "platform/exceptions.h"

namespace qv {

inline constexpr int QvDocWriteVersion = 2;

// "このバージョンのファイルには対応していません。"
QString QvDocVersionMessage();
// "指定されたファイルの形式を認識できません。"
QString QvDocFormatMessage();

// The file cannot be read or is not well-formed XML.
class EQvDocFormat : public Exception {
public:
    EQvDocFormat() : Exception(QvDocFormatMessage()) {}
};
// The root or the version is refused.
class EQvDocVersion : public Exception {
public:
    EQvDocVersion() : Exception(QvDocVersionMessage()) {}
};

// How a reader counts a missing, empty or non-numeric "QVDOC-VERSION".
enum class QvDocMissingVersion { Refuse, AsZero };

class QvDocument {
public:
    // A new document: root "QVDOC" with version 2 and one empty element of the kind.
    static QvDocument create(const QString& kind);
    // Parses a document; raises EQvDocFormat for text that is not well-formed XML and
    // EQvDocVersion when the root or the version is refused.
    static QvDocument parse(const QByteArray& xml, QvDocMissingVersion missing = QvDocMissingVersion::Refuse);
    // The same for a file (a file that cannot be read raises EQvDocFormat).
    static QvDocument load(const QString& path, QvDocMissingVersion missing = QvDocMissingVersion::Refuse);

    // The version as the readers count it (99.9 or 0 for a missing or unusable one).
    static double versionOf(const QDomElement& root, QvDocMissingVersion missing);
    // Whether a root element is accepted.
    static bool accepts(const QDomElement& root, QvDocMissingVersion missing);

    QDomDocument& dom() { return m_doc; }
    QDomElement root() const { return m_doc.documentElement(); }
    // The first child of the root with the kind name; a null element when there is none.
    QDomElement element(const QString& kind) const;
    // The document as UTF-8 XML text with an XML declaration.
    QByteArray toXml() const;
    // Writes the document, creating the folder; replaces an existing file. Raises on failure.
    void save(const QString& path) const;

private:
    QDomDocument m_doc;
};

// Attribute readers: an integer that is missing or not a number reads as def; a Boolean is
// true only for "true" (letter case ignored).
int QvDocInt(const QDomElement& e, const QString& name, int def = 0);
bool QvDocBool(const QDomElement& e, const QString& name, bool def = false);

// Shortcut key codes as the documents store them: the virtual-key code in the low byte plus
// 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt; 0 is none. Keys without a code give 0
// (and an empty sequence back).
int ShortCutToCode(const QKeySequence& key);
QKeySequence CodeToShortCut(int code);

// ---- user commands -------------------------------------------------------------------------

// One user command (USERCMD\<name>.cmd). The name is the file name; the NAME attribute is
// written but never read.
struct UserCommand {
    int Seq = 0;
    QString Name;
    int ShortCut = 0;
    bool Dialog = false;    // ask before running
    bool SqlWindow = false; // run in a new SQL window
    bool IgnoreError = false;
    QString Sql;            // lines joined by CR LF

    bool operator==(const UserCommand&) const = default;
};

// The folder of the user commands (data folder + "USERCMD/") and a command's file.
QString UserCommandDir();
QString UserCommandFile(const QString& dir, const QString& name);
// Reads a command file (version rule: a missing version is refused). Raises EQvDocFormat or
// EQvDocVersion. Name comes from the file name.
UserCommand ReadUserCommand(const QString& path);
// Writes the command as dir + Name + ".cmd", creating the folder and replacing the file.
void WriteUserCommand(const QString& dir, const UserCommand& cmd);

// ---- report definitions --------------------------------------------------------------------

// The report-tag table: 46 rows of caption and keyword; position 0 is the object-list report.
int ReportTagCount();
QString ReportTagCaption(int index);
QString ReportTagKeyword(int index);
// Position of text among the captions (column 0) or keywords (column 1), compared exactly;
// 0 when not found.
int IndexOfReportTag(const QString& text, int column);

// The folder of the report definitions (data folder + "xlsdef/").
QString ReportDefinitionDir();
// How a definition runs, for the report menu: 0 for the object-list report, an unknown TYPE or
// a document that cannot be read or is refused; else OUTPUTTYPE + 1.
int ReportOutputKind(const QString& path);

// ---- the menus ---------------------------------------------------------------------------

struct QvMenuEntry {
    QString Name;    // file name without its extension
    int ShortCut = 0; // key code (0 none)
    int Tag = 0;

    bool operator==(const QvMenuEntry&) const = default;
};

// A user command as its list shows it: name and SEQ (and the shortcut its menu item takes).
struct UserCommandListEntry {
    QString Name;
    int Seq = 0;
    int ShortCut = 0;
};
// The list order of the commands: by name ignoring case, then an exchange sort by SEQ (a later
// entry with a strictly smaller SEQ is swapped forward).
void OrderUserCommands(QList<UserCommandListEntry>& list);
// The entries of the "*.cmd" files of dir in list order; unreadable or refused files with SEQ 0.
QList<UserCommandListEntry> UserCommandListEntries(const QString& dir);

// The user-command menu's entries from the "*.cmd" files of dir, in menu order: sorted by
// name ignoring case, then ordered by SEQ with an exchange sort; unreadable or refused files are
// listed with SEQ 0, no shortcut and tag 0. A missing folder gives no entry.
QList<QvMenuEntry> UserCommandMenuEntries(const QString& dir);
// The report menu's entries from the "*.def" files of dir, in name order, each tagged with
// ReportOutputKind.
QList<QvMenuEntry> ReportMenuEntries(const QString& dir);

} // namespace qv
