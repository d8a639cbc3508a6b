// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/virtual/virtual_module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QThread>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/parameters/parameters.h"
#include "engine/protocol/measurement.h"
#include "engine/protocol/report_framing.h"
#include "qt_printers.h"

namespace voltrix {
namespace {

using Report = VirtualModule::Report;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kLength = VirtualModule::kReportLength;

std::vector<std::uint8_t> frame(const CommandPayload& payload) {
    return FrameOutputReport(payload.kind, payload.view(), kLength);
}

std::optional<Report> send(VirtualModule& module, const CommandPayload& payload) {
    return module.handleOutputReport(frame(payload));
}

// The report as the program keeps it: without the report ID.
LastReport payloadOf(const Report& report) {
    LastReport last{};
    std::copy(report.begin() + 1, report.end(), last.begin());
    return last;
}

Measurement decode(const Report& report) {
    Measurement m;
    DecodeMeasurement(payloadOf(report), m);
    return m;
}

Report expectedReport(std::initializer_list<std::uint8_t> start) {
    Report report{};
    std::copy(start.begin(), start.end(), report.begin());
    return report;
}

Measurement nextMeasurement(VirtualModule& module) {
    const std::optional<Report> report = module.tick();
    EXPECT_TRUE(report.has_value());
    return report ? decode(*report) : Measurement{};
}

// --- Parameter protocol ----------------------------------------------------

TEST(VirtualModule, AnswersFixedReadsByteForByte) {
    VirtualModule module;
    EXPECT_EQ(send(module, readRequest(ParamId::FirmwareVersion, 0)),
              expectedReport({1, 1, 27, 0, '1', '.', '0', '2'}));
    EXPECT_EQ(send(module, readRequest(ParamId::Temperature, 0)),
              expectedReport({1, 1, 31, 0, 0x00, 0xEB}));
    EXPECT_EQ(send(module, readRequest(ParamId::TriggerTime, 0)),
              expectedReport({1, 1, 14, 0, 1, 0, 0, 0}));
    EXPECT_EQ(send(module, readRequest(ParamId::ModbusAddress, 0)),
              expectedReport({1, 1, 23, 0, 1}));
    EXPECT_EQ(send(module, readRequest(ParamId::MathMode, 1)), expectedReport({1, 1, 11, 1, 12}));
}

TEST(VirtualModule, DiagStatsAreBigEndian) {
    VirtualModule module;
    const std::optional<Report> answer = send(module, readRequest(ParamId::DiagStats, 0));
    ASSERT_TRUE(answer);
    const LastReport payload = payloadOf(*answer);
    // Counter BC = 18342 = 0x000047A6, temperatures 23.5, 18.7 and 31.2 degrees.
    EXPECT_EQ((std::vector<std::uint8_t>(payload.begin(), payload.begin() + 7)),
              (std::vector<std::uint8_t>{1, 30, 0, 0x00, 0x00, 0x47, 0xA6}));
    EXPECT_EQ((std::vector<std::uint8_t>(payload.begin() + 39, payload.begin() + 45)),
              (std::vector<std::uint8_t>{0x00, 0xEB, 0x00, 0xBB, 0x01, 0x38}));
    const DiagStats stats = decodeDiagStats(payload);
    EXPECT_EQ(stats.counters, VirtualModule::kDiagCounters);
    EXPECT_EQ(stats.temperatures, VirtualModule::kDiagTemperatures);
    EXPECT_TRUE(std::all_of(payload.begin() + 45, payload.begin() + 64,
                            [](std::uint8_t b) { return b == 0; }));
}

TEST(VirtualModule, AdcBlockShowsWhatWasWritten) {
    VirtualModule module;
    send(module, writeSelection(ParamId::AdcMode, 2, 1));
    send(module, writeInteger(ParamId::AdcFilter1, 2, 700));
    send(module, writeInteger(ParamId::AdcFilter2, 2, 10000));
    send(module, writeReal(ParamId::AdcCoeff, 2, 2.5f));
    send(module, writeReal(ParamId::AdcOffset1, 2, -1.0f));
    send(module, writeReal(ParamId::AdcOffset2, 2, -10.0f));

    const std::optional<Report> answer = send(module, readRequest(ParamId::AdcBlock, 2));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer, expectedReport({1, 1, 17,   2,    1, 0xBC, 0x02, 0,    0, 0x10, 0x27, 0,   0,
                                      0, 0, 0x20, 0x40, 0, 0,    0x80, 0xBF, 0, 0,    0x20, 0xC1}));

