// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/column_spans.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

inline void PrintTo(const QLine& l, std::ostream* os) {
    *os << '(' << l.x1() << ',' << l.y1() << ")-(" << l.x2() << ',' << l.y2() << ')';
}

namespace voltrix {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The lines of a whole polyline.
QList<QLine> columnSpans(const QList<QPointF>& polyline) {
    ColumnSpanBuilder builder;
    for (const QPointF& p : polyline) {
        builder.add(p);
    }
    return builder.lines();
}

QLine span(int column, int low, int high) {
    return QLine(column, low, column, high);
}

struct Case {
    const char* what;
    QList<QPointF> points;
    QList<QLine> lines;
};

class ColumnSpans : public testing::TestWithParam<Case> {};

TEST_P(ColumnSpans, GivesTheLinesOfThePolyline) {
    EXPECT_EQ(columnSpans(GetParam().points), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSpans,
    testing::Values(
        Case{"nothing", {}, {}}, Case{"one point is a dot", {{3.5, 7.2}}, {span(3, 7, 7)}},
        Case{"points of one column merge from lowest to highest",
             {{10.2, 5}, {10.5, 9.9}, {10.9, 3}},
             {span(10, 3, 9)}},
        Case{"a step to the next column splits at half height",
             {{10.5, 0}, {11.5, 10}},
             {span(10, 0, 5), span(11, 5, 10)}},
        Case{"a step down splits the same way",
             {{10.5, 10}, {11.5, 0}},
             {span(10, 5, 10), span(11, 0, 5)}},
        Case{"a long step stays a segment",
             {{10.5, 0}, {20.5, 10}},
             {span(10, 0, 0), QLine(10, 0, 20, 10), span(20, 10, 10)}},
        Case{"a NaN value breaks the line without a join",
             {{10.5, 0}, {10.7, kNaN}, {11.5, 10}},
             {span(10, 0, 0), span(11, 10, 10)}},
        Case{"an infinite coordinate breaks it too",
             {{1.5, 1}, {std::numeric_limits<double>::infinity(), 4}, {1.6, 2}},
             {span(1, 1, 1), span(1, 2, 2)}},
        Case{"negative coordinates round down", {{-0.5, -0.25}, {-0.1, -3.5}}, {span(-1, -4, -1)}},
        Case{"far-off coordinates are clamped",
             {{1e300, -1e300}},
             {span(1 << 24, -(1 << 24), -(1 << 24))}},
        Case{"far-off points share the clamped column",
             {{1e300, 5}, {2e300, 9.5}},
             {span(1 << 24, 5, 9)}},
        Case{"a column's span starts again after a gap in it",
             {{4.1, 1}, {4.2, kNaN}, {4.3, 8}, {4.4, 6}},
             {span(4, 1, 1), span(4, 6, 8)}}),
    [](const testing::TestParamInfo<Case>& info) { return "Case" + std::to_string(info.index); });

// Ten points per column, a sine with one spike: one span per column, each
// from the lowest to the highest y the line passes there, spike included.
TEST(ColumnSpans, ADenseLineIsOneSpanPerColumnCoveringWhatItPasses) {
    QList<QPointF> points;
    for (int i = 0; i < 6000; ++i) {
        points.append({i * 0.1, 200 + 100 * std::sin(i / 300.0)});
    }
    points[3005].setY(-50);  // column 300
    const QList<QLine> lines = columnSpans(points);
    ASSERT_EQ(lines.size(), 600);
    for (int column = 0; column < 600; ++column) {
        SCOPED_TRACE(column);
        double low = INFINITY;
        double high = -INFINITY;
        for (int i = column * 10; i < column * 10 + 10; ++i) {
            low = std::min(low, points[i].y());
            high = std::max(high, points[i].y());
        }
        const QLine& l = lines[column];
        EXPECT_EQ(l.x1(), column);
        EXPECT_EQ(l.x2(), column);
        // The span also reaches half way to each neighbour's first and last point.
        EXPECT_LE(l.y1(), std::floor(low));
        EXPECT_GE(l.y2(), std::floor(high));
        EXPECT_LE(l.y2() - l.y1(), high - low + 2);
    }
    EXPECT_EQ(lines[300].y1(), -50);
}

TEST(ColumnSpanBuilder, BreakLineEndsTheLineAndLinesEndsTheLast) {
    ColumnSpanBuilder builder;
    builder.add({1.5, 1});
    builder.breakLine();
    builder.add({2.5, 9});
    builder.add({2.6, 4});
    EXPECT_EQ(builder.lines(), (QList<QLine>{span(1, 1, 1), span(2, 4, 9)}));
}

TEST(ColumnSpanBuilder, ClearForgetsTheLinesAndTheLineInProgress) {
    ColumnSpanBuilder builder;
    builder.add({1.5, 1});
    builder.add({2.5, 9});
    builder.clear();
    builder.add({3.5, 4});  // not joined to the point before the clear
    EXPECT_EQ(builder.lines(), (QList<QLine>{span(3, 4, 4)}));
}

}  // namespace
}  // namespace voltrix
