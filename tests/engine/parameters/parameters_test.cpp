// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/parameters/parameters.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace voltrix {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ReportBuffer = std::array<std::uint8_t, kLastReportSize>;

Bytes bytesOf(const CommandPayload& payload) {
    const auto view = payload.view();
    return Bytes(view.begin(), view.end());
}

// A parameter report as the module sends it: type 1, ParamId, channel, value.
// The rest of the buffer is filled with a non-zero byte, so that a decoder
// reading past its field shows.
ReportBuffer parameterReport(ParamId id, std::uint8_t channel,
                             std::initializer_list<std::uint8_t> value) {
    ReportBuffer report;
    report.fill(0xA5);
    report[0] = 1;
    report[1] = static_cast<std::uint8_t>(id);
    report[2] = channel;
    std::size_t i = kParamReportValueByte;
    for (std::uint8_t byte : value) {
        report[i++] = byte;
    }
    return report;
}

// --- Catalogue -------------------------------------------------------------

struct CatalogueCase {
    ParamId id;
    std::uint8_t wire;
    int channels;
    WriteValueKind kind;
    bool readBack;
};

constexpr CatalogueCase kCatalogue[] = {
    {ParamId::AdcMode, 1, 4, WriteValueKind::Selection, false},
    {ParamId::AdcFilter1, 2, 4, WriteValueKind::Integer, false},
    {ParamId::AdcFilter2, 3, 4, WriteValueKind::Integer, false},
    {ParamId::AdcCoeff, 4, 4, WriteValueKind::Real, false},
    {ParamId::AdcOffset1, 5, 4, WriteValueKind::Real, false},
    {ParamId::EncMode, 6, 2, WriteValueKind::Selection, false},
    {ParamId::EncGateTime, 7, 2, WriteValueKind::Integer, false},
    {ParamId::EncResolution, 8, 2, WriteValueKind::Integer, false},
    {ParamId::EncCoeff, 9, 2, WriteValueKind::Real, false},
    {ParamId::EncOffset, 10, 2, WriteValueKind::Real, false},
    {ParamId::MathMode, 11, 2, WriteValueKind::Selection, true},
    {ParamId::MathFactor, 12, 2, WriteValueKind::Real, true},
    {ParamId::TriggerMode, 13, 1, WriteValueKind::Selection, true},
    {ParamId::TriggerTime, 14, 1, WriteValueKind::Integer, true},
    {ParamId::TriggerFilter, 15, 1, WriteValueKind::Integer, true},
    {ParamId::OutputRule, 16, 6, WriteValueKind::OutputRule, true},
    {ParamId::AdcBlock, 17, 4, WriteValueKind::NeverWritten, true},
    {ParamId::EncBlock, 18, 2, WriteValueKind::NeverWritten, true},
    {ParamId::EncClear, 20, 2, WriteValueKind::None, false},
    {ParamId::MathCalib, 21, 2, WriteValueKind::Real, false},
    {ParamId::ModbusAddress, 23, 1, WriteValueKind::ModbusAddress, true},
    {ParamId::ModbusBaud, 24, 1, WriteValueKind::Selection, true},
    {ParamId::MathRegisterMode, 25, 2, WriteValueKind::Selection, true},
    {ParamId::AdcOffset2, 26, 4, WriteValueKind::Real, false},
    {ParamId::FirmwareVersion, 27, 1, WriteValueKind::NeverWritten, true},
    {ParamId::TrigMasterMode, 28, 1, WriteValueKind::Selection, true},
    {ParamId::TrigMasterType, 29, 2, WriteValueKind::Selection, true},
    {ParamId::DiagStats, 30, 1, WriteValueKind::NeverWritten, true},
    {ParamId::Temperature, 31, 1, WriteValueKind::NeverWritten, true},
};

