// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include <QString>

#include "qcustomplot.h"

// The time axis of a recorded file, whose x is seconds: of the file's own
// calendar from 1970 (date and time) or of the day (time alone), to the
// millisecond. Its steps are whole milliseconds, and each label shows as many
// decimals of the second as the step needs, so that no two ticks read alike
// however short the span.

namespace voltrix {

class TimeAxisTicker : public QCPAxisTickerDateTime {
public:
    // `withDate`: x counts from 1970 and the labels carry the date below
    // the time; else x counts from midnight of the first day.
    explicit TimeAxisTicker(bool withDate);

protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;

private:
    const bool withDate_;
    int decimals_ = 0;
};

// Decimals of the second (0 to 3) that tell ticks `stepSeconds` apart.
int secondDecimalsFor(double stepSeconds);

// Of `ms` milliseconds from a midnight: the time of day, "H:mm:ss" and
// `decimals` decimals of the second.
QString timeOfDayText(std::int64_t ms, int decimals);

// Of `ms` milliseconds from midnight of the first day: the time of day, led
// by "+N d " from the second day on.
QString elapsedTimeOfDayText(std::int64_t ms, int decimals);

// Of `ms` milliseconds of the file's calendar from 1970: the date, "d-M-yyyy".
QString dateText(std::int64_t ms);

}  // namespace voltrix