    const LastReport other = payloadOf(*send(module, readRequest(ParamId::AdcBlock, 0)));
    const AdcBlockValues defaults = decodeAdcBlock(other);
    EXPECT_EQ(defaults.mode, 0);
    EXPECT_EQ(defaults.coeff, 1.0f);
    EXPECT_EQ(defaults.offset2, 0.0f);
}

TEST(VirtualModule, EncBlockShowsWhatWasWritten) {
    VirtualModule module;
    send(module, writeSelection(ParamId::EncMode, 1, 3));
    send(module, writeInteger(ParamId::EncGateTime, 1, 250));
    send(module, writeInteger(ParamId::EncResolution, 1, 2048));
    send(module, writeReal(ParamId::EncCoeff, 1, 0.5f));
    send(module, writeReal(ParamId::EncOffset, 1, 3.0f));

    const EncBlockValues values =
        decodeEncBlock(payloadOf(*send(module, readRequest(ParamId::EncBlock, 1))));
    EXPECT_EQ(values.mode, 3);
    EXPECT_EQ(values.gateTime, 250);
    EXPECT_EQ(values.resolution, 2048);
    EXPECT_EQ(values.coeff, 0.5f);
    EXPECT_EQ(values.offset, 3.0f);
}

TEST(VirtualModule, OutputRuleRoundTrip) {
    VirtualModule module;
    const OutputRule rule{.source = 14,
                          .compare1 = 1,
                          .compare2 = 0,
                          .logic = 2,
                          .state = 1,
                          .value1 = 2.5f,
                          .value2 = -7.25f};
    send(module, writeOutputRule(3, rule));

    const std::optional<Report> answer = send(module, readRequest(ParamId::OutputRule, 3));
    ASSERT_TRUE(answer);
    const auto wire = encodeOutputRule(rule);
    EXPECT_TRUE(std::equal(wire.begin(), wire.end(), answer->begin() + 4));
    EXPECT_EQ(decodeOutputRuleReport(payloadOf(*answer)), rule);
    EXPECT_EQ(module.settings().outputRules[2], OutputRule{});
}

TEST(VirtualModule, ModbusAddressTravelsAsTheAddress) {
    VirtualModule module;
    send(module, writeModbusAddress(9));  // list entry "10"
    EXPECT_EQ(module.settings().modbusAddress, 10);
    EXPECT_EQ(send(module, readRequest(ParamId::ModbusAddress, 0)),
              expectedReport({1, 1, 23, 0, 10}));
}

TEST(VirtualModule, AcknowledgesEveryAppliedWrite) {
    const OutputRule rule{.source = 1};
    const std::vector<CommandPayload> writes = {
        writeSelection(ParamId::AdcMode, 3, 1),
        writeInteger(ParamId::AdcFilter1, 0, 20),
        writeReal(ParamId::AdcOffset2, 1, 1.0f),
        writeSelection(ParamId::EncMode, 1, 2),
        writeEncClear(1),
        writeSelection(ParamId::MathRegisterMode, 1, 4),
        writeReal(ParamId::MathCalib, 0, 3.0f),
        writeInteger(ParamId::TriggerTime, 0, 5),
        writeInteger(ParamId::TriggerFilter, 0, 0),
        writeOutputRule(5, rule),
        writeModbusAddress(246),
        writeSelection(ParamId::ModbusBaud, 0, 5),
        writeSelection(ParamId::TrigMasterMode, 0, 1),
        writeSelection(ParamId::TrigMasterType, 1, 13),
    };
    for (const CommandPayload& write : writes) {
        SCOPED_TRACE(testing::Message() << "ParamId " << int{write.bytes[0]});
        VirtualModule module;
        const VirtualModuleSettings before = module.settings();
        EXPECT_EQ(send(module, write), expectedReport({1, 2, write.bytes[0], write.bytes[1]}));
        if (write.bytes[0] != static_cast<std::uint8_t>(ParamId::EncClear)) {
            EXPECT_NE(module.settings(), before);
        }
    }
}

TEST(VirtualModule, IgnoresWhatItDoesNotKnow) {
    auto raw = [](std::initializer_list<std::uint8_t> start) {
        std::vector<std::uint8_t> report(kLength, 0);
        std::copy(start.begin(), start.end(), report.begin());
        return report;
    };
    const std::vector<std::vector<std::uint8_t>> reports = {
        frame(readRequest(ParamId::AdcMode, 0)),        // read only inside AdcBlock
        frame(readRequest(ParamId::EncOffset, 1)),      // read only inside EncBlock
        frame(readRequest(ParamId::AdcOffset2, 0)),     // read only inside AdcBlock
        frame(readRequest(ParamId::EncClear, 0)),       // nothing to read
        frame(readRequest(ParamId::MathCalib, 0)),      // never read
        raw({1, 1, 19, 0}),                             // no such parameter
        raw({1, 1, 22, 0}),                             // no such parameter
        raw({1, 2, 0, 0, 5}),                           // no such parameter
        raw({1, 2, 40, 0, 5}),                          // no such parameter
        frame(readRequest(ParamId::AdcBlock, 4)),       // channel beyond the inputs
        frame(readRequest(ParamId::DiagStats, 1)),      // channel of a single parameter
        frame(writeSelection(ParamId::AdcMode, 4, 1)),  // channel beyond the inputs
        frame(writeOutputRule(6, OutputRule{.source = 1})),
        raw({1, 2, 27, 0, '9', '.', '9', '9'}),  // read-only parameter
        raw({1, 2, 31, 0, 1, 0}),                // read-only parameter
        raw({1, 3, 14, 0, 5}),                   // unknown command kind
        raw({2, 2, 14, 0, 5}),                   // unknown report ID
        {},
    };
    VirtualModule module;
    const VirtualModuleSettings before = module.settings();
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_FALSE(module.handleOutputReport(reports[i])) << "report " << i;
    }
    EXPECT_EQ(module.settings(), before);
}