TEST(ParameterCatalogue, EveryParameterHasItsNumberChannelsEncodingAndReadBack) {
    for (const CatalogueCase& c : kCatalogue) {
        SCOPED_TRACE(static_cast<int>(c.wire));
        EXPECT_EQ(static_cast<std::uint8_t>(c.id), c.wire);
        EXPECT_EQ(paramIdFromByte(c.wire), c.id);
        EXPECT_EQ(channelCount(c.id), c.channels);
        EXPECT_EQ(writeValueKind(c.id), c.kind);
        EXPECT_EQ(isReadBackParameter(c.wire), c.readBack);
    }
}

TEST(ParameterCatalogue, BytesOutsideTheCatalogueAreNoParametersAndNotReadBack) {
    for (int byte = 0; byte <= 255; ++byte) {
        bool listed = false;
        for (const CatalogueCase& c : kCatalogue) {
            listed = listed || c.wire == byte;
        }
        if (listed) {
            continue;
        }
        SCOPED_TRACE(byte);
        EXPECT_EQ(paramIdFromByte(static_cast<std::uint8_t>(byte)), std::nullopt);
        EXPECT_FALSE(isReadBackParameter(static_cast<std::uint8_t>(byte)));
        EXPECT_FALSE(acceptsParameterReport(static_cast<std::uint8_t>(byte), 0));
    }
}

struct AcceptCase {
    std::uint8_t id;
    std::uint8_t channel;
    bool accepted;
};

TEST(ParameterCatalogue, ReportsAreAcceptedOnlyForReadBackParametersAndExistingChannels) {
    constexpr AcceptCase kCases[] = {
        // Per-channel parameters: channels beyond the count are ignored.
        {17, 3, true},   // AdcBlock, four analogue inputs
        {17, 4, false},  //
        {18, 1, true},   // EncBlock, two encoders
        {18, 2, false},  //
        {11, 1, true},   // MathMode, two math channels
        {11, 2, false},  //
        {12, 2, false},  // MathFactor
        {25, 2, false},  // MathRegisterMode
        {16, 5, true},   // OutputRule, six outputs
        {16, 6, false},  //
        {29, 1, true},   // TrigMasterType, two registers
        {29, 2, false},  //
        // Parameters without channels: only DiagStats looks at the channel.
        {30, 0, true},
        {30, 1, false},
        {13, 7, true},
        {27, 1, true},
        {31, 200, true},
        // Not answered into the window at all.
        {1, 0, false},   // read through AdcBlock
        {10, 0, false},  // read through EncBlock
        {26, 0, false},  // AdcOffset2, read through AdcBlock
        {20, 0, false},  // EncClear
        {21, 0, false},  // MathCalib
        {19, 0, false},
        {22, 0, false},
        {32, 0, false},
    };
    for (const AcceptCase& c : kCases) {
        SCOPED_TRACE(std::to_string(c.id) + "/" + std::to_string(c.channel));
        EXPECT_EQ(acceptsParameterReport(c.id, c.channel), c.accepted);
    }
}

// --- Integer ranges --------------------------------------------------------

struct RangeCase {
    ParamId id;
    std::int32_t min;
    std::int32_t max;
};

TEST(IntegerRange, IntegerParametersAreClampedToTheirBounds) {
    constexpr RangeCase kCases[] = {
        {ParamId::AdcFilter1, 1, 700},    {ParamId::AdcFilter2, 1, 60000},
        {ParamId::EncGateTime, 1, 60000}, {ParamId::EncResolution, 1, 10000},
        {ParamId::TriggerTime, 1, 60000}, {ParamId::TriggerFilter, 0, 60000},
    };
    constexpr auto kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHighest = std::numeric_limits<std::int32_t>::max();
    for (const RangeCase& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.id));
        const std::optional<IntRange> range = integerRange(c.id);
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(range->min, c.min);
        EXPECT_EQ(range->max, c.max);

        const struct {
            std::int32_t in;
            std::int32_t out;
            bool clamped;
        } kValues[] = {
            {kLowest, c.min, true}, {c.min - 1, c.min, true}, {c.min, c.min, false},
            {c.max, c.max, false},  {c.max + 1, c.max, true}, {kHighest, c.max, true},
        };
        for (const auto& v : kValues) {
            SCOPED_TRACE(v.in);
            const ClampResult result = clampToRange(v.in, *range);
            EXPECT_EQ(result.value, v.out);
            EXPECT_EQ(result.clamped, v.clamped);
        }
    }
}

