#pragma once
// Starting console programs (in practice the bulk copy program): in the foreground with their
// standard output and standard error shown line by line while the user waits, or in the
// background. Programs are always started with an argument list, never through a shell.
#include <QString>
#include <QStringList>

#include <functional>

namespace qv {

// Receives each complete output line; `flush` runs after each read so the editor can repaint.
struct ProcessOutputSink {
    std::function<void(const QString& line)> addLine;
    std::function<void()> flush;
};

// Runs `program` with `arguments` and passes its output to `sink` line by line (standard output
// and standard error interleaved in the order they are read; CR LF and LF both end a line; a
// last line without a line break is passed too). The application shows the wait cursor
// meanwhile. Returns false when the program could not be started (no line is passed then);
// the program's exit code is not reported.
bool RunCommandToEditor(const QString& program, const QStringList& arguments,
                        const ProcessOutputSink& sink);
// The same for a command line, split into program and arguments by the usual quoting rules
// (double quotes group, "" inside quotes is one quote); no shell is involved.
bool RunCommandToEditor(const QString& commandLine, const ProcessOutputSink& sink);

// Starts a program in the background and returns at once; false when it could not start.
bool StartBackgroundProcess(const QString& program, const QStringList& arguments);

// Collects complete lines from text arriving in pieces.
class LineAssembler {
public:
    // Appends text and returns the lines completed by it (without their line breaks).
    QStringList add(const QString& text);
    // What is left without a line break (empty when nothing is left).
    QString rest() const { return m_pending; }

private:
    QString m_pending;
};

} // namespace qv