TEST(VirtualModule, KeepsIntegersWithinTheirRanges) {
    struct Case {
        ParamId id;
        std::int32_t written;
        std::int32_t kept;
        std::function<std::int32_t(const VirtualModuleSettings&)> stored;
    };
    const std::vector<Case> cases = {
        {ParamId::TriggerTime, 0, 1, [](const auto& s) { return s.triggerTimeMs; }},
        {ParamId::TriggerTime, 70000, 60000, [](const auto& s) { return s.triggerTimeMs; }},
        {ParamId::TriggerTime, 25, 25, [](const auto& s) { return s.triggerTimeMs; }},
        {ParamId::AdcFilter1, -5, 1, [](const auto& s) { return s.adc[0].filter1; }},
        {ParamId::AdcFilter1, 701, 700, [](const auto& s) { return s.adc[0].filter1; }},
        {ParamId::AdcFilter2, 0, 1, [](const auto& s) { return s.adc[0].filter2; }},
        {ParamId::EncResolution, 10001, 10000, [](const auto& s) { return s.enc[0].resolution; }},
        {ParamId::TriggerFilter, -1, 0, [](const auto& s) { return s.triggerFilterMs; }},
    };
    for (const Case& c : cases) {
        VirtualModule module;
        send(module, writeInteger(c.id, 0, c.written));
        EXPECT_EQ(c.stored(module.settings()), c.kept)
            << "ParamId " << static_cast<int>(c.id) << " written " << c.written;
    }
}

TEST(VirtualModule, TriggerTimeSetsTheReportInterval) {
    VirtualModule module;
    EXPECT_EQ(module.reportInterval(), 1ms);
    send(module, writeInteger(ParamId::TriggerTime, 0, 20));
    EXPECT_EQ(module.reportInterval(), 20ms);
    // Encoder 1 still moves one unit per report, now at 50 reports a second.
    EXPECT_FLOAT_EQ(nextMeasurement(module).enc[0].velocity, 50.0f);
}

// --- Measurement reports ---------------------------------------------------

TEST(VirtualModuleStream, DefaultReportsArePlausible) {
    VirtualModule module;
    for (int i = 0; i < 20000; ++i) {
        const std::optional<Report> report = module.tick();
        ASSERT_TRUE(report);
        ASSERT_EQ((*report)[0], 1);   // report ID
        ASSERT_EQ((*report)[1], 0);   // measurement report
        ASSERT_EQ((*report)[64], 0);  // padding after the 63 bytes
        const Measurement m = decode(*report);

        ASSERT_EQ(m.enc[0].position, static_cast<float>(i)) << "report " << i;
        ASSERT_EQ(m.enc[0].velocity, 1000.0f);
        ASSERT_GT(m.enc[1].velocity, 0.0f);
        ASSERT_LT(m.enc[1].velocity, m.enc[0].velocity);
        ASSERT_EQ(m.enc[0].mode, 0);
        ASSERT_EQ(m.outputs, 0);
        for (std::size_t k = 0; k < 4; ++k) {
            ASSERT_EQ(m.adc[k].mode, 0);
            ASSERT_GE(m.adc[k].value, 0.0f);
            ASSERT_LE(m.adc[k].value, 10.0f);
            ASSERT_GE(m.adc[k].average, 0.0f);
            ASSERT_LE(m.adc[k].average, 10.0f);
            if (i == 0) {
                // The averaging filter starts from zero.
                EXPECT_LT(m.adc[k].average, m.adc[k].value / 2) << "ADC " << k + 1;
            }
            if (i > 3000) {
                // Past the start the average follows the value closely.
                ASSERT_NEAR(m.adc[k].average, m.adc[k].value, 1.0f) << "ADC " << k + 1;
            }
        }
        ASSERT_EQ(m.math[0], m.adc[0].value + m.adc[1].value);
        ASSERT_EQ(m.math[1], m.adc[2].value + m.adc[3].value);
    }
}

