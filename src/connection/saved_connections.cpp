#include "connection/saved_connections.h"

#include "app/scrambler.h"
#include "platform/registry.h"

#include <QRegularExpression>

namespace qv::saved_connections {

namespace {
const QString CRLF = QStringLiteral("\r\n");

bool SameText(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

QString Flag(bool on)
{
    return on ? QStringLiteral("-1") : QStringLiteral("0");
}
} // namespace

QList<SavedConnection> Load()
{
    QList<SavedConnection> out;
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(Key))
        return out;
    QStringList subkeys = reg.GetKeyNames();
    QString sortText = reg.ReadString(QStringLiteral("Sort"));
    if (sortText.isEmpty())
        sortText = subkeys.join(CRLF) + CRLF;
    QStringList sorted = sortText.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")), Qt::SkipEmptyParts);
    for (qsizetype i = sorted.size() - 1; i >= 0; --i) {
        const QString& name = sorted.at(i);
        qsizetype found = -1;
        for (qsizetype k = 0; k < subkeys.size(); ++k)
            if (SameText(subkeys.at(k), name)) {
                found = k;
                break;
            }
        if (found < 0)
            sorted.removeAt(i);
        else
            subkeys.removeAt(found);
    }
    sorted += subkeys;
    for (const QString& name : sorted) {
        TqvRegistry sub;
        if (!sub.OpenKeyReadOnly(Key + QStringLiteral("\\") + name))
            continue;
        SavedConnection e;
        e.userId = sub.ReadString(QStringLiteral("UserID"));
        e.server = sub.ReadString(QStringLiteral("Server"));
        e.database = sub.ReadString(QStringLiteral("Database"));
        e.comment = sub.ReadString(QStringLiteral("Comment"));
        e.password = UnscrambleText(sub.ReadString(QStringLiteral("Password")));
        e.windows = sub.GetString(QStringLiteral("Windows"), QStringLiteral("0"));
        e.key = name;
        out << e;
    }
    return out;
}

bool LoadLast(LogonValues& v)
{
    TqvRegistry reg;
    if (!reg.OpenKeyReadOnly(Key))
        return false;
    v.userId = reg.ReadString(QStringLiteral("UserID"));
    v.database = reg.ReadString(QStringLiteral("Database"));
    v.comment = reg.ReadString(QStringLiteral("Comment"));
    v.server = reg.ReadString(QStringLiteral("Server"));
    v.windows = reg.GetString(QStringLiteral("Windows"), QStringLiteral("0")) != QLatin1String("0");
    return true;
}

bool Matches(const SavedConnection& e, const LogonValues& v)
{
    return SameText(e.userId, v.userId) && SameText(e.database, v.database) && SameText(e.server, v.server) &&
           e.isWindows() == v.windows;
}

QString FreeKeyName(const QStringList& subkeys)
{
    for (int n = 0;; ++n) {
        const QString name = QStringLiteral("DB%1").arg(n, 3, 10, QLatin1Char('0'));
        bool used = false;
        for (const QString& k : subkeys)
            used = used || SameText(k, name);
        if (!used)
            return name;
    }
}

void Save(const QList<SavedConnection>& entries, const LogonValues& v, bool writeCurrent, bool save)
{
    TRegistryBatch batch;
    QString sort;
    for (const SavedConnection& e : entries)
        sort += e.key + CRLF;
    TqvRegistry reg;
    if (!reg.OpenKey(Key, true))
        return;
    if (writeCurrent) {
        reg.WriteString(QStringLiteral("UserID"), v.userId);
        reg.WriteString(QStringLiteral("Database"), v.database);
        reg.WriteString(QStringLiteral("Windows"), Flag(v.windows));
        reg.WriteString(QStringLiteral("Server"), v.server);
    }
    reg.WriteString(QStringLiteral("Sort"), sort);
    if (!save)
        return;
    for (const SavedConnection& e : entries) {
        if (!Matches(e, v))
            continue;
        TqvRegistry sub;
        if (sub.OpenKey(Key + QStringLiteral("\\") + e.key, true)) {
            sub.WriteString(QStringLiteral("Password"), ScrambleText(v.password));
            sub.WriteString(QStringLiteral("Server"), v.server);
            sub.WriteString(QStringLiteral("Windows"), Flag(v.windows));
            sub.WriteString(QStringLiteral("Comment"), v.comment);
        }
        return;
    }
    const QString name = FreeKeyName(reg.GetKeyNames());
    if (!writeCurrent)
        return;
    TqvRegistry sub;
    if (!sub.OpenKey(Key + QStringLiteral("\\") + name, true))
        return;
    sub.WriteString(QStringLiteral("UserID"), v.userId);
    sub.WriteString(QStringLiteral("Database"), v.database);
    sub.WriteString(QStringLiteral("Windows"), Flag(v.windows));
    sub.WriteString(QStringLiteral("Password"), ScrambleText(v.password));
    sub.WriteString(QStringLiteral("Server"), v.server);
    sub.WriteString(QStringLiteral("Comment"), v.comment);
}

void Delete(const QString& key)
{
    if (key.isEmpty())
        return;
    TqvRegistry reg;
    reg.DeleteKey(Key + QStringLiteral("\\") + key);
}

} // namespace qv::saved_connections
