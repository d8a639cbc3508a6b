// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "programs/record/long_timer.h"
#include "programs/record/record_options.h"
#include "session/measurement_session.h"

// voltrix-record without its command line and signals: one recording on the
// measurement session, from start to a complete file, telling how it goes.
//
// Lives on the thread that runs its event loop; the session runs there too
// (there is no window to keep free), and the file is written on the log
// writer's thread.

namespace voltrix {

class HidBackend;

struct RecorderEnvironment {
    // The devices; null means the system's (or the virtual module with
    // --virtual). Not owned.
    HidBackend* backend = nullptr;
    // Clock and sink of the session, for tests.
    SessionOptions session;
    // Where the window's settings file is looked for.
    QString programDirectory;
    QString userDirectory;
    // One line of news or progress for the operator (standard error).
    // `transient` lines overwrite each other on a terminal.
    std::function<void(const QString& line, bool transient)> tell;
    // Whether standard error is a terminal: progress every second, in place;
    // otherwise a plain line every 10 s.
    bool terminal = false;
    // Whether standard output was closed when the program started: "-" is
    // then no output.
    bool standardOutputClosed = false;
    // How long an output that takes no line at all is retried.
    int outputRetryMs = kOutputRetrySeconds * 1000;
    // The bytes free on the disk holding a folder (freeBytesAt); empty:
    // the system's answer.
    std::function<std::optional<qint64>(const QString& folder)> freeSpace;
    // The longest piece --duration and --wait are waited for at a time.
    std::chrono::milliseconds timerPiece = LongTimer::kDefaultPiece;
};

class Recorder : public QObject {
    Q_OBJECT

public:
    Recorder(RecordOptions options, RecorderEnvironment environment, QObject* parent = nullptr);
    ~Recorder() override;

    // Reads the settings and starts recording; the exit code when it cannot.
    std::optional<RecordExit> start();
    // Ends the recording with `code`; the file is complete and on the disk
    // when `finished` is emitted. A recording asked to end as Done ends
    // with what became of its lines instead when not every one was written.
    void stop(RecordExit code);

    MeasurementSession& session() { return *session_; }
    // The file the lines go to ("-" for standard output).
    const QString& output() const { return output_; }
    // Counting down --duration and --wait.
    const LongTimer& durationTimer() const { return durationTimer_; }
    const LongTimer& waitTimer() const { return waitTimer_; }

signals:
    void finished(int exitCode);

private:
    void devicesListed(bool connected);
    void logStatusChanged(const LogWriter::Status& status);
    void showProgress();
    QString progressLine();
    // The output as the operator's lines name it.
    QString outputName() const;
    // The file lines go to now: with --split the newest file, once it has
    // a line.
    QString currentFile() const;
    // Ends the recording when the disk of the file has less than --min-free.
    void checkFreeSpace();
    // The sink of a split recording, when --split asks for one; the
    // session's own otherwise.
    std::optional<RecordExit> chooseSink(SessionOptions& sessionOptions);
    // Tells why the lines were not all written, and the code that says so.
    RecordExit verdict(RecordExit requested, const LogWriter::Status& status);

    RecordOptions options_;
    RecorderEnvironment environment_;
    std::unique_ptr<HidBackend> ownBackend_;
    std::unique_ptr<MeasurementSession> session_;
    QString output_;
    QString currentSplitFile_;  // the newest file of a split recording
    QTimer progressTimer_;
    LongTimer durationTimer_;
    LongTimer waitTimer_;
    QTimer outputTimer_;
    QTimer freeSpaceTimer_;
    QElapsedTimer elapsed_;
    QElapsedTimer sinceProgress_;
    bool everConnected_ = false;
    bool connected_ = false;
    bool stopped_ = false;
    bool failing_ = false;
    // Why the last line that failed failed, as the operator is told.
    QString lastCause_;
};

}  // namespace voltrix
