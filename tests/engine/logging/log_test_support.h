// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>
#include <thread>

#include <QByteArray>
#include <QFile>
#include <QString>

// What the tests of the measurement file and its writer share: numbered
// lines of a known length, a file's bytes, and a wait for another thread.

namespace voltrix::log_test {

using Clock = std::chrono::steady_clock;

// Far beyond what any condition of these tests takes, even on a loaded machine.
inline constexpr auto kDeadline = std::chrono::seconds(30);

// A line of exactly `length` bytes that names its index: "17;xxxx\r\n".
inline std::string makeLine(int index, std::size_t length = 24) {
    std::string line = std::to_string(index) + ';';
    line.resize(length - 2, 'x');
    return line + "\r\n";
}

inline QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Polls `condition` until it holds or `limit` passes; whether it holds.
template <typename Condition>
bool waitFor(Condition condition, Clock::duration limit = kDeadline) {
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace voltrix::log_test
