// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include "device/hid_backend.h"
#include "scripted_backend.h"
#include "session/device_link.h"
#include "session/retry_backoff.h"
#include "wait_for.h"

namespace voltrix {
namespace {

// The device list is alphabetical without regard to case, ties broken by
// case, whatever the system's language.
TEST(DeviceListOrder, IgnoresCaseFirstThenBreaksTiesByIt) {
    struct Case {
        const char* left;
        const char* right;
        bool before;
    };
    const Case cases[] = {
        {"Mouse", "VOLTRIX", true},
        {"mouse", "VOLTRIX", true},   // not by code point: 'm' > 'V'
        {"VOLTRIX", "keyboard", false},
        {"VOLTRIX", "voltrix", true},  // a tie without case: upper case first
        {"voltrix", "VOLTRIX", false},
        {"VOLTRIX", "VOLTRIX", false},
        {"Device VID=046D PID=C52B", "Device VID=046d PID=C52B", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(deviceListOrder(QString::fromLatin1(c.left), QString::fromLatin1(c.right)),
                  c.before)
            << c.left << " < " << c.right;
    }
}

// Runs the event loop for `span`, whatever happens meanwhile.
void runEventsFor(std::chrono::milliseconds span) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < span.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// The module is listed, but the link cannot use it: its node is gone by the
// time it is opened, or it grants no access. Neither is a change of the
// devices: the list is given once, and a refused open is tried again only
// after a wait, not at once and over and over.
TEST(DeviceLinkUnopenedModule, IsNeitherListedAgainNorOpenedInALoop) {
    struct Case {
        const char* name;
        bool access;
        bool refuse;
        int mostOpens;  // over the first 1.2 s: at once, and after 0.5 s
    };
    const Case cases[] = {
        {"node gone between listing and open", true, true, 2},
        {"no access", false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::ScriptedBackend backend;
        backend.present = {testing::ScriptedBackend::device("/dev/hidraw3", "VOLTRIX", c.access)};
        backend.refuse = c.refuse;
        DeviceLink link(backend, [](std::span<const std::uint8_t>) {});
        int listings = 0;
        QObject::connect(&link, &DeviceLink::devicesListed,
                         [&](const QStringList& names, bool connected) {
                             ++listings;
                             EXPECT_EQ(names, QStringList{"VOLTRIX"});
                             EXPECT_FALSE(connected);
                         });
        link.start();
        ASSERT_TRUE(testing::waitFor([&] { return listings > 0; }));

        runEventsFor(std::chrono::milliseconds(1200));

        EXPECT_EQ(listings, 1);
        EXPECT_LE(backend.opens, c.mostOpens);
        EXPECT_FALSE(link.connected());
        link.stop();
    }
}

TEST(RetryBackoff, DoublesFromTheFirstWaitUpToTheLongestAndStartsOverOnReset) {
    using std::chrono::milliseconds;
    RetryBackoff backoff(milliseconds(500), milliseconds(10000));
    const long expected[] = {500, 1000, 2000, 4000, 8000, 10000, 10000};
    for (const long wait : expected) {
        EXPECT_EQ(backoff.next().count(), wait);
    }
    backoff.reset();
    EXPECT_EQ(backoff.next().count(), 500);
    EXPECT_EQ(backoff.next().count(), 1000);
}

// Requests to the module for `paramId` on `line`.
int requests(testing::ScriptedLine& line, std::uint8_t paramId) {
    std::lock_guard lock(line.mutex);
    return static_cast<int>(std::count_if(line.written.begin(), line.written.end(), [&](auto& r) {
        return r.size() > 3 && r[0] == 1 && r[1] == 1 && r[2] == paramId;
    }));
}

// The waits between attempts to open a module that will not open, with a
// timer the test ends at will: each attempt opens once and lists nothing;
// the wait doubles up to its longest; a real change of the devices lists at
// once and starts the waits over; the open that works at last connects and
// shows it; and a module replugged under the same path reconnects without
// any wait.
TEST(DeviceLinkUnopenedModule, IsTriedAgainAfterWaitsThatDoubleUpToTheLongest) {
    using std::chrono::milliseconds;
    testing::ScriptedBackend backend;
    backend.present = {testing::ScriptedBackend::device("/dev/hidraw3", "VOLTRIX")};
    backend.refuse = true;
    std::vector<long> waits;
    std::vector<std::function<void()>> retries;
    DeviceLink::Options options;
    options.retryTimer = [&](milliseconds wait, std::function<void()> retry) {
        waits.push_back(static_cast<long>(wait.count()));
        retries.push_back(std::move(retry));
    };
    DeviceLink link(backend, [](std::span<const std::uint8_t>) {}, options);
    std::vector<std::pair<QStringList, bool>> listings;
    QObject::connect(&link, &DeviceLink::devicesListed,
                     [&](const QStringList& names, bool connected) {
                         listings.emplace_back(names, connected);
                     });
    link.start();
    ASSERT_TRUE(testing::waitFor([&] { return !listings.empty(); }));
    EXPECT_EQ(backend.opens, 1);
    EXPECT_EQ(waits, (std::vector<long>{500}));

    for (int attempt = 2; attempt <= 8; ++attempt) {
        retries.back()();
        EXPECT_EQ(backend.opens, attempt);
    }
    EXPECT_EQ(waits, (std::vector<long>{500, 1000, 2000, 4000, 8000, 10000, 10000, 10000}));
    EXPECT_EQ(listings.size(), 1u);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(link.failureCount(), 8u);

    // A mouse comes: listed at once, the module tried at once, waits anew.
    backend.present.push_back(testing::ScriptedBackend::device("/dev/hidraw0", "Mouse", false));
    backend.notify();
    ASSERT_TRUE(testing::waitFor([&] { return listings.size() == 2; }));
    EXPECT_EQ(listings.back(), std::make_pair(QStringList{"Mouse", "VOLTRIX"}, false));
    EXPECT_EQ(backend.opens, 9);
    EXPECT_EQ(waits.back(), 500);
    const std::size_t voidRetry = retries.size() - 2;  // of the listing before

    // The node is there now: the next attempt connects, asks for the
    // firmware, and the connection shows; nothing more is tried.
    backend.refuse = false;
    retries[voidRetry]();
    EXPECT_EQ(backend.opens, 9);
    retries.back()();
    EXPECT_EQ(backend.opens, 10);
    ASSERT_TRUE(link.connected());
    ASSERT_EQ(listings.size(), 3u);
    EXPECT_EQ(listings.back(), std::make_pair(QStringList{"Mouse", "VOLTRIX"}, true));
    EXPECT_EQ(requests(*backend.line, 27), 1);
    const std::size_t waited = waits.size();

    // Unplugged and plugged back under the same path before any notice: the
    // failed read lists again at once and the module reconnects.
    const std::shared_ptr<testing::ScriptedLine> before = backend.line;
    before->unplug();
    ASSERT_TRUE(testing::waitFor([&] { return backend.line != before && link.connected(); }));
    EXPECT_EQ(requests(*backend.line, 27), 1);
    EXPECT_EQ(waits.size(), waited);
    link.stop();
}

}  // namespace
}  // namespace voltrix
