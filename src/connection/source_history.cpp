#include "connection/source_history.h"

#include "app/globals.h"
#include "app/options.h"
#include "app/textfiles.h"
#include "connection/object_session.h"
#include "connection/script_names.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace qv {

SourceHistoryOptions BeforeSourceOptions()
{
    return {qvOption.SaveBeforeSrc, qvOption.SaveBeforeSrcDialog, qvOption.SaveBeforeSrcRenum,
            qvOption.SaveBeforeSrcHead, qvOption.SaveBeforeSrcDir.isEmpty() ? DataDir() : qvOption.SaveBeforeSrcDir};
}

SourceHistoryOptions AfterSourceOptions()
{
    return {qvOption.SaveAfterSrc, qvOption.SaveAfterSrcDialog, qvOption.SaveAfterSrcRenum,
            qvOption.SaveAfterSrcHead, qvOption.SaveAfterSrcDir.isEmpty() ? DataDir() : qvOption.SaveAfterSrcDir};
}

QString SourceHistoryFileName(const QString& folder, const QString& scriptName, bool renum)
{
    const QString base = folder + QLatin1Char('/') + SafeFileName(scriptName);
    if (!renum)
        return base + QStringLiteral(".sql");
    int n = 0;
    while (n < 100 && QFileInfo::exists(base + QStringLiteral("_%1.sql").arg(n, 2, 10, QLatin1Char('0'))))
        ++n;
    return base + QStringLiteral("_%1.sql").arg(n, 2, 10, QLatin1Char('0'));
}

namespace {

QString DefaultDialog(const QString& title, const QString& proposedPath)
{
    QString selected;
    const QString filters = QStringLiteral("SQLファイル(*.sql);;テキストファイル(*.txt);;すべてのファイル(*.*)");
    QString name = QFileDialog::getSaveFileName(nullptr, title, UniqueFileName(proposedPath), filters, &selected);
    if (name.isEmpty())
        return name;
    if (!HasKnownFileExt(name))
        name += selected.startsWith(QStringLiteral("テキスト")) ? QStringLiteral(".txt") : QStringLiteral(".sql");
    return name;
}

} // namespace

SourceHistoryDialog& SourceHistoryDialogHook()
{
    static SourceHistoryDialog hook = DefaultDialog;
    return hook;
}

QString SaveSourceHistory(const ScriptContext& context, const SourceHistoryOptions& options, bool before,
                          const QString& database, const QString& schema, const QString& objectName,
                          TObjectTypeCode objectType)
{
    if (!options.enabled)
        return {};
    QString root = options.dir;
    if (!root.isEmpty() && !root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    const QString keyword = GetObjectTypeName(objectType);
    QString folder = root;
    if (!schema.isEmpty())
        folder += SafeFileName(schema) + QLatin1Char('/');
    folder += SafeFileName(keyword);
    if (!QDir().mkpath(folder))
        throw Exception(QStringLiteral("フォルダを作成できません: ") + folder);

    QString scriptName = objectName;
    if (context.session) {
        const QString table = NameTableOf(context.session->g_Server);
        if (!table.isEmpty()) {
            const QString found = LookupScriptName(*context.session, table, false, database, schema, objectName, keyword);
            if (!found.isEmpty())
                scriptName = found;
        }
    }
    QString path = SourceHistoryFileName(folder, scriptName, options.renum);
    if (options.dialog) {
        path = SourceHistoryDialogHook()(before ? QStringLiteral("変更前ソースの保存") : QStringLiteral("変更後ソースの保存"), path);
        if (path.isEmpty())
            return {};
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Exception(QStringLiteral("ファイルを作成できません: ") + path + QStringLiteral("\r\n") + file.errorString());
    if (options.head) {
        const QString head = QStringLiteral("-- ") + DateTimeToStr(QDateTime::currentDateTime()) +
                             (before ? QStringLiteral(" 変更前ソース") : QStringLiteral(" 変更後ソース")) +
                             QStringLiteral("\r\n");
        file.write(TextEncoding::get(TextEncoding::Ansi).encode(head));
    }
    OutputScript(context, objectType, database, schema, objectName, &file, {}, {}, false, {});
    return path;
}

QString SaveBeforeSource(const ScriptContext& context, const QString& database, const QString& schema,
                         const QString& objectName, TObjectTypeCode objectType)
{
    return SaveSourceHistory(context, BeforeSourceOptions(), true, database, schema, objectName, objectType);
}

QString SaveAfterSource(const ScriptContext& context, const QString& database, const QString& schema,
                        const QString& objectName, TObjectTypeCode objectType)
{
    return SaveSourceHistory(context, AfterSourceOptions(), false, database, schema, objectName, objectType);
}

} // namespace qv