TEST(VirtualModuleStream, ValuesMoveSlowlyThroughTheRange) {
    VirtualModule module;
    std::array<float, 4> low{10, 10, 10, 10};
    std::array<float, 4> high{};
    Measurement previous = nextMeasurement(module);
    float previousEnc2 = previous.enc[1].position;
    for (int i = 0; i < 30000; ++i) {
        const Measurement m = nextMeasurement(module);
        for (std::size_t k = 0; k < 4; ++k) {
            low[k] = std::min(low[k], m.adc[k].value);
            high[k] = std::max(high[k], m.adc[k].value);
            ASSERT_LT(std::abs(m.adc[k].value - previous.adc[k].value), 0.05f);
        }
        ASSERT_GT(m.enc[1].position, previousEnc2);
        previousEnc2 = m.enc[1].position;
        previous = m;
    }
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_GT(high[k] - low[k], 4.0f) << "ADC " << k + 1;
    }
}

TEST(VirtualModuleStream, AdcModeWriteChangesTheModeByteAndRange) {
    VirtualModule module;
    for (int i = 0; i < 100; ++i) {
        module.tick();
    }
    send(module, writeSelection(ParamId::AdcMode, 1, 1));
    float highest = 0.0f;
    for (int i = 0; i < 20000; ++i) {
        const std::optional<Report> report = module.tick();
        ASSERT_TRUE(report);
        ASSERT_EQ((*report)[1 + 28], 1);  // ADC 2 mode byte
        const Measurement m = decode(*report);
        ASSERT_EQ(m.adc[0].mode, 0);
        ASSERT_EQ(m.adc[1].mode, 1);
        ASSERT_LE(m.adc[1].value, 20.0f);
        ASSERT_GE(m.adc[1].value, 0.0f);
        highest = std::max(highest, m.adc[1].value);
    }
    EXPECT_GT(highest, 12.0f);  // beyond what a voltage input could show
}

TEST(VirtualModuleStream, EncClearZeroesOnlyThatEncoder) {
    VirtualModule module;
    for (int i = 0; i < 1000; ++i) {
        module.tick();
    }
    EXPECT_EQ(send(module, writeEncClear(0)), expectedReport({1, 2, 20, 0}));
    Measurement m = nextMeasurement(module);
    EXPECT_EQ(m.enc[0].position, 0.0f);
    EXPECT_GT(m.enc[1].position, 0.3f);  // encoder 2 ran for a second
    EXPECT_EQ(nextMeasurement(module).enc[0].position, 1.0f);

    send(module, writeEncClear(1));
    m = nextMeasurement(module);
    EXPECT_EQ(m.enc[0].position, 2.0f);
    EXPECT_LT(m.enc[1].position, 0.01f);
}

TEST(VirtualModuleStream, EncoderModeAndScalingApply) {
    VirtualModule module;
    send(module, writeSelection(ParamId::EncMode, 0, 3));  // mm, mm/min
    send(module, writeReal(ParamId::EncCoeff, 0, 0.5f));
    send(module, writeReal(ParamId::EncOffset, 0, 10.0f));
    const std::optional<Report> report = module.tick();
    ASSERT_TRUE(report);
    EXPECT_EQ((*report)[2] & 3, 3);
    const Measurement first = decode(*report);
    const Measurement second = nextMeasurement(module);
    EXPECT_EQ(first.enc[0].mode, 3);
    EXPECT_EQ(first.enc[0].position, 10.0f);
    EXPECT_EQ(second.enc[0].position, 10.5f);
    EXPECT_FLOAT_EQ(second.enc[0].velocity, 30000.0f);  // 0.5 per ms, per minute
}

