#include "platform/registry.h"
#include "platform/registry_store.h"

#include <QDir>
#include <QtEndian>
#include <cmath>

namespace qv {

namespace {

const QDateTime& dateTimeEpoch()
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return epoch;
}

QByteArray doubleBytes(double d)
{
    QByteArray b(8, '\0');
    qToLittleEndian(d, b.data());
    return b;
}

[[noreturn]] void raise(const QString& text) { throw ERegistryException(text); }

} // namespace

double DateTimeToDouble(const QDateTime& dt)
{
    const QDateTime& epoch = dateTimeEpoch();
    const qint64 days = epoch.date().daysTo(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the fraction still counts forwards from midnight: -1.25 is 1899-12-29 06:00.
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

QDateTime DoubleToDateTime(double value)
{
    const double whole = value >= 0 ? std::floor(value) : std::ceil(value);
    const double frac = std::fabs(value - whole);
    qint64 ms = qRound64(frac * 86400000.0);
    qint64 days = qint64(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += value >= 0 ? 1 : -1;
    }
    return QDateTime(dateTimeEpoch().date().addDays(days), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

// ---- TRegistry ------------------------------------------------------------------------------

TRegistry::TRegistry(RootKey root, Access access) : m_root(root), m_access(root == HKEY_LOCAL_MACHINE ? ReadOnlyAccess : access) {}

TRegistry::~TRegistry()
{
    CloseKey();
}

QString TRegistry::StoreFilePath(RootKey root)
{
    if (root == HKEY_LOCAL_MACHINE) {
        const QString env = qEnvironmentVariable("QORVEL_MACHINE_SETTINGS");
        return env.isEmpty() ? QStringLiteral("/etc/xdg/Velmora/QVS22-machine.reg") : env;
    }
    const QString env = qEnvironmentVariable("QORVEL_SETTINGS");
    if (!env.isEmpty())
        return env;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Velmora/QVS22.reg");
}

QString TRegistry::TakeStoreNotice() { return RegistryStore::takeNotice(); }
void TRegistry::ResetStores() { RegistryStore::resetAll(); }

bool TRegistry::resolve(const QString& key, QString& path) const
{
    QString k = key;
    bool absolute = k.startsWith(u'\\');
    while (k.startsWith(u'\\'))
        k.remove(0, 1);
    while (k.endsWith(u'\\'))
        k.chop(1);
    if (absolute || !m_open || m_current.isEmpty())
        path = k;
    else
        path = k.isEmpty() ? m_current : m_current + u'\\' + k;
    QStringList comps;
    return splitKeyPath(path, comps);
}

bool TRegistry::OpenKey(const QString& key, bool canCreate)
{
    QString path;
    if (!resolve(key, path))
        return false;
    auto store = RegistryStore::get(m_root);
    if (!store->dirty())
        store->refreshIfChanged();
    QStringList comps;
    splitKeyPath(path, comps);
    RegKey* k = store->find(comps);
    if (!k && canCreate && !readOnly())
        k = store->create(comps);
    if (!k)
        return false; // the current key stays open
    CloseKey();
    m_open = true;
    m_current = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& key) { return OpenKey(key, false); }

void TRegistry::CloseKey()
{
    if (!m_open)
        return;
    m_open = false;
    m_current.clear();
    auto store = RegistryStore::get(m_root);
    if (store->dirty() && !store->held())
        store->flush();
}

TRegistryBatch::TRegistryBatch(RootKey root) : m_store(RegistryStore::get(root)) { m_store->hold(); }

TRegistryBatch::~TRegistryBatch()
{
    m_store->release();
    if (!m_store->held() && m_store->dirty())
        m_store->flush();
}

bool TRegistry::Flush() { return RegistryStore::get(m_root)->flush(); }

bool TRegistry::CreateKey(const QString& key)
{
    QString path;
    if (readOnly() || !resolve(key, path))
        return false;
    QStringList comps;
    splitKeyPath(path, comps);
    return RegistryStore::get(m_root)->create(comps) != nullptr;
}

bool TRegistry::DeleteKey(const QString& key)
{
    QString path;
    if (readOnly() || !resolve(key, path) || path.isEmpty())
        return false;
    QStringList comps;
    splitKeyPath(path, comps);
    return RegistryStore::get(m_root)->removeKey(comps);
}

bool TRegistry::KeyExists(const QString& key) const
{
    QString path;
    if (!resolve(key, path))
        return false;
    QStringList comps;
    splitKeyPath(path, comps);
    auto store = RegistryStore::get(m_root);
    store->refreshIfChanged();
    return store->find(comps) != nullptr;
}

namespace {
const RegKey* currentKey(RootKey root, bool open, const QString& current)
{
    if (!open)
        return nullptr;
    QStringList comps;
    splitKeyPath(current, comps);
    return RegistryStore::get(root)->find(comps);
}
} // namespace

bool TRegistry::ValueExists(const QString& name) const
{
    const RegKey* k = currentKey(m_root, m_open, m_current);
    return k && k->value(name);
}

bool TRegistry::DeleteValue(const QString& name)
{
    if (!m_open || readOnly())
        return false;
    QStringList comps;
    splitKeyPath(m_current, comps);
    return RegistryStore::get(m_root)->removeValue(comps, name);
}

QStringList TRegistry::GetValueNames() const
{
    QStringList names;
    if (const RegKey* k = currentKey(m_root, m_open, m_current))
        for (const RegValue& v : k->values)
            names << v.name;
    return names;
}

QStringList TRegistry::GetKeyNames() const
{
    QStringList names;
    if (const RegKey* k = currentKey(m_root, m_open, m_current))
        for (const auto& [folded, child] : k->children)
            names << child->name;
    return names;
}

bool TRegistry::HasSubKeys() const
{
    const RegKey* k = currentKey(m_root, m_open, m_current);
    return k && !k->children.empty();
}

RegDataType TRegistry::GetDataType(const QString& name) const
{
    const RegKey* k = currentKey(m_root, m_open, m_current);
    const RegValue* v = k ? k->value(name) : nullptr;
    return v ? v->type : RegDataType::None;
}

namespace {
const RegValue* requireValue(RootKey root, bool open, const QString& current, const QString& name)
{
    const RegKey* k = currentKey(root, open, current);
    if (!k)
        raise(QStringLiteral("No key is open to read \"%1\"").arg(name));
    const RegValue* v = k->value(name);
    if (!v)
        raise(QStringLiteral("Value \"%1\" does not exist").arg(name));
    return v;
}

QByteArray requireEightBytes(const RegValue* v)
{
    if (v->type != RegDataType::Binary || v->bytes.size() != 8)
        raise(QStringLiteral("Invalid data type for \"%1\"").arg(v->name));
    return v->bytes;
}
} // namespace

QString TRegistry::ReadString(const QString& name) const
{
    const RegKey* k = currentKey(m_root, m_open, m_current);
    if (!k)
        raise(QStringLiteral("No key is open to read \"%1\"").arg(name));
    const RegValue* v = k->value(name);
    // A value of another type reads like a missing one: a number or a binary value where text
    // belongs (an edited or foreign settings file) must not stop whatever reads it.
    if (!v || (v->type != RegDataType::String && v->type != RegDataType::ExpandString))
        return QString();
    return v->text;
}

int TRegistry::ReadInteger(const QString& name) const
{
    const RegValue* v = requireValue(m_root, m_open, m_current, name);
    if (v->type != RegDataType::Integer)
        raise(QStringLiteral("Invalid data type for \"%1\"").arg(name));
    return int(v->dword);
}

bool TRegistry::ReadBool(const QString& name) const { return ReadInteger(name) != 0; }

double TRegistry::ReadFloat(const QString& name) const
{
    const QByteArray b = requireEightBytes(requireValue(m_root, m_open, m_current, name));
    return qFromLittleEndian<double>(b.constData());
}

qint64 TRegistry::ReadCurrency(const QString& name) const
{
    const QByteArray b = requireEightBytes(requireValue(m_root, m_open, m_current, name));
    return qFromLittleEndian<qint64>(b.constData());
}

QDateTime TRegistry::ReadDateTime(const QString& name) const { return DoubleToDateTime(ReadFloat(name)); }
QDate TRegistry::ReadDate(const QString& name) const { return ReadDateTime(name).date(); }
QTime TRegistry::ReadTime(const QString& name) const { return ReadDateTime(name).time(); }

QByteArray TRegistry::ReadBinaryData(const QString& name) const
{
    const RegValue* v = requireValue(m_root, m_open, m_current, name);
    if (v->type != RegDataType::Binary)
        raise(QStringLiteral("Invalid data type for \"%1\"").arg(name));
    return v->bytes;
}

void TRegistry::requireWritable() const
{
    if (readOnly())
        raise(QStringLiteral("The settings key is read-only"));
    if (!m_open)
        raise(QStringLiteral("No settings key is open for writing"));
}

void TRegistry::setValue(const QString& name, RegDataType type, const QString& text, quint32 dword, const QByteArray& bytes)
{
    requireWritable();
    RegValue v;
    v.name = name;
    v.type = type;
    v.text = text;
    v.dword = dword;
    v.bytes = bytes;
    QStringList comps;
    splitKeyPath(m_current, comps);
    if (!RegistryStore::get(m_root)->setValue(comps, v))
        raise(QStringLiteral("Failed to set data for \"%1\"").arg(name));
}

void TRegistry::WriteString(const QString& name, const QString& value) { setValue(name, RegDataType::String, value, 0, {}); }
void TRegistry::WriteExpandString(const QString& name, const QString& value) { setValue(name, RegDataType::ExpandString, value, 0, {}); }
void TRegistry::WriteInteger(const QString& name, int value) { setValue(name, RegDataType::Integer, {}, quint32(value), {}); }
void TRegistry::WriteBool(const QString& name, bool value) { WriteInteger(name, value ? 1 : 0); }
void TRegistry::WriteFloat(const QString& name, double value) { setValue(name, RegDataType::Binary, {}, 0, doubleBytes(value)); }

void TRegistry::WriteCurrency(const QString& name, qint64 value)
{
    QByteArray b(8, '\0');
    qToLittleEndian(value, b.data());
    setValue(name, RegDataType::Binary, {}, 0, b);
}

void TRegistry::WriteDateTime(const QString& name, const QDateTime& value) { WriteFloat(name, DateTimeToDouble(value)); }
void TRegistry::WriteDate(const QString& name, const QDate& value) { WriteDateTime(name, QDateTime(value, QTime(0, 0))); }
void TRegistry::WriteTime(const QString& name, const QTime& value)
{
    WriteFloat(name, value.msecsSinceStartOfDay() / 86400000.0);
}
void TRegistry::WriteBinaryData(const QString& name, const QByteArray& value) { setValue(name, RegDataType::Binary, {}, 0, value); }

// ---- TqvRegistry ----------------------------------------------------------------------------

namespace {

// The value a read returns, or def when the value is missing or of another type.
template <class T, class Read>
T readOr(const T& def, Read read)
{
    try {
        return read();
    } catch (...) {
        return def;
    }
}

} // namespace

bool TqvRegistry::GetBool(const QString& name, bool def) const
{
    return readOr(def, [&] { return ReadBool(name); });
}

int TqvRegistry::GetInteger(const QString& name, int def) const
{
    return readOr(def, [&] { return ReadInteger(name); });
}

QString TqvRegistry::GetString(const QString& name, const QString& def) const
{
    return readOr(def, [&] {
        const QString s = ReadString(name);
        return s.isEmpty() ? def : s;
    });
}

double TqvRegistry::GetFloat(const QString& name, double def) const
{
    return readOr(def, [&] { return ReadFloat(name); });
}

qint64 TqvRegistry::GetCurrency(const QString& name, qint64 def) const
{
    return readOr(def, [&] { return ReadCurrency(name); });
}

QDateTime TqvRegistry::GetDate(const QString& name, const QDateTime& def) const
{
    return readOr(def, [&] { return QDateTime(ReadDate(name), QTime(0, 0)); });
}

QDateTime TqvRegistry::GetDateTime(const QString& name, const QDateTime& def) const
{
    return readOr(def, [&] { return ReadDateTime(name); });
}

QDateTime TqvRegistry::GetTime(const QString& name, const QDateTime& def) const
{
    return readOr(def, [&] { return QDateTime(dateTimeEpoch().date(), ReadTime(name)); });
}

TqvRegistry& Registry()
{
    static TqvRegistry instance(HKEY_CURRENT_USER, TRegistry::FullAccess);
    return instance;
}

} // namespace qv
