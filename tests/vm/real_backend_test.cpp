// SPDX-License-Identifier: GPL-3.0-or-later
// The real HID backend (hidapi on hidraw, udev's monitor) and the device
// controller against voltrix-virtual-module running as a kernel HID device.
//
// Needs a kernel with uhid, write access to /dev/uhid, a running udev daemon
// that gives the test's user the module's hidraw node, and an ordinary user
// (root opens any node, whatever its permissions). scripts/vm-test boots a
// guest with all of that; CTest does not run this program.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "device/device_controller.h"
#include "device/hidapi_backend.h"
#include "device/virtual/virtual_module.h"
#include "engine/parameters/parameters.h"
#include "engine/protocol/measurement.h"
#include "engine/protocol/report_framing.h"

namespace voltrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Generous: the guest runs under software emulation.
constexpr int kWaitMs = 20000;
constexpr std::size_t kReportLength = VirtualModule::kReportLength;
constexpr std::uint8_t kMeasurementType = 0;
constexpr std::uint8_t kParameterReportType = 1;
constexpr std::uint8_t kWriteAcknowledgementType = 2;

QString recorderPath() {
    const QString fromEnvironment = qEnvironmentVariable("VOLTRIX_RECORD");
    return fromEnvironment.isEmpty() ? QStringLiteral(VOLTRIX_RECORD_PATH) : fromEnvironment;
}

QString modulePath() {
    const QString fromEnvironment = qEnvironmentVariable("VOLTRIX_VIRTUAL_MODULE");
    return fromEnvironment.isEmpty() ? QStringLiteral(VOLTRIX_VIRTUAL_MODULE_PATH)
                                     : fromEnvironment;
}

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, kWaitMs);
}

// "01 AB ..." back into bytes.
Bytes parseHex(const QByteArray& text) {
    Bytes bytes;
    for (const QByteArray& pair : text.simplified().split(' ')) {
        bool ok = false;
        const uint value = pair.toUInt(&ok, 16);
        if (!ok || value > 0xFF) {
            ADD_FAILURE() << "not a byte in the echo log: " << pair.toStdString();
            return {};
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

// voltrix-virtual-module as a child process; its echo of the output reports
// goes to a file, its messages to this program's standard error.
class ModuleProcess {
public:
    explicit ModuleProcess(const QStringList& arguments = {}, int intervalMs = 10) {
        process_.setProgram(modulePath());
        process_.setArguments(
            QStringList{"--echo", "--interval", QString::number(intervalMs)} + arguments);
        process_.setStandardOutputFile(echoLogPath());
        process_.setStandardErrorFile(messagesPath());
        process_.start();
        started_ = process_.waitForStarted(kWaitMs);
    }

    ~ModuleProcess() { stop(); }

    bool started() const { return started_; }

    // SIGTERM, as Ctrl-C would; true when the module then unplugged and
    // ended by itself with exit code 0.
    bool stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(kWaitMs)) {
                process_.kill();
                process_.waitForFinished(kWaitMs);
                return false;
            }
            // Its messages, as if it had written them to the console itself.
            std::cerr << messages().toStdString();
        }
        return started_ && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }

    // What the module said on standard error.
    QString messages() const {
        QFile file(messagesPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // The measurement reports it sent, as it says when it has ended.
    std::optional<std::uint64_t> sentReports() const {
        const QString text = messages();
        const qsizetype at = text.indexOf(QStringLiteral("unplugged after "));
        if (at < 0) {
            return std::nullopt;
        }
        bool ok = false;
        const std::uint64_t sent =
            text.mid(at + 16).section(QLatin1Char(' '), 0, 0).toULongLong(&ok);
        return ok ? std::optional<std::uint64_t>(sent) : std::nullopt;
    }

    // The output reports the module received so far, in order.
    std::vector<Bytes> echoedOutputs() const {
        QFile log(echoLogPath());
        std::vector<Bytes> reports;
        if (!log.open(QIODevice::ReadOnly)) {
            return reports;
        }
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (line.startsWith("output ")) {
                reports.push_back(parseHex(line.mid(7)));
            }
        }
        return reports;
    }

private:
    QString echoLogPath() const { return logDir_.filePath("echo.log"); }
    QString messagesPath() const { return logDir_.filePath("messages.log"); }

    QTemporaryDir logDir_;
    QProcess process_;
    bool started_ = false;
};

bool isModule(const HidDeviceInfo& info) {
    return info.productString == "VOLTRIX";
}

// The module as the backend lists it, once udev has given the test access to
// its node (the kernel makes the node first, udev then applies its rules).
std::optional<HidDeviceInfo> waitForModule(HidBackend& backend) {
    std::optional<HidDeviceInfo> found;
    waitFor([&] {
        for (const HidDeviceInfo& info : backend.enumerate()) {
            if (isModule(info) && info.readWriteAccess) {
                found = info;
                return true;
            }
        }
        return false;
    });
    return found;
}

// Waits until the controller lists the module and lends it out.
HidDevice* waitAndCheckOut(DeviceController& controller, bool needAccess = true) {
    int index = -1;
    waitFor([&] {
        controller.enumerate([&](HidDevice& device, int i) {
            if (isModule(device.info()) && (device.info().readWriteAccess || !needAccess)) {
                index = i;
                return false;
            }
            return true;
        });
        return index >= 0;
    });
    return index >= 0 ? controller.checkOut(index) : nullptr;
}

// The payload of a report, report ID removed, as the program keeps it.
LastReport payloadOf(std::span<const std::uint8_t> data) {
    LastReport kept{};
    std::copy_n(data.begin(), std::min(data.size(), kept.size()), kept.begin());
    return kept;
}

struct Received {
    std::uint8_t reportId = 0;
    Bytes data;
};

class RealBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::access("/dev/uhid", R_OK | W_OK), 0)
            << "needs a kernel with uhid and access to /dev/uhid (" << std::strerror(errno)
            << "); scripts/vm-test boots one";
    }

    // A data handler that keeps every report.
    HidDevice::DataHandler collectInto(std::vector<Received>& received) {
        return [&received](HidDevice&, std::uint8_t reportId, std::span<const std::uint8_t> data) {
            received.push_back({reportId, Bytes(data.begin(), data.end())});
        };
    }
};

