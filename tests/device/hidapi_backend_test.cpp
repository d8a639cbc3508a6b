// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/hidapi_backend.h"
#include "device/platform/linux/sysfs_report_descriptor.h"

#include <hidapi/hidapi.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

// What can be tested of the real backend on a machine without HID devices:
// the listing made of hidapi's entries against a fake sysfs, the report ID
// handling of reads, the change watch, and that the calls into hidapi and udev
// behave when there is nothing to find.

namespace voltrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kVendor64WithId = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0,
};
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
};

// A sysfs tree with report descriptors and a /dev directory with plain files
// standing in for the device nodes.
class FakeSystem {
public:
    FakeSystem() {
        QDir root(dir_.path());
        root.mkpath("sys/class/hidraw");
        root.mkpath("dev");
    }

    std::string sysfsRoot() const { return dir_.filePath("sys").toStdString(); }

    void addDescriptor(const QString& node, const Bytes& descriptor) {
        QDir(dir_.path()).mkpath("sys/class/hidraw/" + node + "/device");
        std::ofstream file(
            dir_.filePath("sys/class/hidraw/" + node + "/device/report_descriptor").toStdString(),
            std::ios::binary);
        file.write(reinterpret_cast<const char*>(descriptor.data()),
                   static_cast<std::streamsize>(descriptor.size()));
    }

    std::string nodePath(const QString& node) const {
        return dir_.filePath("dev/" + node).toStdString();
    }

    std::string addNode(const QString& node, mode_t mode) {
        const std::string path = nodePath(node);
        std::ofstream{path};
        ::chmod(path.c_str(), mode);
        return path;
    }

private:
    QTemporaryDir dir_;
};

hid_device_info entry(const std::string& path, std::uint16_t vendorId, std::uint16_t productId,
                      const wchar_t* product) {
    hid_device_info info{};
    info.path = const_cast<char*>(path.c_str());
    info.vendor_id = vendorId;
    info.product_id = productId;
    info.product_string = const_cast<wchar_t*>(product);
    return info;
}

void link(std::vector<hid_device_info>& entries) {
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        entries[i].next = &entries[i + 1];
    }
}

void runEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void runEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(HidapiBackendTest, ListsEachPathOnceWithIdentityAndReportLengths) {
    FakeSystem system;
    system.addDescriptor("hidraw3", kVendor64WithId);
    system.addDescriptor("hidraw4", kBootKeyboard);
    const std::string module = system.addNode("hidraw3", 0600);
    const std::string keyboard = system.addNode("hidraw4", 0600);
    const std::string mouse = system.addNode("hidraw7", 0600);  // no descriptor
    const std::string gone = system.nodePath("hidraw9");

    // hidapi lists the keyboard twice, once per top-level collection.
    std::vector<hid_device_info> entries = {
        entry(module, 0x1234, 0x0001, L"VOLTRIX"),
        entry(keyboard, 0x046D, 0xC52B, nullptr),
        entry(keyboard, 0x046D, 0xC52B, nullptr),
        entry(mouse, 0x1A2B, 0x0002, L"Mysz \u017C\u00F3\u0142ta \U0001F5B1"),
        entry(gone, 0x1A2B, 0x0003, L""),
    };
    link(entries);

    HidapiBackend backend(HidapiBackendOptions{.sysfsRoot = system.sysfsRoot()});
    const std::vector<HidDeviceInfo> expected = {
        {module, 0x1234, 0x0001, "VOLTRIX", 65, 65, true},
        {keyboard, 0x046D, 0xC52B, "", 9, 2, true},
        {mouse, 0x1A2B, 0x0002, QString::fromUtf8("Mysz \u017C\u00F3\u0142ta \U0001F5B1"), 0, 0,
         true},
        {gone, 0x1A2B, 0x0003, "", 0, 0, false},
    };
    EXPECT_EQ(backend.describeDevices(entries.data()), expected);
    EXPECT_TRUE(backend.describeDevices(nullptr).empty());
}

TEST(HidapiBackendTest, NodeWithoutReadWritePermissionHasNoAccess) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may read and write any node";
    }
    FakeSystem system;
    std::vector<hid_device_info> entries = {
        entry(system.addNode("hidraw1", 0400), 1, 1, L"read only"),
        entry(system.addNode("hidraw2", 0200), 1, 2, L"write only"),
    };
    link(entries);
    HidapiBackend backend(HidapiBackendOptions{.sysfsRoot = system.sysfsRoot()});
    const std::vector<HidDeviceInfo> devices = backend.describeDevices(entries.data());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_FALSE(devices[0].readWriteAccess);
    EXPECT_FALSE(devices[1].readWriteAccess);
}

TEST(HidapiBackendTest, ReadsDescriptorsOfHidrawNodesOnly) {
    FakeSystem system;
    system.addDescriptor("hidraw3", kVendor64WithId);
    system.addDescriptor("hidraw3x", kBootKeyboard);
    struct Case {
        std::string path;
        bool found;
    };
    const std::vector<Case> cases = {
        {"/dev/hidraw3", true},  {"hidraw3", true},
        {"/dev/hidraw9", false}, {"/dev/hidraw3x", false},
        {"/dev/hidraw", false},  {"/dev/usb/hiddev0", false},
        {"/dev/", false},        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto descriptor = readReportDescriptor(system.sysfsRoot(), c.path);
        ASSERT_EQ(descriptor.has_value(), c.found);
        if (c.found) {
            EXPECT_EQ(*descriptor, kVendor64WithId);
        }
    }
}

