// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/report_framing.h"

#include <algorithm>
#include <array>

namespace voltrix {

std::vector<std::uint8_t> FrameOutputReport(CommandKind kind, std::span<const std::uint8_t> payload,
                                            std::size_t reportLength) {
    std::vector<std::uint8_t> buffer(std::max({kMinOutputBuffer, reportLength, payload.size() + 2}),
                                     0);
    buffer[0] = kOutputReportId;
    buffer[1] = static_cast<std::uint8_t>(kind);
    std::copy(payload.begin(), payload.end(), buffer.begin() + 2);
    buffer.resize(reportLength);
    return buffer;
}

void CommandSender::SendCommand(CommandKind kind, std::span<const std::uint8_t> payload) {
    if (device_ == nullptr) {
        return;
    }
    try {
        // The length is asked anew for every command: it belongs to the device.
        const std::vector<std::uint8_t> report =
            FrameOutputReport(kind, payload, device_->outputReportLength());
        device_->writeOutputReport(report);
    } catch (...) {
        // A failed send is dropped: the status bar is the only feedback the
        // device link gives, and the module's silence already shows there.
    }
}

void CommandPort::RequestParameter(std::uint8_t paramId, std::uint8_t channel) {
    const std::array<std::uint8_t, 2> payload{paramId, channel};
    SendCommand(CommandKind::ReadRequest, payload);
}

}  // namespace voltrix
