// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer on long recordings: files of an hour and of `hours` (8 unless
// given) at 1 kHz with every column (3.6 million lines an hour, decimal
// comma), made here in a temporary folder. Prints the parser alone on one
// core against a plain getline reader; the real voltrix-view started on each
// file and timed from its start until the whole file is read, with its peak
// memory, then started again to read the index it kept; the chart in this
// process: a redraw of the whole file and zooms to 10 s read back from it.
// The last line sums up the long file.
//   voltrix-view-bench [hours] [picture.png]
// (with a picture: the viewer's window on the long file, saved there)

#include <sched.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "engine/logging/log_line.h"
#include "engine/protocol/quantities.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_data.h"
#include "engine/recorded/recorded_file_loader.h"
#include "proc_status.h"
#include "view_window_bench.h"

namespace {

using namespace voltrix;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// How the generated quantities move.
enum class Shape {
    // As measured quantities do: slow swings of minutes, a little noise, a
    // spike now and then, outputs switching every few seconds.
    Measured,
    // The worst picture: six quantities swing through their whole range
    // within every pixel column of the hour, so each column is a full-height
    // span.
    Swinging,
};

// An hour from 8-12-2026 9:00, one line per millisecond.
std::uint64_t writeFile(const std::filesystem::path& path, std::size_t lines, Shape shape) {
    LogLineSettings settings;
    settings.columns.set();
    settings.decimals = 3;
    settings.decimalSeparator = ",";
    settings.modDivisor = 1000;
    std::mt19937 random(1);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    std::uniform_int_distribution<int> spike(0, 600'000);
    std::ofstream out(path, std::ios::binary);
    std::string text;
    std::string line;
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < lines; ++i) {
        const auto ms = static_cast<int>(i);
        const ClockReading clock{2026, 12, 8, 9 + ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60,
                                 ms % 1000};
        const double t = static_cast<double>(i) * 1e-3;
        std::array<float, kQuantityCount> v{};
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            const double amplitude = q < 8 ? 10.0 : 1000.0;
            if (shape == Shape::Swinging) {
                v[q] = static_cast<float>(amplitude *
                                          std::sin(t * (0.5 + 0.37 * static_cast<double>(q)))) +
                       noise(random);
            } else {
                const double period = 120.0 + 97.0 * static_cast<double>(q);
                v[q] = static_cast<float>(amplitude * (0.2 * static_cast<double>(q % 5) +
                                                       0.5 * std::sin(t * 6.2832 / period))) +
                       noise(random) * static_cast<float>(amplitude) * 0.2f;
                if (spike(random) == 0) {
                    v[q] += static_cast<float>(amplitude);
                }
            }
        }
        const auto outputs = static_cast<std::uint8_t>(
            shape == Shape::Swinging ? (i / 250) % 64 : (i / 7000) % 64);
        BuildLogLine(line, settings, clock, static_cast<std::uint32_t>(i), measurementOf(v, outputs));
        text += line;
        if (text.size() > (std::size_t{8} << 20)) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            bytes += text.size();
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    bytes += text.size();
    return bytes;
}

struct LoadFigures {
    double seconds = 0;
    double firstChunkSeconds = 0;
    std::size_t lines = 0;
    std::uint64_t skipped = 0;
};

LoadFigures loadWithViewer(const std::filesystem::path& path, const RecordedLayout& layout,
                           long* residentGrowthKb, std::size_t* allocated) {
    LoadFigures f;
    const long before = bench::residentKilobytes();
    const auto start = Clock::now();
    bool first = true;
    {
        RecordedFileLoader loader(path, layout, {}, [&](const RecordedLoadProgress& p) {
            if (first && p.lines > 0) {
                first = false;
                f.firstChunkSeconds = secondsSince(start);
            }
        });
        loader.waitFor([](const RecordedLoadProgress& p) { return p.finished; },
                       std::chrono::hours(1));
        f.seconds = secondsSince(start);
        const RecordedLoadProgress p = loader.progress();
        f.lines = p.lines;
        f.skipped = p.skippedLines;
        if (residentGrowthKb != nullptr) {
            *residentGrowthKb = bench::residentKilobytes() - before;
            *allocated = loader.snapshot()->allocatedBytes();
        }
    }
    return f;
}

// The plain way: a line at a time, split, the separator replaced, from_chars.
LoadFigures loadWithGetline(const std::filesystem::path& path) {
    LoadFigures f;
    const auto start = Clock::now();
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::vector<std::string> fields;
    std::vector<double> x;
    std::array<std::vector<float>, kQuantityCount> values;
    std::vector<std::uint8_t> outputs;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        fields.clear();
        std::size_t begin = 0;
        for (std::size_t semicolon; (semicolon = line.find(';', begin)) != std::string::npos;
             begin = semicolon + 1) {
            fields.push_back(line.substr(begin, semicolon - begin));
        }
        if (fields.size() != 24) {
            ++f.skipped;
            continue;
        }
        int d[3] = {}, t[4] = {};
        const char* p = fields[0].c_str();
        for (int& n : d) {
            p = std::from_chars(p, fields[0].c_str() + fields[0].size(), n).ptr + 1;
        }
        p = fields[1].c_str();
        for (int& n : t) {
            p = std::from_chars(p, fields[1].c_str() + fields[1].size(), n).ptr + 1;
        }
        const std::int64_t days = daysFromCivil(d[2], static_cast<unsigned>(d[1]),
                                                static_cast<unsigned>(d[0]));
        x.push_back(static_cast<double>(days) * 86400.0 + t[0] * 3600.0 + t[1] * 60.0 + t[2] +
                    t[3] * 1e-3);
        bool ok = true;
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            std::string& field = fields[4 + q];
            std::replace(field.begin(), field.end(), ',', '.');
            float v = 0;
            ok &= std::from_chars(field.data(), field.data() + field.size(), v).ec == std::errc();
            values[q].push_back(v);
        }
        std::uint8_t bits = 0;
        for (std::size_t n = 0; n < 6; ++n) {
            bits |= fields[18 + n] == "HI" ? (1u << n) : 0u;
        }
        outputs.push_back(bits);
        f.skipped += ok ? 0 : 1;
        ++f.lines;
    }
    f.seconds = secondsSince(start);
    return f;
}

