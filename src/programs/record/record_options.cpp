// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/record_options.h"

#include <array>
#include <cmath>

#include <QRegularExpression>

#include <QCommandLineParser>

#include "engine/text/program_version.h"

namespace voltrix {
namespace {

const char* const kDescription =
    "Logs the measurements of the VOLTRIX module to its measurement file, without a window.\n"
    "The columns, decimals and counter divisor come from the settings file the window uses\n"
    "(voltrix-pc --help names it), or from the one --config names; it is never written.\n"
    "\n"
    "Exit codes:\n"
    "  0   stopped by SIGINT or SIGTERM, --duration or --count; the file is complete\n"
    "  64  bad command line, no measurement file named, or one that is the settings file\n"
    "  66  the settings file cannot be read\n"
    "  69  no module connected within --wait seconds, or the recording ended before any\n"
    "      measurement came\n"
    "  70  any other failure\n"
    "  73  not one line could be written: for 10 s, or before the recording ended,\n"
    "      or standard output is closed\n"
    "  74  lines were written, but some could not be\n"
    "  75  the reader of standard output or of a FIFO closed it\n"
    "  76  the free space on the disk of the file fell below --min-free; the file is\n"
    "      complete";

// The suffixes of a span or a size, written in any case: "10s", "1.5h",
// "2GB", "500MiB".
struct Unit {
    const char* suffix;
    double factor;
    bool isSize;
};
constexpr std::array kUnits{
    Unit{"s", 1, false},      Unit{"m", 60, false},         Unit{"h", 3600, false},
    Unit{"d", 86400, false},  Unit{"KB", 1e3, true},        Unit{"MB", 1e6, true},
    Unit{"GB", 1e9, true},    Unit{"TB", 1e12, true},       Unit{"KiB", 1024.0, true},
    Unit{"MiB", 1048576.0, true}, Unit{"GiB", 1073741824.0, true},
    Unit{"TiB", 1099511627776.0, true},
};

QString unitList(bool sizes) {
    QStringList suffixes;
    for (const Unit& unit : kUnits) {
        if (unit.isSize == sizes) {
            suffixes.push_back(QLatin1String(unit.suffix));
        }
    }
    return suffixes.join(QStringLiteral(", "));
}

struct Quantity {
    double value = 0;
    bool isSize = false;
};

// A number followed by one of kUnits, or nothing.
std::optional<Quantity> quantity(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d+(?:\\.\\d+)?)([A-Za-z]+)$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    for (const Unit& unit : kUnits) {
        if (match.captured(2).compare(QLatin1String(unit.suffix), Qt::CaseInsensitive) == 0) {
            return Quantity{match.captured(1).toDouble() * unit.factor, unit.isSize};
        }
    }
    return std::nullopt;
}

// The most bytes a size may name: far beyond any disk, and safe to count in.
constexpr double kMaxBytes = 1e18;

std::optional<SplitLimit> splitLimit(const QString& text) {
    const std::optional<Quantity> amount = quantity(text);
    SplitLimit limit;
    if (!amount) {
        return std::nullopt;
    }
    if (amount->isSize) {
        if (amount->value < static_cast<double>(kMinSplitBytes) || amount->value > kMaxBytes) {
            return std::nullopt;
        }
        limit.bytes = static_cast<std::uint64_t>(amount->value);
    } else {
        if (amount->value < kMinSplitSeconds || amount->value > kMaxSeconds) {
            return std::nullopt;
        }
        limit.duration = std::chrono::milliseconds(std::llround(amount->value * 1000));
    }
    return limit;
}

PrintAndExit usageError(const QString& message) {
    return {QStringLiteral("voltrix-record: ") + message +
                QStringLiteral("\nTry 'voltrix-record --help' for more information."),
            RecordExit::Usage};
}

// A positive number of seconds up to kMaxSeconds, or nothing.
std::optional<double> seconds(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0 || value > kMaxSeconds) {
        return std::nullopt;
    }
    return value;
}

PrintAndExit notSeconds(const char* option, const QString& value) {
    return usageError(QStringLiteral("%1 takes a positive number of seconds up to %2, not '%3'")
                          .arg(QLatin1String(option))
                          .arg(kMaxSeconds, 0, 'f', 0)
                          .arg(value));
}

}  // namespace

