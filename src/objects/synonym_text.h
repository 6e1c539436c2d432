#pragma once
// The statements and decisions of the synonym window, without any window: the split of a
// stored base object name, the catalog reads, CREATE and DROP SYNONYM text and the delete
// statement. Names are bracket-quoted with "]" doubled; catalog reads take names as
// parameters inside quotename, so names holding "." or "]" hold.
#include <QString>
#include <QStringList>

namespace qv::synonym {

// The base object a synonym stands for. The server is kept only for a four-part name.
struct BaseObject {
    QString server, database, schema, name;
};

// Splits a stored base_object_name with the bracket-aware name parser: two parts → the
// synonym's own database, schema, name; three → database, schema, name; four → server,
// database, schema, name; any other count → the synonym's database, "dbo", the first part.
BaseObject SplitBaseName(const QString& stored, const QString& synonymDatabase);

// The synonym: the "use" line, then schema and base_object_name by :OWNER and :NAME.
QString SynonymQuery(const QString& database);
// The base object's kind (xtype) in its own database, by :OWNER and :NAME.
QString ObjectTypeQuery(const QString& baseDatabase, bool azure);

// The combo items of the base object's type.
QStringList TypeItems();

struct CreateInput {
    QString switchDatabase;   // the synonym's database when the script starts with the switch
    QString schemaPrefix;     // "[s]." or "" as the qualification rule gives it
    QString name;
    QString basePrefix;       // server, database and schema prefixes of the base object
    QString baseName;
};
// The switch pair (when asked), "CREATE SYNONYM …", "FOR …", "go".
QStringList CreateText(const CreateInput& in);
// The switch pair (when `switchDatabase` is not empty), the existence test, DROP SYNONYM, "go".
QStringList DropText(const QString& switchDatabase, const QString& schema, const QString& name);
// The delete action's statement: "use [db]" and drop synonym.
QString DeleteStatement(const QString& database, const QString& schema, const QString& name);

} // namespace qv::synonym
