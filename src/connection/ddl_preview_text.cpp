#include "connection/ddl_preview_text.h"

#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "app/textfiles.h"

namespace qv {

static const QString kDefrag = QStringLiteral("インデックスの断片化解消");

QStringList DdlPreviewLines(const QStringList& script, const QString& database)
{
    QStringList lines = script;
    if (!database.isEmpty()) {
        lines.prepend(QStringLiteral("go"));
        lines.prepend(QStringLiteral("use ") + QuoteIdentifier(database));
    }
    RemoveDuplicateUse(lines);
    return lines;
}

QString DdlPreviewCaption(const QString& schema, const QString& objectName)
{
    if (objectName == kDefrag)
        return objectName + QStringLiteral("を実行");
    if (!schema.isEmpty())
        return schema + QLatin1Char('.') + objectName + QStringLiteral(" のコンパイル");
    return objectName + QStringLiteral(" のコンパイル");
}

QString DdlPreviewFileName(const QString& schema, const QString& objectName)
{
    const QString name = objectName == kDefrag ? QStringLiteral("script") : objectName;
    if (!schema.isEmpty())
        return SafeFileName(schema + QLatin1Char('.') + name + QStringLiteral(".sql"));
    return SafeFileName(name + QStringLiteral(".sql"));
}

QString DdlSaveFileName(const QString& chosen)
{
    if (HasKnownFileExt(chosen))
        return chosen;
    return chosen + QStringLiteral(".sql");
}

} // namespace qv