TEST(IntegerRange, OtherParametersHaveNoRange) {
    for (ParamId id : {ParamId::AdcMode, ParamId::AdcCoeff, ParamId::MathCalib,
                       ParamId::ModbusAddress, ParamId::OutputRule}) {
        EXPECT_EQ(integerRange(id), std::nullopt) << static_cast<int>(id);
    }
}

// --- Command payloads ------------------------------------------------------

struct PayloadCase {
    const char* what;
    CommandPayload payload;
    CommandKind kind;
    Bytes bytes;
};

TEST(CommandPayload, CommandsAreEncodedByteExact) {
    const OutputRule t3{3, 1, 1, 0, 1, 2.5f, -0.75f};
    const PayloadCase kCases[] = {
        {"integer 700 for the third analogue input",
         writeInteger(ParamId::AdcFilter1, 2, 700),
         CommandKind::WriteCommand,
         {2, 2, 188, 2, 0, 0}},
        {"integer 10000",
         writeInteger(ParamId::EncResolution, 0, 10000),
         CommandKind::WriteCommand,
         {8, 0, 16, 39, 0, 0}},
        {"negative integer",
         writeInteger(ParamId::TriggerFilter, 0, -2),
         CommandKind::WriteCommand,
         {15, 0, 254, 255, 255, 255}},
        {"real 1.0",
         writeReal(ParamId::AdcCoeff, 0, 1.0f),
         CommandKind::WriteCommand,
         {4, 0, 0, 0, 128, 63}},
        {"real -10.0",
         writeReal(ParamId::AdcOffset2, 3, -10.0f),
         CommandKind::WriteCommand,
         {26, 3, 0, 0, 32, 193}},
        {"selection",
         writeSelection(ParamId::ModbusBaud, 0, 5),
         CommandKind::WriteCommand,
         {24, 0, 5}},
        {"no selection",
         writeSelection(ParamId::MathMode, 1, -1),
         CommandKind::WriteCommand,
         {11, 1, 255}},
        {"selection keeps the low 8 bits",
         writeSelection(ParamId::TrigMasterType, 1, 258),
         CommandKind::WriteCommand,
         {29, 1, 2}},
        {"last MODBUS address", writeModbusAddress(246), CommandKind::WriteCommand, {23, 0, 247}},
        {"no MODBUS address", writeModbusAddress(-1), CommandKind::WriteCommand, {23, 0, 0}},
        {"clear encoder 2", writeEncClear(1), CommandKind::WriteCommand, {20, 1}},
        {"output rule T3",
         writeOutputRule(2, t3),
         CommandKind::WriteCommand,
         {16, 2, 3, 1, 1, 0, 1, 0, 0, 32, 64, 0, 0, 64, 191}},
        {"fresh output rule",
         writeOutputRule(0, OutputRule{}),
         CommandKind::WriteCommand,
         {16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"read request", readRequest(ParamId::AdcBlock, 3), CommandKind::ReadRequest, {17, 3}},
        {"temperature request",
         readRequest(ParamId::Temperature, 0),
         CommandKind::ReadRequest,
         {31, 0}},
    };
    for (const PayloadCase& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.payload.kind, c.kind);
        EXPECT_EQ(bytesOf(c.payload), c.bytes);
    }
}

// --- Output rules ----------------------------------------------------------