TEST_F(RealBackendTest, ListsTheModuleWithItsIdentityAndReportLengths) {
    ModuleProcess module({"--vendor-id", "1234", "--product-id", "00AB"});
    ASSERT_TRUE(module.started()) << modulePath().toStdString();
    HidapiBackend backend;
    const std::optional<HidDeviceInfo> info = waitForModule(backend);
    ASSERT_TRUE(info) << "no VOLTRIX with access listed";
    EXPECT_EQ(info->vendorId, 0x1234);
    EXPECT_EQ(info->productId, 0x00AB);
    EXPECT_EQ(info->inputReportLength, kReportLength);
    EXPECT_EQ(info->outputReportLength, kReportLength);
    EXPECT_EQ(info->path.rfind("/dev/hidraw", 0), 0u) << info->path;
}

TEST_F(RealBackendTest, AnswersAReadRequestForTheFirmwareVersion) {
    ModuleProcess module;
    ASSERT_TRUE(module.started());
    HidapiBackend backend;
    const std::optional<HidDeviceInfo> info = waitForModule(backend);
    ASSERT_TRUE(info);
    const std::unique_ptr<HidConnection> connection = backend.open(info->path);
    ASSERT_TRUE(connection);

    const CommandPayload request = readRequest(ParamId::FirmwareVersion, 0);
    ASSERT_TRUE(connection->write(
        FrameOutputReport(request.kind, request.view(), info->outputReportLength)));

    // Measurement reports stream meanwhile; the answer is the parameter report.
    std::optional<LastReport> answer;
    Bytes buffer(info->inputReportLength);
    QElapsedTimer clock;
    clock.start();
    while (!answer && clock.elapsed() < kWaitMs) {
        const int n = connection->read(buffer, 100);
        ASSERT_GE(n, 0);
        if (n > 3 && buffer[0] == VirtualModule::kReportId && buffer[1] == kParameterReportType &&
            buffer[2] == static_cast<std::uint8_t>(ParamId::FirmwareVersion)) {
            answer = payloadOf(std::span(buffer).subspan(1, n - 1));
        }
    }
    ASSERT_TRUE(answer) << "no answer to the read request";
    EXPECT_EQ(decodeFirmwareVersion(*answer), "1.02");
}

