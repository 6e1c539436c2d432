// Settings store benchmark: the first read of the settings file in a fresh process (what the
// program pays at start) for an ordinary file and for an oversized one (188 MB unless told),
// with peak memory, beside an anchor that only reads the same file into memory; and a close of
// a key after writes that change nothing (nothing is written then).
//
//   bench_settings [oversized MB]
#include "platform/registry.h"
#include "platform/registry_store.h"

#include "bench_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// An ordinary settings file: 40 keys of 50 values each (about the size a long-used one reaches).
QByteArray ordinaryFile()
{
    QByteArray out = "QORVEL-SETTINGS 1\n\n";
    for (int k = 0; k < 40; ++k) {
        out += "[Software\\Velmora\\QVS22\\KEY" + QByteArray::number(k) + "]\n";
        for (int v = 0; v < 50; ++v)
            out += "\"Value" + QByteArray::number(v) + "\"=\"some text of a setting " + QByteArray::number(v) + "\"\n";
        out += '\n';
    }
    return out + "; end of settings\n";
}

// An oversized one: many ordinary lines up to the size asked for.
void writeOversized(const QString& path, qint64 bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    f.write("QORVEL-SETTINGS 1\n[Software\\Velmora\\QVS22\\BIG]\n");
    QByteArray chunk;
    for (int i = 0; chunk.size() < 1024 * 1024; ++i)
        chunk += "\"Value" + QByteArray::number(i) + "\"=\"some text of a setting\"\n";
    for (qint64 written = 0; written < bytes; written += chunk.size())
        f.write(chunk);
    f.write("; end of settings\n");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
}

int child(const QString& which, const QString& path)
{
    qputenv("QORVEL_SETTINGS", QFile::encodeName(path));
    bench::ResetPeak();
    if (which == QLatin1String("anchor")) {
        QByteArray data;
        const double ms = bench::TimeMs([&] {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                data = f.readAll();
        });
        bench::Report("ms", ms);
        bench::Report("peak_mb", bench::PeakMb());
        return data.isEmpty() ? 1 : 0;
    }
    const double ms = bench::TimeMs([] { qv::Registry().KeyExists(qv::SettingsRootKey); });
    bench::Report("ms", ms);
    bench::Report("peak_mb", bench::PeakMb());
    qv::TRegistry::TakeStoreNotice();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString which;
    if (bench::IsChild(args, &which))
        return child(which, args.last());

    const qint64 bigMb = args.size() > 1 ? args.at(1).toLongLong() : 188;
    QTemporaryDir dir;
    const QString ordinary = dir.path() + QStringLiteral("/ordinary.reg");
    const QString big = dir.path() + QStringLiteral("/big.reg");
    const QByteArray ordinaryData = ordinaryFile();
    writeFile(ordinary, ordinaryData);
    writeOversized(big, bigMb * 1024 * 1024);

    std::printf("settings store, first read in a fresh process (cold), peak memory\n");
    auto run = [&](const char* label, const char* which, const QString& path, qint64 size) {
        const auto r = bench::RunChild({QStringLiteral("--child"), QString::fromLatin1(which), path});
        std::printf("  %-38s %8.1f MB file: %9.2f ms cold, peak %7.1f MB\n", label, double(size) / (1024.0 * 1024.0),
                    r.value(QStringLiteral("ms")), r.value(QStringLiteral("peak_mb")));
    };
    run("ordinary file, store", "store", ordinary, ordinaryData.size());
    run("ordinary file, anchor (read only)", "anchor", ordinary, ordinaryData.size());
    const qint64 bigSize = QFileInfo(big).size();
    run("oversized file, anchor (read only)", "anchor", big, bigSize);
    run("oversized file, store (set aside)", "store", big, bigSize);

    // Closing a key after rewriting the same values: warm best of several, in this process.
    qputenv("QORVEL_SETTINGS", QFile::encodeName(ordinary));
    writeFile(ordinary, ordinaryData);
    qv::TRegistry::ResetStores();
    qv::TqvRegistry reg;
    const bench::ColdWarm cw = bench::MeasureColdWarm(
        [&] {
            reg.OpenKey(qv::SettingsRootKey + QStringLiteral("\\KEY7"), true);
            for (int v = 0; v < 50; ++v)
                reg.WriteString(QStringLiteral("Value%1").arg(v), QStringLiteral("some text of a setting %1").arg(v));
            reg.CloseKey();
        },
        5);
    std::printf("  close after unchanged writes (50 values): %.3f ms first, %.3f ms warm best\n", cw.coldMs, cw.warmBestMs);
    return 0;
}
