#include "script_session_helper.h"

#include "connection/object_script.h"
#include "app/qvstrings.h"

using namespace qv;
using namespace qv::db;

namespace qvtest {

namespace {
std::vector<ColumnDesc> Columns(int n)
{
    std::vector<ColumnDesc> cols;
    for (int i = 0; i < n; ++i)
        cols.push_back(column(QStringLiteral("c%1").arg(i), "nvarchar(max)"));
    return cols;
}
} // namespace

ScriptSession::ScriptSession(int version, bool azure)
{
    const QString ver = QStringLiteral("%1.0.2000.5").arg(version);
    answer(QStringLiteral("select SERVERPROPERTY('productversion')"), {{ver}});
    answer(catalog::facts::Edition, {{azure ? "SQL Azure" : "Enterprise Edition"}});
    answer(catalog::facts::LoginName, {{"sa"}});
    answer(catalog::facts::CurrentDatabase, {{"Sales"}});
    answer(catalog::facts::LoginDefaultDatabase("sa"), {{"Sales"}});
    answer(catalog::facts::UserName, {{"dbo"}});
    answer(catalog::facts::DefaultSchema, {{"dbo"}});
    answer(catalog::facts::Spid, {{"61"}});
    driver->fixture().pattern(QStringLiteral("use \\[[^\\n]*\\]"));
    session.Connect(QStringLiteral("Sales"), QStringLiteral("sa"), QStringLiteral("pw"), QStringLiteral("srv"), 0, driver);
    m_connectCount = int(driver->statements().size());
}

FixtureRule& ScriptSession::answer(const QString& sql, const std::vector<QVariantList>& rows, int columns)
{
    return driver->fixture().exact(sql).returns(Columns(columns), rows);
}

void ScriptSession::source(const QString& schema, const QString& name, const QString& text, bool trimmedPieces)
{
    const QString param = QuoteIdentifier(schema, true) + QLatin1Char('.') + QuoteIdentifier(name, true);
    QString sql = SourceQuery(session.DBVer, QString());
    sql.replace(QStringLiteral(":NAME"), QStringLiteral("?"));
    if (session.DBVer >= 9) {
        answer(sql, {{text}}).params = QVariantList{param};
        return;
    }
    std::vector<QVariantList> rows;
    for (qsizetype at = 0; at < text.size(); at += 4000) {
        QString piece = text.mid(at, 4000);
        const int stored = int(piece.size());
        if (trimmedPieces)
            while (piece.endsWith(QLatin1Char(' ')))
                piece.chop(1);
        rows.push_back({piece, stored});
    }
    driver->fixture()
        .exact(sql)
        .returns({column("text", "nvarchar(4000)"), column("len", "int")}, rows)
        .params = QVariantList{param};
}

void ScriptSession::grants(const QString& database, const QString& schema, const QString& name,
                           const std::vector<QVariantList>& rows)
{
    QString sql = GrantQuery(session.DBVer, false, QString());
    sql.replace(QStringLiteral(":OWNER"), QStringLiteral("?")).replace(QStringLiteral(":NAME"), QStringLiteral("?"));
    Q_UNUSED(database);
    answer(sql, rows, 4).params = QVariantList{schema, name};
}

void ScriptSession::windowAnswers()
{
    answer(catalog::facts::ProductVersion, {{"16.0.4135.4"}});
    driver->fixture().pattern(QStringLiteral("set showplan.*")).affects(0);
    driver->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"master"}, {"Sales"}});
}

QStringList ScriptSession::sent() const { return driver->statements().mid(m_connectCount); }

} // namespace qvtest
