// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>

namespace voltrix {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A device's input queue as the kernel keeps it: bounded, new reports are
// dropped while it is full.
struct FakeLine {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Bytes> queue;
    std::size_t dropped = 0;
    std::vector<Bytes> written;
    bool unplugged = false;
    // Like hidraw: what was queued before an unplug is still read.
    bool keepsReportsPastUnplug = false;

    void push(Bytes report) {
        {
            std::lock_guard lock(mutex);
            if (queue.size() >= 64) {
                ++dropped;
                return;
            }
            queue.push_back(std::move(report));
        }
        arrived.notify_one();
    }
};

class FakeConnection : public HidConnection {
public:
    explicit FakeConnection(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}

    int read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        std::unique_lock lock(line_->mutex);
        if (!line_->arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return !line_->queue.empty() || line_->unplugged; })) {
            return 0;
        }
        if (line_->unplugged && (!line_->keepsReportsPastUnplug || line_->queue.empty())) {
            return -1;
        }
        Bytes report = std::move(line_->queue.front());
        line_->queue.pop_front();
        const std::size_t n = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), n, buffer.begin());
        return static_cast<int>(n);
    }

    bool write(std::span<const std::uint8_t> report) override {
        std::lock_guard lock(line_->mutex);
        line_->written.emplace_back(report.begin(), report.end());
        return !line_->unplugged;
    }

    bool keepsReportsPastUnplug() const override { return line_->keepsReportsPastUnplug; }

private:
    std::shared_ptr<FakeLine> line_;
};

class FakeBackend : public HidBackend {
public:
    std::vector<HidDeviceInfo> enumerate() override { return present; }

    std::unique_ptr<HidConnection> open(const std::string& path) override {
        ++opens;
        auto info = std::find_if(present.begin(), present.end(),
                                 [&](const HidDeviceInfo& i) { return i.path == path; });
        if (info == present.end() || !info->readWriteAccess || refused.contains(path)) {
            return nullptr;
        }
        return std::make_unique<FakeConnection>(line(path));
    }

    void watchDeviceChanges(std::function<void()> onChange) override {
        notify = std::move(onChange);
    }

    std::shared_ptr<FakeLine> line(const std::string& path) {
        auto& entry = lines[path];
        if (!entry) {
            entry = std::make_shared<FakeLine>();
        }
        return entry;
    }

    static HidDeviceInfo device(const char* path, const char* product, bool access = true) {
        HidDeviceInfo info;
        info.path = path;
        info.vendorId = 0x1234;
        info.productId = 0x0001;
        info.productString = QString::fromLatin1(product);
        info.inputReportLength = 65;
        info.outputReportLength = 65;
        info.readWriteAccess = access;
        return info;
    }

    std::vector<HidDeviceInfo> present;
    std::map<std::string, std::shared_ptr<FakeLine>> lines;
    std::set<std::string> refused;  // listed with access, but open() fails
    std::function<void()> notify;
    int opens = 0;
};

