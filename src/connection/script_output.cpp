#include "connection/script_output.h"

#include "app/options.h"
#include "app/textfiles.h"
#include "connection/catalog_queries.h"
#include "connection/object_session.h"
#include "connection/script_names.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {

QString IndexFileTable(bool indexNodeSelected, const QString& subItem3, const QString& subItem5)
{
    return indexNodeSelected ? subItem3 : subItem5;
}

QStringList ObjectScriptParts(const ScriptOutputRow& row, const QString& fileName, bool typeFirst)
{
    if (!ScriptOption.Dir)
        return {fileName};
    if (typeFirst)
        return {row.typeName, row.database, row.schema, fileName};
    return {row.database, row.schema, row.typeName, fileName};
}

QStringList GrantFileParts(const ScriptOutputRow& row, const QString& fileName, bool typeFirst)
{
    if (ScriptOption.GrantMode == pmSeparateFolder) {
        if (typeFirst)
            return {QStringLiteral("GRANT"), row.database, row.schema, fileName};
        return {row.database, row.schema, QStringLiteral("GRANT"), fileName};
    }
    const QString shared = QStringLiteral("_GRANT.SQL");
    if (!ScriptOption.Dir)
        return {shared};
    if (typeFirst)
        return {row.typeName, shared};
    return {row.database, row.schema, shared};
}

QString JoinSafePath(const QString& root, const QStringList& parts)
{
    QString path = root;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            path += QLatin1Char('/');
        path += SafeFileName(parts.at(i));
    }
    return path;
}

ScriptOutputRun::ScriptOutputRun(const ScriptContext& context, ScriptOutputSettings settings)
    : m_context(context), m_settings(std::move(settings))
{
}

void ScriptOutputRun::begin()
{
    if (ScriptOption.OneScript && ScriptOption.SameName)
        QFile::remove(m_settings.path); // a failing delete is ignored
}

QString ScriptOutputRun::fileName(const ScriptOutputRow& row)
{
    if (!m_settings.nameTable.isEmpty()) {
        const QString keyword = GetObjectTypeName(GetObjectTypeCode(row.typeName));
        const QString found = LookupScriptName(*m_context.session, m_settings.nameTable, true, row.database,
                                               row.schema, row.name, keyword);
        if (!found.isEmpty())
            return found;
    }
    if (GetObjectTypeCode(row.typeName) == ObjType::Index)
        return row.table + QLatin1Char('.') + row.name + QStringLiteral(".SQL");
    return row.name + QStringLiteral(".SQL");
}

bool ScriptOutputRun::isConstraintIndex(const ScriptOutputRow& row)
{
    TObjectSession& s = *m_context.session;
    const QString owner = s.DBVer >= 9 ? QStringLiteral("schema_id(:OWNER)") : QStringLiteral("user_id(:OWNER)");
    db::Query* q = s.OpenSQL(s.Use(row.database) + QStringLiteral("select name from sysobjects where uid = ") + owner +
                                 QStringLiteral(" and name = :NAME and xtype in (N'PK', N'UQ')"),
                             {row.schema, row.name});
    const bool found = !q->Eof();
    q->Close();
    return found;
}

QString ScriptOutputRun::indexTable(const ScriptOutputRow& row)
{
    TObjectSession& s = *m_context.session;
    const QString sql =
        s.DBVer >= 9
            ? QStringLiteral("SELECT OBJECT_NAME(A.object_id) FROM sys.indexes AS A INNER JOIN sys.objects AS B "
                             "ON A.object_id = B.object_id WHERE A.name = :NAME AND B.schema_id = SCHEMA_ID(:OWNER)")
            : QStringLiteral("SELECT OBJECT_NAME(A.id) FROM sysindexes AS A INNER JOIN sysobjects AS B "
                             "ON A.id = B.id WHERE A.name = :NAME AND B.uid = USER_ID(:OWNER)");
    db::Query* q = s.OpenSQL(s.Use(row.database) + sql, {row.name, row.schema});
    QStringList tables;
    for (q->First(); !q->Eof(); q->Next())
        tables << q->Fields().at(0)->AsString();
    q->Close();
    // Indexes of the same name on several tables: the one the list shows.
    if (tables.isEmpty() || (tables.size() > 1 && tables.contains(row.table)))
        return row.table;
    return tables.first();
}

void ScriptOutputRun::openFile(QFile& file, const QString& path, bool anew)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw Exception(QStringLiteral("フォルダを作成できません: ") + folder);
    file.setFileName(path);
    const QIODevice::OpenMode mode = anew ? QIODevice::WriteOnly | QIODevice::Truncate
                                          : QIODevice::ReadWrite | QIODevice::Append;
    if (!file.open(mode))
        throw Exception(QStringLiteral("ファイルを開けません: ") + path + QStringLiteral("\r\n") + file.errorString());
    noteFile(path);
}

void ScriptOutputRun::noteFile(const QString& path)
{
    if (!m_files.contains(path))
        m_files << path;
}

void ScriptOutputRun::write(const ScriptOutputRow& row)
{
    const TObjectTypeCode code = GetObjectTypeCode(row.typeName);
    if (code == ObjType::TablePartition || code == ObjType::IndexPartition)
        return;
    if (code == ObjType::Index && isConstraintIndex(row))
        return;

    QFile file;
    QString name;
    if (ScriptOption.OneScript) {
        openFile(file, m_settings.path, false);
    } else {
        name = fileName(row);
        const QString path = JoinSafePath(m_settings.path, ObjectScriptParts(row, name, m_settings.typeFirst));
        openFile(file, path, ScriptOption.SameName || !QFile::exists(path));
    }

    const QString table = code == ObjType::Index ? indexTable(row) : row.table;
    try {
        WriteObjectScript(m_context, code, row.database, row.schema, row.name, &file, {}, {}, ScriptOption.Drop, table);
        ++m_written;
    } catch (const Exception& e) {
        m_failures << row.schema + QLatin1Char('.') + row.name + QStringLiteral(": ") + e.message();
    } catch (const std::exception& e) {
        m_failures << row.schema + QLatin1Char('.') + row.name + QStringLiteral(": ") + QString::fromUtf8(e.what());
    }

    if (ScriptOption.Grant) {
        if (ScriptOption.GrantMode == pmSameScript || ScriptOption.OneScript) {
            OutputGrant(*m_context.session, row.database, row.schema, row.name, &file, false);
        } else {
            QFile grant;
            const QString path = JoinSafePath(m_settings.path, GrantFileParts(row, name, m_settings.typeFirst));
            bool anew;
            if (ScriptOption.GrantMode == pmSeparateFolder) {
                anew = ScriptOption.SameName || !QFile::exists(path);
            } else {
                anew = !m_sharedGrantFiles.contains(path);
                m_sharedGrantFiles.insert(path);
            }
            openFile(grant, path, anew);
            OutputGrant(*m_context.session, row.database, row.schema, row.name, &grant, false);
        }
    }
}

} // namespace qv