TEST(OutputRuleRecord, FieldsTravelInWireOrderBothWays) {
    // Distinct values in every field, so that any swapped field shows; note
    // that compare2 precedes logic on the wire.
    const OutputRule rule{11, 12, 13, 14, 15, 1.0f, -10.0f};
    const std::array<std::uint8_t, kOutputRuleSize> wire = {11,  12, 13, 14, 15, 0,  0,
                                                            128, 63, 0,  0,  32, 193};
    EXPECT_EQ(encodeOutputRule(rule), wire);
    EXPECT_EQ(decodeOutputRule(wire), rule);

    const ReportBuffer report =
        parameterReport(ParamId::OutputRule, 4, {11, 12, 13, 14, 15, 0, 0, 128, 63, 0, 0, 32, 193});
    EXPECT_EQ(decodeOutputRuleReport(report), rule);
}

// --- Parameter reports -----------------------------------------------------

TEST(ParameterReport, AdcBlockIsDecodedFieldByField) {
    const ReportBuffer report =
        parameterReport(ParamId::AdcBlock, 1,
                        {1, 100, 0, 0, 0, 16, 39, 0, 0, 0, 0, 128, 63, 0, 0, 0, 0, 0, 0, 32, 193});
    const AdcBlockValues block = decodeAdcBlock(report);
    EXPECT_EQ(block.mode, 1);
    EXPECT_EQ(block.filter1, 100);
    EXPECT_EQ(block.filter2, 10000);
    EXPECT_EQ(block.coeff, 1.0f);
    EXPECT_EQ(block.offset1, 0.0f);
    EXPECT_EQ(block.offset2, -10.0f);
}

TEST(ParameterReport, EncBlockIsDecodedFieldByField) {
    const ReportBuffer report = parameterReport(
        ParamId::EncBlock, 0, {3, 96, 234, 0, 0, 255, 255, 255, 255, 0, 0, 32, 64, 0, 0, 128, 191});
    const EncBlockValues block = decodeEncBlock(report);
    EXPECT_EQ(block.mode, 3);
    EXPECT_EQ(block.gateTime, 60000);
    EXPECT_EQ(block.resolution, -1);  // taken as it comes, no range check
    EXPECT_EQ(block.coeff, 2.5f);
    EXPECT_EQ(block.offset, -1.0f);
}

TEST(ParameterReport, LittleEndianNumbersAtTheValueByte) {
    const struct {
        std::array<std::uint8_t, 4> bytes;
        std::int32_t value;
    } kIntegers[] = {
        {{188, 2, 0, 0}, 700},
        {{96, 234, 0, 0}, 60000},
        {{255, 255, 255, 255}, -1},
        {{0, 0, 0, 128}, std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& c : kIntegers) {
        const auto [b0, b1, b2, b3] = c.bytes;
        EXPECT_EQ(readInt32Le(parameterReport(ParamId::TriggerTime, 0, {b0, b1, b2, b3}),
                              kParamReportValueByte),
                  c.value);
    }

    const struct {
        std::array<std::uint8_t, 4> bytes;
        float value;
    } kReals[] = {
        {{0, 0, 128, 63}, 1.0f},
        {{0, 0, 32, 193}, -10.0f},
        {{0, 0, 64, 191}, -0.75f},
        {{0, 36, 116, 73}, 1e6f},
    };
    for (const auto& c : kReals) {
        const auto [b0, b1, b2, b3] = c.bytes;
        EXPECT_EQ(readFloatLe(parameterReport(ParamId::MathFactor, 1, {b0, b1, b2, b3}),
                              kParamReportValueByte),
                  c.value);
    }
}

TEST(ParameterReport, FirmwareVersionIsFourLatin1CharactersUpToTheFirstZero) {
    const struct {
        std::array<std::uint8_t, 4> bytes;
        QString text;
    } kCases[] = {
        {{'1', '.', '0', '2'}, QStringLiteral("1.02")},
        {{'1', '.', '0', 0}, QStringLiteral("1.0")},
        {{'1', 0, '0', '2'}, QStringLiteral("1")},
        {{0, 'a', 'b', 'c'}, QString()},
        {{'v', 0xB5, 0xE9, '3'}, QString::fromUtf8("vµé3")},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        // The byte after the four characters is not part of the text.
        ReportBuffer report = parameterReport(
            ParamId::FirmwareVersion, 0, {c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3], 'X'});
        EXPECT_EQ(decodeFirmwareVersion(report), c.text);
    }
}