TEST_F(RealBackendTest, StreamsMeasurementsInOrderWithTheReportIdSplitOff) {
    ModuleProcess module;
    ASSERT_TRUE(module.started());
    HidapiBackend backend;
    DeviceController controller(backend);
    controller.start();
    HidDevice* device = waitAndCheckOut(controller);
    ASSERT_TRUE(device);
    std::vector<Received> received;
    device->setDataHandler(collectInto(received));
    ASSERT_TRUE(device->reading());

    ASSERT_TRUE(waitFor([&] { return received.size() >= 40; })) << received.size();
    controller.release(device);

    // Encoder 1 moves by exactly one unit per report: a lost or reordered
    // report shows as a step other than 1.
    std::optional<float> previous;
    for (std::size_t i = 0; i < received.size(); ++i) {
        const Received& report = received[i];
        ASSERT_EQ(report.reportId, VirtualModule::kReportId) << i;
        ASSERT_EQ(report.data.size(), kReportLength - 1) << i;
        ASSERT_EQ(report.data[0], kMeasurementType) << i;
        Measurement measurement;
        DecodeMeasurement(payloadOf(report.data), measurement);
        if (previous) {
            ASSERT_EQ(measurement.enc[0].position, *previous + 1.0f) << "report " << i;
        }
        previous = measurement.enc[0].position;
    }
}

TEST_F(RealBackendTest, WritesOfEveryCommandKindReachTheModuleByteExact) {
    ModuleProcess module;
    ASSERT_TRUE(module.started());
    HidapiBackend backend;
    DeviceController controller(backend);
    controller.start();
    HidDevice* device = waitAndCheckOut(controller);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->outputReportLength(), kReportLength);
    std::vector<Received> received;
    device->setDataHandler(collectInto(received));

    const std::vector<CommandPayload> commands = {
        readRequest(ParamId::Temperature, 0),
        writeSelection(ParamId::AdcMode, 2, 1),
        writeInteger(ParamId::TriggerFilter, 0, -123456),
        writeReal(ParamId::AdcCoeff, 3, -2.5f),
        writeModbusAddress(246),
        writeEncClear(1),
        writeOutputRule(5, OutputRule{.source = 13,
                                      .compare1 = 1,
                                      .compare2 = 0,
                                      .logic = 2,
                                      .state = 1,
                                      .value1 = 1.5f,
                                      .value2 = -7.25e-3f}),
    };
    std::vector<Bytes> sent;
    for (const CommandPayload& command : commands) {
        sent.push_back(FrameOutputReport(command.kind, command.view(), kReportLength));
        EXPECT_TRUE(device->writeOutputReport(sent.back()));
    }

    ASSERT_TRUE(waitFor([&] { return module.echoedOutputs().size() >= sent.size(); }));
    EXPECT_EQ(module.echoedOutputs(), sent);

    // Each command comes back answered, in order: the parameter report for
    // the request, an acknowledgement for each write.
    std::vector<Bytes> answers;
    ASSERT_TRUE(waitFor([&] {
        answers.clear();
        for (const Received& report : received) {
            if (report.data[0] != kMeasurementType) {
                answers.push_back(report.data);
            }
        }
        return answers.size() >= commands.size();
    }));
    controller.release(device);
    ASSERT_EQ(answers.size(), commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::uint8_t type = commands[i].kind == CommandKind::ReadRequest
                                      ? kParameterReportType
                                      : kWriteAcknowledgementType;
        EXPECT_EQ(answers[i][0], type) << i;
        EXPECT_EQ(answers[i][1], commands[i].bytes[0]) << i;  // ParamId
        EXPECT_EQ(answers[i][2], commands[i].bytes[1]) << i;  // channel
    }
}