// What the real program did, timed from its start by this process.
struct ProgramFigures {
    bool ok = false;
    double firstPictureMs = 0;
    double loadedMs = 0;
    std::size_t lines = 0;
    std::uint64_t bytesFromCache = 0;
    double peakMb = 0;
};

long long monotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               Clock::now().time_since_epoch())
        .count();
}

// Starts voltrix-view on `path` with its timings asked for, its settings
// and cache in `home`, and waits until it has read the whole file.
ProgramFigures runViewer(const std::filesystem::path& path, const QString& home) {
    ProgramFigures f;
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VOLTRIX_VIEW_TIMINGS"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    viewer.setProcessEnvironment(environment);
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/programs/voltrix-view");
    const long long start = monotonicNanoseconds();
    viewer.start(program, {QString::fromStdString(path.string())});
    if (!viewer.waitForFinished(10 * 60 * 1000)) {
        viewer.kill();
        std::fprintf(stderr, "voltrix-view did not finish\n");
        return f;
    }
    const QStringList lines = QString::fromLocal8Bit(viewer.readAllStandardError())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList words = line.split(QLatin1Char(' '));
        if (!line.startsWith(QStringLiteral("voltrix-view timings:")) || words.size() < 4) {
            continue;
        }
        const double ms = static_cast<double>(words[3].toLongLong() - start) / 1e6;
        if (words[2] == QStringLiteral("first-picture")) {
            f.firstPictureMs = ms;
        } else if (words[2] == QStringLiteral("loaded") && words.size() >= 10) {
            f.loadedMs = ms;
            f.lines = words[5].toULongLong();
            f.bytesFromCache = words[7].toULongLong();
            f.peakMb = words[9].toDouble() / 1024;
            f.ok = true;
        }
    }
    if (!f.ok) {
        std::fprintf(stderr, "voltrix-view gave no timings: %s\n",
                     qPrintable(lines.join(QLatin1Char('\n'))));
    }
    return f;
}

// The real program on `path`: the best of `runs` first opens (each with an
// empty cache), then a reopen with the index it kept.
struct ProgramRuns {
    ProgramFigures first;
    ProgramFigures reopen;
};

