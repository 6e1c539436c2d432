#pragma once
// The stored-program runner's logic: the parameter list of a procedure or function read from the
// catalog, the EXECUTE call with a return-value parameter, the typed binding of the values the
// user typed, and the output text after a run. TfrmExecProc stays a thin window over it.
#include "platform/db/types.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace qv {

namespace db {
class Param;
class Query;
}

enum class ProcParamKind { Result, Input, Output };

struct ProcParam {
    QString name;       // with its "@"; "RESULT" for the return value
    QString typeText;   // "int", "nvarchar(20)", "varchar(max)", "TABLE", ...
    QString value;      // the text the user typed (empty: NULL)
    ProcParamKind kind = ProcParamKind::Input;
    bool operator==(const ProcParam&) const = default;
};

// Main-window image of a parameter node: 79 result, 80 input, 81 output.
int ProcParamImage(ProcParamKind kind);
// The type as shown: the catalog's name, "(n)" for the character and binary types, "(max)" for
// length -1 of the variable ones.
QString ProcParamTypeText(const QString& type, qint64 length);

// The kind query ("P", "FN", "TF", "IF", ...), parameters OWNER and NAME.
QString ProcKindSQL(int dbVer);
// The parameter query of the server generation, with the return value's row for a procedure
// (tableFunction false) or the result row of a table-valued function, ordered by parameter
// number (the return value first). Parameters OWNER and NAME.
QString ProcParamsSQL(int dbVer, bool procedure, bool tableFunction);
// One node per row of the parameter query (columns in the query's order).
ProcParam ProcParamFromRow(const QVariantList& row);

// "execute :qv_ret = [schema].[name]" CR LF and the parameters, "@" made ":" and the output
// ones marked "output", separated by ",". params includes the RESULT node.
QString ExecCallText(const QString& schema, const QString& name, const QList<ProcParam>& params);
// The query's parameter name of a node ("QV_RET" for RESULT).
QString ProcParamMarker(const ProcParam& p);
// Sets data type, direction and value of a query parameter from a node. Raises
// qv::EConvertError for a value that is not of the parameter's type.
void BindProcParam(db::Param& target, const ProcParam& p);
// The argument list of a table-valued function: text values as N'...' literals, numbers as
// typed, NULL for an empty value; the TABLE node is left out.
QString TableFunctionArgs(const QList<ProcParam>& params);
// "select * from [db].[schema].[name](args)".
QString TableFunctionSQL(const QString& database, const QString& schema, const QString& name, const QList<ProcParam>& params);
// "name : value" (or " : (null)") per parameter after the run; value is the query parameter's
// value as text.
QString ProcParamOutputLine(const ProcParam& p, const QVariant& value);

} // namespace qv
