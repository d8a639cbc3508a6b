// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/log_line.h"

#include <charconv>
#include <cstring>

#include "engine/protocol/quantities.h"
#include "engine/text/format_value.h"

namespace voltrix {
namespace {

// Longest line: 18 numbers of at most kFormatValueCapacity bytes plus the
// short columns.
constexpr std::size_t kLineCapacity = 20 * (kFormatValueCapacity + 1) + 128;

class LineWriter {
public:
    void text(std::string_view s) {
        std::memcpy(p_, s.data(), s.size());
        p_ += s.size();
    }
    void put(char c) { *p_++ = c; }
    template <typename Integer>
    void integer(Integer value) {
        p_ = std::to_chars(p_, p_ + 24, value).ptr;
    }
    void number(float value, const LogLineSettings& settings) {
        p_ += FormatValueTo(p_, value, settings.decimals, settings.decimalSeparator);
        put(';');
    }
    std::string_view view() const { return {buffer_, static_cast<std::size_t>(p_ - buffer_)}; }

private:
    char buffer_[kLineCapacity];
    char* p_ = buffer_;
};

}  // namespace

void BuildLogLine(std::string& line, const LogLineSettings& settings, const ClockReading& clock,
                  std::uint32_t measurementCount, const Measurement& m) {
    LineWriter w;
    if (settings.has(LogColumn::Date)) {
        w.integer(clock.day);
        w.put('-');
        w.integer(clock.month);
        w.put('-');
        w.integer(clock.year);
        w.put(';');
    }
    if (settings.has(LogColumn::Time)) {
        w.integer(clock.hour);
        w.put(':');
        w.integer(clock.minute);
        w.put(':');
        w.integer(clock.second);
        w.put(':');
        w.integer(clock.millisecond);
        w.put(';');
    }
    if (settings.has(LogColumn::Counter)) {
        // Logged as a signed 32-bit number, as the file has always had it.
        w.integer(static_cast<std::int32_t>(measurementCount));
        w.put(';');
    }
    if (settings.has(LogColumn::CounterModulo)) {
        if (settings.modDivisor == 0) {
            w.text("---;");
        } else {
            w.integer(measurementCount % settings.modDivisor);
            w.put(';');
        }
    }
    // The fourteen quantities stand in the line in their fixed order.
    static_assert(static_cast<std::size_t>(LogColumn::Math2) -
                      static_cast<std::size_t>(LogColumn::Adc1) + 1 ==
                  kQuantityCount);
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
        if (settings.columns.test(static_cast<std::size_t>(LogColumn::Adc1) + i)) {
            w.number(quantityValue(m, i), settings);
        }
    }
    if (settings.has(LogColumn::Output)) {
        for (int n = 0; n < static_cast<int>(kOutputCount); ++n) {
            w.text(m.outputOn(n) ? "HI;" : "LO;");
        }
    }
    w.text("\r\n");
    line.assign(w.view());
}

}  // namespace voltrix
