// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a recorded measurement file for the viewer: an hour at 1 kHz with
// every column (3.6 million lines, decimal comma), made here in a temporary
// folder. Everything runs on one core. Prints the full load with the
// viewer's parser, the parser alone on the lines in memory, the same file
// read the plain way (getline, split on ';', from_chars), the time to the
// first published chunk, a chart's worth of min/max (1920 pixel columns, 14
// quantities) and the resident memory of the loaded data; then the viewer's
// chart on it at 1920 x 1080: the first picture and a redraw of the whole
// file. voltrix-view-bench [lines] [picture.png]
// (with a picture: the viewer's window on the file, saved there)

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
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
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

// The parser alone on lines already in memory: what the loader's reading,
// splitting and storing leave out. Lines per second, the best of three.
double parserAlone(const std::filesystem::path& path, const RecordedLayout& layout) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string_view> lines;
    for (std::size_t begin = 0, end; (end = text.find('\n', begin)) != std::string::npos;
         begin = end + 1) {
        lines.emplace_back(text.data() + begin, end + 1 - begin);
    }
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        ParsedLine parsed;
        std::size_t read = 0;
        float sum = 0;  // keeps the values in use
        const auto start = Clock::now();
        for (const std::string_view line : lines) {
            read += parseMeasurementLine(line, layout, parsed) ? 1 : 0;
            sum += parsed.values[0];
        }
        const double seconds = secondsSince(start);
        if (read != lines.size() || std::isnan(sum)) {
            std::fprintf(stderr, "parser alone: %zu of %zu lines read\n", read, lines.size());
        }
        best = std::max(best, static_cast<double>(lines.size()) / seconds);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t lines = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 3'600'000;
    const char* picture = argc > 2 ? argv[2] : nullptr;

    // One core for everything, the loader's thread included.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);

    QTemporaryDir dir;
    const std::filesystem::path path = std::filesystem::path(dir.path().toStdString()) / "hour.csv";
    const std::uint64_t bytes = writeFile(path, lines, Shape::Measured);
    std::printf("file: %zu lines, %.1f MB, every column, decimal comma\n", lines,
                static_cast<double>(bytes) / 1e6);

    const RecordedLayout layout(RecordedLayout::Columns().set());
    long residentKb = 0;
    std::size_t allocated = 0;
    // The first load also measures memory; the best of three is the figure.
    std::vector<LoadFigures> viewer;
    viewer.push_back(loadWithViewer(path, layout, &residentKb, &allocated));
    viewer.push_back(loadWithViewer(path, layout, nullptr, nullptr));
    viewer.push_back(loadWithViewer(path, layout, nullptr, nullptr));
    const LoadFigures best = *std::min_element(
        viewer.begin(), viewer.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    std::vector<LoadFigures> plain = {loadWithGetline(path), loadWithGetline(path)};
    const LoadFigures plainBest = *std::min_element(
        plain.begin(), plain.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });

    const double rate = static_cast<double>(best.lines) / best.seconds;
    const double plainRate = static_cast<double>(plainBest.lines) / plainBest.seconds;
    std::printf("(a) viewer parser, full load: %.3f s, %zu lines, %llu skipped, %.2f M lines/s, "
                "%.0f MB/s\n",
                best.seconds, best.lines, static_cast<unsigned long long>(best.skipped), rate / 1e6,
                static_cast<double>(bytes) / best.seconds / 1e6);
    std::printf("(a') the parser alone, lines in memory: %.2f M lines/s\n",
                parserAlone(path, layout) / 1e6);
    std::printf("(b) getline + from_chars: %.3f s, %zu lines, %llu skipped, %.2f M lines/s\n",
                plainBest.seconds, plainBest.lines,
                static_cast<unsigned long long>(plainBest.skipped), plainRate / 1e6);
    std::printf("(c) first chunk published after %.1f ms (of the loads: %.1f, %.1f, %.1f ms)\n",
                best.firstChunkSeconds * 1e3, viewer[0].firstChunkSeconds * 1e3,
                viewer[1].firstChunkSeconds * 1e3, viewer[2].firstChunkSeconds * 1e3);

    // (d) A chart of the whole hour: 1920 pixel columns of each quantity.
    // The loader goes at the end of the block, so that the window's part
    // below has the memory it would have on its own.
    {
        RecordedFileLoader loader(path, layout, {});
        loader.waitFor([](const RecordedLoadProgress& p) { return p.finished; },
                       std::chrono::hours(1));
        const auto snapshot = loader.snapshot();
        const RecordedData& data = snapshot.data();
        constexpr std::size_t kColumns = 1920;
        constexpr int kPictures = 20;
        double checksum = 0;
        const auto start = Clock::now();
        for (int picture = 0; picture < kPictures; ++picture) {
            for (std::size_t q = 0; q < kQuantityCount; ++q) {
                for (std::size_t c = 0; c < kColumns; ++c) {
                    const MinMax m = data.minMax(q, data.size() * c / kColumns,
                                                 data.size() * (c + 1) / kColumns);
                    checksum += static_cast<double>(m.max - m.min);
                }
            }
        }
        const double perPicture = secondsSince(start) / kPictures;
        std::printf("(d) min/max of 1920 columns x 14 quantities over %zu lines: %.3f ms per "
                    "picture (checksum %.1f)\n",
                    data.size(), perPicture * 1e3, checksum / kPictures);
    }

    const double columns = 4.0 * kQuantityCount * static_cast<double>(best.lines);
    std::printf("(e) resident growth of the loaded data: %.1f MB, allocated %.1f MB; "
                "4 bytes x 14 x lines = %.1f MB; ratio %.2f (allocated %.2f)\n",
                static_cast<double>(residentKb) / 1e3, static_cast<double>(allocated) / 1e6,
                columns / 1e6, static_cast<double>(residentKb) * 1e3 / columns,
                static_cast<double>(allocated) / columns);
    // The window's part comes last, so that nothing of Qt's GUI is loaded
    // while the file is.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const ViewerWindowFigures window = measureViewerWindow(path, layout);
    std::printf("(f) the chart at 1920 x 1080: first picture %.0f ms after opening, whole file "
                "loaded after %.0f ms (%.2f M lines/s); redraw of the whole file %.1f ms (mean "
                "%.1f ms)\n",
                window.firstPictureMs, window.loadedMs,
                static_cast<double>(best.lines) / window.loadedMs / 1e3, window.redrawMs,
                window.meanRedrawMs);
    if (picture != nullptr && !saveViewerPicture(path, layout, picture)) {
        std::fprintf(stderr, "cannot save %s\n", picture);
    }
    {
        // The same hour with six quantities swinging through their range in
        // every pixel column: millions of pixels to fill, the worst picture.
        const std::filesystem::path swinging =
            std::filesystem::path(dir.path().toStdString()) / "swinging.csv";
        writeFile(swinging, lines, Shape::Swinging);
        const ViewerWindowFigures worst = measureViewerWindow(swinging, layout);
        std::printf("(g) the same with six quantities swinging full height in every pixel "
                    "column: first picture %.0f ms; redraw %.1f ms (mean %.1f ms)\n",
                    worst.firstPictureMs, worst.redrawMs, worst.meanRedrawMs);
    }
    std::printf("viewer load: %.0f lines/s, %.2f times the getline parser\n", rate, rate / plainRate);
    return 0;
}
