// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The module's configuration parameters: their identifiers, channel counts and
// value ranges, the payloads of the commands that write and read them, and the
// decoding of the parameter reports the module answers with.
//
// Every exchange carries one parameter record: a ParamId byte, a 0-based
// channel byte, then the value. Selections travel as one byte (the list index),
// integers as 32-bit signed little-endian, reals as IEEE 754 single precision
// little-endian. Only DiagStats and Temperature carry big-endian numbers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include <QString>

#include "engine/protocol/byte_order.h"
#include "engine/protocol/measurement.h"
#include "engine/protocol/report_framing.h"

namespace voltrix {

enum class ParamId : std::uint8_t {
    AdcMode = 1,
    AdcFilter1 = 2,
    AdcFilter2 = 3,
    AdcCoeff = 4,
    AdcOffset1 = 5,
    EncMode = 6,
    EncGateTime = 7,
    EncResolution = 8,
    EncCoeff = 9,
    EncOffset = 10,
    MathMode = 11,
    MathFactor = 12,
    TriggerMode = 13,
    TriggerTime = 14,
    TriggerFilter = 15,
    OutputRule = 16,
    AdcBlock = 17,
    EncBlock = 18,
    EncClear = 20,
    MathCalib = 21,
    ModbusAddress = 23,
    ModbusBaud = 24,
    MathRegisterMode = 25,
    AdcOffset2 = 26,
    FirmwareVersion = 27,
    TrigMasterMode = 28,
    TrigMasterType = 29,
    DiagStats = 30,
    Temperature = 31,
};

// The identifier for a byte of the wire, or nothing for a byte the module's
// protocol does not define (0, 19, 22, 32 and above).
std::optional<ParamId> paramIdFromByte(std::uint8_t byte);

// --- Catalogue -------------------------------------------------------------

// Channels of a parameter: 4 analogue inputs, 2 encoders, 2 math channels,
// 6 transistor outputs, 2 trigger registers; 1 for a parameter without
// channels (which always travels with channel 0).
int channelCount(ParamId id);

// How the value of a write command for the parameter is encoded.
enum class WriteValueKind {
    Selection,      // one byte: the list index
    Integer,        // 32-bit signed little-endian
    Real,           // single precision little-endian
    ModbusAddress,  // one byte: the address, i.e. list index + 1
    OutputRule,     // the 13 bytes of an OutputRule
    None,           // the command has no value (EncClear)
    NeverWritten,   // read-only parameter, no write command exists
};

WriteValueKind writeValueKind(ParamId id);

// Whether a parameter report with this identifier byte is answered into the
// window. Reports of the parameters read only through AdcBlock and EncBlock
// (1..10, 26), of EncClear and MathCalib (20, 21), of 19 and 22 and of any
// identifier outside 11..31 change nothing.
bool isReadBackParameter(std::uint8_t paramIdByte);

// Whether a parameter report with these identifier and channel bytes is
// handled. A per-channel parameter whose channel is beyond its channel count is
// ignored, so that no report reaches past the per-channel controls. DiagStats
// is handled only with channel 0; the other parameters without channels do not
// look at the channel byte.
bool acceptsParameterReport(std::uint8_t paramIdByte, std::uint8_t channel);

// --- Integer ranges --------------------------------------------------------

struct IntRange {
    std::int32_t min = 0;
    std::int32_t max = 0;
};

// The range the window enforces before writing an integer parameter; nothing
// for parameters that are not integers.
std::optional<IntRange> integerRange(ParamId id);

struct ClampResult {
    std::int32_t value = 0;
    bool clamped = false;  // value was replaced by the nearest bound
};

ClampResult clampToRange(std::int32_t value, IntRange range);

// --- Command payloads ------------------------------------------------------

// The bytes of one command after the command kind: ParamId, channel and the
// value. At most 15 bytes (an output rule write).
struct CommandPayload {
    static constexpr std::size_t kCapacity = 15;

    CommandKind kind = CommandKind::WriteCommand;
    std::array<std::uint8_t, kCapacity> bytes{};
    std::size_t size = 0;

    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }

    bool operator==(const CommandPayload&) const = default;
};

// Read request: ParamId, channel.
CommandPayload readRequest(ParamId id, std::uint8_t channel);

// Selection write: the low 8 bits of the list index, so that no selection
// (index -1) goes out as 255. Not checked against the list length.
CommandPayload writeSelection(ParamId id, std::uint8_t channel, int listIndex);

