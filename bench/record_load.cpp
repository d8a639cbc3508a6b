// SPDX-License-Identifier: GPL-3.0-or-later
// voltrix-record under the full load of the module: the virtual module at
// 1 kHz, every column logged. Prints how long the first line took from the
// start, the CPU the whole process used per second of wall time, and its
// resident memory. voltrix-record-load [seconds]

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "proc_status.h"

namespace {

// User and system CPU seconds of a /proc stat file so far.
double cpuSecondsOf(const QString& statPath) {
    QFile stat(statPath);
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

struct Cpu {
    double all = 0;
    double module = 0;  // the simulated module's thread, which hardware does not need
};

Cpu cpuSeconds(qint64 pid) {
    Cpu cpu;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const double seconds = cpuSecondsOf(tasks + QLatin1Char('/') + task + QStringLiteral("/stat"));
        QFile comm(tasks + QLatin1Char('/') + task + QStringLiteral("/comm"));
        const bool module = comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "voltrix-module";
        cpu.all += seconds;
        cpu.module += module ? seconds : 0;
    }
    return cpu;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: voltrix-record-load [SECONDS]  (default 10)\n");
        return 2;
    }
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("load.csv"));
    const QString program = QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../src/programs/record/voltrix-record");

    QProcess recorder;
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Settings with no keys: every column, as a new file has them.
    const QString settings = scratch.filePath(QStringLiteral("config.ini"));
    {
        QFile file(settings);
        if (!file.open(QIODevice::WriteOnly) || file.write("[Options]\n") < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(settings));
            return 1;
        }
    }
    recorder.start(program, {QStringLiteral("--virtual"), QStringLiteral("--quiet"),
                             QStringLiteral("--config"), settings,
                             QStringLiteral("-o"), path});
    if (!recorder.waitForStarted()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
        return 1;
    }
    while (QFile(path).size() == 0 && sinceStart.elapsed() < 10000) {
        QThread::usleep(200);
    }
    const double firstLineMs = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;

    QThread::msleep(1000);  // settled
    const qint64 pid = recorder.processId();
    const Cpu cpuBefore = cpuSeconds(pid);
    const qint64 bytesBefore = QFile(path).size();
    QElapsedTimer wall;
    wall.start();
    QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
    const Cpu cpuAfter = cpuSeconds(pid);
    const double cpu = cpuAfter.all - cpuBefore.all;
    const double moduleCpu = cpuAfter.module - cpuBefore.module;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    const qint64 bytes = QFile(path).size() - bytesBefore;
    const long rss = voltrix::bench::statusKilobytes(std::to_string(pid), "VmRSS");
    const long peak = voltrix::bench::statusKilobytes(std::to_string(pid), "VmHWM");
    recorder.terminate();
    recorder.waitForFinished(10000);

    std::printf("first line written %.0f ms after the start\n", firstLineMs);
    std::printf("%.0f bytes/s to the file over %.1f s\n", static_cast<double>(bytes) / elapsed,
                elapsed);
    std::printf("voltrix-record CPU: %.2f%% of one core, all threads (virtual module at 1 kHz, "
                "every column)\n",
                100.0 * cpu / elapsed);
    std::printf("voltrix-record CPU without the simulated module's thread: %.2f%% of one core\n",
                100.0 * (cpu - moduleCpu) / elapsed);
    std::printf("voltrix-record resident memory: %.1f MB (peak %.1f MB)\n", rss / 1024.0,
                peak / 1024.0);
    return recorder.exitCode() == 0 ? 0 : 1;
}