TEST(VirtualModuleStream, MathFollowsItsFormulas) {
    struct Case {
        std::uint8_t mode;
        std::uint8_t registerMode;
        float factor;
        std::function<double(const Measurement&)> expected;
    };
    const std::vector<Case> cases = {
        {1, 0, 1.0f, [](const Measurement& m) { return m.adc[0].value - m.adc[1].value; }},
        {2, 0, 1.0f, [](const Measurement& m) { return -m.adc[0].value - m.adc[1].value; }},
        {13, 0, 1.0f, [](const Measurement& m) { return m.adc[2].value - m.adc[3].value; }},
        {3, 0, 4.0f, [](const Measurement& m) { return 4.0 - m.adc[0].value - m.adc[1].value; }},
        {10, 0, 2.0f, [](const Measurement& m) { return 2.0 * (m.adc[0].value + m.adc[1].value); }},
        {6, 1, 1.0f, [](const Measurement& m) { return m.enc[0].position + m.adc[0].value; }},
        {21, 5, 1.0f,
         [](const Measurement& m) {
             return m.enc[1].position - m.enc[0].position - m.adc[3].value;
         }},
        {23, 9, 0.5f,
         [](const Measurement& m) {
             return 0.5 * (m.enc[0].position - m.enc[1].position) *
                    (m.adc[2].value - m.adc[3].value);
         }},
        {30, 0, 1.0f, [](const Measurement&) { return 0.0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "math mode " << int{c.mode} << " register mode " << int{c.registerMode});
        VirtualModule module;
        send(module, writeSelection(ParamId::MathMode, 1, c.mode));
        send(module, writeSelection(ParamId::MathRegisterMode, 1, c.registerMode));
        send(module, writeReal(ParamId::MathFactor, 1, c.factor));
        for (int i = 0; i < 2500; ++i) {
            module.tick();
        }
        const Measurement m = nextMeasurement(module);
        const double expected = c.expected(m);
        EXPECT_NEAR(m.math[1], expected, 1e-5 * std::max(1.0, std::abs(expected)));
        EXPECT_EQ(m.math[0], m.adc[0].value + m.adc[1].value);  // MATH 1 untouched
    }
}

TEST(VirtualModuleStream, OutputsFollowTheirRules) {
    struct Case {
        const char* name;
        OutputRule rule;
        std::function<bool(const Measurement&)> on;
    };
    auto pos = [](const Measurement& m) { return m.enc[0].position; };
    const std::vector<Case> cases = {
        {"inactive", {.source = 0, .state = 1}, [](const Measurement&) { return false; }},
        {"always active", {.source = 1}, [](const Measurement&) { return true; }},
        {"ENC1 position larger",
         {.source = 10, .compare1 = 1, .state = 1, .value1 = 4.5f},
         [&](const Measurement& m) { return pos(m) > 4.5f; }},
        {"inactive state when met",
         {.source = 10, .compare1 = 1, .state = 0, .value1 = 4.5f},
         [&](const Measurement& m) { return !(pos(m) > 4.5f); }},
        {"and",
         {.source = 10,
          .compare1 = 1,
          .compare2 = 0,
          .logic = 1,
          .state = 1,
          .value1 = 2.5f,
          .value2 = 6.5f},
         [&](const Measurement& m) { return pos(m) > 2.5f && pos(m) < 6.5f; }},
        {"or",
         {.source = 10,
          .compare1 = 0,
          .compare2 = 1,
          .logic = 2,
          .state = 1,
          .value1 = 1.5f,
          .value2 = 7.5f},
         [&](const Measurement& m) { return pos(m) < 1.5f || pos(m) > 7.5f; }},
        {"logic --- ignores condition 2",
         {.source = 10,
          .compare1 = 1,
          .compare2 = 0,
          .logic = 0,
          .state = 1,
          .value1 = 4.5f,
          .value2 = -1.0f},
         [&](const Measurement& m) { return pos(m) > 4.5f; }},
        {"ADC1 larger",
         {.source = 2, .compare1 = 1, .state = 1, .value1 = 5.0f},
         [](const Measurement& m) { return m.adc[0].value > 5.0f; }},
        {"ADC2 average smaller",
         {.source = 7, .compare1 = 0, .state = 1, .value1 = 4.0f},
         [](const Measurement& m) { return m.adc[1].average < 4.0f; }},
        {"ENC2 velocity larger",
         {.source = 13, .compare1 = 1, .state = 1, .value1 = 0.5f},
         [](const Measurement& m) { return m.enc[1].velocity > 0.5f; }},
        {"MATH2 smaller",
         {.source = 15, .compare1 = 0, .state = 1, .value1 = 10.0f},
         [](const Measurement& m) { return m.math[1] < 10.0f; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualModule module;
        send(module, writeOutputRule(4, c.rule));  // output T5
        bool seenOn = false;
        bool seenOff = false;
        for (int i = 0; i < 20000; ++i) {
            const std::optional<Report> report = module.tick();
            ASSERT_TRUE(report);
            const Measurement m = decode(*report);
            const bool expected = c.on(m);
            ASSERT_EQ(m.outputOn(4), expected) << "report " << i;
            ASSERT_EQ(m.outputs & ~0x10, 0) << "report " << i;
            ((*report)[2] >> 6 & 1 ? seenOn : seenOff) = true;
        }
        if (c.rule.source >= 2) {
            EXPECT_TRUE(seenOn && seenOff) << "the rule never changed its output";
        }
    }
}

TEST(VirtualModuleStream, SendsNothingWhileWaitingForATrigger) {
    VirtualModule module;
    send(module, writeSelection(ParamId::TriggerMode, 0, 1));
    EXPECT_FALSE(module.tick());
    send(module, writeSelection(ParamId::TriggerMode, 0, 2));
    EXPECT_FALSE(module.tick());
    send(module, writeSelection(ParamId::TriggerMode, 0, 0));
    EXPECT_TRUE(module.tick());
}

// --- The virtual bus -------------------------------------------------------

// Runs the Qt events of this thread until `done` holds or the time is up.
bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::optional<Report> readReport(HidConnection& connection, int timeoutMs = 2000) {
    Report report{};
    const int n = connection.read(report, timeoutMs);
    if (n != static_cast<int>(kLength)) {
        return std::nullopt;
    }
    return report;
}

bool write(HidConnection& connection, const CommandPayload& payload) {
    return connection.write(frame(payload));
}

TEST(VirtualHidBackend, ListsTheScriptedDevices) {
    VirtualHidBackend bus;
    const std::string module = bus.plugModule();
    const std::string noString = bus.plugDeviceWithoutProductString(0x1234, 0x00AB);
    const std::string noAccess = bus.plugModuleWithoutAccess();
    const std::string mouse = bus.plugMouse();
    const std::string second = bus.plugModule();

    const std::vector<HidDeviceInfo> devices = bus.enumerate();
    ASSERT_EQ(devices.size(), 5u);
    struct Expected {
        std::string path;
        std::uint16_t vendorId;
        std::uint16_t productId;
        QString product;
        bool access;
        bool opens;
    };
    const std::vector<Expected> expected = {
        {module, 0x0483, 0x5750, "VOLTRIX", true, true},
        {noString, 0x1234, 0x00AB, "", true, true},
        {noAccess, 0x0483, 0x5750, "VOLTRIX", false, false},
        {mouse, 0x046D, 0xC077, "USB Optical Mouse", false, false},
        {second, 0x0483, 0x5750, "VOLTRIX", true, true},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(devices[i].path, expected[i].path);
        EXPECT_EQ(devices[i].vendorId, expected[i].vendorId);
        EXPECT_EQ(devices[i].productId, expected[i].productId);
        EXPECT_EQ(devices[i].productString, expected[i].product);
        EXPECT_EQ(devices[i].readWriteAccess, expected[i].access);
        EXPECT_EQ(bus.open(devices[i].path) != nullptr, expected[i].opens);
    }
    EXPECT_EQ(devices[0].inputReportLength, 65);
    EXPECT_EQ(devices[0].outputReportLength, 65);
    EXPECT_NE(module, second);
    EXPECT_NE(bus.module(module), bus.module(second));
    EXPECT_EQ(bus.module(mouse), nullptr);
    EXPECT_EQ(bus.open("virtual:none"), nullptr);
}

TEST(VirtualHidBackend, AnnouncesChangesOnTheCreatingThread) {
    VirtualHidBackend bus;
    std::atomic<int> calls = 0;
    std::atomic<bool> onCreatingThread = true;
    QThread* const creatingThread = QThread::currentThread();
    bus.watchDeviceChanges([&] {
        onCreatingThread = onCreatingThread && QThread::currentThread() == creatingThread;
        ++calls;
    });

    const std::string module = bus.plugModule();
    EXPECT_EQ(calls.load(), 0);  // delivered through the event loop, not from inside plug
    ASSERT_TRUE(processEventsUntil([&] { return calls == 1; }));

    std::thread([&] { bus.plugMouse(); }).join();
    ASSERT_TRUE(processEventsUntil([&] { return calls == 2; }));

    EXPECT_TRUE(bus.unplug(module));
    EXPECT_FALSE(bus.unplug(module));
    ASSERT_TRUE(processEventsUntil([&] { return calls == 3; }));
    EXPECT_EQ(bus.enumerate().size(), 1u);
    EXPECT_TRUE(onCreatingThread.load());

    bus.watchDeviceChanges({});
    bus.plugModule();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls.load(), 3);
}

TEST(VirtualHidBackend, StreamsAboutOneReportPerMillisecond) {
    VirtualHidBackend bus;
    const std::string path = bus.plugModule();
    const auto opened = Clock::now();
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(bus.openConnections(path), 1u);

    std::vector<float> positions;
    while (Clock::now() - opened < 1s) {
        const std::optional<Report> report = readReport(*connection);
        ASSERT_TRUE(report);
        ASSERT_EQ((*report)[0], 1);
        ASSERT_EQ((*report)[1], 0);
        positions.push_back(decode(*report).enc[0].position);
    }
    connection.reset();
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - opened).count();
    EXPECT_EQ(bus.openConnections(path), 0u);

    // Loose on a busy machine, but never faster than its schedule.
    EXPECT_GE(positions.size(), 300u);
    EXPECT_LE(positions.size(), static_cast<std::size_t>(elapsedMs) + 2);
    // Any gap in the count is a report the queue had to drop.
    ASSERT_EQ(positions.front(), 0.0f);
    std::uint64_t missing = 0;
    for (std::size_t i = 1; i < positions.size(); ++i) {
        ASSERT_GT(positions[i], positions[i - 1]);
        missing += static_cast<std::uint64_t>(positions[i] - positions[i - 1] - 1);
    }
    EXPECT_LE(missing, bus.droppedReports(path));
}

TEST(VirtualHidBackend, FullQueueDropsNewReports) {
    VirtualHidBackend bus;
    const std::string path = bus.plugModule();
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);

    // Nobody reads: once 64 reports wait, the following ones are lost.
    const auto end = Clock::now() + 5s;
    while (bus.droppedReports(path) == 0 && Clock::now() < end) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(bus.droppedReports(path), 0u);

    for (std::size_t i = 0; i < VirtualHidBackend::kQueueCapacity; ++i) {
        const std::optional<Report> report = readReport(*connection);
        ASSERT_TRUE(report);
        ASSERT_EQ(decode(*report).enc[0].position, static_cast<float>(i));
    }
    const std::optional<Report> afterGap = readReport(*connection);
    ASSERT_TRUE(afterGap);
    EXPECT_GT(decode(*afterGap).enc[0].position, 64.0f);
}

