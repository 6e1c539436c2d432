// Shared measuring helpers of the benchmarks: the first call in a fresh process (what a user feels
// first) beside the warm best, and peak memory, each measured the same way for our code and for an
// anchor in one run.
//
// A benchmark measures a cold figure by starting itself again with its own arguments plus
// "--child <case>"; the child does the one step, prints "key=value" lines with bench::Report and
// exits. The parent reads them with bench::RunChild. Warm figures are the best of several calls in
// one process, after the first.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

namespace bench {

// A "/proc/self/status" figure in KB ("VmHWM:" peak resident, "VmRSS:" resident); 0 where unknown.
inline long StatusKb(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray k(key);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(k))
            return line.mid(k.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

inline double PeakMb() { return double(StatusKb("VmHWM:")) / 1024.0; }

// Resets the peak resident size to the current one; false where the kernel refuses.
inline bool ResetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write("5\n") == 2;
}

// The middle value (the upper one of an even count); 0 for none.
inline double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds one call of fn takes.
inline double TimeMs(const std::function<void()>& fn)
{
    QElapsedTimer t;
    t.start();
    fn();
    return double(t.nsecsElapsed()) / 1e6;
}

// The first call (cold in this process only if nothing ran before it) and the best of `warm`
// further calls.
struct ColdWarm {
    double coldMs = 0;
    double warmBestMs = 0;
};

inline ColdWarm MeasureColdWarm(const std::function<void()>& fn, int warm)
{
    ColdWarm r;
    r.coldMs = TimeMs(fn);
    r.warmBestMs = std::numeric_limits<double>::max();
    for (int i = 0; i < warm; ++i)
        r.warmBestMs = std::min(r.warmBestMs, TimeMs(fn));
    if (warm <= 0)
        r.warmBestMs = r.coldMs;
    return r;
}

// Child side: one figure on its own line for the parent to read.
inline void Report(const char* key, double value)
{
    std::printf("%s=%.6f\n", key, value);
    std::fflush(stdout);
}

// True when this process was started as a child for `childCase` ("--child <case>").
inline bool IsChild(const QStringList& args, QString* childCase = nullptr)
{
    const qsizetype i = args.indexOf(QStringLiteral("--child"));
    if (i < 0 || i + 1 >= args.size())
        return false;
    if (childCase)
        *childCase = args.at(i + 1);
    return true;
}

// The arguments after "--child <case>" (what the parent passed for the child's step).
inline QStringList ChildArgs(const QStringList& args)
{
    const qsizetype i = args.indexOf(QStringLiteral("--child"));
    return i < 0 ? QStringList() : args.mid(i + 2);
}

// Widget benchmarks draw offscreen unless the caller chose a platform; call before the
// application object is made.
inline void DefaultToOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Parent side: runs `program` (this benchmark by default) with `args` in a fresh process and
// returns the "key=value" figures it reported. Other output of the child goes to stderr.
inline QMap<QString, double> RunChild(const QStringList& args, const QString& program = QString())
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setReadChannel(QProcess::StandardOutput);
    p.start(program.isEmpty() ? QCoreApplication::applicationFilePath() : program, args);
    QMap<QString, double> out;
    if (!p.waitForStarted(-1))
        return out;
    p.waitForFinished(-1);
    std::fputs(p.readAllStandardError().constData(), stderr);
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        bool ok = false;
        const double v = line.mid(eq + 1).trimmed().toDouble(&ok);
        if (ok)
            out.insert(QString::fromUtf8(line.left(eq)), v);
    }
    return out;
}

} // namespace bench
