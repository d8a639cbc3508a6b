// SPDX-License-Identifier: GPL-3.0-or-later
// Measurement lines to a FIFO and to a standard output that is a pipe: kept
// open, never blocking the writer for good, whole lines only.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <QFile>
#include <QTemporaryDir>

#include "engine/logging/log_writer.h"
#include "engine/logging/measurement_log.h"
#include "engine/logging/stdout_log_sink.h"
#include "qt_printers.h"
#include "engine/logging/log_test_support.h"

namespace voltrix {
namespace {

using namespace std::chrono_literals;
using namespace log_test;
// How long a call may take before it counts as hanging: several times the
// writer's patience with a reader, yet far below for ever.
constexpr auto kHanging = 20s;

std::string firstLines(int count, std::size_t length) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += makeLine(i, length);
    }
    return lines;
}

// A write to a pipe with no reader raises SIGPIPE, which would end the test
// program; the recorder ignores it too.
class IgnoredSigpipe {
public:
    IgnoredSigpipe() : old_(std::signal(SIGPIPE, SIG_IGN)) {}
    ~IgnoredSigpipe() { std::signal(SIGPIPE, old_); }

private:
    void (*old_)(int);
};

class Fifo {
public:
    Fifo() : path_(dir_.filePath(QStringLiteral("lines.fifo"))) {
        created_ = ::mkfifo(QFile::encodeName(path_).constData(), 0600) == 0;
    }
    bool created() const { return created_; }
    const QString& path() const { return path_; }
    // Opens its reading end without waiting for a writer.
    int openReader() const {
        return ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }

private:
    QTemporaryDir dir_;
    QString path_;
    bool created_ = false;
};

// Everything waiting in a non-blocking reading end now.
std::string readAvailable(int fd) {
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return data;
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

// Reads a non-blocking reading end on its own thread until destroyed, and
// notes where the writer first went away (end of file after some data).
class PipeReader {
public:
    explicit PipeReader(int fd) : fd_(fd), thread_([this] { run(); }) {}
    ~PipeReader() {
        stop_ = true;
        thread_.join();
    }
    std::string data() const {
        std::lock_guard lock(mutex_);
        return data_;
    }
    // Bytes read before the first end of file; all of them while none came.
    std::size_t beforeFirstEnd() const {
        std::lock_guard lock(mutex_);
        return firstEnd_ == std::string::npos ? data_.size() : firstEnd_;
    }
    bool writerGone() const {
        std::lock_guard lock(mutex_);
        return writerGone_;
    }

private:
    void run() {
        char buffer[65536];
        while (!stop_) {
            pollfd watched{fd_, POLLIN, 0};
            ::poll(&watched, 1, 20);
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            std::lock_guard lock(mutex_);
            if (n > 0) {
                data_.append(buffer, static_cast<std::size_t>(n));
                writerGone_ = false;
            } else if (n == 0 && !data_.empty()) {
                // No writer now (before the first one came, this is no end).
                if (firstEnd_ == std::string::npos) {
                    firstEnd_ = data_.size();
                }
                writerGone_ = true;
            }
            if (n <= 0) {
                std::this_thread::sleep_for(5ms);
            }
        }
    }

    const int fd_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string data_;
    std::size_t firstEnd_ = std::string::npos;
    bool writerGone_ = false;
    std::thread thread_;
};

// Points the program's standard output at `fd` while it lives. Nothing is
// printed through it meanwhile: the test's findings are checked afterwards.
class StandardOutputOnto {
public:
    explicit StandardOutputOnto(int fd) {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        ::dup2(fd, STDOUT_FILENO);
    }
    ~StandardOutputOnto() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }

private:
    int saved_ = -1;
};

// Calls `call` on a thread of its own; when it has not returned within
// kHanging, calls `release` over and over until it does (a call that waits
// for good must not hang the tests). Whether it returned in time.
bool returnsInTime(const std::function<void()>& call, const std::function<void()>& release) {
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        call();
        returned = true;
    });
    const bool inTime = waitFor([&] { return returned.load(); }, kHanging);
    while (!returned) {
        release();
        std::this_thread::sleep_for(1ms);
    }
    caller.join();
    return inTime;
}

// The two ways lines reach a pipe: a FIFO named as the file, and the standard
// output (`-o -`).
struct PipeCase {
    const char* name;
    bool standardOutput;
};
const PipeCase kPipeCases[] = {{"a FIFO", false}, {"the standard output", true}};

