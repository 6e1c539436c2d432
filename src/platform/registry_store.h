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

// Serialises and parses the file format above.
QByteArray serializeRegistry(const RegKey& root);
// Returns false (and an error text) when the text is not a well-formed settings file.
bool parseRegistry(const QByteArray& data, RegKey& root, QString* error = nullptr);

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
    bool dirty() const { return !m_pending.empty(); }
    // While held (TRegistryBatch), closing a key does not write the file.
    void hold() { ++m_hold; }
    void release() { --m_hold; }
    bool held() const { return m_hold > 0; }

    // Reads the file again when another process replaced it (only when nothing is pending).
    void refreshIfChanged();

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
    void load();
    void apply(const Op& op);
    bool writeFile(const QByteArray& data);

    QString m_path;
    bool m_readOnly;
    RegKey m_root;
    std::vector<Op> m_pending;
    FileStamp m_stamp;
    bool m_writeFailedReported = false;
    int m_hold = 0;
};

FileStamp statFile(const QString& path);

} // namespace qv
