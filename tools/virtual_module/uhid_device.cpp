// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtual_module/uhid_device.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace voltrix {
namespace {

[[noreturn]] void throwErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

uhid_event makeCreateEvent(const UhidDeviceIdentity& identity,
                           std::span<const std::uint8_t> descriptor) {
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req& request = event.u.create2;
    if (descriptor.size() > sizeof request.rd_data) {
        throw std::invalid_argument("report descriptor too long for uhid");
    }
    // The name stays zero-terminated: the last byte is never written.
    std::memcpy(request.name, identity.name.data(),
                std::min(identity.name.size(), sizeof request.name - 1));
    request.rd_size = static_cast<std::uint16_t>(descriptor.size());
    std::copy(descriptor.begin(), descriptor.end(), request.rd_data);
    request.bus = identity.bus;
    request.vendor = identity.vendorId;
    request.product = identity.productId;
    return event;
}

uhid_event makeInputEvent(std::span<const std::uint8_t> report) {
    uhid_event event{};
    event.type = UHID_INPUT2;
    const std::size_t size = std::min(report.size(), sizeof event.u.input2.data);
    std::copy_n(report.begin(), size, event.u.input2.data);
    event.u.input2.size = static_cast<std::uint16_t>(size);
    return event;
}

UhidDevice::UhidDevice(const std::string& controlPath) {
    fd_ = ::open(controlPath.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        throwErrno("cannot open " + controlPath);
    }
}

UhidDevice::~UhidDevice() {
    destroy();
    ::close(fd_);
}

void UhidDevice::send(const uhid_event& event) {
    const ssize_t written = ::write(fd_, &event, sizeof event);
    if (written < 0) {
        throwErrno("uhid write of event " + std::to_string(event.type));
    }
    if (static_cast<std::size_t>(written) != sizeof event) {
        throw std::system_error(EIO, std::generic_category(), "uhid took a partial event");
    }
    if (event.type == UHID_CREATE2) {
        created_ = true;
    }
}

std::optional<uhid_event> UhidDevice::readEvent() {
    // The kernel may write shorter events than this program knows; the rest
    // stays zero.
    uhid_event event{};
    const ssize_t count = ::read(fd_, &event, sizeof event);
    if (count < 0) {
        if (errno == EAGAIN || errno == EINTR) {
            return std::nullopt;
        }
        throwErrno("uhid read");
    }
    if (static_cast<std::size_t>(count) < sizeof event.type) {
        throw std::system_error(EIO, std::generic_category(), "uhid gave a short event");
    }
    return event;
}

void UhidDevice::destroy() {
    if (!created_) {
        return;
    }
    created_ = false;
    uhid_event event{};
    event.type = UHID_DESTROY;
    // Nothing to do on failure: closing the control node removes the device too.
    [[maybe_unused]] const ssize_t written = ::write(fd_, &event, sizeof event);
}

}  // namespace voltrix
