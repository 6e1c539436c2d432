#pragma once
// A light, keyword-driven parser for one SQL statement. It does not check grammar: it finds
// the statement's kind and cuts the text into the pieces the query builder, the index adviser,
// the INSERT export and the code-completion provider need.
#include "platform/exceptions.h"

#include <QList>
#include <QString>
#include <QStringList>

enum TqvSQLType { sqltNone, sqltSelect, sqltInsert, sqltUpdate, sqltDelete, sqltCreateView };

struct TqvParseItem {
    QString FObjectName;
    QString FAlias;
};

// The standard list error: an index outside 0..Count-1.
class EListError : public qv::Exception {
public:
    using qv::Exception::Exception;
};

// The parser's failure; its message is the one the caller passed (empty in lenient mode).
class ESQLParseError : public qv::Exception {
public:
    using qv::Exception::Exception;
};

// Ordered list of (object name, alias) pairs.
class TqvParseList {
public:
    TqvParseList() = default;

    int Count() const { return int(m_items.size()); }
    int Capacity() const { return m_capacity; }
    void SetCapacity(int capacity);

    int Add(const QString& objectName, const QString& alias);
    void Insert(int index, const QString& objectName, const QString& alias);
    void Delete(int index);
    void Clear();
    int IndexOf(const QString& objectName, const QString& alias) const;

    QString ObjectName(int index) const;
    QString Alias(int index) const;
    void SetObjectName(int index, const QString& value);
    void SetAlias(int index, const QString& value);

private:
    void check(int index) const;
    void grow();

    QList<TqvParseItem> m_items;
    int m_capacity = 0;
};

// Parses one statement. A non-empty `errorMessage` selects strict mode (blanks inside
// parentheses are not looked at; the scan ends at a "go"); an empty one selects lenient mode
// (keywords found inside parentheses too; further statements add to the same lists). The lists
// are appended to, never cleared; `viewName` is emptied first. Throws ESQLParseError.
// Iterative, linear in the text length.
TqvSQLType ParseSQLStatement(const QString& text, TqvParseList& columns, TqvParseList& tables,
                             TqvParseList& orderBy, QStringList& where, QStringList& groupBy,
                             QStringList& having, const QString& errorMessage, QString& viewName);
