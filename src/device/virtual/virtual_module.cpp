// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/virtual/virtual_module.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/protocol/byte_order.h"
#include "engine/protocol/quantities.h"

namespace voltrix {
namespace {

constexpr std::uint8_t kMeasurementType = 0;
constexpr std::uint8_t kParameterReportType = 1;
constexpr std::uint8_t kWriteAcknowledgementType = 2;

// Positions in an output report: report ID, command kind, ParamId, channel,
// then the value.
constexpr std::size_t kCommandKindByte = 1;
constexpr std::size_t kCommandIdByte = 2;
constexpr std::size_t kCommandChannelByte = 3;
constexpr std::size_t kCommandValueByte = 4;

// An input report under construction. Offsets count from the byte after the
// report ID, as in the layouts of the module's reports.
class ReportWriter {
public:
    explicit ReportWriter(std::uint8_t type) {
        report_[0] = VirtualModule::kReportId;
        report_[1] = type;
    }

    ReportWriter& byte(std::size_t offset, std::uint8_t value) {
        report_[offset + 1] = value;
        return *this;
    }

    ReportWriter& bytes(std::size_t offset, std::span<const std::uint8_t> values) {
        std::copy(values.begin(), values.end(), report_.begin() + offset + 1);
        return *this;
    }

    ReportWriter& real(std::size_t offset, float value) { return bytes(offset, floatLe(value)); }
    ReportWriter& integer(std::size_t offset, std::int32_t value) {
        return bytes(offset, int32Le(value));
    }

    // The diagnostic numbers are the only big-endian ones.
    ReportWriter& int32Be(std::size_t offset, std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (std::size_t i = 0; i < 4; ++i) {
            byte(offset + i, static_cast<std::uint8_t>(bits >> (24 - 8 * i)));
        }
        return *this;
    }
    ReportWriter& int16Be(std::size_t offset, std::int16_t value) {
        const auto bits = static_cast<std::uint16_t>(value);
        byte(offset, static_cast<std::uint8_t>(bits >> 8));
        return byte(offset + 1, static_cast<std::uint8_t>(bits));
    }

