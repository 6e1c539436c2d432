#pragma once
// The saved connections of the log-on dialog under the settings key DATABASE: the last typed
// values, the display order "Sort" and one subkey "DB000", "DB001", … per saved entry, its
// password kept scrambled.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv {

struct SavedConnection {
    QString userId;
    QString password;   // plain (unscrambled)
    QString server;
    QString database;
    QString windows;    // the flag as stored: "0" no, anything else yes
    QString comment;
    QString key;        // subkey name
    bool isWindows() const { return windows != QLatin1String("0"); }
    // The shown database column: the server, or server + "." + database.
    QString location() const { return database.isEmpty() ? server : server + QStringLiteral(".") + database; }
};

// The values of the log-on boxes.
struct LogonValues {
    QString userId;
    QString password;
    QString server;
    QString database;
    QString comment;
    bool windows = false;
};

namespace saved_connections {

inline const QString Key = QStringLiteral("\\Software\\Velmora\\QVS22\\DATABASE");

// The entries in display order: the "Sort" names that are subkeys, then the other subkeys.
QList<SavedConnection> Load();
// The root values of the last log-on; false when the key does not exist.
bool LoadLast(LogonValues& v);
// Stores "Sort" from the entries' order, with writeCurrent the root values, and with save the
// entry matching the values (updated) or a new one with the first free "DB%.3d" name (only with
// writeCurrent).
void Save(const QList<SavedConnection>& entries, const LogonValues& v, bool writeCurrent, bool save);
// Deletes one entry's subkey.
void Delete(const QString& key);
// The first "DB%.3d" name not among the subkeys.
QString FreeKeyName(const QStringList& subkeys);
// Whether an entry matches the values (login, database, server and Windows flag; letter case
// ignored).
bool Matches(const SavedConnection& e, const LogonValues& v);

} // namespace saved_connections
} // namespace qv
