#pragma once
// The settings store: a registry-like tree of keys and typed values kept in a per-user text
// file ("~/.config/Velmora/QVS22.reg", or $QORVEL_SETTINGS) for HKEY_CURRENT_USER and a
// read-only machine file ("/etc/xdg/Velmora/QVS22-machine.reg", or $QORVEL_MACHINE_SETTINGS)
// for HKEY_LOCAL_MACHINE.
//
// Key and value names compare without letter case but keep the case they were created with.
// Subkeys enumerate in case-insensitive sorted order, values in creation order. Changes are
// kept in memory and written to the file (temporary file + rename, mode 0600) when the changed
// key is closed, and only when the content changed. A damaged file is renamed aside and the
// program runs on an empty store; see registry_store.h for the rest of the file's rules.
//
// TRegistry is the plain key wrapper (reads of a missing or foreign value raise
// ERegistryException); TqvRegistry adds the typed reads that fall back to a default.
#include "platform/exceptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>

namespace qv {

class RegistryStore;

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum RootKey { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };

enum class RegDataType { None = 0, String = 1, ExpandString = 2, Binary = 3, Integer = 4 };

// The settings tree of this program below HKEY_CURRENT_USER.
inline const QString SettingsRootKey = QStringLiteral("\\Software\\Velmora\\QVS22");

// Date-time values are stored as days since 1899-12-30 with the time as the fraction.
double DateTimeToDouble(const QDateTime& dt);
QDateTime DoubleToDateTime(double value);

class TRegistry {
public:
    enum Access { FullAccess, ReadOnlyAccess };

    explicit TRegistry(RootKey root = HKEY_CURRENT_USER, Access access = FullAccess);
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    RootKey rootKey() const { return m_root; }
    bool readOnly() const { return m_access == ReadOnlyAccess; }
    // Path of the open key from the root, without a leading backslash ("" when none or the root).
    QString CurrentPath() const { return m_current; }
    bool HasCurrentKey() const { return m_open; }

    // A path that begins with "\" is taken from the root key, any other from the current key.
    // The opened key becomes the current key (the previous one is closed). With canCreate the
    // key and its missing parents are created. Returns false, without raising, on failure;
    // the current key then stays as it was.
    bool OpenKey(const QString& key, bool canCreate);
    bool OpenKeyReadOnly(const QString& key);
    // Closes the current key; when anything changed, the store file is written now.
    void CloseKey();
    bool CreateKey(const QString& key);
    // Deletes the key with all its subkeys; the current key is closed when it was inside it.
    bool DeleteKey(const QString& key);
    bool KeyExists(const QString& key) const;

    bool ValueExists(const QString& name) const;
    bool DeleteValue(const QString& name);
    QStringList GetValueNames() const;
    QStringList GetKeyNames() const;
    bool HasSubKeys() const;
    RegDataType GetDataType(const QString& name) const;

    // Raw reads of the wrapper. ReadString returns "" for a missing value and for a value of
    // another type (so no stored value can stop a reader of text); every other read raises
    // ERegistryException for a missing value or one of another type (or size).
    QString ReadString(const QString& name) const;
    int ReadInteger(const QString& name) const;
    bool ReadBool(const QString& name) const;
    double ReadFloat(const QString& name) const;
    qint64 ReadCurrency(const QString& name) const; // amount × 10,000
    QDateTime ReadDateTime(const QString& name) const;
    QDate ReadDate(const QString& name) const;
    QTime ReadTime(const QString& name) const;
    QByteArray ReadBinaryData(const QString& name) const;

    // Writes raise ERegistryException when no key is open or the registry is read-only.
    void WriteString(const QString& name, const QString& value);
    void WriteExpandString(const QString& name, const QString& value);
    void WriteInteger(const QString& name, int value);
    void WriteBool(const QString& name, bool value);
    void WriteFloat(const QString& name, double value);
    void WriteCurrency(const QString& name, qint64 value);
    void WriteDateTime(const QString& name, const QDateTime& value);
    void WriteDate(const QString& name, const QDate& value);
    void WriteTime(const QString& name, const QTime& value);
    void WriteBinaryData(const QString& name, const QByteArray& value);

    // Writes pending changes now. False when the file could not be written (the changes stay
    // pending and are tried again at the next close).
    bool Flush();

    // The store files used for a root key (environment overrides applied).
    static QString StoreFilePath(RootKey root);
    // A note for the user about the store (a damaged file set aside, a file that cannot be
    // written); each note is returned once, then cleared.
    static QString TakeStoreNotice();
    // Drops every in-memory store so the next access reads the files again (tests).
    static void ResetStores();

private:
    bool resolve(const QString& key, QString& path) const;
    void requireWritable() const;
    void setValue(const QString& name, RegDataType type, const QString& text, quint32 dword, const QByteArray& bytes);

    RootKey m_root;
    Access m_access;
    bool m_open = false;
    QString m_current;
};

// Groups the changes made while it lives into one write of the store file (at its end)
// instead of one write per closed key.
class TRegistryBatch {
public:
    explicit TRegistryBatch(RootKey root = HKEY_CURRENT_USER);
    ~TRegistryBatch();
    TRegistryBatch(const TRegistryBatch&) = delete;
    TRegistryBatch& operator=(const TRegistryBatch&) = delete;

private:
    std::shared_ptr<RegistryStore> m_store;
};

// The registry accessor of the program: typed reads that never fail.
class TqvRegistry : public TRegistry {
public:
    using TRegistry::TRegistry;

    bool GetBool(const QString& name, bool def) const;
    int GetInteger(const QString& name, int def) const;
    // Also returns def when the stored text is empty.
    QString GetString(const QString& name, const QString& def) const;
    double GetFloat(const QString& name, double def) const;
    qint64 GetCurrency(const QString& name, qint64 def) const;
    QDateTime GetDate(const QString& name, const QDateTime& def) const;
    QDateTime GetDateTime(const QString& name, const QDateTime& def) const;
    QDateTime GetTime(const QString& name, const QDateTime& def) const;
};

// The one settings accessor of the program, rooted at HKEY_CURRENT_USER with full access.
TqvRegistry& Registry();

} // namespace qv
