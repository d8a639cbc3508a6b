// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the input report path. The input is a header (log line
// settings, clock, the module's output report length) followed by records of
// one report each: an operation byte, a length byte and up to 255 report
// bytes. Every report goes through ReportReceiver; an observer does with the
// dispatched reports what the window does, through the window-free decoders,
// and checks everything against a copy of the bytes kept here.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/logging/log_line.h"
#include "engine/parameters/parameters.h"
#include "engine/parameters/value_lists.h"
#include "engine/protocol/measurement.h"
#include "engine/protocol/report_framing.h"
#include "engine/protocol/report_receiver.h"
#include "engine/text/diag_stats_text.h"
#include "engine/text/format_value.h"
#include "engine/text/language.h"
#include "fuzz_support.h"

namespace voltrix::fuzz {
namespace {

// Decimal separators of real locales, none, and one longer than the formatter
// takes.
constexpr std::array<std::string_view, 6> kSeparators = {
    ".", ",", "", "\xD9\xAB", " ", "::::::::::",
};

// Operation bits of a record.
constexpr std::uint8_t kTakeCounts = 0x01;
constexpr std::uint8_t kToggleLanguage = 0x02;
constexpr std::uint8_t kNewColumns = 0x04;  // a u32 of columns follows
constexpr std::uint8_t kNewNumbers = 0x08;  // decimals (i8) and divisor (u32) follow

constexpr std::uint32_t kColumnMask = (1u << kLogColumnCount) - 1;
constexpr std::size_t kOutputRuleRows = kOutputCount;

float floatAt(const LastReport& r, std::size_t offset) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, r.data() + offset, 4);  // x86-64 and ARM64 are little-endian
    return std::bit_cast<float>(bits);
}