    const VirtualModule::Report& report() const { return report_; }

private:
    VirtualModule::Report report_{};
};

// The parameter report header: type 1, ParamId, channel; the value from 3 on.
ReportWriter parameterReport(ParamId id, std::uint8_t channel) {
    ReportWriter writer(kParameterReportType);
    writer.byte(1, static_cast<std::uint8_t>(id)).byte(2, channel);
    return writer;
}

// The signals on the analogue inputs, as fractions of the input range, at
// `seconds` on the module's clock: slow enough to follow on the indicators.
double adcWaveform(std::size_t input, double seconds) {
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    switch (input) {
        case 0:
            return 0.5 + 0.4 * std::sin(kTwoPi * seconds / 10.0);
        case 1:
            return 0.5 + 0.4 * std::sin(kTwoPi * seconds / 17.0 + 1.0);
        case 2: {
            const double phase = std::fmod(seconds / 30.0, 1.0);
            const double triangle = phase < 0.5 ? 2.0 * phase : 2.0 - 2.0 * phase;
            return 0.1 + 0.8 * triangle;
        }
        default:
            return 0.5 + 0.3 * std::sin(kTwoPi * seconds / 7.0) +
                   0.1 * std::sin(kTwoPi * seconds / 1.3);
    }
}

double adcFullScale(std::uint8_t mode) {
    return mode == 0 ? 10.0 : 20.0;  // volts or milliamperes
}

// Encoder 2 turns forward at a speed that varies slowly, in units per second.
double encoder2Speed(double seconds) {
    return 0.5 + 0.3 * std::sin(2.0 * std::numbers::pi * seconds / 20.0);
}

double perTimeUnit(std::uint8_t encoderMode) {
    return (encoderMode & 1u) != 0 ? 60.0 : 1.0;  // modes 1 and 3 are per minute
}

// The register M of a math channel.
double mathRegister(const VirtualMathSettings& math, double enc1, double enc2) {
    const double m = math.factor;
    switch (math.registerMode) {
        case 0:
            return m;
        case 1:
            return enc1;
        case 2:
            return enc2;
        case 3:
            return enc1 + enc2;
        case 4:
            return enc1 - enc2;
        case 5:
            return enc2 - enc1;
        case 6:
            return m * enc1;
        case 7:
            return m * enc2;
        case 8:
            return m * (enc1 + enc2);
        case 9:
            return m * (enc1 - enc2);
        case 10:
            return m * (enc2 - enc1);
        default:
            return 0.0;
    }
}

// The math formulas: modes 0..11 combine ADC1 and ADC2, modes 12..23 the same
// way ADC3 and ADC4. Unknown modes give 0.
double mathValue(std::uint8_t mode, double reg, const std::array<AdcReading, 4>& adc) {
    if (mode >= 24) {
        return 0.0;
    }
    const double a = mode < 12 ? adc[0].value : adc[2].value;
    const double b = mode < 12 ? adc[1].value : adc[3].value;
    switch (mode % 12) {
        case 0:
            return a + b;
        case 1:
            return a - b;
        case 2:
            return -a - b;
        case 3:
            return reg - a - b;
        case 4:
            return reg + a + b;
        case 5:
            return reg + a - b;
        case 6:
            return reg + a;
        case 7:
            return reg + b;
        case 8:
            return reg - a;
        case 9:
            return reg - b;
        case 10:
            return reg * (a + b);
        default:
            return reg * (a - b);
    }
}

// Comparison 0 is "smaller", anything else "larger"; strict, so a NaN value
// meets neither.
bool conditionHolds(std::uint8_t compare, float value, float threshold) {
    return compare == 0 ? value < threshold : value > threshold;
}

// Source 0 keeps the output off, source 1 on; sources 2..15 compare the
// quantity source - 2. Logic 1 requires both conditions, logic 2 either one,
// any other value condition 1 alone. When the conditions hold the output takes
// the rule's state, otherwise the opposite one.
bool outputOn(const OutputRule& rule, const Measurement& m) {
    if (rule.source == 0 || rule.source >= 2 + kQuantityCount) {
        return false;
    }
    if (rule.source == 1) {
        return true;
    }
    const float value = quantityValue(m, rule.source - 2u);
    const bool first = conditionHolds(rule.compare1, value, rule.value1);
    const bool second = conditionHolds(rule.compare2, value, rule.value2);
    bool holds = first;
    if (rule.logic == 1) {
        holds = first && second;
    } else if (rule.logic == 2) {
        holds = first || second;
    }
    return holds == (rule.state != 0);
}

}  // namespace

VirtualModule::VirtualModule(const VirtualModuleSettings& settings) : settings_(settings) {}

std::chrono::milliseconds VirtualModule::reportInterval() const {
    std::lock_guard lock(mutex_);
    return std::chrono::milliseconds(std::max(settings_.triggerTimeMs, 1));
}

VirtualModuleSettings VirtualModule::settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

std::optional<VirtualModule::Report> VirtualModule::handleOutputReport(
    std::span<const std::uint8_t> report) {
    Report command{};
    std::copy_n(report.begin(), std::min(report.size(), command.size()), command.begin());
    if (command[0] != kReportId) {
        return std::nullopt;
    }
    const std::optional<ParamId> id = paramIdFromByte(command[kCommandIdByte]);
    const std::uint8_t channel = command[kCommandChannelByte];
    if (!id || channel >= channelCount(*id)) {
        return std::nullopt;
    }

    std::lock_guard lock(mutex_);
    switch (static_cast<CommandKind>(command[kCommandKindByte])) {
        case CommandKind::ReadRequest:
            return answerRead(*id, channel);
        case CommandKind::WriteCommand: {
            if (writeValueKind(*id) == WriteValueKind::NeverWritten) {
                return std::nullopt;
            }
            applyWrite(*id, channel, std::span(command).subspan(kCommandValueByte));
            ReportWriter ack(kWriteAcknowledgementType);
            ack.byte(1, static_cast<std::uint8_t>(*id)).byte(2, channel);
            return ack.report();
        }
    }
    return std::nullopt;
}

void VirtualModule::applyWrite(ParamId id, std::uint8_t channel,
                               std::span<const std::uint8_t> value) {
    const std::uint8_t selection = value[0];
    const float real = readFloatLe(value, 0);
    // The module keeps its integers within the ranges it supports; an
    // interval of 0 ms or a filter of 0 samples would stall it.
    std::int32_t integer = readInt32Le(value, 0);
    if (const std::optional<IntRange> range = integerRange(id)) {
        integer = clampToRange(integer, *range).value;
    }

    VirtualModuleSettings& s = settings_;
    switch (id) {
        case ParamId::AdcMode:
            s.adc[channel].mode = selection;
            break;
        case ParamId::AdcFilter1:
            s.adc[channel].filter1 = integer;
            break;
        case ParamId::AdcFilter2:
            s.adc[channel].filter2 = integer;
            break;
        case ParamId::AdcCoeff:
            s.adc[channel].coeff = real;
            break;
        case ParamId::AdcOffset1:
            s.adc[channel].offset1 = real;
            break;
        case ParamId::AdcOffset2:
            s.adc[channel].offset2 = real;
            break;
        case ParamId::EncMode:
            s.enc[channel].mode = selection;
            break;
        case ParamId::EncGateTime:
            s.enc[channel].gateTime = integer;
            break;
        case ParamId::EncResolution:
            s.enc[channel].resolution = integer;
            break;
        case ParamId::EncCoeff:
            s.enc[channel].coeff = real;
            break;
        case ParamId::EncOffset:
            s.enc[channel].offset = real;
            break;
        case ParamId::EncClear:
            if (channel == 0) {
                encoder1Count_ = 0;
            } else {
                encoder2Raw_ = 0.0;
            }
            break;
        case ParamId::MathMode:
            s.math[channel].mode = selection;
            break;
        case ParamId::MathFactor:
            s.math[channel].factor = real;
            break;
        case ParamId::MathRegisterMode:
            s.math[channel].registerMode = selection;
            break;
        case ParamId::MathCalib:
            s.math[channel].calibration = real;
            break;
        case ParamId::TriggerMode:
            s.triggerMode = selection;
            break;
        case ParamId::TriggerTime:
            s.triggerTimeMs = integer;
            break;
        case ParamId::TriggerFilter:
            s.triggerFilterMs = integer;
            break;
        case ParamId::TrigMasterMode:
            s.trigMasterMode = selection;
            break;
        case ParamId::TrigMasterType:
            s.trigMasterType[channel] = selection;
            break;
        case ParamId::OutputRule:
            s.outputRules[channel] = decodeOutputRule(value.first<kOutputRuleSize>());
            break;
        case ParamId::ModbusAddress:
            s.modbusAddress = selection;
            break;
        case ParamId::ModbusBaud:
            s.modbusBaud = selection;
            break;
        case ParamId::AdcBlock:
        case ParamId::EncBlock:
        case ParamId::FirmwareVersion:
        case ParamId::DiagStats:
        case ParamId::Temperature:
            break;
    }
}

std::optional<VirtualModule::Report> VirtualModule::answerRead(ParamId id,
                                                               std::uint8_t channel) const {
    const VirtualModuleSettings& s = settings_;
    ReportWriter answer = parameterReport(id, channel);
    switch (id) {
        case ParamId::MathMode:
            answer.byte(3, s.math[channel].mode);
            break;
        case ParamId::MathFactor:
            answer.real(3, s.math[channel].factor);
            break;
        case ParamId::MathRegisterMode:
            answer.byte(3, s.math[channel].registerMode);
            break;
        case ParamId::TriggerMode:
            answer.byte(3, s.triggerMode);
            break;
        case ParamId::TriggerTime:
            answer.integer(3, s.triggerTimeMs);
            break;
        case ParamId::TriggerFilter:
            answer.integer(3, s.triggerFilterMs);
            break;
        case ParamId::TrigMasterMode:
            answer.byte(3, s.trigMasterMode);
            break;
        case ParamId::TrigMasterType:
            answer.byte(3, s.trigMasterType[channel]);
            break;
        case ParamId::OutputRule:
            answer.bytes(3, encodeOutputRule(s.outputRules[channel]));
            break;
        case ParamId::AdcBlock: {
            const VirtualAdcSettings& adc = s.adc[channel];
            answer.byte(3, adc.mode)
                .integer(4, adc.filter1)
                .integer(8, adc.filter2)
                .real(12, adc.coeff)
                .real(16, adc.offset1)
                .real(20, adc.offset2);
            break;
        }
        case ParamId::EncBlock: {
            const VirtualEncoderSettings& enc = s.enc[channel];
            answer.byte(3, enc.mode)
                .integer(4, enc.gateTime)
                .integer(8, enc.resolution)
                .real(12, enc.coeff)
                .real(16, enc.offset);
            break;
        }
        case ParamId::ModbusAddress:
            answer.byte(3, s.modbusAddress);
            break;
        case ParamId::ModbusBaud:
            answer.byte(3, s.modbusBaud);
            break;
        case ParamId::FirmwareVersion:
            for (std::size_t i = 0; i < kFirmwareVersion.size(); ++i) {
                answer.byte(3 + i, static_cast<std::uint8_t>(kFirmwareVersion[i]));
            }
            break;
        case ParamId::DiagStats:
            for (std::size_t i = 0; i < kDiagCounters.size(); ++i) {
                answer.int32Be(3 + 4 * i, kDiagCounters[i]);
            }
            for (std::size_t i = 0; i < kDiagTemperatures.size(); ++i) {
                answer.int16Be(39 + 2 * i, kDiagTemperatures[i]);
            }
            break;
        case ParamId::Temperature:
            answer.int16Be(3, kTemperatureTenths);
            break;
        default:
            // Read only inside the block reports, or never read at all.
            return std::nullopt;
    }
    return answer.report();
}

std::optional<VirtualModule::Report> VirtualModule::tick() {
    std::lock_guard lock(mutex_);
    const VirtualModuleSettings& s = settings_;
    const double intervalMs = std::max(s.triggerTimeMs, 1);
    timeMs_ += intervalMs;
    const double seconds = timeMs_ / 1000.0;

    Measurement m;

    // Analogue inputs: the signal in volts or milliamperes passes the
    // continuous filter, whose output feeds the averaging filter; both are
    // first-order filters of their configured length in samples. The scaling
    // is the module's: (ADC + offset 1) * coefficient + offset 2.
    for (std::size_t k = 0; k < 4; ++k) {
        const VirtualAdcSettings& adc = s.adc[k];
        const double raw = adcWaveform(k, seconds) * adcFullScale(adc.mode);
        if (!adcStarted_) {
            adcFiltered_[k] = raw;
        }
        adcFiltered_[k] += (raw - adcFiltered_[k]) / std::max(adc.filter1, 1);
        adcAverage_[k] += (adcFiltered_[k] - adcAverage_[k]) / std::max(adc.filter2, 1);
        m.adc[k].mode = adc.mode;
        m.adc[k].value =
            static_cast<float>((adcFiltered_[k] + adc.offset1) * adc.coeff + adc.offset2);
        m.adc[k].average =
            static_cast<float>((adcAverage_[k] + adc.offset1) * adc.coeff + adc.offset2);
    }
    adcStarted_ = true;

    // Encoder 1 moves one unit per report interval; encoder 2 turns slowly.
    // Scaling: ENC * coefficient + offset.
    const VirtualEncoderSettings& enc1 = s.enc[0];
    const VirtualEncoderSettings& enc2 = s.enc[1];
    m.enc[0].mode = enc1.mode & 3u;
    m.enc[0].position = static_cast<float>(encoder1Count_ * double{enc1.coeff} + enc1.offset);
    m.enc[0].velocity =
        static_cast<float>(1000.0 / intervalMs * enc1.coeff * perTimeUnit(enc1.mode));
    encoder1Count_ = (encoder1Count_ + 1) % kEncoder1Wrap;

    const double speed2 = encoder2Speed(seconds);
    encoder2Raw_ += speed2 * intervalMs / 1000.0;
    m.enc[1].mode = enc2.mode & 3u;
    m.enc[1].position = static_cast<float>(encoder2Raw_ * enc2.coeff + enc2.offset);
    m.enc[1].velocity = static_cast<float>(speed2 * enc2.coeff * perTimeUnit(enc2.mode));

    // The math channels compute with the values as reported.
    for (std::size_t k = 0; k < 2; ++k) {
        const double reg = mathRegister(s.math[k], m.enc[0].position, m.enc[1].position);
        m.math[k] = static_cast<float>(mathValue(s.math[k].mode, reg, m.adc));
    }

    // The outputs follow their rules on the values of this very report.
    for (std::size_t k = 0; k < s.outputRules.size(); ++k) {
        if (outputOn(s.outputRules[k], m)) {
            m.outputs |= static_cast<std::uint8_t>(1u << k);
        }
    }

    if (s.triggerMode != 0) {
        return std::nullopt;
    }

    ReportWriter report(kMeasurementType);
    report.byte(1, static_cast<std::uint8_t>(m.enc[0].mode | m.outputs << 2))
        .real(2, m.enc[0].velocity)
        .real(6, m.enc[0].position)
        .byte(10, m.enc[1].mode)
        .real(11, m.enc[1].velocity)
        .real(15, m.enc[1].position);
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t block = 19 + 9 * k;
        report.byte(block, m.adc[k].mode)
            .real(block + 1, m.adc[k].value)
            .real(block + 5, m.adc[k].average);
    }
    report.real(55, m.math[0]).real(59, m.math[1]);
    return report.report();
}

}  // namespace voltrix
