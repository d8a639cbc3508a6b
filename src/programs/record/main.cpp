// SPDX-License-Identifier: GPL-3.0-or-later
// voltrix-record: the measurements of the VOLTRIX module logged to their
// file without a window, for hours or days, on a machine with no screen or
// as a service.

#include <csignal>
#include <cstdio>
#include <exception>
#include <variant>

#include <QCoreApplication>

#include "engine/settings/settings_location.h"
#include "engine/text/error_message.h"
#include "engine/text/language.h"
#include "engine/text/program_version.h"
#include "programs/record/qt_messages.h"
#include "programs/record/record_options.h"
#include "programs/record/recorder.h"
#include "programs/record/standard_streams.h"
#include "programs/record/stop_requests.h"

namespace {

// Lines for the operator on standard error; on a terminal the progress line
// is rewritten in place.
class Teller {
public:
    explicit Teller(bool terminal) : terminal_(terminal) {}

    void operator()(const QString& line, bool transient) {
        const QByteArray text = line.toLocal8Bit();
        if (terminal_) {
            std::fprintf(stderr, "\r\x1b[K%s%s", text.constData(), transient ? "" : "\n");
        } else {
            std::fprintf(stderr, "%s\n", text.constData());
        }
        std::fflush(stderr);
    }

private:
    bool terminal_;
};

}  // namespace

int main(int argc, char* argv[]) {
    using voltrix::RecordExit;
    // Before anything opens a descriptor of its own.
    const voltrix::StandardStreams streams = voltrix::reopenClosedStandardStreams();
#ifdef SIGPIPE
    // A reader that goes away (`| head`) fails the write with EPIPE, which
    // ends the recording with its summary, rather than killing the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // Qt's warnings come with every failed line otherwise.
    const voltrix::QtMessagesSaidOnce qtMessages;
    try {
        QCoreApplication app(argc, argv);
        // The name also names the user's settings folder, as the window's does.
        QCoreApplication::setApplicationName(QString::fromLatin1(voltrix::kApplicationTitle));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(voltrix::kProgramVersion));

        const voltrix::RecordCommand command =
            voltrix::parseRecordOptions(QCoreApplication::arguments());
        if (const auto* print = std::get_if<voltrix::PrintAndExit>(&command)) {
            std::fprintf(print->code == RecordExit::Done ? stdout : stderr, "%s\n",
                         qPrintable(print->text));
            return static_cast<int>(print->code);
        }
        const auto& options = std::get<voltrix::RecordOptions>(command);
        // The measurement file's default name is the window's at its first
        // start; the recorder's own words are English.
        const bool terminal = voltrix::standardErrorIsTerminal();
        voltrix::RecorderEnvironment environment;
        const voltrix::SettingsDirectories directories = voltrix::standardSettingsDirectories();
        environment.programDirectory = directories.program;
        environment.userDirectory = directories.user;
        environment.terminal = terminal;
        environment.standardOutputClosed = streams.outputClosed;
        Teller teller(terminal);
        environment.tell = [&teller](const QString& line, bool transient) {
            teller(line, transient);
        };

        voltrix::Recorder recorder(options, environment);
        if (!voltrix::catchStopRequests([&recorder] { recorder.stop(RecordExit::Done); })) {
            std::fprintf(stderr, "voltrix-record: cannot catch the stop signals\n");
            return static_cast<int>(RecordExit::Failure);
        }
        QObject::connect(&recorder, &voltrix::Recorder::finished, &app, &QCoreApplication::exit,
                         Qt::QueuedConnection);
        voltrix::setActiveLanguage(voltrix::Language::English);
        if (const std::optional<RecordExit> failed = recorder.start()) {
            return static_cast<int>(*failed);
        }
        const int code = QCoreApplication::exec();
        voltrix::stopRequestsDone();
        return code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "voltrix-record: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "voltrix-record: unknown error\n");
    }
    return static_cast<int>(RecordExit::Failure);
}
