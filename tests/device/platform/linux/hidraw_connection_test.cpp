// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/platform/linux/hidraw_connection.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <vector>

namespace voltrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A seqpacket socket pair stands in for a hidraw node: each write is one
// report, and closing the far end is the device going away, with poll()
// telling the hang-up while reports still wait, as hidraw does.
class HidrawConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends_), 0); }
    void TearDown() override { unplug(); }

    HidrawConnection connect(bool numbered) { return HidrawConnection(ends_[0], numbered); }
    void send(const Bytes& report) {
        ASSERT_EQ(::write(ends_[1], report.data(), report.size()),
                  static_cast<ssize_t>(report.size()));
    }
    void unplug() {
        if (ends_[1] >= 0) {
            ::close(ends_[1]);
            ends_[1] = -1;
        }
    }
    Bytes receive() {
        std::array<std::uint8_t, 128> bytes{};
        const ssize_t n = ::read(ends_[1], bytes.data(), bytes.size());
        return n > 0 ? Bytes(bytes.begin(), bytes.begin() + n) : Bytes{};
    }

    int ends_[2] = {-1, -1};
};


// What the kernel still held when the device went is read first; only then
// does the connection fail.
TEST_F(HidrawConnectionTest, ReportsQueuedBeforeTheHangUpAreReadBeforeTheFailure) {
    HidrawConnection connection = connect(false);
    EXPECT_TRUE(connection.keepsReportsPastUnplug());
    send({0x10, 0x11});
    send({0x20});
    send({0x30, 0x31, 0x32});
    unplug();

    std::array<std::uint8_t, 65> buffer{};
    const std::vector<Bytes> expected = {{0, 0x10, 0x11}, {0, 0x20}, {0, 0x30, 0x31, 0x32}};
    for (const Bytes& report : expected) {
        const int n = connection.read(buffer, 0);
        ASSERT_EQ(n, static_cast<int>(report.size()));
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + n), report);
    }
    EXPECT_EQ(connection.read(buffer, 0), -1);
    EXPECT_EQ(connection.read(buffer, 100), -1);
}

TEST_F(HidrawConnectionTest, NothingWaitingIsATimeoutAndNumberedReportsKeepTheirId) {
    HidrawConnection connection = connect(true);
    std::array<std::uint8_t, 65> buffer{};
    EXPECT_EQ(connection.read(buffer, 0), 0);
    EXPECT_EQ(connection.read(buffer, 20), 0);

    send({0x05, 0xAA});
    ASSERT_EQ(connection.read(buffer, 100), 2);
    EXPECT_EQ(buffer[0], 0x05);
    EXPECT_EQ(buffer[1], 0xAA);
}

TEST_F(HidrawConnectionTest, AWriteGoesOutAsOneReportAndFailsOnceTheDeviceIsGone) {
    HidrawConnection connection = connect(false);
    const Bytes report = {0x00, 0x01, 0x02, 0x03};
    EXPECT_TRUE(connection.write(report));
    EXPECT_EQ(receive(), report);
    EXPECT_FALSE(connection.write({}));

    unplug();
    // A socket whose far end is closed raises SIGPIPE, which a hidraw node
    // never does.
    const auto oldHandler = std::signal(SIGPIPE, SIG_IGN);
    EXPECT_FALSE(connection.write(report));
    std::signal(SIGPIPE, oldHandler);
}

}  // namespace
}  // namespace voltrix
