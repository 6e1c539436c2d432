#include "controls/export/grid_output.h"

#include "app/escape_watch.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/options.h"
#include "app/textfiles.h"
#include "app/wait_cursor.h"
#include "controls/export/export_common.h"
#include "controls/export/export_dialogs.h"
#include "platform/exceptions.h"
#include "platform/xlsx/xlsx.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

namespace qv::exporting {

std::function<int(const QString&, int, bool*)>& GridOutputHooks::message()
{
    static std::function<int(const QString&, int, bool*)> hook;
    return hook;
}

namespace {

int box(const QString& text, int flags, bool* comma = nullptr)
{
    if (GridOutputHooks::message())
        return GridOutputHooks::message()(text, flags, comma);
    if (comma)
        return ShowCheckMessageBox(text, flags, {{QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), comma}});
    return ShowMessageBox(text, flags);
}

QString cellText(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return s;
}

QString excelExt()
{
    return qvOption.ExcelExt.isEmpty() ? QStringLiteral(".xlsx") : qvOption.ExcelExt.toLower();
}

} // namespace

QString AskExcelFileName(QWidget* parent, const QString& baseName)
{
    QString dir = qvOption.ExcelDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QString ext = excelExt();
    const QString proposed = UniqueFileName(dir + baseName + ext);
    const QString excelFilter = ExcelFileFilter.isEmpty()
                                    ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx")
                                    : ExcelFileFilter;
    const QString filter = excelFilter + QStringLiteral("|すべてのファイル(*.*)|*.*");
    QString path;
    if (ExportDialogHooks::fileDialog()) {
        path = ExportDialogHooks::fileDialog()(QStringLiteral("名前を付けて保存"), proposed, filter);
    } else {
        const QStringList parts = filter.split(QLatin1Char('|'));
        QStringList qt;
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
            qt << parts.at(i);
        path = QFileDialog::getSaveFileName(parent, QStringLiteral("名前を付けて保存"), proposed,
                                            qt.join(QStringLiteral(";;")));
    }
    if (path.isEmpty())
        return {};
    if (!HasKnownFileExt(path))
        path += ext;
    return path;
}

void WriteGridWorkbook(const QString& fileName, const QList<QStringList>& rows, const QMap<int, double>& columnWidths)
{
    auto book = xlsx::Workbook::create();
    xlsx::SheetWriter& sheet = book->sheet(QString());
    for (auto it = columnWidths.cbegin(); it != columnWidths.cend(); ++it)
        sheet.setColumnWidth(it.key(), it.value());
    int r = 1;
    for (const QStringList& row : rows) {
        sheet.beginRow(r++);
        for (int c = 0; c < row.size(); ++c)
            if (!row.at(c).isEmpty())
                sheet.addText(c + 1, cellText(row.at(c)));
        sheet.endRow();
    }
    book->save(fileName);
}

bool GridExcelOutput(QWidget* parent, const QString& baseName, const QList<QStringList>& rows,
                     const QMap<int, double>& columnWidths)
{
    const QString path = AskExcelFileName(parent, baseName);
    if (path.isEmpty())
        return false;
    try {
        WaitCursor cursor;
        WriteGridWorkbook(path, rows, columnWidths);
    } catch (const Exception& e) {
        box(e.message(), MB_ICONWARNING);
        return false;
    }
    qvOption.ExcelDir = FolderOf(QFileInfo(path).absoluteFilePath());
    box(QStringLiteral("ファイルに出力しました。"), MB_ICONINFORMATION);
    return true;
}

QString GridClipboardText(const QList<QStringList>& rows, QChar separator, const std::function<bool(int, int)>& progress)
{
    QString text;
    const int count = int(rows.size());
    for (int i = 0; i < count; ++i) {
        if (progress && progress(i + 1, count))
            break;
        const QStringList& row = rows.at(i);
        for (int c = 0; c < row.size(); ++c) {
            if (c > 0)
                text += separator;
            text += cellText(row.at(c));
        }
        text += QStringLiteral("\r\n");
    }
    return text;
}

bool GridClipboardOutput(const QList<QStringList>& rows)
{
    bool comma = qvOption.PasteColumn == 1;
    if (qvOption.PasteDialog
        && box(QStringLiteral("結果をクリップボードにコピーしますか？"), MB_YESNO | MB_ICONQUESTION, &comma) != IDYES)
        return false;
    qvOption.PasteColumn = comma ? 1 : 0;
    QApplication::clipboard()->clear();
    {
        WaitCursor cursor;
        QPointer<TfrmMain> main(TfrmMain::instance());
        const QString text = GridClipboardText(rows, comma ? QLatin1Char(',') : QLatin1Char('\t'), [&main](int done, int count) {
            if (main)
                main->SetLoopMessage(done, count);
            return EscapePressed();
        });
        QApplication::clipboard()->setText(text);
        if (main)
            main->SetDefMessage();
    }
    box(QStringLiteral("クリップボードに出力しました。"), MB_ICONINFORMATION);
    return true;
}

} // namespace qv::exporting