RecordCommand parseRecordOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption output(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write to FILE instead of the settings' FileName; - is standard output."),
        QStringLiteral("FILE"));
    const QCommandLineOption duration(
        QStringLiteral("duration"),
        QStringLiteral("Stop after SECONDS (at most %1).").arg(kMaxSeconds, 0, 'f', 0),
        QStringLiteral("SECONDS"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Stop after REPORTS measurement lines."),
                                   QStringLiteral("REPORTS"));
    const QCommandLineOption wait(
        QStringLiteral("wait"),
        QStringLiteral("Give up when no module is connected within SECONDS (at most %1; "
                       "default: wait on).")
            .arg(kMaxSeconds, 0, 'f', 0),
        QStringLiteral("SECONDS"));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Read the settings from FILE instead of the window's config.ini."),
        QStringLiteral("FILE"));
    const QCommandLineOption useVirtual(QStringLiteral("virtual"),
                                        QStringLiteral("Record from the virtual module."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Print nothing but errors."));
    const QCommandLineOption split(
        QStringLiteral("split"),
        QStringLiteral("Start a new file, at a line's end, when the current one spans DURATION "
                       "(a number and %1: 10s, 1h, 1d) or holds SIZE (a number and %2: 2GB, "
                       "500MiB). Each file is named from FILE and the local start time of its "
                       "first line: bench.csv gives bench_2026-12-11_06-00-00.csv.")
            .arg(unitList(false), unitList(true)),
        QStringLiteral("DURATION|SIZE"));
    const QCommandLineOption keep(
        QStringLiteral("keep"),
        QStringLiteral("With --split, delete the oldest files of the recording (its name and "
                       "folder) beyond the newest N when a new file starts (default: delete "
                       "nothing)."),
        QStringLiteral("N"));
    const QCommandLineOption minFree(
        QStringLiteral("min-free"),
        QStringLiteral("End the recording, its file complete, when the free space on the disk "
                       "of the file falls below SIZE (a number and %1, or 0 for never; "
                       "default: 1GiB). Checked every second and at each new file.")
            .arg(unitList(true)),
        QStringLiteral("SIZE"));
    parser.addOptions(
        {output, duration, count, wait, config, useVirtual, quiet, split, keep, minFree});

    if (!parser.parse(arguments)) {
        return usageError(parser.errorText());
    }
    if (parser.isSet(help)) {
        return PrintAndExit{parser.helpText(), RecordExit::Done};
    }
    if (parser.isSet(version)) {
        return PrintAndExit{QStringLiteral("voltrix-record ") + QLatin1String(kProgramVersion),
                            RecordExit::Done};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(QStringLiteral("unexpected argument '%1'")
                              .arg(parser.positionalArguments().constFirst()));
    }

    RecordOptions options;
    options.output = parser.value(output);
    if (parser.isSet(output) && options.output.isEmpty()) {
        return usageError(QStringLiteral("--output needs a file name"));
    }
    options.config = parser.value(config);
    if (parser.isSet(config) && options.config.isEmpty()) {
        return usageError(QStringLiteral("--config needs a file name"));
    }
    if (parser.isSet(duration)) {
        options.durationSeconds = seconds(parser.value(duration));
        if (!options.durationSeconds) {
            return notSeconds("--duration", parser.value(duration));
        }
    }
    if (parser.isSet(wait)) {
        options.waitSeconds = seconds(parser.value(wait));
        if (!options.waitSeconds) {
            return notSeconds("--wait", parser.value(wait));
        }
    }
    if (parser.isSet(count)) {
        bool ok = false;
        const qulonglong reports = parser.value(count).toULongLong(&ok);
        if (!ok || reports == 0) {
            return usageError(QStringLiteral("--count takes a positive whole number, not '%1'")
                                  .arg(parser.value(count)));
        }
        options.count = reports;
    }
    if (parser.isSet(split)) {
        const std::optional<SplitLimit> limit = splitLimit(parser.value(split));
        if (!limit) {
            return usageError(
                QStringLiteral("--split takes a span of at least 1s (%1) or a size of at least "
                               "1KB (%2), not '%3'")
                    .arg(unitList(false), unitList(true), parser.value(split)));
        }
        options.split = *limit;
    }
    if (parser.isSet(keep)) {
        bool ok = false;
        const qulonglong files = parser.value(keep).toULongLong(&ok);
        if (!ok || files == 0 || files > 1000000) {
            return usageError(QStringLiteral("--keep takes a whole number of files from 1 to "
                                             "1000000, not '%1'")
                                  .arg(parser.value(keep)));
        }
        if (!options.split.any()) {
            return usageError(QStringLiteral("--keep needs --split"));
        }
        options.keep = static_cast<std::size_t>(files);
    }
    if (parser.isSet(minFree)) {
        const std::optional<Quantity> amount = quantity(parser.value(minFree));
        if (parser.value(minFree) == QStringLiteral("0")) {
            options.minFreeBytes = 0;
        } else if (amount && amount->isSize && amount->value <= kMaxBytes) {
            options.minFreeBytes = static_cast<std::uint64_t>(amount->value);
        } else {
            return usageError(QStringLiteral("--min-free takes a size (%1) or 0, not '%2'")
                                  .arg(unitList(true), parser.value(minFree)));
        }
    }
    options.useVirtual = parser.isSet(useVirtual);
    options.quiet = parser.isSet(quiet);
    return options;
}

}  // namespace voltrix
