// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/parameters/parameters.h"

#include <algorithm>
#include <cassert>

namespace voltrix {
namespace {

// Assembles a payload: ParamId, channel, then value bytes appended in order.
class PayloadBuilder {
public:
    PayloadBuilder(CommandKind kind, ParamId id, std::uint8_t channel) {
        payload_.kind = kind;
        append(static_cast<std::uint8_t>(id));
        append(channel);
    }

    PayloadBuilder& append(std::uint8_t byte) {
        assert(payload_.size < CommandPayload::kCapacity);
        payload_.bytes[payload_.size++] = byte;
        return *this;
    }

    PayloadBuilder& append(std::span<const std::uint8_t> bytes) {
        for (std::uint8_t byte : bytes) {
            append(byte);
        }
        return *this;
    }

    CommandPayload payload() const { return payload_; }

private:
    CommandPayload payload_;
};

}  // namespace

std::optional<ParamId> paramIdFromByte(std::uint8_t byte) {
    if (byte == 0 || byte == 19 || byte == 22 || byte > 31) {
        return std::nullopt;
    }
    return static_cast<ParamId>(byte);
}

int channelCount(ParamId id) {
    switch (id) {
        case ParamId::AdcMode:
        case ParamId::AdcFilter1:
        case ParamId::AdcFilter2:
        case ParamId::AdcCoeff:
        case ParamId::AdcOffset1:
        case ParamId::AdcOffset2:
        case ParamId::AdcBlock:
            return 4;
        case ParamId::EncMode:
        case ParamId::EncGateTime:
        case ParamId::EncResolution:
        case ParamId::EncCoeff:
        case ParamId::EncOffset:
        case ParamId::EncBlock:
        case ParamId::EncClear:
            return 2;
        case ParamId::MathMode:
        case ParamId::MathFactor:
        case ParamId::MathCalib:
        case ParamId::MathRegisterMode:
            return 2;
        case ParamId::OutputRule:
            return static_cast<int>(kOutputCount);
        case ParamId::TrigMasterType:
            return 2;
        case ParamId::TriggerMode:
        case ParamId::TriggerTime:
        case ParamId::TriggerFilter:
        case ParamId::ModbusAddress:
        case ParamId::ModbusBaud:
        case ParamId::FirmwareVersion:
        case ParamId::TrigMasterMode:
        case ParamId::DiagStats:
        case ParamId::Temperature:
            return 1;
    }
    return 1;
}

WriteValueKind writeValueKind(ParamId id) {
    switch (id) {
        case ParamId::AdcMode:
        case ParamId::EncMode:
        case ParamId::MathMode:
        case ParamId::TriggerMode:
        case ParamId::ModbusBaud:
        case ParamId::MathRegisterMode:
        case ParamId::TrigMasterMode:
        case ParamId::TrigMasterType:
            return WriteValueKind::Selection;
        case ParamId::AdcFilter1:
        case ParamId::AdcFilter2:
        case ParamId::EncGateTime:
        case ParamId::EncResolution:
        case ParamId::TriggerTime:
        case ParamId::TriggerFilter:
            return WriteValueKind::Integer;
        case ParamId::AdcCoeff:
        case ParamId::AdcOffset1:
        case ParamId::AdcOffset2:
        case ParamId::EncCoeff:
        case ParamId::EncOffset:
        case ParamId::MathFactor:
        case ParamId::MathCalib:
            return WriteValueKind::Real;
        case ParamId::ModbusAddress:
            return WriteValueKind::ModbusAddress;
        case ParamId::OutputRule:
            return WriteValueKind::OutputRule;
        case ParamId::EncClear:
            return WriteValueKind::None;
        case ParamId::AdcBlock:
        case ParamId::EncBlock:
        case ParamId::FirmwareVersion:
        case ParamId::DiagStats:
        case ParamId::Temperature:
            return WriteValueKind::NeverWritten;
    }
    return WriteValueKind::NeverWritten;
}

bool isReadBackParameter(std::uint8_t paramIdByte) {
    if (paramIdByte < 11 || paramIdByte > 31) {
        return false;
    }
    return !(paramIdByte >= 19 && paramIdByte <= 22) && paramIdByte != 26;
}

bool acceptsParameterReport(std::uint8_t paramIdByte, std::uint8_t channel) {
    if (!isReadBackParameter(paramIdByte)) {
        return false;
    }
    const ParamId id = static_cast<ParamId>(paramIdByte);
    if (id == ParamId::DiagStats) {
        return channel == 0;
    }
    const int channels = channelCount(id);
    return channels == 1 || channel < channels;
}

std::optional<IntRange> integerRange(ParamId id) {
    switch (id) {
        case ParamId::AdcFilter1:
            return IntRange{1, 700};
        case ParamId::AdcFilter2:
        case ParamId::EncGateTime:
        case ParamId::TriggerTime:
            return IntRange{1, 60000};
        case ParamId::EncResolution:
            return IntRange{1, 10000};
        case ParamId::TriggerFilter:
            return IntRange{0, 60000};
        default:
            return std::nullopt;
    }
}

ClampResult clampToRange(std::int32_t value, IntRange range) {
    const std::int32_t clamped = std::min(std::max(value, range.min), range.max);
    return {clamped, clamped != value};
}

CommandPayload readRequest(ParamId id, std::uint8_t channel) {
    return PayloadBuilder(CommandKind::ReadRequest, id, channel).payload();
}

CommandPayload writeSelection(ParamId id, std::uint8_t channel, int listIndex) {
    return PayloadBuilder(CommandKind::WriteCommand, id, channel)
        .append(static_cast<std::uint8_t>(listIndex & 0xFF))
        .payload();
}

CommandPayload writeInteger(ParamId id, std::uint8_t channel, std::int32_t value) {
    return PayloadBuilder(CommandKind::WriteCommand, id, channel).append(int32Le(value)).payload();
}

CommandPayload writeReal(ParamId id, std::uint8_t channel, float value) {
    return PayloadBuilder(CommandKind::WriteCommand, id, channel).append(floatLe(value)).payload();
}

CommandPayload writeModbusAddress(int listIndex) {
    return writeSelection(ParamId::ModbusAddress, 0, listIndex + 1);
}

CommandPayload writeEncClear(std::uint8_t channel) {
    return PayloadBuilder(CommandKind::WriteCommand, ParamId::EncClear, channel).payload();
}

std::array<std::uint8_t, kOutputRuleSize> encodeOutputRule(const OutputRule& rule) {
    std::array<std::uint8_t, kOutputRuleSize> bytes{};
    bytes[0] = rule.source;
    bytes[1] = rule.compare1;
    bytes[2] = rule.compare2;
    bytes[3] = rule.logic;
    bytes[4] = rule.state;
    const auto value1 = floatLe(rule.value1);
    const auto value2 = floatLe(rule.value2);
    std::copy(value1.begin(), value1.end(), bytes.begin() + 5);
    std::copy(value2.begin(), value2.end(), bytes.begin() + 9);
    return bytes;
}

OutputRule decodeOutputRule(std::span<const std::uint8_t, kOutputRuleSize> bytes) {
    OutputRule rule;
    rule.source = bytes[0];
    rule.compare1 = bytes[1];
    rule.compare2 = bytes[2];
    rule.logic = bytes[3];
    rule.state = bytes[4];
    rule.value1 = readFloatLe(bytes, 5);
    rule.value2 = readFloatLe(bytes, 9);
    return rule;
}

CommandPayload writeOutputRule(std::uint8_t channel, const OutputRule& rule) {
    return PayloadBuilder(CommandKind::WriteCommand, ParamId::OutputRule, channel)
        .append(encodeOutputRule(rule))
        .payload();
}

int selectionIndex(std::uint8_t byte, int listSize) {
    return byte < listSize ? byte : -1;
}

int modbusAddressIndex(std::uint8_t byte) {
    const int index = byte - 1;
    return index >= 0 && index < kModbusAddressCount ? index : -1;
}

AdcBlockValues decodeAdcBlock(ParamReportView report) {
    AdcBlockValues block;
    block.mode = report[3];
    block.filter1 = readInt32Le(report, 4);
    block.filter2 = readInt32Le(report, 8);
    block.coeff = readFloatLe(report, 12);
    block.offset1 = readFloatLe(report, 16);
    block.offset2 = readFloatLe(report, 20);
    return block;
}

EncBlockValues decodeEncBlock(ParamReportView report) {
    EncBlockValues block;
    block.mode = report[3];
    block.gateTime = readInt32Le(report, 4);
    block.resolution = readInt32Le(report, 8);
    block.coeff = readFloatLe(report, 12);
    block.offset = readFloatLe(report, 16);
    return block;
}

OutputRule decodeOutputRuleReport(ParamReportView report) {
    return decodeOutputRule(report.subspan<kParamReportValueByte, kOutputRuleSize>());
}

QString decodeFirmwareVersion(ParamReportView report) {
    const auto text = report.subspan<kParamReportValueByte, 4>();
    const auto end = std::find(text.begin(), text.end(), std::uint8_t{0});
    return QString::fromLatin1(reinterpret_cast<const char*>(text.data()), end - text.begin());
}

DiagStats decodeDiagStats(ParamReportView report) {
    DiagStats stats;
    std::size_t offset = kParamReportValueByte;
    for (std::int32_t& counter : stats.counters) {
        counter = readInt32Be(report, offset);
        offset += 4;
    }
    for (std::int16_t& temperature : stats.temperatures) {
        temperature = readInt16Be(report, offset);
        offset += 2;
    }
    return stats;
}

std::int16_t decodeTemperatureTenths(ParamReportView report) {
    return readInt16Be(report, kParamReportValueByte);
}

}  // namespace voltrix
