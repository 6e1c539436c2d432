#include "connection/connection_facts.h"

#include "connection/catalog_queries.h"
#include "platform/exceptions.h"

namespace qv {

namespace {
template <typename F>
void Ignoring(F&& f)
{
    try {
        f();
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception&) {
    }
}
} // namespace

ConnectionFacts GatherConnectionFacts(const FactSources& src, const QString& userId, const QString& sid,
                                      const QString& openedDatabase, int versionOverride)
{
    ConnectionFacts f;
    f.login = userId;
    f.database = openedDatabase;
    if (userId.trimmed().isEmpty())
        Ignoring([&] {
            const QVariantList row = src.firstRow(catalog::facts::LoginName);
            if (!row.isEmpty())
                f.login = row.at(0).toString();
        });
    f.dbVer = versionOverride >= 1 ? versionOverride : (src.serverVersion ? src.serverVersion() : 99);
    f.isAzure = false;
    if (f.dbVer > 9)
        Ignoring([&] {
            const QVariantList row = src.firstRow(catalog::facts::Edition);
            f.isAzure = !row.isEmpty() && row.at(0).toString().trimmed() == QLatin1String("SQL Azure");
        });
    Ignoring([&] {
        if (!sid.trimmed().isEmpty()) {
            const QVariantList row = src.firstRow(catalog::facts::CurrentDatabase);
            if (!row.isEmpty())
                f.database = row.at(0).toString();
        } else if (f.isAzure) {
            f.database = QStringLiteral("master");
        } else {
            const QVariantList row = src.firstRow(catalog::facts::LoginDefaultDatabase(f.login));
            f.database = row.isEmpty() ? QStringLiteral("master") : row.at(0).toString();
        }
    });
    Ignoring([&] {
        const QVariantList row = src.firstRow(catalog::facts::LoginName);
        if (!row.isEmpty())
            f.login = row.at(0).toString();
    });
    Ignoring([&] {
        const QVariantList row = src.firstRow(catalog::facts::UserName);
        if (!row.isEmpty())
            f.user = row.at(0).toString();
    });
    Ignoring([&] {
        if (f.dbVer < 9) {
            f.schema = f.user;
        } else {
            const QVariantList row = src.firstRow(catalog::facts::DefaultSchema);
            if (!row.isEmpty())
                f.schema = row.at(0).toString();
        }
    });
    f.spid = 0;
    Ignoring([&] {
        const QVariantList row = src.firstRow(catalog::facts::Spid);
        if (!row.isEmpty())
            f.spid = row.at(0).toInt();
    });
    return f;
}

} // namespace qv
