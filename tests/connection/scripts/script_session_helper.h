#pragma once
// A connection session on the scripted session for the script tests: a server of a given
// version with the database "Sales", default schema "dbo", answering every "use" line.
#include "connection/object_session.h"
#include "platform/db/scripted_session.h"

#include <QTemporaryDir>
#include <memory>

namespace qvtest {

struct ScriptSession {
    std::shared_ptr<qv::db::ScriptedSession> driver = std::make_shared<qv::db::ScriptedSession>();
    qv::TObjectSession session;

    // Connects to a server of the major version (8, 9, 16 …).
    explicit ScriptSession(int version = 16, bool azure = false);
    // One result of one nvarchar column per value of a row.
    qv::db::FixtureRule& answer(const QString& sql, const std::vector<QVariantList>& rows, int columns = 1);
    // The source of schema.name in the syscomments (version 8) or sys.sql_modules form. With
    // `trimmedPieces` the version-8 pieces come without their trailing blanks, as a driver that
    // trims them would give them, with their stored lengths beside them.
    void source(const QString& schema, const QString& name, const QString& text, bool trimmedPieces = false);
    // Grants of an object: rows of grantee, privilege, grantable, object.
    void grants(const QString& database, const QString& schema, const QString& name,
                const std::vector<QVariantList>& rows);
    // The answers a connection window needs to open (database list, product version).
    void windowAnswers();
    // The statements sent since the connection was made.
    QStringList sent() const;

private:
    int m_connectCount = 0;
};

} // namespace qvtest
