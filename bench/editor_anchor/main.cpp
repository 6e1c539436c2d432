// Editor against the anchor: the same steps (read a generated 50 MB T-SQL file and set the text,
// highlight every row, go to the end, one edit at the top, go to the end again; each move and
// edit repainted) timed in our editor and in an editor built on QScintilla, each side in its
// own fresh process, alternating, with the peak resident memory of each. The headline figures
// are the cold ones (first call in the fresh process), beside the warm best.
//
//   bench_editor_anchor [--mb N] [--rounds R] [--file PATH]
// The anchor side is bench_editor_anchor_qsci beside this program; it is built only where
// QScintilla for Qt 6 is installed (Debian: libqscintilla2-qt6-dev).
#include "steps.h"

#include "editor/editor_fountain.h"
#include "editor/view/editor.h"
#include "platform/textcodec.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

using namespace qv;

namespace {

QString Arg(const QStringList& args, const QString& name, const QString& def = QString())
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : def;
}

int RunOurs(const QString& path)
{
    TEditor ed;
    ed.resize(1000, 800);
    ed.View().EditorFountain().ApplySqlSyntax({"select", "from", "where", "create", "procedure", "as", "begin", "end",
                                                "set", "group", "order", "by", "inner", "join", "on", "go"});
    ed.Leftbar().SetVisible(true);
    ed.show();
    ed.setFocus();
    anchor::Driver d;
    d.viewport = ed.viewport();
    // As the SQL window opens a file: the lines read from the file in UTF-8.
    d.load = [&](const QString& path) { ed.Lines().LoadFromFile(path, &TextEncoding::get(TextEncoding::Utf8)); };
    d.styleAll = [&] { ed.InternalList().EnsureRowState(ed.ListCount() - 1); };
    d.goToEnd = [&] { ed.SetRowCol(ed.ListCount(), 0); };
    d.editAtTop = [&] {
        ed.SetRowCol(0, 0);
        ed.PutStringToLine(QStringLiteral("x"));
    };
    return anchor::RunChildSteps(d, path, 2);
}

} // namespace

int main(int argc, char** argv)
{
    bench::DefaultToOffscreen();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString childCase;
    if (bench::IsChild(args, &childCase))
        return RunOurs(Arg(args, QStringLiteral("--file")));

    const int mb = Arg(args, QStringLiteral("--mb"), QStringLiteral("50")).toInt();
    const int rounds = std::max(1, Arg(args, QStringLiteral("--rounds"), QStringLiteral("2")).toInt());
    QString file = Arg(args, QStringLiteral("--file"));
    QTemporaryDir dir;
    if (file.isEmpty()) {
        file = dir.filePath(QStringLiteral("gen.sql"));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(anchor::GenerateSql(qint64(mb) * 1024 * 1024));
    }
    const double fileMb = double(QFileInfo(file).size()) / (1024.0 * 1024.0);
    const QString anchorExe = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench_editor_anchor_qsci"));
    const bool haveAnchor = QFileInfo(anchorExe).isExecutable();
    std::printf("text: %.1f MB, %s\n", fileMb, qPrintable(QFileInfo(file).fileName()));
    if (!haveAnchor)
        std::printf("anchor not built (QScintilla for Qt 6 not found): only our figures\n");

    QMap<QString, double> ours, theirs;
    auto keepBest = [](QMap<QString, double>& into, const QMap<QString, double>& run, bool first) {
        for (auto it = run.begin(); it != run.end(); ++it) {
            if (first || it.key().startsWith(QLatin1String("warm")))
                into[it.key()] = first ? it.value() : std::min(into.value(it.key(), it.value()), it.value());
        }
    };
    for (int r = 0; r < rounds; ++r) {
        keepBest(ours, bench::RunChild({QStringLiteral("--child"), QStringLiteral("ours"), QStringLiteral("--file"), file}),
                 r == 0);
        if (haveAnchor)
            keepBest(theirs, bench::RunChild({QStringLiteral("--file"), file}, anchorExe), r == 0);
    }

    static const struct {
        const char* key;
        const char* label;
    } rows[] = {
        {"load", "read file + set text"},
        {"style", "highlight every row"},   {"end", "go to end + repaint"},
        {"edit", "edit at top + repaint"},  {"end2", "go to end after the edit"},
        {"total", "all steps"},
    };
    std::printf("%-26s %12s %12s %12s %12s %8s\n", "step (ms)", "ours cold", "anchor cold", "ours warm", "anchor warm",
                "cold x");
    for (const auto& row : rows) {
        const QString c = QStringLiteral("cold_") + row.key, w = QStringLiteral("warm_") + row.key;
        const double oc = ours.value(c), ac = theirs.value(c);
        std::printf("%-26s %12.1f %12.1f %12.1f %12.1f %8s\n", row.label, oc, ac, ours.value(w), theirs.value(w),
                    haveAnchor && ac > 0 ? qPrintable(QString::number(oc / ac, 'f', 2)) : "-");
    }
    const double op = ours.value(QStringLiteral("peak_mb")), ob = ours.value(QStringLiteral("base_mb"));
    const double ap = theirs.value(QStringLiteral("peak_mb")), ab = theirs.value(QStringLiteral("base_mb"));
    std::printf("peak resident (MB): ours %.1f (%.1f over the %.1f of the empty editor), anchor %.1f (%.1f over %.1f)\n",
                op, op - ob, ob, ap, ap - ab, ab);
    if (haveAnchor && ap > 0 && ap - ab > 0)
        std::printf("peak ratio ours / anchor: %.2f of the whole process, %.2f of the growth (goal <= 0.5)\n", op / ap,
                    (op - ob) / (ap - ab));
    std::printf("goal: go to end after the edit < 16 ms: ours %.2f ms cold\n", ours.value(QStringLiteral("cold_end2")));
    return 0;
}
