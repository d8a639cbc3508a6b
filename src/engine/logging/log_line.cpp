#include "engine/logging/log_line.h"

#include <charconv>
#include <cstring>

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
    const float numbers[] = {
        m.adc[0].value,    m.adc[1].value,    m.adc[2].value,    m.adc[3].value,
        m.adc[0].average,  m.adc[1].average,  m.adc[2].average,  m.adc[3].average,
        m.enc[0].position, m.enc[1].position, m.enc[0].velocity, m.enc[1].velocity,
        m.math[0],         m.math[1],
    };
    for (std::size_t i = 0; i < std::size(numbers); ++i) {
        if (settings.columns.test(static_cast<std::size_t>(LogColumn::Adc1) + i)) {
            w.number(numbers[i], settings);
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