TEST(VirtualHidBackend, AnswersJoinTheStreamInOrder) {
    VirtualHidBackend bus;
    const std::string path = bus.plugModule();
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);
    ASSERT_TRUE(readReport(*connection));  // the stream runs

    ASSERT_TRUE(write(*connection, readRequest(ParamId::FirmwareVersion, 0)));
    ASSERT_TRUE(write(*connection, writeSelection(ParamId::AdcMode, 0, 1)));

    std::vector<Report> reports;
    int measurementsAfterAck = 0;
    while (measurementsAfterAck < 20) {
        ASSERT_LT(reports.size(), 5000u) << "no acknowledgement";
        const std::optional<Report> report = readReport(*connection);
        ASSERT_TRUE(report);
        reports.push_back(*report);
        const bool acked =
            std::any_of(reports.begin(), reports.end(), [](const Report& r) { return r[1] == 2; });
        if (acked && (*report)[1] == 0) {
            ++measurementsAfterAck;
        }
    }

    const auto version =
        std::find_if(reports.begin(), reports.end(), [](const Report& r) { return r[1] == 1; });
    const auto ack =
        std::find_if(reports.begin(), reports.end(), [](const Report& r) { return r[1] == 2; });
    ASSERT_NE(version, reports.end());
    EXPECT_EQ(*version, expectedReport({1, 1, 27, 0, '1', '.', '0', '2'}));
    EXPECT_EQ(*ack, expectedReport({1, 2, 1, 0}));
    EXPECT_LT(version, ack);
    for (auto it = reports.begin(); it != reports.end(); ++it) {
        if ((*it)[1] == 0) {
            EXPECT_EQ(decode(*it).adc[0].mode, it < ack ? 0 : 1);
        }
    }
    EXPECT_EQ(
        std::count_if(reports.begin(), reports.end(), [](const Report& r) { return r[1] != 0; }),
        2);
    EXPECT_EQ(bus.writtenReports(path).size(), 2u);
    EXPECT_EQ(bus.module(path)->settings().adc[0].mode, 1);
}

