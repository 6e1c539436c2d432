#include "platform/db/driver.h"

namespace qv::db {

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
