#pragma once
// Window-free text of the data page of the table and view windows: the SELECT built from the
// chosen columns, the row limit, the condition grid (equal, not equal, bounds, LIKE, sort
// order), the free condition and, for a system-versioned table, FOR SYSTEM_TIME; the refill of
// the condition grid after a load (values kept by column name, typed text quoted) and the
// free-condition history.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::datapage {

// Columns of the condition grid grdWhere.
enum WhereCol { wcName = 0, wcEqual, wcNotEqual, wcLower, wcUpper, wcLike, wcSort, WhereColCount };

// A column of the object: name and type name as the catalog gives it.
struct Column {
    QString name;
    QString type;
};

// One condition row: WhereColCount cells, cell wcName the column name.
using WhereRow = QStringList;

enum class Window { Table, View };

// The FOR SYSTEM_TIME choice of a system-versioned table ("履歴" with a mode).
enum class History { Current = -1, AsOf = 0, FromTo, BetweenAnd, ContainedIn, All };

// The items of the history mode combo, in order.
QStringList HistoryModeItems();

struct SelectSpec {
    Window window = Window::Table;
    QString database, schema, name;
    QStringList showFields;  // the listed columns, in order
    QList<Column> columns;   // every column of the object, in grid order
    QString rowLimit;        // the row-limit box's text
    bool incNull = false;    // "’’(空)にNULLを含める"
    QString freeCondition;   // the free condition as typed
    History history = History::Current;
    QString start, end;      // the period's instants as the server reads them
};

// The row limit's text: empty (no limit), a number above 0 (top n), or anything else (0, not a
// number: the caller warns and builds nothing).
enum class Limit { None, Top, Invalid };
Limit CheckRowLimit(const QString& text, qint64* value = nullptr);
inline const QString RowLimitWarning = QStringLiteral("表示件数には1以上の整数を入力して下さい。");

// The SELECT of the page. The sort cells of `rows` come back renumbered 1, 2, … (" desc" kept);
// a sort cell without a number and without "desc" is emptied. The row limit must have been
// checked (an invalid limit adds nothing).
QString BuildSelect(const SelectSpec& spec, QList<WhereRow>& rows);

// The condition grid after a load: one row per column, the values of a column of the same name
// (letter case ignored) kept; with autoQuote, typed text of text columns and every LIKE pattern
// become string literals ("%" around a pattern without wildcards).
QList<WhereRow> RefillRows(const QList<WhereRow>& old, const QList<Column>& columns, bool autoQuote);
// The shown columns after a load: names no longer there dropped; an empty list gets them all.
QStringList PruneShowFields(const QStringList& show, const QList<Column>& columns);

// A value typed into the grid as a string literal: quotes doubled, N'…' for a Unicode column or
// a text that is not plain ASCII.
QString QuoteValue(const QString& value, const QString& type);
// The literals inside a value made literal for LIKE ... escape '%': "%", "_" and "[" get "%"
// in front; text outside the literals stays as typed.
QString EscapeLikeLiterals(const QString& value);

// The free-condition history after using `condition`: at the top, an equal entry further down
// removed.
void PushHistory(QStringList& items, const QString& condition);

} // namespace qv::datapage