TEST_F(RealBackendTest, UdevReportsUnplugAndReplugAndTheReaderFollows) {
    auto module = std::make_unique<ModuleProcess>();
    ASSERT_TRUE(module->started());
    HidapiBackend backend;
    DeviceController controller(backend);
    controller.start();
    // Only udev's monitor lists the devices again: no polling hides a miss.
    ASSERT_EQ(backend.changeWatch(), HidapiBackend::ChangeWatch::SystemMonitor);
    HidDevice* device = waitAndCheckOut(controller);
    ASSERT_TRUE(device);
    std::vector<Received> before;
    device->setDataHandler(collectInto(before));
    ASSERT_TRUE(waitFor([&] { return before.size() >= 5; }));

    QSignalSpy changes(&controller, &DeviceController::deviceChange);
    ASSERT_TRUE(module->stop()) << "the module did not unplug and end cleanly";
    ASSERT_TRUE(waitFor([&] { return !device->pluggedIn(); }));
    EXPECT_GE(changes.count(), 1);
    EXPECT_FALSE(device->reading());
    int listed = 0;
    controller.enumerate([&](HidDevice& other, int) {
        listed += isModule(other.info()) ? 1 : 0;
        return true;
    });
    EXPECT_EQ(listed, 0);
    controller.release(device);

    changes.clear();
    module = std::make_unique<ModuleProcess>();
    ASSERT_TRUE(module->started());
    HidDevice* again = waitAndCheckOut(controller);
    ASSERT_TRUE(again) << "the replugged module was not listed";
    EXPECT_GE(changes.count(), 1);
    std::vector<Received> after;
    again->setDataHandler(collectInto(after));
    EXPECT_TRUE(again->reading());
    EXPECT_TRUE(waitFor([&] { return after.size() >= 5; }));
    controller.release(again);
}

// Unplugged and plugged back between two polls, the module usually gets the
// same node again, so the listing looks unchanged; the failed read of the
// old connection must still lead to a new one.
TEST_F(RealBackendTest, WithoutUdevAQuickReplugIsConnectedAgain) {
    auto module = std::make_unique<ModuleProcess>();
    ASSERT_TRUE(module->started());
    HidapiBackend backend({.useSystemMonitor = false});
    DeviceController controller(backend);
    controller.start();
    ASSERT_EQ(backend.changeWatch(), HidapiBackend::ChangeWatch::Polling);
    HidDevice* device = waitAndCheckOut(controller);
    ASSERT_TRUE(device);
    std::vector<Received> before;
    device->setDataHandler(collectInto(before));
    ASSERT_TRUE(waitFor([&] { return before.size() >= 5; }));
    const std::string oldPath = device->info().path;

    ASSERT_TRUE(module->stop());
    module = std::make_unique<ModuleProcess>();
    ASSERT_TRUE(module->started());
    QElapsedTimer sinceReplug;
    sinceReplug.start();
    ASSERT_TRUE(waitFor([&] { return device->failed() || !device->pluggedIn(); }));
    controller.release(device);

    // As the window does on every device change: take the module and read;
    // a node that turns out dead is handed back and taken again later.
    std::vector<Received> after;
    HidDevice* again = nullptr;
    waitFor([&] {
        controller.enumerate([&](HidDevice& listed, int index) {
            if (isModule(listed.info()) && listed.info().readWriteAccess) {
                again = controller.checkOut(index);
                return false;
            }
            return true;
        });
        if (again == nullptr) {
            return false;
        }
        again->setDataHandler(collectInto(after));
        if (!again->reading()) {
            controller.release(again);
            again = nullptr;
        }
        return again != nullptr;
    });
    ASSERT_TRUE(again) << "the replugged module was not connected";
    EXPECT_TRUE(waitFor([&] { return !after.empty(); }));
    std::cout << "reconnected and reading " << sinceReplug.elapsed()
              << " ms after the replug (old node " << oldPath << ", new node " << again->info().path
              << ")" << std::endl;
    controller.release(again);
}