TEST(VirtualHidBackend, TriggerTimeSlowsTheStream) {
    VirtualHidBackend bus;
    const std::string path = bus.plugModule();
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);
    ASSERT_TRUE(write(*connection, writeInteger(ParamId::TriggerTime, 0, 20)));
    for (int i = 0;; ++i) {  // up to the acknowledgement
        ASSERT_LT(i, 5000) << "no acknowledgement";
        const std::optional<Report> report = readReport(*connection);
        ASSERT_TRUE(report);
        if ((*report)[1] == 2) {
            break;
        }
    }
    const auto start = Clock::now();
    int count = 0;
    while (Clock::now() - start < 500ms) {
        if (readReport(*connection, 50)) {
            ++count;
        }
    }
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(count, 5);
    EXPECT_LE(count, elapsedMs / 20 + 2);
}

TEST(VirtualHidBackend, UnplugEndsReadsAndWrites) {
    VirtualHidBackend bus;
    // A module waiting for a trigger sends nothing: the reader stays blocked.
    VirtualModuleSettings settings;
    settings.triggerMode = 1;
    auto module = std::make_shared<VirtualModule>(settings);
    const std::string path = bus.plugModule(module);
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);

    std::atomic<int> result = 0;
    std::thread reader([&] {
        Report report{};
        result = connection->read(report, 10000);
    });
    std::this_thread::sleep_for(50ms);
    const auto unplugged = Clock::now();
    ASSERT_TRUE(bus.unplug(path));
    reader.join();
    EXPECT_EQ(result.load(), -1);
    EXPECT_LT(Clock::now() - unplugged, 5s);

    Report report{};
    EXPECT_EQ(connection->read(report, 0), -1);
    EXPECT_FALSE(write(*connection, readRequest(ParamId::FirmwareVersion, 0)));
    EXPECT_EQ(bus.open(path), nullptr);
    EXPECT_EQ(bus.module(path), nullptr);

    // Plugged in again, the module is a new device and keeps its settings.
    const std::string again = bus.plugModule(module);
    EXPECT_NE(again, path);
    EXPECT_EQ(bus.module(again)->settings().triggerMode, 1);
}