// A writer whose lines go to a pipe, with the pipe's reading end.
class PipeWriter {
public:
    explicit PipeWriter(const PipeCase& c) {
        if (c.standardOutput) {
            int ends[2] = {-1, -1};
            ok_ = ::pipe(ends) == 0;
            reader_ = ends[0];
            ::fcntl(reader_, F_SETFL, O_NONBLOCK);
            redirect_ = std::make_unique<StandardOutputOnto>(ends[1]);
            ::close(ends[1]);
            writer_ = std::make_unique<LogWriter>(std::make_unique<StdoutLogSink>());
            target_ = QStringLiteral("-");
        } else {
            fifo_ = std::make_unique<Fifo>();
            reader_ = fifo_->openReader();
            ok_ = fifo_->created() && reader_ >= 0;
            writer_ = std::make_unique<LogWriter>();
            target_ = fifo_->path();
        }
    }
    ~PipeWriter() {
        writer_.reset();
        redirect_.reset();
        closeReader();
    }
    bool ok() const { return ok_; }
    LogWriter& writer() { return *writer_; }
    int reader() const { return reader_; }
    void start() { writer_->start(target_); }
    void closeReader() {
        if (reader_ >= 0) {
            ::close(reader_);
            reader_ = -1;
        }
    }
    // Gives back the standard output before the findings are told.
    void restoreStandardOutput() { redirect_.reset(); }

private:
    std::unique_ptr<Fifo> fifo_;
    std::unique_ptr<StandardOutputOnto> redirect_;
    std::unique_ptr<LogWriter> writer_;
    QString target_;
    int reader_ = -1;
    bool ok_ = false;
};

// The writer syncs about once a second; a FIFO must stay open through it,
// or its reader sees the end of the file and the lines after it go nowhere.
TEST(PipeOutputTest, EveryLineReachesAFifosReaderInOrderAcrossSyncs) {
    const IgnoredSigpipe ignored;
    Fifo fifo;
    ASSERT_TRUE(fifo.created());
    const int readEnd = fifo.openReader();
    ASSERT_GE(readEnd, 0);
    std::string expected;
    constexpr int kLines = 3000;  // 3 s at 1 kHz: about three syncs
    LogWriter writer;
    {
        const PipeReader reader(readEnd);
        writer.start(fifo.path());
        const auto begin = Clock::now();
        for (int i = 0; i < kLines; ++i) {
            std::this_thread::sleep_until(begin + i * 1ms);
            const std::string line = makeLine(i, 100);
            expected += line;
            ASSERT_TRUE(writer.submit(line));
        }
        writer.stop();
        EXPECT_TRUE(waitFor([&] { return reader.writerGone(); }));

        const std::string got = reader.data();
        EXPECT_EQ(reader.beforeFirstEnd(), expected.size())
            << "the reader's file ended after " << reader.beforeFirstEnd() / 100 << " of " << kLines
            << " lines";
        EXPECT_TRUE(got == expected) << got.size() / 100 << " lines read of " << kLines;
    }
    ::close(readEnd);
    EXPECT_EQ(writer.linesWritten(), std::uint64_t{kLines});
    EXPECT_EQ(writer.failedLines(), 0u);
}

// Opening a FIFO for writing waits for a reader unless told not to; with no
// reader the line fails at once, and a later line finds the reader.
TEST(PipeOutputTest, AFifoWithoutAReaderFailsAtOnceAndIsWrittenOnceOneComes) {
    Fifo fifo;
    ASSERT_TRUE(fifo.created());
    MeasurementLog log;
    MeasurementLog::Result first = MeasurementLog::Result::Written;
    int releasing = -1;
    const bool inTime = returnsInTime([&] { first = log.append(fifo.path(), "1;\r\n"); },
                                      [&] {
                                          if (releasing < 0) {
                                              releasing = fifo.openReader();
                                          }
                                      });
    if (releasing >= 0) {
        ::close(releasing);
    }
    ASSERT_TRUE(inTime) << "the open waited for a reader";
    EXPECT_EQ(first, MeasurementLog::Result::Failed);
    EXPECT_EQ(log.lastErrorCode(), ENXIO);
    EXPECT_FALSE(log.lastError().isEmpty());
    EXPECT_FALSE(log.isOpen());

    const int readEnd = fifo.openReader();
    ASSERT_GE(readEnd, 0);
    EXPECT_EQ(log.append(fifo.path(), "2;\r\n"), MeasurementLog::Result::Written);
    log.requestClose();
    EXPECT_EQ(log.append(fifo.path(), "3;\r\n"), MeasurementLog::Result::Written);
    EXPECT_TRUE(log.isOpen()) << "a close request closed the FIFO";
    EXPECT_EQ(readAvailable(readEnd), "2;\r\n3;\r\n");
    log.close();
    ::close(readEnd);
}

// A reader that never reads fills the pipe; the writer gives up on a line
// after a while and stops waiting, so that a stop ends soon. What did go in
// is whole lines, in order.
TEST(PipeOutputTest, AReaderThatNeverReadsHoldsUpAStopOnlyBriefly) {
    constexpr int kLines = 2000;
    constexpr std::size_t kLength = 250;  // 500 KB: far more than a pipe holds
    for (const PipeCase& c : kPipeCases) {
        SCOPED_TRACE(c.name);
        const IgnoredSigpipe ignored;
        PipeWriter w(c);
        ASSERT_TRUE(w.ok());
        w.start();
        for (int i = 0; i < kLines; ++i) {
            ASSERT_TRUE(w.writer().submit(makeLine(i, kLength)));
        }
        std::string read;
        // Reading lets a writer that waits for good go on.
        const bool inTime =
            returnsInTime([&] { w.writer().stop(); }, [&] { read += readAvailable(w.reader()); });
        read += readAvailable(w.reader());
        w.restoreStandardOutput();

        EXPECT_TRUE(inTime) << "stop() waited for the reader";
        const LogWriter::Status s = w.writer().status();
        EXPECT_EQ(s.linesWritten + s.linesFailed, std::uint64_t{kLines});
        EXPECT_GT(s.linesFailed, 0u);
        EXPECT_EQ(s.errorCode, EAGAIN);
        EXPECT_TRUE(read == firstLines(static_cast<int>(s.linesWritten), kLength))
            << read.size() << " bytes read for " << s.linesWritten << " lines written";
    }
}