// Processes events until `done` holds or the time is up.
template <typename Condition>
bool waitFor(Condition done, std::chrono::milliseconds limit = 5000ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limit.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

struct Received {
    std::uint8_t reportId;
    Bytes data;
};

class DeviceControllerTest : public ::testing::Test {
protected:
    HidDevice::DataHandler recorder() {
        return [this](HidDevice&, std::uint8_t id, std::span<const std::uint8_t> data) {
            received.push_back({id, Bytes(data.begin(), data.end())});
        };
    }

    FakeBackend backend;
    DeviceController controller{backend};
    std::vector<Received> received;
};

TEST_F(DeviceControllerTest, ChangesAreReportedOnlyWhenTheListChanges) {
    QSignalSpy changes(&controller, &DeviceController::deviceChange);
    controller.start();
    ASSERT_TRUE(waitFor([&] { return changes.count() == 1; }));  // first listing, even empty

    backend.notify();
    EXPECT_EQ(changes.count(), 1);

    backend.present.push_back(FakeBackend::device("/dev/hidraw0", "VOLTRIX"));
    backend.notify();
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(controller.deviceCount(), 1u);

    backend.present.clear();
    backend.notify();
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(controller.deviceCount(), 0u);
}

// The backend may tell of a change from a thread other than the
// controller's (the virtual one tells on its creator's): the listing still
// runs on the controller's thread, where its devices live.
TEST(DeviceControllerThreads, ANoticeFromAnotherThreadIsListedOnTheControllersThread) {
    FakeBackend backend;
    QThread worker;
    worker.start();
    auto* controller = new DeviceController(backend);
    controller->moveToThread(&worker);
    std::atomic<QThread*> listedOn{nullptr};
    std::atomic<int> changes{0};
    QObject::connect(
        controller, &DeviceController::deviceChange, controller,
        [&] {
            listedOn = QThread::currentThread();
            ++changes;
        },
        Qt::DirectConnection);
    QMetaObject::invokeMethod(controller, [controller] { controller->start(); },
                              Qt::BlockingQueuedConnection);
    const auto waitForChanges = [&](int count) {
        for (int i = 0; i < 500 && changes < count; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return changes == count;
    };
    ASSERT_TRUE(waitForChanges(1));  // the first listing

    backend.present.push_back(FakeBackend::device("/dev/hidraw0", "VOLTRIX"));
    backend.notify();  // on this thread
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_EQ(listedOn.load(), &worker);

    QMetaObject::invokeMethod(controller, [controller] { delete controller; },
                              Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
}

TEST_F(DeviceControllerTest, DevicesAreLentOnceAndComeBackAsFreshObjects) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "USB Optical Mouse"),
                       FakeBackend::device("/dev/hidraw1", "VOLTRIX")};
    controller.relist();

    std::vector<QString> seen;
    EXPECT_EQ(controller.enumerate([&](HidDevice& device, int index) {
        seen.push_back(device.info().productString);
        return index < 5;
    }),
              2);
    EXPECT_THAT(seen, ::testing::ElementsAre(QStringLiteral("USB Optical Mouse"),
                                             QStringLiteral("VOLTRIX")));

    HidDevice* module = controller.checkOut(1);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(controller.checkOut(1), nullptr);
    EXPECT_EQ(controller.checkOut(2), nullptr);

    controller.release(module);
    HidDevice* again = controller.checkOut(1);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->info().productString, QStringLiteral("VOLTRIX"));
}

TEST_F(DeviceControllerTest, ReportsArriveInOrderWithTheirReportIdSplitOff) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);
    device->setDataHandler(recorder());
    ASSERT_TRUE(device->reading());

    auto line = backend.line("/dev/hidraw0");
    line->push({1, 0, 10});
    line->push({1, 2, 16, 5});
    line->push({7});

    ASSERT_TRUE(waitFor([&] { return received.size() == 3; }));
    EXPECT_EQ(received[0].reportId, 1);
    EXPECT_EQ(received[0].data, (Bytes{0, 10}));
    EXPECT_EQ(received[1].data, (Bytes{2, 16, 5}));
    EXPECT_EQ(received[2].reportId, 7);
    EXPECT_TRUE(received[2].data.empty());
    device->setDataHandler(nullptr);
}

TEST_F(DeviceControllerTest, WritesGoToTheDeviceReportIdFirst) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);

    CommandSender sender;
    sender.setDevice(device);
    sender.RequestParameter(27, 0);

    auto line = backend.line("/dev/hidraw0");
    ASSERT_EQ(line->written.size(), 1u);
    EXPECT_EQ(line->written[0].size(), 65u);
    EXPECT_THAT(Bytes(line->written[0].begin(), line->written[0].begin() + 4),
                ::testing::ElementsAre(1, 1, 27, 0));
}

TEST_F(DeviceControllerTest, ADeviceWithoutAccessGetsNoReaderAndTakesNoWrites) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX", false)};
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);

    device->setDataHandler(recorder());

    EXPECT_FALSE(device->reading());
    EXPECT_FALSE(device->writeOutputReport(Bytes(65, 0)));
    EXPECT_EQ(backend.opens, 0);
}

TEST_F(DeviceControllerTest, DetachingHandsOverWhatWasReadAndNothingAfter) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);
    device->setDataHandler(recorder());
    auto line = backend.line("/dev/hidraw0");
    for (std::uint8_t i = 0; i < 10; ++i) {
        line->push({1, 0, i});
    }
    // Let the reader take them from the line without handing them over yet.
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard lock(line->mutex);
        return line->queue.empty();
    }));
    std::this_thread::sleep_for(20ms);

    device->setDataHandler(nullptr);
    EXPECT_EQ(received.size(), 10u);

    line->push({1, 0, 99});
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(150ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 10u);
}