TEST(VirtualHidBackend, UnplugStopsAStreamBeingRead) {
    VirtualHidBackend bus;
    const std::string path = bus.plugModule();
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);
    std::atomic<int> reports = 0;
    std::atomic<int> last = 0;
    std::thread reader([&] {
        Report report{};
        int n = 0;
        while ((n = connection->read(report, 1000)) > 0) {
            ++reports;
        }
        last = n;
    });
    std::this_thread::sleep_for(100ms);
    bus.unplug(path);
    reader.join();
    EXPECT_EQ(last.load(), -1);
    EXPECT_GT(reports.load(), 0);
}

TEST(VirtualHidBackend, ClosingTheLastConnectionStopsTheStream) {
    VirtualHidBackend bus;
    const std::string path = bus.plugModule();
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);
    float lastSeen = 0.0f;
    for (int i = 0; i < 10; ++i) {
        const std::optional<Report> report = readReport(*connection);
        ASSERT_TRUE(report);
        lastSeen = decode(*report).enc[0].position;
    }
    connection.reset();
    std::this_thread::sleep_for(500ms);

    // The module kept its count but did not send while nobody had it open.
    connection = bus.open(path);
    ASSERT_NE(connection, nullptr);
    const std::optional<Report> report = readReport(*connection);
    ASSERT_TRUE(report);
    const float resumed = decode(*report).enc[0].position;
    EXPECT_GT(resumed, lastSeen);
    EXPECT_LT(resumed, lastSeen + 200.0f);
}

TEST(VirtualHidBackend, RejectsMalformedWrites) {
    VirtualHidBackend bus;
    const std::string path = bus.plugModule();
    std::unique_ptr<HidConnection> connection = bus.open(path);
    ASSERT_NE(connection, nullptr);
    std::vector<std::uint8_t> report = frame(readRequest(ParamId::Temperature, 0));
    report.resize(64);
    EXPECT_FALSE(connection->write(report));  // shorter than the output report
    report = frame(readRequest(ParamId::Temperature, 0));
    report[0] = 2;
    EXPECT_FALSE(connection->write(report));  // the module has report ID 1 only
    EXPECT_TRUE(bus.writtenReports(path).empty());
}

TEST(VirtualHidBackend, ConnectionOutlivesTheBus) {
    std::unique_ptr<HidConnection> connection;
    {
        VirtualHidBackend bus;
        connection = bus.open(bus.plugModule());
        ASSERT_NE(connection, nullptr);
    }
    Report report{};
    EXPECT_EQ(connection->read(report, 100), -1);
    EXPECT_FALSE(write(*connection, readRequest(ParamId::Temperature, 0)));
}

}  // namespace
}  // namespace voltrix