std::uint32_t bitsOf(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// The measurement as the report layout gives it, worked out here on its own.
Measurement expectedMeasurement(const LastReport& r) {
    Measurement m;
    m.outputs = static_cast<std::uint8_t>(r[1] >> 2);
    for (std::size_t k = 0; k < 2; ++k) {
        m.enc[k] = {static_cast<std::uint8_t>(r[1 + 9 * k] & 3), floatAt(r, 2 + 9 * k),
                    floatAt(r, 6 + 9 * k)};
    }
    for (std::size_t k = 0; k < 4; ++k) {
        m.adc[k] = {r[19 + 9 * k], floatAt(r, 20 + 9 * k), floatAt(r, 24 + 9 * k)};
    }
    m.math = {floatAt(r, 55), floatAt(r, 59)};
    return m;
}

bool sameBits(const Measurement& a, const Measurement& b) {
    bool same = a.outputs == b.outputs && bitsOf(a.math[0]) == bitsOf(b.math[0]) &&
                bitsOf(a.math[1]) == bitsOf(b.math[1]);
    for (std::size_t k = 0; k < 2; ++k) {
        same = same && a.enc[k].mode == b.enc[k].mode &&
               bitsOf(a.enc[k].velocity) == bitsOf(b.enc[k].velocity) &&
               bitsOf(a.enc[k].position) == bitsOf(b.enc[k].position);
    }
    for (std::size_t k = 0; k < 4; ++k) {
        same = same && a.adc[k].mode == b.adc[k].mode &&
               bitsOf(a.adc[k].value) == bitsOf(b.adc[k].value) &&
               bitsOf(a.adc[k].average) == bitsOf(b.adc[k].average);
    }
    return same;
}

// The measurement line assembled the slow way, field by field.
std::string expectedLine(const LogLineSettings& s, const ClockReading& c, std::uint32_t count,
                         const Measurement& m) {
    using std::to_string;
    std::string line;
    auto field = [&line](const std::string& text) { line += text + ';'; };
    if (s.has(LogColumn::Date)) {
        field(to_string(c.day) + '-' + to_string(c.month) + '-' + to_string(c.year));
    }
    if (s.has(LogColumn::Time)) {
        field(to_string(c.hour) + ':' + to_string(c.minute) + ':' + to_string(c.second) + ':' +
              to_string(c.millisecond));
    }
    if (s.has(LogColumn::Counter)) {
        field(to_string(static_cast<std::int32_t>(count)));
    }
    if (s.has(LogColumn::CounterModulo)) {
        field(s.modDivisor == 0 ? std::string("---") : to_string(count % s.modDivisor));
    }
    const float numbers[] = {
        m.adc[0].value,    m.adc[1].value,    m.adc[2].value,    m.adc[3].value,
        m.adc[0].average,  m.adc[1].average,  m.adc[2].average,  m.adc[3].average,
        m.enc[0].position, m.enc[1].position, m.enc[0].velocity, m.enc[1].velocity,
        m.math[0],         m.math[1],
    };
    for (std::size_t i = 0; i < std::size(numbers); ++i) {
        if (s.columns.test(static_cast<std::size_t>(LogColumn::Adc1) + i)) {
            field(FormatValueUtf8(numbers[i], s.decimals, s.decimalSeparator));
        }
    }
    if (s.has(LogColumn::Output)) {
        for (int n = 0; n < 6; ++n) {
            field(m.outputOn(n) ? "HI" : "LO");
        }
    }
    return line + "\r\n";
}

// The module's end of the command sender: checks the framing of every command.
class CheckingDevice : public OutputReportDevice {
public:
    std::size_t length = 0;
    bool failing = false;
    CommandKind kind = CommandKind::ReadRequest;
    std::vector<std::uint8_t> payload;
    int writes = 0;

    std::size_t outputReportLength() override {
        if (failing) {
            throw std::runtime_error("unplugged");
        }
        return length;
    }

    bool writeOutputReport(std::span<const std::uint8_t> report) override {
        VOLTRIX_FUZZ_CHECK(report.size() == length);
        for (std::size_t i = 0; i < report.size(); ++i) {
            std::uint8_t expected = 0;
            if (i == 0) {
                expected = kOutputReportId;
            } else if (i == 1) {
                expected = static_cast<std::uint8_t>(kind);
            } else if (i - 2 < payload.size()) {
                expected = payload[i - 2];
            }
            VOLTRIX_FUZZ_CHECK(report[i] == expected);
        }
        ++writes;
        return true;
    }
};

enum class Dispatch { None, Measurement, Parameter, RuleAcknowledged, Status };

class Harness : public ReportObserver {
public:
    Harness() : receiver_(*this, [this] { return clock_; }) {}

    void run(InputReader& in) {
        LogLineSettings& settings = receiver_.logSettings();
        settings.columns = in.take<std::uint32_t>() & kColumnMask;
        settings.decimals = in.take<std::int8_t>();
        settings.decimalSeparator = kSeparators[in.take<std::uint8_t>() % kSeparators.size()];
        const auto flags = in.take<std::uint8_t>();
        in.take<std::uint8_t>();
        settings.modDivisor = in.take<std::uint32_t>();
        // Up to 4 KiB: every length a descriptor gives is handled alike, and
        // the check of each written byte stays cheap.
        device_.length = in.take<std::uint16_t>() % 4097;
        device_.failing = (flags & 4) != 0;
        sender_.setDevice((flags & 2) != 0 ? &device_ : nullptr);
        setLanguage((flags & 1) != 0 ? Language::English : Language::Polish);
        clock_.year = in.take<std::int32_t>();
        for (int* field : {&clock_.month, &clock_.day, &clock_.hour, &clock_.minute, &clock_.second,
                           &clock_.millisecond}) {
            *field = in.take<std::int16_t>();
        }

        while (in.remaining() > 0) {
            const auto op = in.take<std::uint8_t>();
            if ((op & kNewColumns) != 0) {
                settings.columns = in.take<std::uint32_t>() & kColumnMask;
            }
            if ((op & kNewNumbers) != 0) {
                settings.decimals = in.take<std::int8_t>();
                settings.modDivisor = in.take<std::uint32_t>();
            }
            receive(in.takeSized());
            if ((op & kTakeCounts) != 0) {
                takeCounts();
            }
            if ((op & kToggleLanguage) != 0) {
                setLanguage(activeLanguage() == Language::Polish ? Language::English
                                                                 : Language::Polish);
            }
            ++clock_.millisecond;
        }
    }

    // --- ReportObserver: what the window does with a dispatched report ------

    void AppendLogLine(std::string_view line) override {
        VOLTRIX_FUZZ_CHECK(take(Dispatch::Measurement));
        const Measurement expected = expectedMeasurement(shadow_);
        VOLTRIX_FUZZ_CHECK(sameBits(receiver_.measurement(), expected));
        VOLTRIX_FUZZ_CHECK(
            line == expectedLine(receiver_.logSettings(), clock_, measurementCount_, expected));
        VOLTRIX_FUZZ_CHECK(line.find_first_of("\r\n") == line.size() - 2);
    }

    void parameterReportReceived(const LastReport& report) override {
        VOLTRIX_FUZZ_CHECK(take(Dispatch::Parameter));
        VOLTRIX_FUZZ_CHECK(report == shadow_);
        const ParamReportView view(report);
        const std::uint8_t id = report[kParamReportIdByte];
        const std::uint8_t ch = report[kParamReportChannelByte];
        if (id == static_cast<std::uint8_t>(ParamId::OutputRule)) {
            ruleReport(view, ch);
            return;
        }
        if (!acceptsParameterReport(id, ch)) {
            return;
        }
        const auto paramId = paramIdFromByte(id);
        VOLTRIX_FUZZ_CHECK(paramId.has_value());
        const int channels = channelCount(*paramId);
        // Per-channel parameters index tables of `channels` controls with `ch`.
        VOLTRIX_FUZZ_CHECK(channels == 1 || ch < channels);
        VOLTRIX_FUZZ_CHECK(*paramId != ParamId::DiagStats || ch == 0);
        const std::uint8_t byte = report[kParamReportValueByte];
        switch (*paramId) {
            case ParamId::MathMode:
                select(ch == 0 ? ValueList::MathModes1 : ValueList::MathModes2, byte);
                break;
            case ParamId::MathRegisterMode:
                select(ch == 0 ? ValueList::RegisterModes1 : ValueList::RegisterModes2, byte);
                break;
            case ParamId::TriggerMode:
                select(ValueList::TriggerModes, byte);
                break;
            case ParamId::ModbusBaud:
                select(ValueList::BaudRates, byte);
                break;
            case ParamId::TrigMasterMode:
                select(ValueList::TriggerInputModes, byte);
                break;
            case ParamId::TrigMasterType:
                select(ValueList::Registers, byte);
                break;
            case ParamId::MathFactor:
                real(readFloatLe(view, kParamReportValueByte), 4);
                break;
            case ParamId::TriggerTime:
            case ParamId::TriggerFilter:
                VOLTRIX_FUZZ_CHECK(readInt32Le(view, kParamReportValueByte) ==
                                   static_cast<std::int32_t>(report[3] | report[4] << 8 |
                                                             report[5] << 16 |
                                                             std::uint32_t{report[6]} << 24));
                break;
            case ParamId::AdcBlock:
                adcBlock(view);
                break;
            case ParamId::EncBlock:
                encBlock(view);
                break;
            case ParamId::ModbusAddress:
                modbusAddress(byte);
                break;
            case ParamId::FirmwareVersion:
                firmwareVersion(view);
                break;
            case ParamId::DiagStats:
                diagStats(view);
                break;
            case ParamId::Temperature:
                temperature(view);
                break;
            default:
                // Every other identifier is turned away by acceptsParameterReport.
                VOLTRIX_FUZZ_CHECK(false);
        }
    }

    void outputRuleAcknowledged(std::uint8_t channel) override {
        VOLTRIX_FUZZ_CHECK(take(Dispatch::RuleAcknowledged));
        VOLTRIX_FUZZ_CHECK(channel == shadow_[2] && channel + 1u < kOutputRuleRows);
        // The write chain: the next rule goes out.
        send(writeOutputRule(static_cast<std::uint8_t>(channel + 1), rules_[channel + 1]));
    }

    void writeAcknowledged(std::uint8_t paramId, std::uint8_t channel) override {
        VOLTRIX_FUZZ_CHECK(take(Dispatch::Status));
        VOLTRIX_FUZZ_CHECK(paramId == shadow_[1] && channel == shadow_[2]);
        const QString text = acknowledgementText(paramId, channel);
        const QString tail = QLatin1Char('[') + QString::number(shadow_[1]) + QStringLiteral("][") +
                             QString::number(shadow_[2]) + QLatin1Char(']');
        VOLTRIX_FUZZ_CHECK(text.endsWith(tail) && text.size() > tail.size());
    }

private:
    void receive(std::span<const std::uint8_t> data) {
        const std::uint32_t reportsBefore = receiver_.reportCount();
        const std::size_t kept = std::min(data.size(), shadow_.size());
        std::copy_n(data.begin(), kept, shadow_.begin());  // the rest stays as it was
        expected_ = Dispatch::None;
        if (kept > 0) {
            switch (shadow_[0]) {
                case 0:
                    expected_ = Dispatch::Measurement;
                    break;
                case 1:
                    expected_ = Dispatch::Parameter;
                    break;
                case 2:
                    expected_ = shadow_[1] == static_cast<std::uint8_t>(ParamId::OutputRule) && shadow_[2] < 5
                                    ? Dispatch::RuleAcknowledged
                                    : Dispatch::Status;
                    break;
                default:
                    break;
            }
        }
        const bool measurement = expected_ == Dispatch::Measurement;
        receiver_.ReportReceived(data);
        VOLTRIX_FUZZ_CHECK(expected_ == Dispatch::None);  // the one expected call came
        VOLTRIX_FUZZ_CHECK(receiver_.reportCount() == reportsBefore + 1);
        VOLTRIX_FUZZ_CHECK(receiver_.lastReport() == shadow_);
        if (measurement) {
            ++measurementCount_;
            chartPointDue_ = true;
        }
        VOLTRIX_FUZZ_CHECK(receiver_.measurementCount() == measurementCount_);
    }

    void takeCounts() {
        const std::uint32_t reports = receiver_.reportCount();
        VOLTRIX_FUZZ_CHECK(receiver_.takeChartPointDue() == chartPointDue_);
        chartPointDue_ = false;
        const QString rate = reportRateText(reports, 1000, QStringLiteral(","));
        VOLTRIX_FUZZ_CHECK(rate.endsWith(QStringLiteral(" kHz")));
    }

    bool take(Dispatch dispatch) {
        const bool expected = expected_ == dispatch;
        expected_ = Dispatch::None;
        return expected;
    }

    void setLanguage(Language language) {
        if (activeLanguage() != language) {
            VOLTRIX_FUZZ_CHECK(setActiveLanguage(language));
        }
    }

    void send(const CommandPayload& payload) {
        device_.kind = payload.kind;
        device_.payload.assign(payload.view().begin(), payload.view().end());
        const int writesBefore = device_.writes;
        sender_.SendCommand(payload.kind, payload.view());
        const bool written = sender_.connected() && !device_.failing;
        VOLTRIX_FUZZ_CHECK(device_.writes == writesBefore + (written ? 1 : 0));
    }

    QString separator() const {
        return QString::fromStdString(receiver_.logSettings().decimalSeparator);
    }

    void select(ValueList list, std::uint8_t byte) {
        const int size = listSize(list);
        const int index = selectionIndex(byte, size);
        VOLTRIX_FUZZ_CHECK(index >= -1 && index < size);
        VOLTRIX_FUZZ_CHECK(index == (byte < size ? byte : -1));
        const QStringList entries = listEntries(list);
        VOLTRIX_FUZZ_CHECK(entries.size() == size);
    }

    void real(float value, int decimals) {
        const QString text = FormatValue(value, decimals, separator());
        VOLTRIX_FUZZ_CHECK(!text.isEmpty() &&
                           text.toUtf8().size() <= qsizetype{kFormatValueCapacity});
    }

    void ruleReport(ParamReportView view, std::uint8_t ch) {
        if (ch >= kOutputRuleRows) {
            return;
        }
        const OutputRule rule = decodeOutputRuleReport(view);
        const auto encoded = encodeOutputRule(rule);
        VOLTRIX_FUZZ_CHECK(
            std::equal(encoded.begin(), encoded.end(), view.begin() + kParamReportValueByte));
        rules_[ch] = rule;
        select(ValueList::OutputSources, rule.source);
        select(ValueList::Comparisons, rule.compare1);
        select(ValueList::Comparisons, rule.compare2);
        select(ValueList::Logic, rule.logic);
        select(ValueList::OutputStates, rule.state);
        real(rule.value1, 4);
        real(rule.value2, 4);
        // The read chain: the next rule is asked for.
        if (ch + 1u < kOutputRuleRows) {
            send(readRequest(ParamId::OutputRule, static_cast<std::uint8_t>(ch + 1)));
        }
    }

    void adcBlock(ParamReportView view) {
        const AdcBlockValues block = decodeAdcBlock(view);
        VOLTRIX_FUZZ_CHECK(block.mode == view[3]);
        VOLTRIX_FUZZ_CHECK(block.filter1 == readInt32Le(view, 4));
        VOLTRIX_FUZZ_CHECK(bitsOf(block.offset2) == bitsOf(floatAt(shadow_, 20)));
        select(ValueList::AdcModes, block.mode);
        for (float value : {block.coeff, block.offset1, block.offset2}) {
            real(value, 4);
        }
    }

    void encBlock(ParamReportView view) {
        const EncBlockValues block = decodeEncBlock(view);
        VOLTRIX_FUZZ_CHECK(block.mode == view[3]);
        VOLTRIX_FUZZ_CHECK(block.resolution == readInt32Le(view, 8));
        VOLTRIX_FUZZ_CHECK(bitsOf(block.offset) == bitsOf(floatAt(shadow_, 16)));
        select(ValueList::EncoderModes, block.mode);
        for (float value : {block.coeff, block.offset}) {
            real(value, 4);
        }
    }

    void modbusAddress(std::uint8_t byte) {
        const int index = modbusAddressIndex(byte);
        const QStringList entries = listEntries(ValueList::ModbusAddresses);
        VOLTRIX_FUZZ_CHECK(entries.size() == kModbusAddressCount);
        VOLTRIX_FUZZ_CHECK(index >= -1 && index < entries.size());
        if (index >= 0) {
            VOLTRIX_FUZZ_CHECK(entries[index] == QString::number(byte));
        }
    }

    void firmwareVersion(ParamReportView view) {
        const QString text = decodeFirmwareVersion(view);
        VOLTRIX_FUZZ_CHECK(text.size() <= 4);
        for (qsizetype i = 0; i < text.size(); ++i) {
            VOLTRIX_FUZZ_CHECK(text[i] != QChar(0) && text[i].unicode() == view[3 + i]);
        }
        VOLTRIX_FUZZ_CHECK(text.size() == 4 || view[3 + text.size()] == 0);
        // The window asks for the temperature next.
        const std::array<std::uint8_t, 2> request{static_cast<std::uint8_t>(ParamId::Temperature),
                                                  0};
        device_.kind = CommandKind::ReadRequest;
        device_.payload.assign(request.begin(), request.end());
        const int writesBefore = device_.writes;
        sender_.RequestParameter(request[0], request[1]);
        VOLTRIX_FUZZ_CHECK(device_.writes ==
                           writesBefore + (sender_.connected() && !device_.failing ? 1 : 0));
    }

    void diagStats(ParamReportView view) {
        const DiagStats stats = decodeDiagStats(view);
        for (std::size_t i = 0; i < stats.counters.size(); ++i) {
            const std::size_t b = 3 + 4 * i;
            const auto expected = static_cast<std::int32_t>(
                std::uint32_t{view[b]} << 24 | view[b + 1] << 16 | view[b + 2] << 8 | view[b + 3]);
            VOLTRIX_FUZZ_CHECK(stats.counters[i] == expected);
        }
        const QStringList lines = diagStatsLines(stats, separator());
        VOLTRIX_FUZZ_CHECK(lines.size() == kDiagStatsLineCount);
        for (std::size_t i = 0; i < stats.counters.size(); ++i) {
            VOLTRIX_FUZZ_CHECK(lines[1 + i].endsWith(QString::number(stats.counters[i])));
        }
    }

    void temperature(ParamReportView view) {
        const std::int16_t tenths = decodeTemperatureTenths(view);
        VOLTRIX_FUZZ_CHECK(tenths == static_cast<std::int16_t>(view[3] << 8 | view[4]));
        real(tenthsToDegrees(tenths), 1);
    }

    ReportReceiver receiver_;
    ClockReading clock_;
    CheckingDevice device_;
    CommandSender sender_;

    LastReport shadow_{};  // what the last-report buffer must hold
    Dispatch expected_ = Dispatch::None;
    std::uint32_t measurementCount_ = 0;
    bool chartPointDue_ = false;
    std::array<OutputRule, kOutputRuleRows> rules_{};
};

}  // namespace
}  // namespace voltrix::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The English catalogue is installed on the application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    voltrix::fuzz::InputReader in({data, size});
    voltrix::fuzz::Harness harness;
    harness.run(in);
    return 0;
}
