#include "app/workspace.h"

#include "platform/registry.h"

#include <algorithm>

namespace qv {

QList<TqvWorkSpace> WorkSpaceList;
QList<QList<TqvRecentObject>> RecentObjectList;

namespace {

const QString kWorkSpaceKey = SettingsRootKey + QStringLiteral("\\WORKSPACE");
const QString kRecentKey = SettingsRootKey + QStringLiteral("\\RECENTOBJECT");
constexpr int kTableType = 45;

// Entry keys are named by their position ("0" … "11"; slotNames "DB0" …), but the store lists
// subkeys in text order ("0", "1", "10", "11", "2"). Put numbered names in number order so the
// lists come back in the order they were saved; other names follow in listed order.
QStringList inSavedOrder(QStringList names, const QString& prefix = QString())
{
    auto number = [&](const QString& n) -> qint64 {
        if (!n.startsWith(prefix, Qt::CaseInsensitive))
            return -1;
        bool ok = false;
        const qint64 v = n.mid(prefix.size()).toLongLong(&ok);
        return ok && v >= 0 && !n.mid(prefix.size()).startsWith(u'+') ? v : -1;
    };
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const qint64 na = number(a), nb = number(b);
        if (na < 0 || nb < 0)
            return na >= 0 && nb < 0;
        return na < nb;
    });
    return names;
}

void readEntry(const TqvRegistry& reg, TqvObjectEntry& e)
{
    e.ObjectType = reg.GetInteger(QStringLiteral("ObjectType"), kTableType);
    e.Title = reg.GetString(QStringLiteral("Title"), QString());
    e.Schema = reg.GetString(QStringLiteral("Schema"), QString());
    e.ObjectName = reg.GetString(QStringLiteral("ObjectName"), QString());
    e.ParentObject = reg.GetString(QStringLiteral("ParentObject"), QString());
    e.DataBase = reg.GetString(QStringLiteral("DataBase"), QString());
    e.Connect = reg.GetString(QStringLiteral("Connect"), QString());
}

void writeEntry(TqvRegistry& reg, const TqvObjectEntry& e)
{
    reg.WriteInteger(QStringLiteral("ObjectType"), e.ObjectType);
    reg.WriteString(QStringLiteral("Title"), e.Title);
    reg.WriteString(QStringLiteral("Schema"), e.Schema);
    reg.WriteString(QStringLiteral("ObjectName"), e.ObjectName);
    reg.WriteString(QStringLiteral("ParentObject"), e.ParentObject);
    reg.WriteString(QStringLiteral("DataBase"), e.DataBase);
    reg.WriteString(QStringLiteral("Connect"), e.Connect);
}

QStringList subkeyNames(TqvRegistry& reg, const QString& key)
{
    QStringList names;
    if (reg.OpenKey(key, true))
        names = reg.GetKeyNames();
    reg.CloseKey();
    return names;
}

void openForWriting(TqvRegistry& reg, const QString& key)
{
    if (!reg.OpenKey(key, true))
        throw ERegistryException(QStringLiteral("Cannot create the settings key %1").arg(key));
}

void deleteKey(TqvRegistry& reg, const QString& sub)
{
    if (reg.OpenKey(SettingsRootKey, true))
        reg.DeleteKey(sub);
    reg.CloseKey();
}

} // namespace

void LoadWorkSpace()
{
    TqvRegistry& reg = Registry();
    TRegistryBatch batch;
    const QStringList names = inSavedOrder(subkeyNames(reg, kWorkSpaceKey));
    WorkSpaceList.resize(names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!reg.OpenKey(kWorkSpaceKey + u'\\' + names[i], false))
            continue; // the position keeps what it held
        readEntry(reg, WorkSpaceList[i]);
        reg.CloseKey();
    }
}

void SaveWorkSpace()
{
    TqvRegistry& reg = Registry();
    TRegistryBatch batch;
    deleteKey(reg, QStringLiteral("WORKSPACE"));
    for (qsizetype i = 0; i < WorkSpaceList.size(); ++i) {
        openForWriting(reg, kWorkSpaceKey + u'\\' + QString::number(i));
        writeEntry(reg, WorkSpaceList[i]);
        reg.CloseKey();
    }
}

void LoadRecentObjects()
{
    TqvRegistry& reg = Registry();
    TRegistryBatch batch;
    const QStringList slotNames = inSavedOrder(subkeyNames(reg, kRecentKey), QStringLiteral("DB"));
    RecentObjectList.resize(slotNames.size());
    for (qsizetype s = 0; s < slotNames.size(); ++s) {
        const QString slotKey = kRecentKey + u'\\' + slotNames[s];
        const QStringList entries = inSavedOrder(subkeyNames(reg, slotKey));
        QList<TqvRecentObject>& slot = RecentObjectList[s];
        slot.resize(entries.size());
        for (qsizetype j = 0; j < entries.size(); ++j) {
            if (!reg.OpenKey(slotKey + u'\\' + entries[j], false))
                continue;
            readEntry(reg, slot[j]);
            reg.CloseKey();
        }
    }
}

void SaveRecentObjects()
{
    TqvRegistry& reg = Registry();
    TRegistryBatch batch;
    deleteKey(reg, QStringLiteral("RECENTOBJECT"));
    for (qsizetype s = 0; s < RecentObjectList.size(); ++s) {
        const QList<TqvRecentObject>& slot = RecentObjectList[s];
        const QString slotKey = kRecentKey + QStringLiteral("\\DB") + QString::number(s);
        openForWriting(reg, slotKey);
        reg.WriteString(QStringLiteral("Connect"), slot.isEmpty() ? QString() : slot.first().Connect);
        reg.CloseKey();
        for (qsizetype j = 0; j < slot.size() && j < RecentObjectsSaved; ++j) {
            openForWriting(reg, slotKey + u'\\' + QString::number(j));
            writeEntry(reg, slot[j]);
            reg.CloseKey();
        }
    }
}

} // namespace qv
