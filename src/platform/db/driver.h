#pragma once
// The interface between the data-access layer and a database driver. Two drivers exist: ODBC
// (odbc_driver.h; the real servers) and the scripted session (scripted_session.h; tests).
#include "platform/db/result_table.h"
#include "platform/db/types.h"

#include <QMap>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace qv::db {

// One value bound to a "?" marker of a statement.
struct BoundParam {
    QString name;               // upper-case name of the ":name" marker it came from
    ParamType type = ParamType::WideString;
    ParamDirection direction = ParamDirection::Input;
    qint64 size = 0;
    int scale = -1;             // fraction digits of a date-time or decimal value; -1: the driver's choice
    QVariant value;             // invalid = NULL
};

struct StatementRequest {
    QString sql;                      // the text as the server receives it, "?" for each bound value
    std::vector<BoundParam> params;   // one per "?" in order of appearance
    bool noScan = false;              // no escape-sequence processing
    bool direct = false;              // execute directly, no prepare step
    bool keepRows = true;             // false: results are read and dropped (ExecSQL)
};

// One result of a batch: rows (table set) or a row count.
struct DriverResult {
    std::shared_ptr<ResultTable> table; // null when the statement gave no columns
    qint64 rowCount = -1;               // rows affected; -1 when not reported
};

struct ExecOutcome {
    std::vector<DriverResult> results;
    QStringList messages;     // informational messages of the server
    QVariantList outputs;     // per bound parameter: its value after the call (output directions)
};

// Connection parameters: names matched without regard to letter case.
class ParamList {
public:
    QString value(const QString& name) const;
    bool contains(const QString& name) const;
    void setValue(const QString& name, const QString& value);
    void remove(const QString& name);
    void clear() { m_items.clear(); }
    QStringList names() const;
    QString operator[](const QString& name) const { return value(name); }

private:
    QList<QPair<QString, QString>> m_items;
};

// True when a driver error means the link to the server is gone: any SQLSTATE of class 08
// (communication link failure, connection not open, connection refused …), a time-out
// (HYT00/HYT01) after which the driver reports the connection dead, and the drivers' texts for
// a link that broke without such a state (FreeTDS "Unexpected EOF from the server", "Write to
// the server failed", "Read from the server failed", …).
bool IsLostLinkState(const QString& sqlState);
bool IsLostLinkText(const QString& message);
bool IsLostLinkError(const QString& sqlState, const QString& message);
// True for the SQLSTATEs of a time-out (HYT00 statement, HYT01 connection).
bool IsTimeoutState(const QString& sqlState);

// The texts the user reads when the link is gone.
QString LostLinkText();        // "サーバーとの接続が切断されました。"
QString LostLinkStateText();   // the link went earlier and was not opened again

class DriverConnection {
public:
    virtual ~DriverConnection() = default;
    virtual void open(const ParamList& params) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void setAutoCommit(bool on) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // Runs one batch and reads every result it produces. Raises qv::EDatabaseError (or
    // qv::EConnectionLost) with the driver's messages.
    virtual ExecOutcome execute(const StatementRequest& request) = 0;
    // "name = value" lines about the connection, the client and the server.
    virtual QStringList infoReport() = 0;
    // The identifier quote pair, e.g. "[]" or "\"\"".
    virtual QString identifierQuotes() const = 0;
    // Primary-key columns of a table, else the columns of its first unique index; empty when none.
    virtual QStringList keyColumns(const QString& catalog, const QString& schema, const QString& table) = 0;
};

} // namespace qv::db
