// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// Reading back the measurement files the fault tests leave: lines must be
// whole and well-formed whatever happened to the program, and the counter
// column shows which lines are there.

namespace voltrix::testing {

// Columns of a line with every column chosen: date, time, counter, counter
// modulo, four ADC values and their averages, two encoder positions and
// velocities, two math values and six outputs.
inline constexpr qsizetype kAllColumns = 24;
inline constexpr qsizetype kCounterColumn = 2;
inline constexpr qsizetype kAdc1Column = 4;

inline QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Succeeds when `contents` is nothing but whole lines: each ends with ";" and
// CR LF, holds no other line break, has kAllColumns columns and a counter that
// is a number. The counters are appended to `counters` in file order.
inline ::testing::AssertionResult WholeLines(const QByteArray& contents,
                                             std::vector<std::int64_t>& counters) {
    qsizetype start = 0;
    for (qsizetype number = 1; start < contents.size(); ++number) {
        const qsizetype end = contents.indexOf('\n', start);
        if (end < 0) {
            return ::testing::AssertionFailure()
                   << "line " << number
                   << " is cut off: " << contents.sliced(start).left(80).toStdString();
        }
        const QByteArray line = contents.sliced(start, end - start);
        if (!line.endsWith(";\r")) {
            return ::testing::AssertionFailure()
                   << "line " << number
                   << " does not end with \";\" CR LF: " << line.left(80).toStdString();
        }
        const QByteArray body = line.chopped(2);
        if (body.contains('\r')) {
            return ::testing::AssertionFailure() << "line " << number << " holds a CR";
        }
        const QList<QByteArray> columns = body.split(';');
        if (columns.size() != kAllColumns) {
            return ::testing::AssertionFailure() << "line " << number << " has " << columns.size()
                                                 << " columns: " << line.left(80).toStdString();
        }
        bool ok = false;
        const qint64 counter = columns[kCounterColumn].toLongLong(&ok);
        if (!ok || counter < 0) {
            return ::testing::AssertionFailure()
                   << "line " << number << " has no counter: " << line.left(80).toStdString();
        }
        counters.push_back(counter);
        start = end + 1;
    }
    return ::testing::AssertionSuccess();
}

// Succeeds when the counters start at `first` and rise by exactly one a line.
inline ::testing::AssertionResult RiseByOne(const std::vector<std::int64_t>& counters,
                                            std::int64_t first) {
    std::int64_t expected = first;
    for (std::size_t i = 0; i < counters.size(); ++i, ++expected) {
        if (counters[i] != expected) {
            return ::testing::AssertionFailure() << "line " << i + 1 << " has counter "
                                                 << counters[i] << " instead of " << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace voltrix::testing