ProgramRuns measureProgram(const std::filesystem::path& path, const QString& home, int runs) {
    ProgramRuns r;
    for (int i = 0; i < runs; ++i) {
        QDir(home + QStringLiteral("/cache")).removeRecursively();
        const ProgramFigures f = runViewer(path, home);
        if (f.ok && (!r.first.ok || f.loadedMs < r.first.loadedMs)) {
            r.first = f;
        }
    }
    r.reopen = runViewer(path, home);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::strtod(argv[1], nullptr) : 8.0;
    const char* picture = argc > 2 ? argv[2] : nullptr;
    if (!(hours > 0)) {
        std::fprintf(stderr, "usage: voltrix-view-bench [hours] [picture.png]\n");
        return 64;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // VOLTRIX_VIEW_BENCH_FILES names a folder where the files are kept and
    // made only once: an 8-hour file takes a minute to write.
    QTemporaryDir dir;
    const QString kept = qEnvironmentVariable("VOLTRIX_VIEW_BENCH_FILES");
    const std::filesystem::path folder((kept.isEmpty() ? dir.path() : kept).toStdString());
    std::filesystem::create_directories(folder);
    const auto made = Clock::now();
    const auto fileOf = [&](const std::string& name, std::size_t lines) {
        const std::filesystem::path path = folder / name;
        std::error_code error;
        const std::uint64_t size = std::filesystem::file_size(path, error);
        return std::pair{path, !kept.isEmpty() && !error && size > 0
                                   ? size
                                   : writeFile(path, lines, Shape::Measured)};
    };
    constexpr std::size_t kHourLines = 3'600'000;
    const auto [hour, hourBytes] = fileOf("hour.csv", kHourLines);
    const auto longLines = static_cast<std::size_t>(hours * kHourLines);
    char longName[64];
    std::snprintf(longName, sizeof longName, "%ghours.csv", hours);
    const auto [longFile, longBytes] =
        hours == 1.0 ? std::pair{hour, hourBytes} : fileOf(longName, longLines);
    std::printf("files: an hour, %zu lines, %.1f MB; %g hours, %zu lines, %.1f MB; every "
                "column, decimal comma (made in %.0f s)\n",
                kHourLines, static_cast<double>(hourBytes) / 1e6, hours, longLines,
                static_cast<double>(longBytes) / 1e6, secondsSince(made));
    const RecordedLayout layout(RecordedLayout::Columns().set());

    // (a), (b): the parser alone on one core, over the hour.
    cpu_set_t all;
    sched_getaffinity(0, sizeof all, &all);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);
    std::vector<LoadFigures> parser = {loadWithViewer(hour, layout, nullptr, nullptr),
                                       loadWithViewer(hour, layout, nullptr, nullptr)};
    const LoadFigures best = *std::min_element(
        parser.begin(), parser.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    std::vector<LoadFigures> plain = {loadWithGetline(hour), loadWithGetline(hour)};
    const LoadFigures plainBest = *std::min_element(
        plain.begin(), plain.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    sched_setaffinity(0, sizeof all, &all);
    const double rate = static_cast<double>(best.lines) / best.seconds;
    const double plainRate = static_cast<double>(plainBest.lines) / plainBest.seconds;
    std::printf("(a) the viewer's parser on one core over the hour: %.3f s, %.2f M lines/s, "
                "%.0f MB/s\n",
                best.seconds, rate / 1e6, static_cast<double>(hourBytes) / best.seconds / 1e6);
    std::printf("(b) getline + from_chars, one core: %.3f s, %.2f M lines/s (%.2f times slower)\n",
                plainBest.seconds, plainRate / 1e6, rate / plainRate);

    // (c), (d): the real program, an hour and the long file.
    const QString home = QString::fromStdString(folder.string()) + QStringLiteral("/home");
    QDir().mkpath(home);
    const ProgramRuns hourRuns = measureProgram(hour, home, 2);
    const ProgramRuns longRuns = hours == 1.0 ? hourRuns : measureProgram(longFile, home, 2);
    const auto printRuns = [](const char* name, const ProgramRuns& r, std::uint64_t bytes) {
        std::printf("(%s) voltrix-view from its start: first picture %.0f ms, whole file read "
                    "after %.0f ms (%.2f M lines/s), %.0f MB peak resident; reopened with its "
                    "kept index: first picture %.0f ms, whole file after %.0f ms (%.0f%% of it "
                    "from the index)\n",
                    name, r.first.firstPictureMs, r.first.loadedMs,
                    static_cast<double>(r.first.lines) / r.first.loadedMs / 1e3, r.first.peakMb,
                    r.reopen.firstPictureMs, r.reopen.loadedMs,
                    100.0 * static_cast<double>(r.reopen.bytesFromCache) /
                        static_cast<double>(std::max<std::uint64_t>(bytes, 1)));
    };
    printRuns("c", hourRuns, hourBytes);
    printRuns("d", longRuns, longBytes);
    std::printf("(e) peak resident of the long file %.0f MB, of the hour %.0f MB: %+.1f%%\n",
                longRuns.first.peakMb, hourRuns.first.peakMb,
                100.0 * (longRuns.first.peakMb - hourRuns.first.peakMb) / hourRuns.first.peakMb);

    // (f), (g): the chart in this process at 1920 x 1080 on the long file.
    const ViewerWindowFigures window = measureViewerWindow(longFile, layout);
    std::printf("(f) the chart: first picture %.0f ms after opening, whole file read after "
                "%.0f ms; redraw of the whole file %.1f ms (mean %.1f ms)\n",
                window.firstPictureMs, window.loadedMs, window.redrawMs, window.meanRedrawMs);
    std::printf("(g) zoom to 10 s somewhere in it, lines read back from the file and drawn: "
                "mean %.1f ms, slowest %.1f ms of %d\n",
                window.meanZoomMs, window.slowestZoomMs, window.zooms);
    if (picture != nullptr && !saveViewerPicture(longFile, layout, picture)) {
        std::fprintf(stderr, "cannot save %s\n", picture);
    }
    char name[32];
    std::snprintf(name, sizeof name, "%gh", hours);
    std::printf("viewer %s: %.0f lines/s loaded, %.0f MB peak, first picture %.0f ms, reopen "
                "%.0f ms\n",
                name, static_cast<double>(longRuns.first.lines) / longRuns.first.loadedMs * 1e3,
                longRuns.first.peakMb, longRuns.first.firstPictureMs, longRuns.reopen.loadedMs);
    return longRuns.first.ok && longRuns.reopen.ok ? 0 : 1;
}