TEST_F(DeviceControllerTest, UnpluggedDevicesStayUntilReleased) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);
    device->setDataHandler(recorder());

    backend.present.clear();
    controller.relist();

    EXPECT_FALSE(device->pluggedIn());
    EXPECT_FALSE(device->reading());
    EXPECT_EQ(controller.deviceCount(), 1u);
    EXPECT_EQ(controller.enumerate([](HidDevice&, int) { return true; }), 0);
    controller.release(device);
    EXPECT_EQ(controller.deviceCount(), 0u);
}

// Unplugged and plugged back under the same path before any listing noticed:
// the listing looks the same, but the old handles are dead. The failed read
// counts as a change, and the device comes back as a fresh object that reads.
TEST_F(DeviceControllerTest, AFailedReadReplacesTheDeviceThoughTheListingLooksTheSame) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    QSignalSpy changes(&controller, &DeviceController::deviceChange);
    controller.start();
    ASSERT_TRUE(waitFor([&] { return changes.count() == 1; }));
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);
    device->setDataHandler(recorder());
    auto line = backend.line("/dev/hidraw0");
    line->push({1, 0, 1});
    ASSERT_TRUE(waitFor([&] { return received.size() == 1; }));

    {
        std::lock_guard lock(line->mutex);
        line->unplugged = true;
    }
    line->arrived.notify_all();
    backend.lines["/dev/hidraw0"] = std::make_shared<FakeLine>();  // the same node, new device

    ASSERT_TRUE(waitFor([&] { return changes.count() == 2; }));  // no notice from the backend
    EXPECT_TRUE(device->failed());
    EXPECT_EQ(controller.failureCount(), 1u);
    EXPECT_FALSE(device->pluggedIn());
    EXPECT_FALSE(device->writeOutputReport(Bytes(65, 0)));
    controller.release(device);
    ASSERT_EQ(controller.deviceCount(), 1u);

    HidDevice* fresh = controller.checkOut(0);
    ASSERT_NE(fresh, nullptr);
    fresh->setDataHandler(recorder());
    EXPECT_TRUE(fresh->reading());
    backend.line("/dev/hidraw0")->push({1, 0, 2});
    ASSERT_TRUE(waitFor([&] { return received.size() == 2; }));
    EXPECT_EQ(received[1].data, (Bytes{0, 2}));
    fresh->setDataHandler(nullptr);
}

// A reader on such a connection rests between emptying the queue and reading
// again; what the system queued meanwhile, up to the unplug, still arrives.
TEST_F(DeviceControllerTest, EveryReportQueuedBeforeAnUnplugArrivesInOrder) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    auto line = backend.line("/dev/hidraw0");
    line->keepsReportsPastUnplug = true;
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);
    device->setDataHandler(recorder());
    ASSERT_TRUE(device->reading());

    // A stream at about 1 kHz, unplugged right after its last report.
    constexpr int kReports = 300;
    std::thread stream([line] {
        for (int i = 0; i < kReports; ++i) {
            line->push({1, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
            std::this_thread::sleep_for(1ms);
        }
        {
            std::lock_guard lock(line->mutex);
            line->unplugged = true;
        }
        line->arrived.notify_all();
    });
    const bool failed = waitFor([&] { return device->failed(); });
    stream.join();
    ASSERT_TRUE(failed);
    ASSERT_TRUE(waitFor([&] { return received.size() >= kReports; }));
    ASSERT_EQ(received.size(), std::size_t{kReports});
    EXPECT_EQ(line->dropped, 0u);
    for (int i = 0; i < kReports; ++i) {
        ASSERT_EQ(received[i].data, (Bytes{static_cast<std::uint8_t>(i >> 8),
                                           static_cast<std::uint8_t>(i)}))
            << "report " << i;
    }
    controller.release(device);
}

// A device that is listed with access but cannot be opened (its node went
// away after the listing, or is not there yet) is counted as a failure but is
// no change of the list: it stays, unread and not failed, and setting its
// handler again opens it once the node is there.
TEST_F(DeviceControllerTest, ADeviceThatCannotBeOpenedStaysListedAndOpensWhenTriedAgain) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    backend.refused.insert("/dev/hidraw0");
    QSignalSpy changes(&controller, &DeviceController::deviceChange);
    controller.start();
    ASSERT_TRUE(waitFor([&] { return changes.count() == 1; }));
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);

    device->setDataHandler(recorder());
    EXPECT_FALSE(device->reading());
    EXPECT_FALSE(device->failed());
    EXPECT_EQ(backend.opens, 1);
    EXPECT_EQ(controller.failureCount(), 1u);
    std::this_thread::sleep_for(300ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(changes.count(), 1);  // no listing of its own
    EXPECT_EQ(backend.opens, 1);
    EXPECT_TRUE(device->pluggedIn());

    backend.refused.clear();
    device->setDataHandler(recorder());
    ASSERT_TRUE(device->reading());
    EXPECT_EQ(backend.opens, 2);
    backend.line("/dev/hidraw0")->push({1, 0, 3});
    ASSERT_TRUE(waitFor([&] { return received.size() == 1; }));
    EXPECT_EQ(changes.count(), 1);
    controller.release(device);
}

