#include "platform/db/driver.h"

namespace qv::db {

bool IsLostLinkState(const QString& sqlState)
{
    return sqlState.size() == 5 && sqlState.startsWith(QLatin1String("08"));
}

bool IsLostLinkText(const QString& message)
{
    // What the drivers say when the socket broke under them without a link-failure state.
    static const char* const texts[] = {
        "Unexpected EOF from the server",
        "Read from the server failed",
        "Write to the server failed",
        "Communication link failure",
        "Connection reset by peer",
        "Broken pipe",
        "TCP Provider",
        "Server closed the connection",
        "connection is dead",
        "Connection is not open",
    };
    for (const char* t : texts)
        if (message.contains(QLatin1String(t), Qt::CaseInsensitive))
            return true;
    return false;
}

bool IsLostLinkError(const QString& sqlState, const QString& message)
{
    return IsLostLinkState(sqlState) || IsLostLinkText(message);
}

bool IsTimeoutState(const QString& sqlState)
{
    return sqlState == QLatin1String("HYT00") || sqlState == QLatin1String("HYT01");
}

QString LostLinkText() { return QStringLiteral("サーバーとの接続が切断されました。"); }

QString LostLinkStateText()
{
    return QStringLiteral("サーバーとの接続は切断されています。接続し直してから実行してください。");
}

QString ParamList::value(const QString& name) const
{
    for (const auto& p : m_items)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0)
            return p.second;
    return QString();
}

bool ParamList::contains(const QString& name) const
{
    for (const auto& p : m_items)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void ParamList::setValue(const QString& name, const QString& value)
{
    for (auto& p : m_items)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    m_items.append({name, value});
}

void ParamList::remove(const QString& name)
{
    m_items.removeIf([&](const QPair<QString, QString>& p) { return p.first.compare(name, Qt::CaseInsensitive) == 0; });
}

QStringList ParamList::names() const
{
    QStringList out;
    for (const auto& p : m_items)
        out.append(p.first);
    return out;
}

} // namespace qv::db
