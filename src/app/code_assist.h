#pragma once
// The completion provider behind the SQL editors' code assist: reads the dotted name before the
// caret, finds out what each part names in the server's catalog (database, schema, table or
// view, synonym, alias of the edited statement, procedure) and builds the rows of the
// completion list: objects, schemas or columns.
//
// BuildCodeAssistList is the window-free part that tests drive on the scripted session;
// FillCodeAssist (code_assist_fill.h) hands its result to the editor's completion list.
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qv::db {
class Query;
}

namespace qv {

struct CodeAssistRow {
    QString caption;
    QString type;
    int image = -1; // main image list index; -1 none
};

struct CodeAssistList {
    enum Kind { Objects, Schemas, Columns };
    Kind kind = Objects;
    QString caption1, caption2; // column captions
    std::vector<CodeAssistRow> rows;
    bool unfinished = false;
    QString buffer; // the typed prefix, upper-cased, when unfinished
};

struct CodeAssistRequest {
    // Taken over for the catalog look-ups (closed, SQL replaced); further queries run on its
    // connection.
    db::Query* query = nullptr;
    QString token;          // the dotted name at the caret, as the editor finds it
    QStringList editorText; // the editor's lines (aliases of its statements)
    QString database;       // the database the window works in
    QString schema;         // the schema of unqualified names
    int dbVer = 0;          // server major version
    QStringList reservedWords;
};

// The list to show, or nothing when the name leads to no list. Catalog errors throw.
std::optional<CodeAssistList> BuildCodeAssistList(const CodeAssistRequest& request);

// "use [db]" and a line break: the database switch in front of a catalog query.
QString CodeAssistUse(const QString& database);

} // namespace qv
