// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtual_module/uhid_bridge.h"

#include <cerrno>
#include <utility>

#include "virtual_module/uhid_device.h"

namespace voltrix {

UhidModuleBridge::UhidModuleBridge(VirtualModule& module,
                                   std::function<void(std::string_view)> echo)
    : module_(module), echo_(std::move(echo)) {}

std::vector<uhid_event> UhidModuleBridge::handle(const uhid_event& event) {
    std::vector<uhid_event> replies;
    switch (event.type) {
        case UHID_START:
            started_ = true;
            break;
        case UHID_STOP:
            started_ = false;
            opened_ = false;
            break;
        case UHID_OPEN:
            opened_ = true;
            break;
        case UHID_CLOSE:
            opened_ = false;
            break;
        case UHID_OUTPUT: {
            const uhid_output_req& output = event.u.output;
            if (output.rtype != UHID_OUTPUT_REPORT) {
                break;
            }
            const std::span<const std::uint8_t> report(
                output.data, std::min<std::size_t>(output.size, sizeof output.data));
            if (auto answer = answerOutputReport(report)) {
                replies.push_back(*answer);
            }
            break;
        }
        case UHID_GET_REPORT: {
            uhid_event reply{};
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = event.u.get_report.id;
            reply.u.get_report_reply.err = EIO;
            replies.push_back(reply);
            break;
        }
        case UHID_SET_REPORT: {
            uhid_event reply{};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = event.u.set_report.id;
            reply.u.set_report_reply.err = EIO;
            replies.push_back(reply);
            break;
        }
        default:
            break;
    }
    return replies;
}

std::optional<uhid_event> UhidModuleBridge::answerOutputReport(
    std::span<const std::uint8_t> report) {
    if (echo_) {
        echo_("output " + hexBytes(report));
    }
    const std::optional<VirtualModule::Report> answer = module_.handleOutputReport(report);
    if (!answer) {
        return std::nullopt;
    }
    if (echo_) {
        echo_("answer " + hexBytes(*answer));
    }
    return makeInputEvent(*answer);
}

std::optional<uhid_event> UhidModuleBridge::nextMeasurement() {
    const std::optional<VirtualModule::Report> report = module_.tick();
    if (!report) {
        return std::nullopt;
    }
    return makeInputEvent(*report);
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace voltrix