CommandPayload writeInteger(ParamId id, std::uint8_t channel, std::int32_t value);

CommandPayload writeReal(ParamId id, std::uint8_t channel, float value);

// ModbusAddress write on channel 0: the address (list index + 1), low 8 bits.
CommandPayload writeModbusAddress(int listIndex);

// EncClear: ParamId and channel only.
CommandPayload writeEncClear(std::uint8_t channel);

// --- Output rules ----------------------------------------------------------

// One rule of a transistor output. The wire order is source, compare1,
// compare2, logic, state, value1, value2 (compare2 before logic).
struct OutputRule {
    std::uint8_t source = 0;
    std::uint8_t compare1 = 0;
    std::uint8_t compare2 = 0;
    std::uint8_t logic = 0;
    std::uint8_t state = 0;
    float value1 = 0.0f;
    float value2 = 0.0f;

    bool operator==(const OutputRule&) const = default;
};

inline constexpr std::size_t kOutputRuleSize = 13;

std::array<std::uint8_t, kOutputRuleSize> encodeOutputRule(const OutputRule& rule);
OutputRule decodeOutputRule(std::span<const std::uint8_t, kOutputRuleSize> bytes);

// OutputRule write: 16, channel, the 13 bytes of the rule.
CommandPayload writeOutputRule(std::uint8_t channel, const OutputRule& rule);

// --- Parameter reports -----------------------------------------------------

// A parameter report as kept by the report handler: byte 0 = report type 1,
// byte 1 = ParamId, byte 2 = channel, the value from byte 3 on.
using ParamReportView = std::span<const std::uint8_t, kLastReportSize>;

inline constexpr std::size_t kParamReportIdByte = 1;
inline constexpr std::size_t kParamReportChannelByte = 2;
inline constexpr std::size_t kParamReportValueByte = 3;

// The list index selected by a selection byte in a list of `listSize` entries;
// -1 (no selection) when the byte lies beyond the end of the list.
int selectionIndex(std::uint8_t byte, int listSize);

// The MODBUS addresses 1..247 offered to the user.
inline constexpr int kModbusAddressCount = 247;

// The MODBUS address list index for an address byte: byte - 1, or -1 when that
// is not an entry of the list (byte 0, or beyond the last address).
int modbusAddressIndex(std::uint8_t byte);

// The single-value reports carry their number at kParamReportValueByte (read
// with the functions above); the block reports have layouts of their own.

// AdcBlock (17): all settings of one analogue input.
struct AdcBlockValues {
    std::uint8_t mode = 0;  // AdcMode selection byte
    std::int32_t filter1 = 0;
    std::int32_t filter2 = 0;
    float coeff = 0.0f;
    float offset1 = 0.0f;
    float offset2 = 0.0f;
};

AdcBlockValues decodeAdcBlock(ParamReportView report);

// EncBlock (18): all settings of one encoder.
struct EncBlockValues {
    std::uint8_t mode = 0;  // EncMode selection byte
    std::int32_t gateTime = 0;
    std::int32_t resolution = 0;
    float coeff = 0.0f;
    float offset = 0.0f;
};

EncBlockValues decodeEncBlock(ParamReportView report);

// OutputRule report: the rule at bytes 3..15.
OutputRule decodeOutputRuleReport(ParamReportView report);

// FirmwareVersion (27): four 8-bit characters at bytes 3..6, shown up to the
// first zero byte.
QString decodeFirmwareVersion(ParamReportView report);

// DiagStats (30): the MODBUS statistics of the module and its temperatures.
struct DiagStats {
    std::array<std::int32_t, 9> counters{};      // big-endian at bytes 3..38
    std::array<std::int16_t, 3> temperatures{};  // tenths, big-endian at 39..44
};

DiagStats decodeDiagStats(ParamReportView report);

// The labels of the statistics, in the order of the record.
inline constexpr std::array<std::string_view, 9> kDiagStatsCounterLabels = {
    "BC:  ", "FRA: ", "FRC: ", "TC:  ", "FE:  ", "ORE: ", "NE:  ", "PE:  ", "ID:  ",
};
inline constexpr std::array<std::string_view, 3> kDiagStatsTemperatureLabels = {
    "T:   ",
    "TMI: ",
    "TMX: ",
};

// Temperature (31): tenths of a degree, signed big-endian at bytes 3..4.
std::int16_t decodeTemperatureTenths(ParamReportView report);

constexpr double tenthsToDegrees(std::int16_t tenths) {
    return tenths * 0.1;
}

}  // namespace voltrix