// A reader that goes away fails the next lines with EPIPE, which the
// recorder takes as the end of the recording.
TEST(PipeOutputTest, AReaderThatWentAwayIsReportedAsABrokenPipe) {
    for (const PipeCase& c : kPipeCases) {
        SCOPED_TRACE(c.name);
        const IgnoredSigpipe ignored;
        PipeWriter w(c);
        ASSERT_TRUE(w.ok());
        w.start();
        const std::string line = makeLine(0, 24);
        bool firstWritten =
            w.writer().submit(line) && waitFor([&] { return w.writer().linesWritten() == 1; });
        std::string read;
        firstWritten = firstWritten && waitFor([&] {
                           read += readAvailable(w.reader());
                           return read.size() >= line.size();
                       });
        w.closeReader();
        bool secondFailed = w.writer().submit(makeLine(1, 24)) &&
                            waitFor([&] { return w.writer().failedLines() == 1; });
        const LogWriter::Status first = w.writer().status();
        secondFailed = secondFailed && w.writer().submit(makeLine(2, 24)) &&
                       waitFor([&] { return w.writer().failedLines() == 2; });
        const LogWriter::Status s = w.writer().status();
        w.writer().stop();
        w.restoreStandardOutput();

        EXPECT_TRUE(firstWritten);
        EXPECT_EQ(read, line);
        EXPECT_TRUE(secondFailed);
        EXPECT_EQ(first.errorCode, EPIPE);
        EXPECT_TRUE(s.failing);
        EXPECT_EQ(s.errorCode, EPIPE);
        EXPECT_FALSE(s.error.isEmpty());
    }
}

// The window keeps SIGPIPE's default, which ends a program: a FIFO's reader
// that leaves must cost it lines, told as a broken pipe, and nothing more.
TEST(PipeOutputDeathTest, AReaderThatWentAwayEndsNoProgramThatKeepsTheSignal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGPIPE, SIG_DFL);
            const Fifo fifo;
            const int reader = fifo.openReader();
            MeasurementLog log;
            const bool firstWritten =
                log.append(fifo.path(), makeLine(0, 24)) == MeasurementLog::Result::Written;
            ::close(reader);
            const bool secondFailed =
                log.append(fifo.path(), makeLine(1, 24)) == MeasurementLog::Result::Failed;
            std::fprintf(stderr, "written %d, failed %d, cause %d\n", firstWritten, secondFailed,
                         log.lastErrorCode());
            std::_Exit(firstWritten && secondFailed && log.lastErrorCode() == EPIPE ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "written 1, failed 1, cause 32");
}

// A line longer than the pipe holds goes in pieces; when the reader takes
// only a part, nothing may follow that half line, not even a line that fits.
TEST(PipeOutputTest, AHalfLineInAPipeEndsTheStream) {
    const IgnoredSigpipe ignored;
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(ends), 0);
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    const std::string longLine = makeLine(0, 1 << 20);
    LogSink::Result longResult = LogSink::Result::Written;
    LogSink::Result nextResult = LogSink::Result::Written;
    int longCode = 0;
    int nextCode = 0;
    std::string part;
    std::string afterPart;
    bool inTime = false;
    {
        StandardOutputOnto redirect(ends[1]);
        StdoutLogSink sink;
        inTime = returnsInTime(
            [&] {
                longResult = sink.append(QString(), longLine);
                longCode = sink.lastErrorCode();
            },
            [&] { part += readAvailable(ends[0]); });
        part += readAvailable(ends[0]);
        // The pipe has room again, yet the next line stays out of it.
        nextResult = sink.append(QString(), "1;\r\n");
        nextCode = sink.lastErrorCode();
        afterPart = readAvailable(ends[0]);
    }
    ::close(ends[0]);
    ::close(ends[1]);

    EXPECT_TRUE(inTime) << "the line waited for the reader";
    EXPECT_EQ(longResult, LogSink::Result::Failed);
    EXPECT_EQ(longCode, EAGAIN);
    EXPECT_FALSE(part.empty());
    EXPECT_LT(part.size(), longLine.size());
    EXPECT_TRUE(longLine.compare(0, part.size(), part) == 0);
    EXPECT_EQ(nextResult, LogSink::Result::Failed);
    EXPECT_EQ(nextCode, EAGAIN);
    EXPECT_EQ(afterPart, "");
}

}  // namespace
}  // namespace voltrix
