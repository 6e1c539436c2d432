// The anchor side of bench_editor_anchor: the same steps in an editor built on QScintilla
// (SQL lexer), run by the parent as its own process: bench_editor_anchor_qsci --file PATH
#include "steps.h"

#include <QApplication>
#include <QFile>
#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype i = args.indexOf(QStringLiteral("--file"));
    if (i < 0 || i + 1 >= args.size())
        return 2;
    QsciScintilla ed;
    ed.resize(1000, 800);
    ed.setUtf8(true);
    QsciLexerSQL lexer;
    ed.setLexer(&lexer);
    ed.setMarginLineNumbers(0, true);
    ed.show();
    ed.setFocus();
    anchor::Driver d;
    d.viewport = ed.viewport();
    // QScintilla's own file loading: the bytes at once, no undo step for the load.
    d.load = [&](const QString& path) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            ed.read(&f);
    };
    d.styleAll = [&] { ed.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0L, -1L); };
    d.goToEnd = [&] { ed.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND); };
    d.editAtTop = [&] {
        ed.SendScintilla(QsciScintillaBase::SCI_DOCUMENTSTART);
        ed.SendScintilla(QsciScintillaBase::SCI_ADDTEXT, 1UL, "x");
    };
    return anchor::RunChildSteps(d, args.at(i + 1), 2);
}
