#pragma once
// Index maintenance of the connection window without a window: the reorganize, rebuild and
// automatic commands over the selected index rows (statements by server version, the choice by
// the two fragmentation thresholds, the script for the DDL preview), their questions and
// closing messages, and the figures the index list draws as bars.
#include "connection/object_actions.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

namespace qv::index {

enum class Command { Reorganize, Rebuild, Automatic };
enum class Choice { None, Reorganize, Rebuild };

// By the fraction f (0.31 = 31 %) and the thresholds in percent: f ≥ B/100 rebuild,
// R/100 ≤ f < B/100 reorganize, below nothing.
Choice Decide(double f, int reorganize, int rebuild);
// The sub-item read as a number; false when it is not one.
bool ReadFraction(const QString& text, double& f);

// "alter index [I] on [schema].[table] reorganize" / " rebuild" / " rebuild with (online = on)".
QString ReorganizeSql(const actions::Row& r, bool typeListLevel);
QString RebuildSql(const actions::Row& r, bool typeListLevel, bool online);
// Before version 9: the key columns of the index (parameters OWNER, TABLENAME, IDXNAME), and
// DBCC INDEXDEFRAG with database, schema-qualified table and index.
QString KeyColumnsSql(const QString& database);
QString IndexDefragSql(const actions::Row& r, bool typeListLevel);
// The editions that offer online rebuild (server property EditionID).
inline const QString EditionIdSql = QStringLiteral("select cast(serverproperty('EditionID') as bigint)");
bool OnlineEdition(qint64 editionId);

// Questions and closing messages (lines joined by CR LF).
QString ConfirmText(Command c, int dbVer, int reorganize, int rebuild);
QString OnlineCaption(Command c);
inline const QString IgnoreErrorsCaption = QStringLiteral("エラーを無視する");
QString DoneText(Command c, int reorganize, int rebuild);
QString NothingToDoText(int reorganize, int rebuild);
inline const QString PreviewName = QStringLiteral("インデックスの断片化解消");

struct RunInput {
    Command command = Command::Reorganize;
    int dbVer = 99;
    bool showDDL = false;         // collect a script instead of running
    bool online = false;
    bool ignoreErrors = false;
    int reorganize = 5;
    int rebuild = 31;
    bool typeListLevel = true;
};

struct Hooks {
    std::function<void(const QString& sql)> execute;        // the plain statement routine
    std::function<bool(const actions::Row&)> hasKeyColumns; // before version 9
    std::function<void()> commit;                           // errors ignored by the caller
    std::function<void()> startTransaction;
    std::function<bool()> escape;
    std::function<void(int i, int n)> progress;
};

struct RunResult {
    QStringList script;           // with showDDL
    int statements = 0;           // statements run or listed
    QList<int> handled;           // rows done (deselected)
    QList<actions::DeleteFailure> failures; // rows that failed with errors ignored (stay selected)
    bool stopped = false;         // Esc
    std::exception_ptr error;     // the command ended at this error
};

// Runs the command over the rows (all selected) in the row loop: a failing row ends the
// command unless errors are ignored.
RunResult Run(const QList<actions::Row>& rows, const RunInput& in, const Hooks& hooks);

// ---- drawing

// The fragmentation cell: the frame (silver), the bar inside it coloured by the thresholds
// and the text "NN%".
struct Bar {
    QRect frame;
    QRect bar;
    QColor colour;
    QString text;
};
Bar FragmentBar(double f, const QRect& cell, int reorganize, int rebuild);
// The page column: the listed figure (pages / 100) times 100 as number text; "" when it is no number.
QString PagesText(const QString& figure);

} // namespace qv::index
