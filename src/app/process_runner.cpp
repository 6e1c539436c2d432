#include "app/process_runner.h"

#include "app/wait_cursor.h"

#include <QProcess>
#include <QStringDecoder>

namespace qv {

QStringList LineAssembler::add(const QString& text)
{
    m_pending += text;
    QStringList lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype lf = m_pending.indexOf(u'\n', start);
        if (lf < 0)
            break;
        qsizetype end = lf;
        if (end > start && m_pending[end - 1] == u'\r')
            --end;
        lines << m_pending.mid(start, end - start);
        start = lf + 1;
    }
    m_pending.remove(0, start);
    return lines;
}

bool RunCommandToEditor(const QString& program, const QStringList& arguments,
                        const ProcessOutputSink& sink)
{
    WaitCursor cursor;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setInputChannelMode(QProcess::ManagedInputChannel);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return false;

    // The console's own encoding; each channel keeps its decoder, so a character cut between
    // two reads is joined again.
    QStringDecoder outDecoder(QStringDecoder::System);
    QStringDecoder errDecoder(QStringDecoder::System);
    LineAssembler lines;
    auto pass = [&](const QStringList& done) {
        for (const QString& l : done)
            if (sink.addLine)
                sink.addLine(l);
    };
    auto readAvailable = [&]() {
        bool any = false;
        process.setReadChannel(QProcess::StandardOutput);
        if (const QByteArray out = process.readAll(); !out.isEmpty()) {
            pass(lines.add(outDecoder.decode(out)));
            any = true;
        }
        process.setReadChannel(QProcess::StandardError);
        if (const QByteArray err = process.readAll(); !err.isEmpty()) {
            pass(lines.add(errDecoder.decode(err)));
            any = true;
        }
        if (any && sink.flush)
            sink.flush();
        return any;
    };

    // Poll without running the event loop: the user waits until the program ends.
    while (process.state() != QProcess::NotRunning) {
        process.waitForFinished(50);
        readAvailable();
    }
    while (readAvailable()) {
    }
    QString rest = lines.rest();
    rest += outDecoder.decode(QByteArray());
    if (rest.endsWith(u'\r'))
        rest.chop(1);
    if (!rest.isEmpty() && sink.addLine)
        sink.addLine(rest);
    if (sink.flush)
        sink.flush();
    return true;
}

bool RunCommandToEditor(const QString& commandLine, const ProcessOutputSink& sink)
{
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return false;
    const QString program = parts.takeFirst();
    return RunCommandToEditor(program, parts, sink);
}

bool StartBackgroundProcess(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

} // namespace qv
