#include "tables/define_output.h"

#include "app/options.h"
#include "app/textfiles.h"
#include "controls/print/fprint.h"
#include "platform/exceptions.h"
#include "platform/textcodec.h"
#include "sql/sql_files.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

namespace qv {

void PrintScriptLines(const QString& title, const QStringList& lines)
{
    TfrmPrint::ShowWindow(title, [title, lines] {
        TfrmPrint::BeginPrint();
        try {
            TfrmPrint::PrintSource(title, lines, true);
        } catch (...) {
            TfrmPrint::EndPrint();
            throw;
        }
        TfrmPrint::EndPrint();
    });
}

QString SaveScriptLines(QWidget* parent, const QString& baseName, const QStringList& lines, const ScriptSaveDialog& dialog)
{
    QString dir = qvOption.FileDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QString proposed = UniqueFileName(dir + SafeFileName(baseName));
    const QString title = QStringLiteral("名前を付けて保存");
    QString file = dialog ? dialog(title, proposed, SqlFileFilter())
                          : QFileDialog::getSaveFileName(parent, title, proposed, SqlFileFilter());
    if (file.isEmpty())
        return QString();
    if (QFileInfo(file).suffix().isEmpty() || !HasKnownFileExt(file))
        file += QStringLiteral(".sql");
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(GetFileEncoding().encode(JoinTextLines(lines))) < 0 || !out.commit())
        throw Exception(QStringLiteral("ファイル \"%1\" に書き込めません。").arg(file));
    qvOption.FileDir = QFileInfo(file).absolutePath() + QLatin1Char('/');
    return file;
}

} // namespace qv
