// SPDX-License-Identifier: GPL-3.0-or-later
// The per-report path of the core: dispatch, decoding, the measurement-file
// line with all 24 columns and the append to a file. The baseline makes the
// same columns with plain std::to_chars calls (fixed notation, none of our
// rounding rules) and writes them the same way, so the ratio of the two holds
// on a noisy machine. Last, what handing a line to the log writer thread costs,
// and the program's whole path on the session's thread.

#include <benchmark/benchmark.h>

#include "median_reporter.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/logging/log_line.h"
#include "engine/logging/log_writer.h"
#include "engine/logging/wall_clock.h"
#include "engine/protocol/measurement.h"
#include "engine/protocol/report_receiver.h"
#include "session/measurement_session.h"

namespace {

using voltrix::LastReport;
using Report = std::vector<std::uint8_t>;

constexpr int kDecimals = 3;

// Measurement reports with plausible, varying values, as the module streams them.
std::vector<Report> sampleReports() {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> volts(0.0f, 10.0f);
    std::uniform_real_distribution<float> position(-1e5f, 1e5f);
    std::vector<Report> reports;
    for (int i = 0; i < 1024; ++i) {
        Report r(64, 0);
        auto put = [&r](std::size_t offset, float value) {
            const auto bits = std::bit_cast<std::uint32_t>(value);
            for (int b = 0; b < 4; ++b) {
                r[offset + b] = static_cast<std::uint8_t>(bits >> (8 * b));
            }
        };
        r[1] = static_cast<std::uint8_t>(random() & 0xFF);
        for (std::size_t enc : {1u, 10u}) {
            put(enc + 1, position(random) / 100.0f);
            put(enc + 5, position(random));
        }
        for (std::size_t adc : {19u, 28u, 37u, 46u}) {
            put(adc + 1, volts(random));
            put(adc + 5, volts(random));
        }
        put(55, volts(random) * 2.0f);
        put(59, volts(random) - 5.0f);
        reports.push_back(std::move(r));
    }
    return reports;
}

FILE* openScratchFile() {
    FILE* file = std::tmpfile();
    if (file == nullptr) {
        std::perror("tmpfile");
        std::abort();
    }
    return file;
}

class FileLogger : public voltrix::ReportObserver {
public:
    explicit FileLogger(FILE* file) : file_(file) {}
    void AppendLogLine(std::string_view line) override {
        std::fwrite(line.data(), 1, line.size(), file_);
    }
    void parameterReportReceived(const LastReport&) override {}
    void outputRuleAcknowledged(std::uint8_t) override {}
    void writeAcknowledged(std::uint8_t, std::uint8_t) override {}

private:
    FILE* file_;
};

void BM_ReportPath(benchmark::State& state) {
    const std::vector<Report> reports = sampleReports();
    FILE* file = openScratchFile();
    FileLogger logger(file);
    voltrix::ReportReceiver receiver(logger);
    receiver.logSettings().columns.set();
    receiver.logSettings().decimals = kDecimals;
    receiver.logSettings().modDivisor = 100;
    receiver.logSettings().decimalSeparator.assign(1, ',');

    std::size_t i = 0;
    for (auto _ : state) {
        receiver.ReportReceived(reports[i++ & 1023]);
    }
    benchmark::DoNotOptimize(receiver.measurementCount());
    state.SetItemsProcessed(state.iterations());
    std::fclose(file);
}

// Same work with std::to_chars in place of our formatting and line builder.
void BM_Baseline(benchmark::State& state) {
    const std::vector<Report> reports = sampleReports();
    FILE* file = openScratchFile();
    LastReport lastReport{};
    voltrix::Measurement m;
    voltrix::LocalClock clock;
    std::uint32_t count = 0;
    char line[1024 + 32];  // the numbers stop at 1024; the outputs and CR LF follow

    std::size_t i = 0;
    for (auto _ : state) {
        const Report& r = reports[i++ & 1023];
        std::memcpy(lastReport.data(), r.data(), r.size());
        if (lastReport[0] == 0) {
            voltrix::DecodeMeasurement(lastReport, m);
            const voltrix::ClockReading t = clock.now();
            char* p = line;
            char* const end = line + 1024;
            // Bounded like our own line builder: a full line stays whole.
            auto integer = [&](long long v, char after) {
                p = std::to_chars(p, end, v).ptr;
                if (p != end) {
                    *p++ = after;
                }
            };
            auto number = [&](float v) {
                p = std::to_chars(p, end, double(v), std::chars_format::fixed, kDecimals).ptr;
                if (p != end) {
                    *p++ = ';';
                }
            };
            integer(t.day, '-');
            integer(t.month, '-');
            integer(t.year, ';');
            integer(t.hour, ':');
            integer(t.minute, ':');
            integer(t.second, ':');
            integer(t.millisecond, ';');
            integer(static_cast<std::int32_t>(count), ';');
            integer(count % 100, ';');
            for (const auto& adc : m.adc)
                number(adc.value);
            for (const auto& adc : m.adc)
                number(adc.average);
            number(m.enc[0].position);
            number(m.enc[1].position);
            number(m.enc[0].velocity);
            number(m.enc[1].velocity);
            number(m.math[0]);
            number(m.math[1]);
            for (int n = 0; n < 6; ++n) {
                std::memcpy(p, m.outputOn(n) ? "HI;" : "LO;", 3);
                p += 3;
            }
            *p++ = '\r';
            *p++ = '\n';
            std::fwrite(line, 1, static_cast<std::size_t>(p - line), file);
            ++count;
        }
    }
    benchmark::DoNotOptimize(count);
    state.SetItemsProcessed(state.iterations());
    std::fclose(file);
}

// A sink that takes every line and keeps none, so that the writer thread
// drains as fast as it can and what is timed is the producer's side alone.
class DiscardingSink : public voltrix::LogSink {
public:
    Result append(const QString&, std::string_view) override { return Result::Written; }
    void requestClose() override {}
    void close() override {}
    QString lastError() const override { return {}; }
    int lastErrorCode() const override { return 0; }
};

// What handing a full-width line to the writer thread costs the thread that
// makes it. Lines dropped for a full buffer are counted, since a drop costs
// less than a line taken.
void BM_LogWriterSubmit(benchmark::State& state) {
    std::string line(250, '7');
    line.replace(line.size() - 2, 2, "\r\n");
    voltrix::LogWriter writer(std::make_unique<DiscardingSink>());
    writer.start(QStringLiteral("unused.csv"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(writer.submit(line));
    }
    writer.stop();
    // The share of the lines dropped.
    state.counters["dropped"] = benchmark::Counter(static_cast<double>(writer.droppedLines()),
                                                   benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations());
}

// The program's whole per-report path on the session's thread: dispatch,
// decoding, the line, the snapshot for the window, and the hand-over to the
// writer thread (whose sink keeps nothing). The report is copied once more
// than the device link does, since it is handed over from outside.
void BM_SessionPath(benchmark::State& state) {
    const std::vector<Report> reports = sampleReports();
    voltrix::VirtualHidBackend noDevices;
    voltrix::SessionOptions options;
    options.makeSink = [] { return std::make_unique<DiscardingSink>(); };
    voltrix::MeasurementSession session(noDevices, options);
    voltrix::LogLineSettings settings;
    settings.columns.set();
    settings.decimals = kDecimals;
    settings.modDivisor = 100;
    settings.decimalSeparator.assign(1, ',');
    session.setLogLineSettings(settings);
    session.startLogging(QStringLiteral("unused.csv"));

    std::size_t i = 0;
    for (auto _ : state) {
        session.ReportReceived(reports[i++ & 1023]);
    }
    session.stopLogging();
    state.counters["dropped"] =
        benchmark::Counter(static_cast<double>(session.logStatus().linesDropped),
                           benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ReportPath);
BENCHMARK(BM_Baseline);
BENCHMARK(BM_LogWriterSubmit);
BENCHMARK(BM_SessionPath);

// Prints the usual table, then the ratio of the report path to its baseline.
class RatioReporter : public MedianReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto path = cpuTime("BM_ReportPath");  // ns per report
        const auto base = cpuTime("BM_Baseline");
        if (path && base && *base > 0) {
            std::printf("Report path: %.0f reports/s per core; %.2f times the baseline\n",
                        1e9 / *path, *path / *base);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
