// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QThread>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/logging/log_line.h"
#include "engine/parameters/parameters.h"
#include "engine/protocol/measurement.h"
#include "measurement_report.h"
#include "session/device_link.h"
#include "session/measurement_session.h"
#include "session/session_thread.h"
#include "wait_for.h"

namespace voltrix {
namespace {

template <typename Condition>
bool waitFor(Condition done, qint64 timeoutMs = 10000) {
    return testing::waitFor(done, timeoutMs);
}

QList<QByteArray> fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast();  // what follows the last line break
    return lines;
}

LogLineSettings everyColumn() {
    LogLineSettings settings;
    settings.columns.set();
    settings.decimals = 2;
    settings.modDivisor = 7;
    return settings;
}

class MeasurementSessionTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    VirtualHidBackend bus_;
};

// With no window at all, as a recorder runs it: the session on its own
// thread, commanded and heard from another one.
TEST_F(MeasurementSessionTest, OnItsOwnThreadItLogsEveryReportAndTellsItsListeners) {
    const std::string module = bus_.plugModule();
    const QString path = dir_.filePath(QStringLiteral("headless.csv"));
    MeasurementSession session(bus_);
    QObject listener;  // on the test's thread
    QStringList listed;
    bool connectedOnListing = false;
    std::vector<std::uint8_t> parameterIds;
    bool heardOnOwnThread = true;
    QObject::connect(&session, &MeasurementSession::devicesListed, &listener,
                     [&](const QStringList& names, bool connected) {
                         listed = names;
                         connectedOnListing = connected;
                     });
    QObject::connect(&session, &MeasurementSession::parameterReport, &listener,
                     [&](const LastReport& report) {
                         heardOnOwnThread =
                             heardOnOwnThread && QThread::currentThread() == listener.thread();
                         parameterIds.push_back(report[kParamReportIdByte]);
                     });

    SessionThread thread(session);
    session.setLogLineSettings(everyColumn());
    session.startLogging(path);
    ASSERT_TRUE(waitFor([&] { return session.logStatus().linesWritten > 500; }));
    session.stopLogging();
    ASSERT_TRUE(waitFor([&] { return !session.loggingOn(); }));

    EXPECT_EQ(listed, QStringList{QStringLiteral("VOLTRIX")});
    EXPECT_TRUE(connectedOnListing);
    EXPECT_TRUE(session.connected());
    // The module answered the firmware request the link sent on connecting.
    ASSERT_TRUE(waitFor([&] { return !parameterIds.empty(); }));
    EXPECT_EQ(parameterIds.front(), static_cast<std::uint8_t>(ParamId::FirmwareVersion));
    EXPECT_TRUE(heardOnOwnThread);

    const QList<QByteArray> lines = fileLines(path);
    ASSERT_EQ(static_cast<std::uint64_t>(lines.size()), session.logStatus().linesWritten);
    qint64 previousCounter = -1;
    for (const QByteArray& line : lines) {
        ASSERT_TRUE(line.endsWith(";\r")) << line.toStdString();
        const QList<QByteArray> columns = line.chopped(2).split(';');
        ASSERT_EQ(columns.size(), 24);
        const qint64 counter = columns[2].toLongLong();
        if (previousCounter >= 0) {
            ASSERT_EQ(counter, previousCounter + 1);
        }
        EXPECT_EQ(columns[3].toLongLong(), counter % 7);
        previousCounter = counter;
    }
    EXPECT_GE(session.snapshot().measurementCount, static_cast<std::uint32_t>(previousCounter + 1));
    EXPECT_EQ(session.droppedReports(), 0u);
    EXPECT_EQ(bus_.droppedReports(module), 0u);
}

// A file that cannot be written is told once when it starts failing and
// once when it recovers; a run that has ended tells nothing more.
TEST_F(MeasurementSessionTest, WriteFailuresAreToldForTheCurrentRunOnly) {
    const QString folder = dir_.filePath(QStringLiteral("later"));
    const QString path = folder + QStringLiteral("/log.csv");
    MeasurementSession session(bus_);  // on this thread
    std::vector<LogWriter::Status> told;
    QObject::connect(&session, &MeasurementSession::logStatusChanged,
                     [&](const LogWriter::Status& status) { told.push_back(status); });
    session.setLogLineSettings(everyColumn());

    session.startLogging(path);
    session.ReportReceived(testing::measurementReport(1.0f, 0));
    ASSERT_TRUE(session.waitUntilLogged(std::chrono::seconds(10)));
    ASSERT_TRUE(waitFor([&] { return told.size() == 1; }));
    EXPECT_TRUE(told[0].failing);
    EXPECT_EQ(told[0].errorCode, ENOENT);

    ASSERT_TRUE(QDir().mkpath(folder));
    session.ReportReceived(testing::measurementReport(1.0f, 0));
    ASSERT_TRUE(waitFor([&] { return told.size() == 2; }));
    EXPECT_FALSE(told[1].failing);

    // A new run fails, and ends before the news arrives; the news must not
    // reach the run after it, which writes well.
    session.stopLogging();
    session.startLogging(dir_.filePath(QStringLiteral("missing/log.csv")));
    session.ReportReceived(testing::measurementReport(1.0f, 0));
    ASSERT_TRUE(session.waitUntilLogged(std::chrono::seconds(10)));
    session.stopLogging();
    session.startLogging(dir_.filePath(QStringLiteral("good.csv")));
    QCoreApplication::processEvents();
    EXPECT_EQ(told.size(), 2u);
}

// The file holds exactly the lines the line builder makes, report after
// report, with the counter running over reports of other types: the session
// adds, drops and reorders nothing.
TEST_F(MeasurementSessionTest, TheFileIsTheLineBuildersLinesByteForByte) {
    const QString path = dir_.filePath(QStringLiteral("exact.csv"));
    const ClockReading clock{2026, 12, 10, 23, 59, 58, 999};
    SessionOptions options;
    options.clock = [clock] { return clock; };
    MeasurementSession session(bus_, options);
    LogLineSettings settings = everyColumn();
    settings.decimalSeparator = ",";
    session.setLogLineSettings(settings);
    session.startLogging(path);

    std::string expected;
    std::string line;
    Measurement measurement;
    std::uint32_t count = 0;
    for (int i = 0; i < 50; ++i) {
        const std::vector<std::uint8_t> report =
            testing::measurementReport(0.125f * i - 3.0f, static_cast<std::uint8_t>(i));
        session.ReportReceived(report);
        LastReport last{};
        std::copy(report.begin(), report.end(), last.begin());
        DecodeMeasurement(last, measurement);
        BuildLogLine(line, settings, clock, count++, measurement);
        expected += line;
        if (i % 10 == 0) {
            // A parameter report and an acknowledgement between them.
            session.ReportReceived(std::vector<std::uint8_t>{1, 27, 0, '1', '0', '2', 0});
            session.ReportReceived(std::vector<std::uint8_t>{2, 11, 1});
        }
    }
    session.stopLogging();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), expected);
}

}  // namespace
}  // namespace voltrix
