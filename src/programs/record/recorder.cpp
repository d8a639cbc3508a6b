// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/recorder.h"

#include <cerrno>
#include <cmath>

#include <QFileInfo>

#include "device/system_hid_backend.h"
#include "device/virtual/virtual_hid_backend.h"
#include "engine/logging/splitting_log_sink.h"
#include "engine/logging/stdout_log_sink.h"
#include "engine/logging/write_error_text.h"
#include "engine/platform/free_space.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/settings_location.h"
#include "engine/text/format_value.h"
#include "engine/text/string_table.h"
#include "programs/record/same_file.h"

namespace voltrix {
namespace {

constexpr int kTerminalProgressMs = 1000;
constexpr int kLogProgressMs = 10000;
// How often the free space is looked at: a disk fills no faster than a
// second of lines, and asking costs a system call, not one per line.
constexpr int kFreeSpaceCheckMs = 1000;

std::chrono::milliseconds milliseconds(double seconds) {
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

QString megabytes(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

QString clockText(qint64 ms) {
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

Recorder::Recorder(RecordOptions options, RecorderEnvironment environment, QObject* parent)
    : QObject(parent), options_(std::move(options)), environment_(std::move(environment)) {
    if (!environment_.tell) {
        environment_.tell = [](const QString&, bool) {};
    }
    outputTimer_.setSingleShot(true);
    durationTimer_.setPiece(environment_.timerPiece);
    waitTimer_.setPiece(environment_.timerPiece);
    if (!environment_.freeSpace) {
        environment_.freeSpace = freeBytesAt;
    }
    connect(&progressTimer_, &QTimer::timeout, this, &Recorder::showProgress);
    connect(&freeSpaceTimer_, &QTimer::timeout, this, &Recorder::checkFreeSpace);
    connect(&durationTimer_, &LongTimer::timeout, this, [this] { stop(RecordExit::Done); });
    connect(&waitTimer_, &LongTimer::timeout, this, [this] {
        if (!everConnected_) {
            environment_.tell(QStringLiteral("no module found within %1 s")
                                  .arg(*options_.waitSeconds),
                              false);
            stop(RecordExit::ModuleNotFound);
        }
    });
    connect(&outputTimer_, &QTimer::timeout, this, [this] {
        if (session_->logStatus().linesWritten == 0) {
            environment_.tell(
                QStringLiteral("giving up: %1 could not be written for %2 s")
                    .arg(output_)
                    .arg(environment_.outputRetryMs / 1000.0),
                false);
            stop(RecordExit::OutputUnwritable);
        }
    });
}

Recorder::~Recorder() {
    if (session_) {
        session_->shutdown();
    }
}

std::optional<RecordExit> Recorder::start() {
    // The settings the window would read, read only: the recorder never
    // writes them.
    QString settingsPath = options_.config;
    if (settingsPath.isEmpty()) {
        settingsPath =
            existingSettingsPath(environment_.programDirectory, environment_.userDirectory);
    }
    // A missing file reads as the defaults of a new one.
    const IniFile settingsFile(settingsPath);
    if (!options_.config.isEmpty() && !QFileInfo::exists(settingsPath)) {
        environment_.tell(QStringLiteral("cannot read the settings file %1: it does not exist")
                              .arg(settingsPath),
                          false);
        return RecordExit::SettingsUnreadable;
    }
    if (settingsFile.refused()) {
        environment_.tell(
            QStringLiteral("cannot read the settings file %1: it is not a readable file of at "
                           "most %2 bytes")
                .arg(settingsPath)
                .arg(IniFile::kMaxFileSize),
            false);
        return RecordExit::SettingsUnreadable;
    }
    const LoadedSettings loaded = readSettings(settingsFile, lookup(Ids::IDS_42));
    output_ = options_.output.isEmpty() ? loaded.fileName : options_.output;
    if (output_.isEmpty()) {
        environment_.tell(QStringLiteral("no measurement file: the settings name none and "
                                         "--output is not given"),
                          false);
        return RecordExit::Usage;
    }
    // The lines would be appended to the settings, which are never written.
    if (output_ != QStringLiteral("-") && !settingsPath.isEmpty() &&
        sameFile(output_, settingsPath)) {
        environment_.tell(QStringLiteral("%1 is the settings file in use (%2): name another "
                                         "measurement file")
                              .arg(output_, settingsPath),
                          false);
        return RecordExit::Usage;
    }
    if (output_ == QStringLiteral("-") && environment_.standardOutputClosed) {
        environment_.tell(QStringLiteral("cannot write standard output: it is closed"), false);
        return RecordExit::OutputUnwritable;
    }

    HidBackend* backend = environment_.backend;
    if (backend == nullptr && options_.useVirtual) {
        auto bus = std::make_unique<VirtualHidBackend>();
        bus->plugModule();
        ownBackend_ = std::move(bus);
        backend = ownBackend_.get();
    } else if (backend == nullptr) {
        ownBackend_ = makeSystemHidBackend();
        backend = ownBackend_.get();
    }
    SessionOptions sessionOptions = environment_.session;
    if (const std::optional<RecordExit> refused = chooseSink(sessionOptions)) {
        return refused;
    }
    session_ = std::make_unique<MeasurementSession>(*backend, sessionOptions);
    connect(session_.get(), &MeasurementSession::devicesListed, this,
            [this](const QStringList&, bool connected) { devicesListed(connected); });
    connect(session_.get(), &MeasurementSession::logStatusChanged, this,
            &Recorder::logStatusChanged);
    connect(session_.get(), &MeasurementSession::loggingLimitReached, this,
            [this] { stop(RecordExit::Done); });

    session_->setLogLineSettings(storedLogLineSettings(loaded, systemDecimalSeparator().toStdString()));
    session_->startLogging(output_, options_.count.value_or(0));
    session_->start();

    elapsed_.start();
    sinceProgress_.start();
    if (!options_.quiet) {
        environment_.tell(QStringLiteral("recording to %1 (settings: %2)")
                              .arg(outputName(), settingsPath.isEmpty() ? QStringLiteral("defaults")
                                                                        : settingsPath),
                          false);
        progressTimer_.start(environment_.terminal ? kTerminalProgressMs : kLogProgressMs);
    }
    // A stream has no disk of its own to fill.
    if (options_.minFreeBytes != 0 && output_ != QStringLiteral("-") &&
        (!QFileInfo::exists(output_) || QFileInfo(output_).isFile())) {
        freeSpaceTimer_.start(kFreeSpaceCheckMs);
        QTimer::singleShot(0, this, &Recorder::checkFreeSpace);
    }
    if (options_.durationSeconds) {
        durationTimer_.start(milliseconds(*options_.durationSeconds));
    }
    if (options_.waitSeconds) {
        waitTimer_.start(milliseconds(*options_.waitSeconds));
    }
    return std::nullopt;
}

std::optional<RecordExit> Recorder::chooseSink(SessionOptions& sessionOptions) {
    if (!options_.split.any()) {
        if (output_ == QStringLiteral("-") && !sessionOptions.makeSink) {
            sessionOptions.makeSink = [] { return std::make_unique<StdoutLogSink>(); };
        }
        return std::nullopt;
    }
    // Only files are split: a stream has no files to start.
    const QFileInfo info(output_);
    if (output_ == QStringLiteral("-") || (info.exists() && !info.isFile())) {
        environment_.tell(QStringLiteral("--split needs a file to write, and %1 is none")
                              .arg(outputName()),
                          false);
        return RecordExit::Usage;
    }
    if (sessionOptions.makeSink) {
        return std::nullopt;
    }
    SplittingLogSink::Options split;
    split.limit = options_.split;
    split.keep = options_.keep;
    // Told on the writer's thread; the recorder lives on its own.
    split.onFileStarted = [this](const QString& fileName) {
        QMetaObject::invokeMethod(
            this,
            [this, fileName] {
                currentSplitFile_ = fileName;
                if (freeSpaceTimer_.isActive()) {
                    checkFreeSpace();
                }
            },
            Qt::QueuedConnection);
    };
    sessionOptions.makeSink = [split] { return std::make_unique<SplittingLogSink>(split); };
    return std::nullopt;
}

void Recorder::stop(RecordExit code) {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    progressTimer_.stop();
    durationTimer_.stop();
    waitTimer_.stop();
    outputTimer_.stop();
    freeSpaceTimer_.stop();
    if (session_) {
        // Returns once every line is in the file, synced and closed.
        session_->stopLogging();
        const LogWriter::Status status = session_->logStatus();
        if (!options_.quiet) {
            environment_.tell(QStringLiteral("stopped: %1 lines written, %2 failed, %3 dropped")
                                  .arg(status.linesWritten)
                                  .arg(status.linesFailed)
                                  .arg(session_->droppedReports()),
                              false);
        }
        code = verdict(code, status);
    }
    emit finished(static_cast<int>(code));
}

RecordExit Recorder::verdict(RecordExit requested, const LogWriter::Status& status) {
    // The lines of the last moments failed after the recording was asked to
    // end, or their news had not come yet.
    if (status.failing || lastCause_.isEmpty()) {
        lastCause_ = writeErrorCause(status.errorCode, status.error);
    }
    // Also when the reader went away during the last lines.
    if (requested == RecordExit::ReaderClosed ||
        (requested == RecordExit::Done && status.failing && status.errorCode == EPIPE)) {
        if (!options_.quiet) {
            environment_.tell(QStringLiteral("the reader of %1 closed it").arg(outputName()), false);
        }
        return RecordExit::ReaderClosed;
    }
    if (requested != RecordExit::Done) {
        return requested;
    }
    if (status.linesWritten == 0 && status.linesFailed == 0) {
        environment_.tell(everConnected_ ? QStringLiteral("no line written: no measurement came")
                                         : QStringLiteral("no line written: no module was connected"),
                          false);
        return RecordExit::ModuleNotFound;
    }
    if (status.linesWritten == 0) {
        environment_.tell(QStringLiteral("not one line could be written to %1: %2")
                              .arg(outputName(), lastCause_),
                          false);
        return RecordExit::OutputUnwritable;
    }
    if (status.linesFailed != 0) {
        environment_.tell(QStringLiteral("%1 lines could not be written to %2, the last because: %3")
                              .arg(status.linesFailed)
                              .arg(outputName(), lastCause_),
                          false);
        return RecordExit::LinesFailed;
    }
    return RecordExit::Done;
}

QString Recorder::outputName() const {
    return output_ == QStringLiteral("-") ? QStringLiteral("standard output") : output_;
}

QString Recorder::currentFile() const {
    return options_.split.any() ? currentSplitFile_ : output_;
}

void Recorder::checkFreeSpace() {
    if (stopped_) {
        return;
    }
    const QString file = currentFile().isEmpty() ? output_ : currentFile();
    const QString folder = QFileInfo(file).absolutePath();
    const std::optional<qint64> free = environment_.freeSpace(folder);
    if (!free || static_cast<std::uint64_t>(*free) >= options_.minFreeBytes) {
        return;
    }
    environment_.tell(QStringLiteral("only %1 free on the disk of %2, less than --min-free %3: "
                                     "ending the recording with its file complete")
                          .arg(megabytes(*free), folder,
                               megabytes(static_cast<qint64>(options_.minFreeBytes))),
                      false);
    stop(RecordExit::DiskLow);
}

void Recorder::devicesListed(bool connected) {
    if (connected == connected_) {
        return;
    }
    connected_ = connected;
    everConnected_ = everConnected_ || connected;
    if (!options_.quiet) {
        environment_.tell(connected ? QStringLiteral("module connected")
                                    : QStringLiteral("module disconnected, waiting for it"),
                          false);
    }
}

void Recorder::logStatusChanged(const LogWriter::Status& status) {
    // A pipe whose reader went away takes no line ever again: `| head` is
    // done with the recording.
    if (status.failing && status.errorCode == EPIPE) {
        stop(RecordExit::ReaderClosed);
        return;
    }
    if (status.failing) {
        failing_ = true;
        lastCause_ = writeErrorCause(status.errorCode, status.error);
        environment_.tell(QStringLiteral("cannot write %1: %2").arg(output_, lastCause_), false);
        if (status.linesWritten == 0 && !outputTimer_.isActive()) {
            outputTimer_.start(environment_.outputRetryMs);
        }
    } else if (failing_) {
        failing_ = false;
        outputTimer_.stop();
        environment_.tell(QStringLiteral("writing %1 again").arg(output_), false);
    }
}

QString Recorder::progressLine() {
    const qint64 intervalMs = std::max<qint64>(1, sinceProgress_.restart());
    const double rate = session_->takeReportCount() * 1000.0 / static_cast<double>(intervalMs);
    const LogWriter::Status status = session_->logStatus();
    const QString file = currentFile();
    QString size = QStringLiteral("-");
    if (output_ != QStringLiteral("-") && !file.isEmpty()) {
        size = file + QLatin1Char(' ') + megabytes(QFileInfo(file).size());
    }
    return QStringLiteral("%1, %2 reports/s, %3 lines, %4, %5 dropped, %6")
        .arg(connected_ ? QStringLiteral("connected") : QStringLiteral("not connected"))
        .arg(rate, 0, 'f', 0)
        .arg(status.linesWritten)
        .arg(size)
        .arg(session_->droppedReports())
        .arg(clockText(elapsed_.elapsed()));
}

void Recorder::showProgress() {
    environment_.tell(progressLine(), environment_.terminal);
}

}  // namespace voltrix
