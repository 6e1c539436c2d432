#include "controls/export/clipboard_export.h"

#include "controls/export/csv_export.h"
#include "platform/db/dataset.h"

namespace qv::exporting {

QString ClipboardValue(const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'"') {
            QString v = text;
            v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
            return CsvEnclose(v);
        }
    }
    return text;
}

QString BuildClipboardText(db::DataSet& ds, const QStringList& headings, bool comma, const StopCheck& stop,
                           ExportOutcome* outcome)
{
    const QChar sep = comma ? QChar(u',') : QChar(u'\t');
    const QList<db::Field*> fields = VisibleFields(ds);
    const QString heading = headings.isEmpty() ? QString() : headings.join(sep) + QStringLiteral("\r\n");
    auto valueOf = [](const db::Field* f) {
        return IsCsvEmptyType(f->DataType()) ? QString() : ClipboardValue(f->AsString());
    };
    ExportOutcome r;
    QString out;
    ds.DisableControls();
    try {
        ds.Last();
        ds.First();
        r.total = ds.RecordCount();
        qint64 bound = 2 * heading.size() + 1;
        qint64 measured = 0;
        bool stopped = false;
        while (!ds.Eof()) {
            if (stop && stop()) {
                stopped = true;
                break;
            }
            for (const db::Field* f : fields)
                bound += 2 * valueOf(f).size() + 1;
            bound += 4;
            ++measured;
            ds.Next();
        }
        out.reserve(static_cast<qsizetype>(bound));
        out += heading;
        if (!stopped) {
            ds.First();
            for (qint64 n = 0; n < measured && !ds.Eof(); ++n) {
                if (stop && stop()) {
                    stopped = true;
                    break;
                }
                for (qsizetype i = 0; i < fields.size(); ++i) {
                    if (i > 0)
                        out += sep;
                    out += valueOf(fields[i]);
                }
                out += QStringLiteral("\r\n");
                ++r.records;
                ds.Next();
            }
        }
        r.stopped = stopped;
    } catch (...) {
        ds.EnableControls();
        throw;
    }
    ds.EnableControls();
    if (outcome)
        *outcome = r;
    return out;
}

} // namespace qv::exporting
