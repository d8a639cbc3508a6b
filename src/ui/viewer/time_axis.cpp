// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/time_axis.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QDate>

#include "engine/recorded/line_parser.h"

namespace voltrix {
namespace {

constexpr int kMaxDecimals = 3;  // the file's times are whole milliseconds

// Days and the millisecond of the day, midnight before `ms` for a negative one.
std::pair<std::int64_t, std::int64_t> splitDays(std::int64_t ms) {
    std::int64_t days = ms / kMillisecondsPerDay;
    std::int64_t rest = ms % kMillisecondsPerDay;
    if (rest < 0) {
        rest += kMillisecondsPerDay;
        --days;
    }
    return {days, rest};
}

}  // namespace

TimeAxisTicker::TimeAxisTicker(bool withDate) : withDate_(withDate) {
    // x counts the file's own calendar as if it were UTC: no zone applied.
    setDateTimeSpec(Qt::UTC);
}

double TimeAxisTicker::getTickStep(const QCPRange& range) {
    double step = QCPAxisTickerDateTime::getTickStep(range);
    if (step < 0.01) {
        // 2.5 ms and below would fall between the lines' milliseconds.
        step = std::max(std::ceil(step * 1000 - 1e-9), 1.0) / 1000;
    }
    decimals_ = secondDecimalsFor(step);
    return step;
}

QString TimeAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    const auto ms = std::llround(tick * 1000);
    return withDate_ ? timeOfDayText(ms, decimals_) + QLatin1Char('\n') + dateText(ms)
                     : elapsedTimeOfDayText(ms, decimals_);
}

int secondDecimalsFor(double stepSeconds) {
    double scaled = stepSeconds;
    for (int decimals = 0; decimals < kMaxDecimals; ++decimals) {
        if (std::abs(scaled - std::round(scaled)) < 1e-6) {
            return decimals;
        }
        scaled *= 10;
    }
    return kMaxDecimals;
}

QString timeOfDayText(std::int64_t ms, int decimals) {
    ms = splitDays(ms).second;
    const std::int64_t seconds = ms / 1000;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(seconds / 3600)
                       .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (decimals > 0) {
        text += QLatin1Char('.') +
                QStringLiteral("%1").arg(ms % 1000, 3, 10, QLatin1Char('0')).left(decimals);
    }
    return text;
}

QString elapsedTimeOfDayText(std::int64_t ms, int decimals) {
    const auto [days, rest] = splitDays(ms);
    const QString time = timeOfDayText(rest, decimals);
    return days == 0 ? time
                     : QStringLiteral("%1%2 d %3").arg(days > 0 ? QStringLiteral("+") : QString())
                           .arg(days)
                           .arg(time);
}

QString dateText(std::int64_t ms) {
    return QDate(1970, 1, 1).addDays(splitDays(ms).first).toString(QStringLiteral("d-M-yyyy"));
}

}  // namespace voltrix
