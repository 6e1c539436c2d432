#pragma once
// What the test server answers to one statement: a sequence of result sets, row counts,
// messages and a procedure's return status, in the order the client receives them.
#include "tds_types.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace qvtds {

struct ResultSet {
    QList<Column> columns;
    QList<QVariantList> rows;  // an invalid QVariant is NULL
};

struct AnswerItem {
    enum Kind { Rows, RowCount, Error, Info, ReturnStatus };
    Kind kind = RowCount;
    ResultSet result;          // Rows
    qint64 count = 0;          // RowCount (-1: done without a count)
    int number = 0;            // Error, Info
    int state = 1;
    int severity = 16;
    int line = 1;
    QString message;
    int status = 0;            // ReturnStatus

    static AnswerItem rows(ResultSet rs) { AnswerItem a; a.kind = Rows; a.result = std::move(rs); return a; }
    static AnswerItem rowCount(qint64 n) { AnswerItem a; a.kind = RowCount; a.count = n; return a; }
    static AnswerItem error(int number, QString message, int severity = 16, int state = 1, int line = 1)
    {
        AnswerItem a;
        a.kind = Error;
        a.number = number;
        a.message = std::move(message);
        a.severity = severity;
        a.state = state;
        a.line = line;
        return a;
    }
    static AnswerItem info(int number, QString message)
    {
        AnswerItem a = error(number, std::move(message), 0);
        a.kind = Info;
        return a;
    }
    static AnswerItem returnStatus(int s) { AnswerItem a; a.kind = ReturnStatus; a.status = s; return a; }
};

struct Answer {
    QList<AnswerItem> items;
};

// The source of answers. Called from the client threads: implementations must be thread-safe.
class Responder {
public:
    virtual ~Responder() = default;
    // The answer to Sql (line ends normalised to "\n") run in Database with the bound Values
    // (empty for a statement without parameters); nullopt when none is known.
    virtual std::optional<Answer> answer(const QString& sql, const QString& database, const QVariantList& values) = 0;
    // The databases the server has, for log-on and "use"; empty: any name is accepted.
    virtual QStringList databases() const { return {}; }
};

} // namespace qvtds
