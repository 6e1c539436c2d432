// The table window's share of the script output beyond the CREATE script: the rows as INSERT
// statements and the scripts of the table's indexes (the text in table_data_script.*).
#include "tables/table_window.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "connection/object_session.h"
#include "connection/object_window.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "tables/define_script.h"
#include "tables/define_text.h"
#include "tables/table_data_script.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QToolButton>

namespace qv {

using namespace table;

void TfrmTable::WriteDataScript(QIODevice& stream)
{
    const QString database = Database(), schema = Schema(), name = TableName();
    TObjectSession* session = Session();
    db::Query* q = session->OpenSQL(session->Use(database) + QStringLiteral(" SELECT * FROM ") + QuoteIdentifier(schema) +
                                    u'.' + QuoteIdentifier(name));
    struct CloseQuery {
        db::Query* q;
        ~CloseQuery() { q->Close(); }
    } closeQuery{q};
    const bool hasRows = !q->Eof();

    IConnectionWindow* conn = OwnerForm();
    const auto* connectionWindow = dynamic_cast<const TfrmObject*>(conn);
    DataFileFacts facts;
    facts.root = ScriptOption.Path;
    facts.database = database;
    facts.schema = schema;
    facts.name = name;
    facts.insertMode = ScriptOption.InsertMode;
    facts.oneScript = ScriptOption.OneScript;
    facts.dir = ScriptOption.Dir;
    facts.databasesFirst = !connectionWindow || connectionWindow->btnTree1->isChecked();
    const DataFilePlace place = DataFilePath(facts);

    const bool writeUse = !Azure() && (ScriptOption.Database == qmAlways ||
                                       (ScriptOption.Database == qmDiffLogin && conn &&
                                        database != conn->DataBase().trimmed()));
    QStringList useLines;
    if (writeUse)
        useLines << DatabaseSwitchLine(database) << QStringLiteral("go");
    if (!hasRows) {
        if (place.path.isEmpty() && !useLines.isEmpty())
            WriteScript(stream, useLines);
        return;
    }

    QFile file;
    if (!place.path.isEmpty()) {
        const QString folder = QFileInfo(place.path).absolutePath();
        if (!QDir().mkpath(folder))
            throw Exception(QStringLiteral("フォルダを作成できません: ") + folder);
        file.setFileName(place.path);
        const QIODevice::OpenMode mode = place.append ? QIODevice::ReadWrite | QIODevice::Append
                                                      : QIODevice::WriteOnly | QIODevice::Truncate;
        if (!file.open(mode))
            throw Exception(QStringLiteral("ファイルを開けません: ") + place.path + QStringLiteral("\r\n") + file.errorString());
    }
    const auto write = [&](const QStringList& lines) {
        if (!file.isOpen()) {
            WriteScript(stream, lines);
            return;
        }
        const QByteArray bytes = EncodeScript(lines, false);
        if (file.write(bytes) != bytes.size())
            throw Exception(QStringLiteral("ファイルに書き込めません: ") + place.path + QStringLiteral("\r\n") + file.errorString());
    };

    const bool copy = !NewSchema.isEmpty() && !NewObjectName.isEmpty();
    const QString target = copy ? GetSchemaPrefix(NewSchema) + QuoteIdentifier(NewObjectName)
                                : GetSchemaPrefix(schema) + QuoteIdentifier(name);
    const QList<db::Field*> fields = q->Fields();
    QStringList fieldNames;
    for (const db::Field* f : fields)
        fieldNames << f->FieldName();
    const TableModel model = GridModel();
    QStringList period;
    for (const QString& c : {model.versioning.startColumn, model.versioning.endColumn})
        if (!c.isEmpty())
            period << c;
    const DataColumns plan = PlanDataColumns(model.columns, fieldNames, period);

    if (!useLines.isEmpty())
        write(useLines);
    if (plan.identity)
        write(IdentityInsertLines(target, true));
    for (; !q->Eof(); q->Next())
        write(InsertRowLines(target, plan.columnList, RowLiterals(fields, plan.written)));
    if (plan.identity)
        write(IdentityInsertLines(target, false));
}

void TfrmTable::WriteIndexScripts(QIODevice& stream)
{
    // A copy's indexes cannot be read from the catalog: only the table's own are written.
    if (!NewSchema.isEmpty() && !NewObjectName.isEmpty())
        return;
    const DefineScriptRoutine routine = DefinitionScripts().value(46);
    if (!routine)
        return;
    const QString database = Database(), schema = Schema(), name = TableName();
    QStringList indexes;
    for (const QVariantList& r : Rows(TableIndexesQuery(Version(), database), {schema, name}))
        if (!r.value(0).toString().isEmpty())
            indexes << r.value(0).toString();
    for (const QString& index : indexes) {
        // Indexes of a primary key or unique constraint come with the table's own script.
        if (!Rows(KeyIndexQuery(Azure(), database), {schema, name, index}).isEmpty())
            continue;
        DefineScriptRequest request;
        request.objectType = 46;
        request.database = database;
        request.schema = schema;
        request.name = index;
        request.tableName = name;
        try {
            routine(OwnerForm(), request, stream);
        } catch (const EAbort&) {
            // the routine's normal end
        } catch (const std::exception&) {
            // an index that cannot be read is left out
        }
    }
}

} // namespace qv