// The window's thread is busy for two seconds while the module sends up to
// 1000 reports a second into a 64-report queue: the reader keeps emptying the queue
// and every report is handed over afterwards, in order.
TEST_F(DeviceControllerTest, NoReportIsLostWhileTheReceivingThreadIsBlocked) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);
    device->setDataHandler(recorder());
    auto line = backend.line("/dev/hidraw0");

    constexpr int kReports = 2500;
    // One report per millisecond at most, as the bus polls the module: a
    // module thread that was descheduled does not catch up in a burst, which
    // no real bus would deliver and which could overrun the line on a loaded
    // machine however fast the reader is.
    std::thread module([line] {
        for (int i = 0; i < kReports; ++i) {
            line->push({1, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
            std::this_thread::sleep_for(1ms);
        }
    });
    std::this_thread::sleep_for(2s);  // the window's thread does nothing else
    module.join();

    ASSERT_TRUE(waitFor([&] { return received.size() == static_cast<std::size_t>(kReports); }))
        << received.size() << " reports handed over, " << line->dropped << " dropped by the line";
    EXPECT_EQ(line->dropped, 0u);
    for (int i = 0; i < kReports; ++i) {
        ASSERT_EQ(received[i].data[1] << 8 | received[i].data[2], i) << "report " << i;
    }
    device->setDataHandler(nullptr);
}

// A receiving thread that stops for good fills the reader's queue; the
// reports beyond it are counted, and those kept arrive in order.
TEST_F(DeviceControllerTest, ReportsBeyondAFullQueueAreCounted) {
    backend.present = {FakeBackend::device("/dev/hidraw0", "VOLTRIX")};
    controller.relist();
    HidDevice* device = controller.checkOut(0);
    ASSERT_NE(device, nullptr);
    device->setDataHandler(recorder());
    auto line = backend.line("/dev/hidraw0");

    constexpr std::size_t kOver = 7;
    constexpr std::size_t kReports = HidDevice::kMaxQueuedReports + kOver;
    // No events are processed meanwhile, so nothing is handed over.
    for (std::size_t i = 0; i < kReports; ++i) {
        while (true) {
            {
                std::lock_guard lock(line->mutex);
                if (line->queue.size() < 64) {
                    break;
                }
            }
            std::this_thread::yield();
        }
        line->push({1, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
                    static_cast<std::uint8_t>(i)});
    }
    // Still without processing events: the reader takes the last reports.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (device->droppedReports() < kOver && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(device->droppedReports(), kOver);
    EXPECT_EQ(line->dropped, 0u);

    ASSERT_TRUE(waitFor([&] { return received.size() == HidDevice::kMaxQueuedReports; }));
    for (std::size_t i = 0; i < received.size(); ++i) {
        const Bytes& data = received[i].data;
        ASSERT_EQ(static_cast<std::size_t>(data[0] << 16 | data[1] << 8 | data[2]), i)
            << "report " << i;
    }
    device->setDataHandler(nullptr);
}

}  // namespace
}  // namespace voltrix