// A read as hidraw answers it: `delivered` copied to the front of the
// buffer, and `result` returned.
struct FakeRead {
    Bytes delivered;
    int result;
    std::size_t askedSize = 0;
    int calls = 0;

    int operator()(std::uint8_t* data, std::size_t size) {
        ++calls;
        askedSize = size;
        std::copy(delivered.begin(), delivered.end(), data);
        return result;
    }
};

TEST(HidapiBackendTest, ReadsDeliverReportIdFirst) {
    struct Case {
        std::string name;
        bool numbered;
        std::size_t bufferSize;
        FakeRead read;
        int expectedResult;
        Bytes expectedStart;
        std::size_t expectedAskedSize;
    };
    const std::vector<Case> cases = {
        {"numbered: read as it comes", true, 4, {{7, 0xAA, 0xBB}, 3}, 3, {7, 0xAA, 0xBB}, 4},
        {"unnumbered: report ID 0 in front", false, 4, {{0xAA, 0xBB}, 2}, 3, {0, 0xAA, 0xBB}, 3},
        {"numbered: nothing in time", true, 4, {{}, 0}, 0, {}, 4},
        {"unnumbered: nothing in time", false, 4, {{}, 0}, 0, {}, 3},
        {"numbered: device gone", true, 4, {{}, -1}, -1, {}, 4},
        {"unnumbered: device gone", false, 4, {{}, -1}, -1, {}, 3},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        Bytes buffer(c.bufferSize, 0xEE);
        const int result = readReportWithId(buffer, c.numbered, std::ref(c.read));
        EXPECT_EQ(result, c.expectedResult);
        EXPECT_EQ(c.read.askedSize, c.expectedAskedSize);
        EXPECT_EQ(Bytes(buffer.begin(),
                        buffer.begin() + static_cast<std::ptrdiff_t>(c.expectedStart.size())),
                  c.expectedStart);
    }
}

TEST(HidapiBackendTest, BufferWithoutRoomForIdAndDataIsNotRead) {
    for (const bool numbered : {true, false}) {
        for (const std::size_t size : {0u, 1u}) {
            FakeRead read{{0xAA}, 1};
            Bytes buffer(size);
            EXPECT_EQ(readReportWithId(buffer, numbered, std::ref(read)), -1);
            EXPECT_EQ(read.calls, 0);
        }
    }
}

TEST(HidapiBackendTest, ListsThisMachinesDevicesOnce) {
    HidapiBackend backend;
    const std::vector<HidDeviceInfo> devices = backend.enumerate();
    std::set<std::string> paths;
    for (const HidDeviceInfo& device : devices) {
        paths.insert(device.path);
    }
    EXPECT_EQ(paths.size(), devices.size());
}

TEST(HidapiBackendTest, OpenOfAMissingDeviceFails) {
    HidapiBackend backend;
    EXPECT_EQ(backend.open("/dev/hidraw-that-is-not-there"), nullptr);
}

TEST(HidapiBackendTest, PollingCallsUntilStopped) {
    HidapiBackend backend(HidapiBackendOptions{.useSystemMonitor = false, .pollIntervalMs = 10});
    int calls = 0;
    backend.watchDeviceChanges([&] { ++calls; });
    EXPECT_EQ(backend.changeWatch(), HidapiBackend::ChangeWatch::Polling);
    runEventLoopUntil([&] { return calls >= 2; }, 2000);
    EXPECT_GE(calls, 2);

    backend.watchDeviceChanges({});
    EXPECT_EQ(backend.changeWatch(), HidapiBackend::ChangeWatch::None);
    const int callsWhenStopped = calls;
    runEventLoopFor(100);
    EXPECT_EQ(calls, callsWhenStopped);
}

TEST(HidapiBackendTest, NewWatchReplacesTheOldOne) {
    HidapiBackend backend(HidapiBackendOptions{.useSystemMonitor = false, .pollIntervalMs = 10});
    int oldCalls = 0;
    int newCalls = 0;
    backend.watchDeviceChanges([&] { ++oldCalls; });
    backend.watchDeviceChanges([&] { ++newCalls; });
    runEventLoopUntil([&] { return newCalls >= 2; }, 2000);
    EXPECT_GE(newCalls, 2);
    EXPECT_EQ(oldCalls, 0);
}

TEST(HidapiBackendTest, CallbackMayStopTheWatch) {
    HidapiBackend backend(HidapiBackendOptions{.useSystemMonitor = false, .pollIntervalMs = 10});
    int calls = 0;
    backend.watchDeviceChanges([&] {
        ++calls;
        backend.watchDeviceChanges({});
    });
    runEventLoopFor(150);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(backend.changeWatch(), HidapiBackend::ChangeWatch::None);
}

// With a udev daemon this watches udev, without one (as in a container) it
// polls; either way it starts and stops.
TEST(HidapiBackendTest, SystemWatchStartsAndStops) {
    HidapiBackend backend;
    backend.watchDeviceChanges([] {});
    EXPECT_NE(backend.changeWatch(), HidapiBackend::ChangeWatch::None);
    backend.watchDeviceChanges({});
    EXPECT_EQ(backend.changeWatch(), HidapiBackend::ChangeWatch::None);
}

}  // namespace
}  // namespace voltrix
