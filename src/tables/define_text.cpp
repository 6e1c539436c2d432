#include "tables/define_text.h"

#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "app/textfiles.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"

#include <QBuffer>
#include <QIODevice>

namespace qv {

QString DefineCaption(const QString& word, bool isNew, const QString& database, const QString& schema,
                      const QString& name, const QString& server, const QString& currentDb, bool hasSchema)
{
    if (isNew)
        return word + QStringLiteral(" - 新規");
    QString object = hasSchema ? schema.trimmed() + QLatin1Char('.') + name.trimmed() : name.trimmed();
    if (!database.trimmed().isEmpty())
        object = database.trimmed() + QLatin1Char('.') + object;
    return word + QStringLiteral(" - ") + object + QStringLiteral(" @ ") + server.trimmed() + QLatin1Char('.') +
           currentDb.trimmed();
}

QString DatabaseSwitchLine(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database, true);
}

QStringList WithDatabaseSwitch(const QStringList& lines, const QString& database)
{
    QStringList out = lines;
    if (database.trimmed().isEmpty())
        return out;
    const QString use = DatabaseSwitchLine(database);
    qsizetype first = 0;
    while (first < out.size() && out.at(first).trimmed().isEmpty())
        ++first;
    const bool starts = first < out.size() && out.at(first).trimmed().compare(use, Qt::CaseInsensitive) == 0;
    if (!starts) {
        out.prepend(QStringLiteral("go"));
        out.prepend(use);
    }
    RemoveDuplicateUse(out);
    return out;
}

bool IsBlankScript(const QStringList& lines)
{
    for (const QString& l : lines)
        if (!TrimWhiteSpace(l).isEmpty())
            return false;
    return true;
}

QByteArray EncodeScript(const QStringList& lines, bool toMemory)
{
    const QString text = JoinTextLines(lines);
    const TextEncoding& enc = toMemory ? TextEncoding::get(TextEncoding::Utf16LE) : GetFileEncoding();
    return enc.encode(text);
}

void WriteScript(QIODevice& stream, const QStringList& lines)
{
    const QByteArray bytes = EncodeScript(lines, qobject_cast<QBuffer*>(&stream) != nullptr);
    if (stream.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("スクリプトを書き込めませんでした: ") + stream.errorString());
}

} // namespace qv
