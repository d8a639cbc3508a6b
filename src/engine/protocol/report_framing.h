// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Output reports to the module: report ID 1, the command kind, the payload,
// zero padding to the device's output report length.

namespace voltrix {

enum class CommandKind : std::uint8_t { ReadRequest = 1, WriteCommand = 2 };

inline constexpr std::uint8_t kOutputReportId = 1;

// Reports are assembled in at least this many zeroed bytes; a device that
// declares a longer output report gets a buffer of its own length.
inline constexpr std::size_t kMinOutputBuffer = 256;

// The exact bytes written for one command to a device whose output reports are
// `reportLength` bytes long (report ID included). A payload that does not fit
// is cut at the end of the report.
std::vector<std::uint8_t> FrameOutputReport(CommandKind kind, std::span<const std::uint8_t> payload,
                                            std::size_t reportLength);

// What the command sender needs of the connected module. Both operations may
// throw; the sender swallows every failure.
class OutputReportDevice {
public:
    virtual ~OutputReportDevice() = default;
    // Output report length in bytes, report ID included, as the device declares it.
    virtual std::size_t outputReportLength() = 0;
    // Writes one output report, report ID first. Returns false on failure.
    virtual bool writeOutputReport(std::span<const std::uint8_t> report) = 0;
};

// Where the views send their commands to the module. Fire and forget: a
// command sent with no module connected, or lost to a transport error, is
// simply dropped.
class CommandPort {
public:
    virtual ~CommandPort() = default;
    virtual void SendCommand(CommandKind kind, std::span<const std::uint8_t> payload) = 0;
    void RequestParameter(std::uint8_t paramId, std::uint8_t channel);
};

// Sends commands straight to the connected module, on the caller's thread.
class CommandSender final : public CommandPort {
public:
    // The connected module, or nullptr when none is connected.
    void setDevice(OutputReportDevice* device) { device_ = device; }
    bool connected() const { return device_ != nullptr; }

    void SendCommand(CommandKind kind, std::span<const std::uint8_t> payload) override;

private:
    OutputReportDevice* device_ = nullptr;
};

}  // namespace voltrix
