// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QLocale>

#include "device/device_controller.h"
#include "device/virtual/virtual_module.h"
#include "session/device_link.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using testing::WindowTest;
using Bytes = std::vector<std::uint8_t>;

class DeviceLinkTest : public WindowTest {
protected:
    static QStringList listed(TFMain& window) {
        auto* list = find<QListWidget>(window, "ListBox1");
        QStringList texts;
        for (int row = 0; row < list->count(); ++row) {
            texts << list->item(row)->text();
        }
        return texts;
    }

    // Read requests written to the device at `path` for `paramId`.
    int requests(const std::string& path, std::uint8_t paramId) const {
        int count = 0;
        for (const Bytes& report : bus.writtenReports(path)) {
            if (report.size() > 3 && report[0] == 1 && report[1] == 1 && report[2] == paramId) {
                ++count;
            }
        }
        return count;
    }

    QString connection(TFMain& window) const {
        return window.statusPanels().text(StatusPanel::Connection);
    }

    // Lets the first device listing of a new window happen.
    std::unique_ptr<TFMain> openAndList() {
        auto window = open();
        waitFor([&] { return window->statusPanels().text(StatusPanel::Connection) != QString(); });
        return window;
    }
};

TEST_F(DeviceLinkTest, WithoutAnyDeviceTheWindowShowsDisconnected) {
    auto window = openAndList();

    EXPECT_EQ(connection(*window), QString::fromUtf8("Rozłączony"));
    EXPECT_TRUE(listed(*window).isEmpty());
    EXPECT_FALSE(window->connected());
    window->FreqTimerTimer();
    EXPECT_EQ(window->statusPanels().text(StatusPanel::ReportRate),
              QLatin1Char('0') + QLocale::system().decimalPoint() + QStringLiteral("0000 kHz"));
}

TEST_F(DeviceLinkTest, ListsEveryDeviceSortedAndConnectsOnlyTheModule) {
    bus.plugMouse();
    bus.plugDeviceWithoutProductString(0x1234, 0x00AB);
    HidDeviceInfo lookalike;
    lookalike.productString = QStringLiteral("VOLTRIX2");
    lookalike.readWriteAccess = true;
    bus.plugDevice(lookalike);
    lookalike.productString = QStringLiteral("voltrix");
    bus.plugDevice(lookalike);
    const std::string module = bus.plugModule();

    auto window = openAndList();

    EXPECT_EQ(listed(*window), (QStringList{"Device VID=1234 PID=00AB", "USB Optical Mouse",
                                            "VOLTRIX", "voltrix", "VOLTRIX2"}));
    EXPECT_EQ(connection(*window), QString::fromUtf8("Połączony"));
    EXPECT_EQ(window->statusPanels().text(StatusPanel::Message),
              QString::fromUtf8("Odświeżam listę urządzeń"));
    EXPECT_TRUE(window->connected());
    EXPECT_EQ(requests(module, 27), 1);

    // The module answers: firmware version, then the temperature it asks for.
    ASSERT_TRUE(waitFor([&] {
        return find<QLabel>(*window, "label_temperature")->text() != QStringLiteral("...");
    }));
    EXPECT_EQ(find<QLabel>(*window, "ver_firm")->text(), QStringLiteral("1.02"));
    EXPECT_EQ(find<QLabel>(*window, "label_temperature")->text(),
              QStringLiteral("23") + QLocale::system().decimalPoint() + QLatin1Char('5'));
}

TEST_F(DeviceLinkTest, MeasurementsFlowFromTheConnectedModule) {
    bus.plugModule();
    auto window = openAndList();

    ASSERT_TRUE(waitFor([&] { return window->session().measurementCount() > 50; }));
    // Encoder 1 turns by exactly one unit per report from 0 on: none was lost.
    const MeasurementSnapshot latest = window->session().snapshot();
    EXPECT_EQ(latest.measurement.enc[0].position, static_cast<float>(latest.measurementCount - 1));
    EXPECT_EQ(bus.droppedReports(window->session().link().connectedPath()), 0u);
}

