#pragma once
// The in-memory tree behind TRegistry and its file format. Internal to the settings store;
// the rest of the program uses TRegistry / TqvRegistry.
//
// File format (UTF-8 text):
//   QORVEL-SETTINGS 1
//   ; comment
//   [Software\Velmora\QVS22]          one header per key, path from the root ("[]" = the root)
//   "Version"=dword:00013884            32-bit value, hexadecimal
//   "DateFormat"="yyyy/MM/dd"           string: \\ \" \n \r \t and \uXXXX escapes
//   "Path"=expand:"$HOME/sql"           expand-string
//   "Saved"=hex:00,00,00,00,00,c0,e5,40 binary
//   ; end of settings                   last line: a file without it was cut short
// A comment line "; base <digest>" after the header names the file this one replaced (the
// digest of its bytes), so a writer can tell a file written by another process of this program
// from the state it read itself from a file changed in some other way.
#include "platform/registry.h"

#include <QHash>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace qv {

struct RegValue {
    QString name;
    RegDataType type = RegDataType::None;
    QString text;       // String, ExpandString
    quint32 dword = 0;  // Integer
    QByteArray bytes;   // Binary
};

struct RegKey {
    QString name;
    std::map<QString, std::unique_ptr<RegKey>> children; // by case-folded name: sorted enumeration
    std::vector<RegValue> values;                        // creation order
    QHash<QString, int> index;                           // case-folded name -> position in values

    RegKey* child(const QString& name) const;
    RegKey* addChild(const QString& name);
    const RegValue* value(const QString& name) const;
    void setValue(const RegValue& v);
    bool removeValue(const QString& name);
    int valueIndex(const QString& name) const;
};

// Splits a key path at backslashes; false when a component is not a valid key name.
bool splitKeyPath(const QString& path, QStringList& components);

// Serialises and parses the file format above. base: the digest written in the "; base" line
// (none when empty).
QByteArray serializeRegistry(const RegKey& root, const QByteArray& base = {});

// What the parser saw besides the keys.
struct ParseInfo {
    bool complete = false;    // the end line is the last line
    bool blankEnding = false; // no end line, but the text ends with a blank line (older writers)
    QByteArray base;          // the digest of the "; base" line, empty when none
};
// Returns false (and an error text) when the text is not a well-formed settings file.
bool parseRegistry(const QByteArray& data, RegKey& root, QString* error = nullptr, ParseInfo* info = nullptr);

// The digest that "; base" lines hold: of a file's whole bytes, or empty for no file.
QByteArray settingsDigest(const QByteArray& fileBytes);

struct FileStamp {
    bool exists = false;
    qint64 dev = 0, ino = 0, size = 0, mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

class RegistryStore {
public:
    RegistryStore(QString path, bool readOnly);

    static std::shared_ptr<RegistryStore> get(RootKey root);
    static void resetAll();
    static QString takeNotice();
    static void addNotice(const QString& text);

    const QString& path() const { return m_path; }
    bool readOnly() const { return m_readOnly; }
    bool dirty() const { return !m_pending.empty() || m_mustWrite; }
    // While held (TRegistryBatch), closing a key does not write the file.
    void hold() { ++m_hold; }
    void release() { --m_hold; }
    bool held() const { return m_hold > 0; }

    // Takes over the file another process of this program wrote on top of the state read or
    // written here last (only when nothing is pending). A file changed in any other way is left
    // alone here and set aside at the next write: the state in memory stays the truth.
    void refreshIfChanged();

    // Files above this size are not read: they are set aside and the run starts on defaults.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
    // The file actually read and written: the path with symbolic links followed.
    QString targetPath() const;

    RegKey* find(const QStringList& path);
    RegKey* create(const QStringList& path);
    bool removeKey(const QStringList& path);
    bool setValue(const QStringList& path, const RegValue& v);
    bool removeValue(const QStringList& path, const QString& name);

    bool flush();

    // Called at points of the write (1 half of the temporary file written, 2 temporary file
    // complete, 3 renamed) so tests can stop the process there.
    static std::function<void(int)> writeHook;

private:
    struct Op {
        enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
        QStringList path;
        RegValue value;
    };
    // A file as read from disk, without side effects.
    struct FileRead {
        enum Status { Missing, Ok, NotRegular, TooLarge, Unreadable, Damaged } status = Missing;
        RegKey root;
        ParseInfo info;
        QByteArray digest;
        QString error;
        FileStamp stamp;
    };
    FileRead readFile(const QString& target) const;
    void load();
    void apply(const Op& op);
    bool writeFile(const QString& target, const QByteArray& data);
    // Renames (or, with copy, copies) the file aside as "<file>.<kind>-<time>"; the new name,
    // or empty when that failed.
    QString setAside(const QString& target, const QString& kind, bool copy) const;
    void takeState(FileRead&& r);

    QString m_path;
    bool m_readOnly;
    RegKey m_root;
    std::vector<Op> m_pending;
    FileStamp m_stamp;
    FileStamp m_ignoredStamp;  // a changed file refreshIfChanged has looked at and left alone
    QByteArray m_fileDigest;   // of the file as last read or written here; empty when none
    QByteArray m_treeDigest;   // of the tree as last read or written, to skip writes that change nothing
    bool m_mustWrite = false;  // the file on disk lacks values that memory holds
    bool m_memoryOnly = false; // the file is not to be touched in this run: changes stay in memory
    bool m_writeFailedReported = false;
    bool m_notRegularReported = false;
    int m_hold = 0;
};

FileStamp statFile(const QString& path);

} // namespace qv