TEST(ParameterReport, DiagStatsAreBigEndianInLabelOrder) {
    const ReportBuffer report =
        parameterReport(ParamId::DiagStats, 0, {0,   0,   1,   0,    // BC: 256
                                                255, 255, 255, 255,  // FRA: -1
                                                0,   0,   0,   3,    // FRC
                                                0,   0,   0,   4,    // TC
                                                0,   0,   0,   5,    // FE
                                                0,   0,   0,   6,    // ORE
                                                0,   0,   0,   7,    // NE
                                                128, 0,   0,   0,    // PE: lowest
                                                1,   2,   3,   4,    // ID
                                                0,   235,            // T: 23.5
                                                255, 246,            // TMI: -1.0
                                                127, 255});          // TMX: highest
    const DiagStats stats = decodeDiagStats(report);
    const std::array<std::int32_t, 9> counters = {
        256, -1, 3, 4, 5, 6, 7, std::numeric_limits<std::int32_t>::min(), 0x01020304};
    const std::array<std::int16_t, 3> temperatures = {235, -10, 32767};
    EXPECT_EQ(stats.counters, counters);
    EXPECT_EQ(stats.temperatures, temperatures);
}

TEST(ParameterReport, DiagStatsLabels) {
    const std::array<std::string_view, 9> counters = {
        "BC:  ", "FRA: ", "FRC: ", "TC:  ", "FE:  ", "ORE: ", "NE:  ", "PE:  ", "ID:  "};
    const std::array<std::string_view, 3> temperatures = {"T:   ", "TMI: ", "TMX: "};
    EXPECT_EQ(kDiagStatsCounterLabels, counters);
    EXPECT_EQ(kDiagStatsTemperatureLabels, temperatures);
}

TEST(ParameterReport, TemperatureIsSignedBigEndianTenths) {
    const struct {
        std::uint8_t high;
        std::uint8_t low;
        std::int16_t tenths;
        double degrees;
    } kCases[] = {
        {0, 235, 235, 23.5}, {255, 246, -10, -1.0},     {255, 206, -50, -5.0},
        {1, 0, 256, 25.6},   {127, 255, 32767, 3276.7}, {128, 0, -32768, -3276.8},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.tenths);
        const ReportBuffer report = parameterReport(ParamId::Temperature, 0, {c.high, c.low});
        EXPECT_EQ(decodeTemperatureTenths(report), c.tenths);
        EXPECT_DOUBLE_EQ(tenthsToDegrees(c.tenths), c.degrees);
    }
}

TEST(ParameterReport, SelectionBytesBeyondTheListSelectNothing) {
    const struct {
        std::uint8_t byte;
        int listSize;
        int index;
    } kCases[] = {
        {0, 2, 0}, {1, 2, 1}, {2, 2, -1}, {23, 24, 23}, {30, 24, -1}, {255, 16, -1},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(selectionIndex(c.byte, c.listSize), c.index)
            << int{c.byte} << " of " << c.listSize;
    }
}

TEST(ParameterReport, ModbusAddressByteIsTheAddressNotTheIndex) {
    const struct {
        std::uint8_t byte;
        int index;
    } kCases[] = {
        {0, -1}, {1, 0}, {10, 9}, {247, 246}, {248, -1}, {255, -1},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(modbusAddressIndex(c.byte), c.index) << int{c.byte};
    }
}

}  // namespace
}  // namespace voltrix