TEST_F(DeviceLinkTest, TwoModulesEachGetTheirRequestAndTheLastOneStays) {
    const std::string first = bus.plugModule();
    const std::string second = bus.plugModule();

    auto window = openAndList();

    EXPECT_EQ(requests(first, 27), 1);
    EXPECT_EQ(requests(second, 27), 1);
    // The module of the last list item stays connected.
    EXPECT_TRUE(window->connected());
    EXPECT_EQ(window->session().link().connectedPath(), second);
}

TEST_F(DeviceLinkTest, PlugAndUnplugRebuildTheListAndReconnect) {
    const std::string mouse = bus.plugMouse();
    std::string module = bus.plugModule();
    auto window = openAndList();
    ASSERT_EQ(requests(module, 27), 1);

    bus.unplug(mouse);
    ASSERT_TRUE(waitFor([&] { return listed(*window).size() == 1; }));
    EXPECT_EQ(connection(*window), QString::fromUtf8("Połączony"));
    EXPECT_EQ(requests(module, 27), 2);  // connected anew

    bus.unplug(module);
    ASSERT_TRUE(waitFor([&] { return listed(*window).isEmpty(); }));
    EXPECT_FALSE(window->connected());
    EXPECT_EQ(window->session().link().connectedPath(), std::string());
    EXPECT_EQ(connection(*window), QString::fromUtf8("Rozłączony"));

    module = bus.plugModule(bus.module(module));
    ASSERT_TRUE(waitFor([&] { return window->connected(); }));
    EXPECT_EQ(requests(module, 27), 1);
}

// Unplugged and plugged back before any listing noticed, under the same path:
// the dead connection is dropped and the module connected anew, with a new
// firmware request, and no report after that is lost.
TEST_F(DeviceLinkTest, AQuickReplugUnderTheSamePathConnectsAgain) {
    const std::string module = bus.plugModule();
    auto window = openAndList();
    ASSERT_TRUE(waitFor([&] { return window->session().measurementCount() > 10; }));
    EXPECT_EQ(window->session().linkFailures(), 0u);

    ASSERT_TRUE(bus.replugUnnoticed(module));
    // The written reports are the new device's own.
    ASSERT_TRUE(waitFor([&] { return requests(module, 27) == 1; }));
    EXPECT_TRUE(window->connected());
    EXPECT_GE(window->session().linkFailures(), 1u);  // at least the dead read
    EXPECT_EQ(connection(*window), QString::fromUtf8("Połączony"));
    EXPECT_EQ(listed(*window), QStringList{"VOLTRIX"});

    const auto countAt = window->session().measurementCount();
    const float positionAt = window->session().snapshot().measurement.enc[0].position;
    ASSERT_TRUE(waitFor([&] { return window->session().measurementCount() > countAt + 100; }));
    // Encoder 1 turns one unit per report: as many units as reports arrived.
    EXPECT_EQ(window->session().snapshot().measurement.enc[0].position - positionAt,
              static_cast<float>(window->session().measurementCount() - countAt));
    EXPECT_EQ(bus.droppedReports(module), 0u);
    window->Timer1Timer();
    EXPECT_GE(requests(module, 31), 1);
}

TEST_F(DeviceLinkTest, AModuleWithoutAccessIsListedButNotConnected) {
    bus.plugModuleWithoutAccess();
    auto window = openAndList();

    EXPECT_EQ(listed(*window), QStringList{"VOLTRIX"});
    EXPECT_EQ(connection(*window), QString::fromUtf8("Rozłączony"));
    EXPECT_FALSE(window->connected());
}

TEST_F(DeviceLinkTest, PeriodicAndClickRequestsGoOnlyToAConnectedModule) {
    auto window = openAndList();
    window->Timer1Timer();  // nothing to write to: dropped

    const std::string module = bus.plugModule();
    ASSERT_TRUE(waitFor([&] { return window->connected(); }));
    const int temperatures = requests(module, 31);
    window->Timer1Timer();
    window->DebugMemoClick();

    EXPECT_EQ(requests(module, 31), temperatures + 1);
    EXPECT_EQ(requests(module, 30), 1);
}

}  // namespace
}  // namespace voltrix