TEST_F(RealBackendTest, ANodeWithoutReadWriteAccessIsListedButNotConnected) {
    ASSERT_NE(::geteuid(), 0u) << "run as an ordinary user: root opens any node";
    ModuleProcess module;
    ASSERT_TRUE(module.started());
    HidapiBackend backend;
    const std::optional<HidDeviceInfo> info = waitForModule(backend);
    ASSERT_TRUE(info);
    ASSERT_EQ(::chmod(info->path.c_str(), 0), 0) << std::strerror(errno);

    DeviceController controller(backend);
    controller.start();
    HidDevice* device = waitAndCheckOut(controller, false);
    ASSERT_TRUE(device);
    EXPECT_FALSE(device->info().readWriteAccess);
    EXPECT_EQ(device->info().vendorId, info->vendorId);
    EXPECT_EQ(device->info().inputReportLength, kReportLength);

    std::vector<Received> received;
    device->setDataHandler(collectInto(received));
    EXPECT_FALSE(device->reading());
    const CommandPayload request = readRequest(ParamId::FirmwareVersion, 0);
    EXPECT_FALSE(
        device->writeOutputReport(FrameOutputReport(request.kind, request.view(), kReportLength)));
    EXPECT_EQ(backend.open(info->path), nullptr);
    controller.release(device);
    EXPECT_TRUE(module.echoedOutputs().empty());
}

// The whole path on a kernel device: voltrix-record against the module
// streaming at 1 kHz, unplugged and plugged back in the middle. The module
// streams only while its node is open, so every report it sent must be in
// the file once, in order: its encoder 1 counts the reports from 0 in each
// run of the module.
TEST_F(RealBackendTest, TheRecorderLogsEveryReportSentAcrossAReplug) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("config.ini");
    {
        QFile file(settings);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Options]\nPoint=0\n");  // every column, whole numbers
    }
    const QString path = dir.filePath("recorded.csv");
    const auto linesInFile = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    };

    auto module = std::make_unique<ModuleProcess>(QStringList{}, 1);
    ASSERT_TRUE(module->started());
    QProcess recorder;
    recorder.setProcessChannelMode(QProcess::ForwardedChannels);
    // The guest's /tmp is a RAM disk far smaller than the free space the
    // recorder asks for by default.
    recorder.start(recorderPath(),
                   {"--config", settings, "--output", path, "--wait", "60", "--min-free", "0"});
    ASSERT_TRUE(recorder.waitForStarted(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return linesInFile() > 0; }, 60000));
    QTest::qWait(5000);
    ASSERT_TRUE(module->stop());
    const std::optional<std::uint64_t> first = module->sentReports();
    ASSERT_TRUE(first);

    QTest::qWait(1000);
    module = std::make_unique<ModuleProcess>(QStringList{}, 1);
    ASSERT_TRUE(module->started());
    const qsizetype beforeReplug = linesInFile();
    ASSERT_TRUE(QTest::qWaitFor([&] { return linesInFile() > beforeReplug; }, 60000));
    QTest::qWait(5000);
    ASSERT_TRUE(module->stop());
    const std::optional<std::uint64_t> second = module->sentReports();
    ASSERT_TRUE(second);
    QTest::qWait(500);  // the last reports reach the file
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(kWaitMs));
    EXPECT_EQ(recorder.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(recorder.exitCode(), 0);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    ASSERT_TRUE(contents.endsWith("\r\n"));
    // Runs of encoder positions 0, 1, 2, ... one run for each plug-in.
    std::vector<std::uint64_t> runs;
    std::uint64_t expected = 0;
    for (const QByteArray& line : contents.chopped(2).split('\n')) {
        const QList<QByteArray> columns = line.split(';');
        ASSERT_EQ(columns.size(), 25) << line.toStdString();
        const std::uint64_t position = columns[12].toULongLong();
        if (position == 0) {
            runs.push_back(0);
            expected = 0;
        }
        ASSERT_FALSE(runs.empty()) << "the file starts at position " << position;
        ASSERT_EQ(position, expected) << "a report lost or repeated before this line: "
                                      << line.toStdString();
        ++runs.back();
        ++expected;
    }
    std::cout << "recorder: module sent " << *first << " and " << *second
              << " reports; the file holds runs of";
    for (const std::uint64_t run : runs) {
        std::cout << " " << run;
    }
    std::cout << " lines" << std::endl;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], *first);
    EXPECT_EQ(runs[1], *second);
    EXPECT_GE(*first + *second, 10000u * 9 / 10) << "not 1 kHz for 10 s";
}

}  // namespace
}  // namespace voltrix
