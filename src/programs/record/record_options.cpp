// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/record_options.h"

#include <cmath>

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
    "  75  the reader of standard output or of a FIFO closed it";

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
    parser.addOptions({output, duration, count, wait, config, useVirtual, quiet});

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
    options.useVirtual = parser.isSet(useVirtual);
    options.quiet = parser.isSet(quiet);
    return options;
}

}  // namespace voltrix
