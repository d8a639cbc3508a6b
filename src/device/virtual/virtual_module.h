// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

#include "engine/parameters/parameters.h"

// A model of the VOLTRIX module's firmware, independent of any transport. It
// keeps every configuration parameter, answers the output reports of the
// program the way the module does, and produces the measurement reports of
// its stream one interval at a time. The virtual HID bus puts it behind a
// device; the tests drive it directly.
//
// What the model answers:
// - a read request for a parameter the window reads back (11..18, 23..25,
//   27..31) with a channel the parameter has: one parameter report;
// - a write command for a writable parameter (1..16, 20, 21, 23..26, 28, 29)
//   with a channel the parameter has: the value is applied, then one write
//   acknowledgement (EncClear included);
// - anything else gets no answer and changes nothing: requests for the
//   parameters that travel only inside AdcBlock and EncBlock (1..10, 26), for
//   EncClear and MathCalib, for 19, 22 and unknown identifiers; writes of
//   read-only or unknown parameters; channels beyond the parameter's own;
//   command kinds other than 1 and 2; report IDs other than 1.
//
// The class is thread-safe: the streaming thread, the writer and a test may
// call it at the same time.

namespace voltrix {

struct VirtualAdcSettings {
    std::uint8_t mode = 0;  // 0 voltage 0~10 V, any other value current 0~20 mA
    std::int32_t filter1 = 10;
    std::int32_t filter2 = 100;
    float coeff = 1.0f;
    float offset1 = 0.0f;
    float offset2 = 0.0f;

    bool operator==(const VirtualAdcSettings&) const = default;
};

struct VirtualEncoderSettings {
    std::uint8_t mode = 0;  // bit 0 set: velocity per minute instead of per second
    std::int32_t gateTime = 100;
    std::int32_t resolution = 1000;
    float coeff = 1.0f;
    float offset = 0.0f;

    bool operator==(const VirtualEncoderSettings&) const = default;
};

struct VirtualMathSettings {
    std::uint8_t mode = 0;
    float factor = 1.0f;
    std::uint8_t registerMode = 0;
    float calibration = 0.0f;

    bool operator==(const VirtualMathSettings&) const = default;
};

// Every parameter the module keeps, with the values of a fresh module.
struct VirtualModuleSettings {
    std::array<VirtualAdcSettings, 4> adc{};
    std::array<VirtualEncoderSettings, 2> enc{};
    // MATH 1 = ADC1 + ADC2, MATH 2 = ADC3 + ADC4.
    std::array<VirtualMathSettings, 2> math{{{.mode = 0}, {.mode = 12}}};
    std::uint8_t triggerMode = 0;  // continuous transmission
    std::int32_t triggerTimeMs = 1;
    std::int32_t triggerFilterMs = 10;
    std::uint8_t trigMasterMode = 0;
    std::array<std::uint8_t, 2> trigMasterType{0, 1};
    std::array<OutputRule, 6> outputRules{};  // all "Output inactive"
    std::uint8_t modbusAddress = 1;           // the address itself, 1..247
    std::uint8_t modbusBaud = 1;              // 19200

    bool operator==(const VirtualModuleSettings&) const = default;
};

class VirtualModule {
public:
    // Input and output reports of the module: report ID 1 and 64 data bytes.
    static constexpr std::size_t kReportLength = 65;
    static constexpr std::uint8_t kReportId = 1;
    using Report = std::array<std::uint8_t, kReportLength>;

    static constexpr std::array<char, 4> kFirmwareVersion{'1', '.', '0', '2'};
    static constexpr std::int16_t kTemperatureTenths = 235;
    // The diagnostic statistics: MODBUS counters in the order BC, FRA, FRC,
    // TC, FE, ORE, NE, PE, ID, then the current, lowest and highest
    // temperature in tenths of a degree.
    static constexpr std::array<std::int32_t, 9> kDiagCounters{18342, 18337, 5, 18330, 2,
                                                               0,     1,     0, 1};
    static constexpr std::array<std::int16_t, 3> kDiagTemperatures{kTemperatureTenths, 187, 312};

    // The encoder 1 count wraps here: every integer below it is exact in the
    // float of the report, so the position rises by exactly 1.0 per report.
    static constexpr std::uint32_t kEncoder1Wrap = 1u << 24;

    explicit VirtualModule(const VirtualModuleSettings& settings = {});

    VirtualModule(const VirtualModule&) = delete;
    VirtualModule& operator=(const VirtualModule&) = delete;

    // The module's answer to one output report (report ID first; a shorter
    // report counts as zero-padded), or nothing (see the list above).
    std::optional<Report> handleOutputReport(std::span<const std::uint8_t> report);

    // Advances the module by one report interval and returns the measurement
    // report sent at its end. Only continuous transmission (trigger mode 0)
    // sends: the trigger inputs of the model are never active, so in the
    // other trigger modes the module measures but sends nothing.
    //
    // What the reports show, scaled by the channel's coefficient and offsets:
    // - ADC 1..4: slow waveforms (periods of seconds) inside 0..10 V, or
    //   0..20 mA for a non-zero mode, through the continuous filter; the
    //   averages follow through the averaging filter and start from zero;
    // - encoder 1: one unit further per report (exactly +1.0 at coefficient 1,
    //   offset 0), so a lost report shows as a gap; encoder 2 turns forward at
    //   0.2..0.8 units a second; velocities per minute in modes 1 and 3;
    // - MATH 1, 2: the formula of the math mode on the reported values, with
    //   the register M of the register mode; 0 for an unknown mode;
    // - outputs: each rule on the reported values. Source 0 (or beyond 15)
    //   off, 1 on; 2..15 the quantity source - 2 in the fixed order ADC 1..4,
    //   ADC 1..4 averaged, ENC 1, 2 position, ENC 1, 2 velocity, MATH 1, 2.
    //   Comparison 0 "smaller", otherwise "larger", both strict; logic 1 both
    //   conditions, 2 either, otherwise condition 1 alone; the output takes
    //   `state` while the conditions hold and the opposite state otherwise.
    // Gate time, resolution, trigger filter, calibration register, trigger
    // registers and MODBUS settings are kept and read back only.
    std::optional<Report> tick();

    // Time between two measurement reports (TriggerTime).
    std::chrono::milliseconds reportInterval() const;

    VirtualModuleSettings settings() const;

private:
    void applyWrite(ParamId id, std::uint8_t channel, std::span<const std::uint8_t> value);
    std::optional<Report> answerRead(ParamId id, std::uint8_t channel) const;

    mutable std::mutex mutex_;
    VirtualModuleSettings settings_;

    // Measuring state.
    double timeMs_ = 0.0;  // the module's own clock, one interval per tick
    std::uint32_t encoder1Count_ = 0;
    double encoder2Raw_ = 0.0;
    std::array<double, 4> adcFiltered_{};  // continuous filter, raw units
    std::array<double, 4> adcAverage_{};   // averaging filter, raw units
    bool adcStarted_ = false;
};

}  // namespace voltrix
