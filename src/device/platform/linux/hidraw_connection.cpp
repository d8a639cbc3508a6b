// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/platform/linux/hidraw_connection.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "device/hidapi_backend.h"
#include "device/platform/hid_platform.h"

namespace voltrix {

HidrawConnection::HidrawConnection(int fd, bool numberedReports)
    : fd_(fd), numberedReports_(numberedReports) {}

HidrawConnection::~HidrawConnection() {
    ::close(fd_);
}

int HidrawConnection::read(std::span<std::uint8_t> buffer, int timeoutMs) {
    return readReportWithId(buffer, numberedReports_, [&](std::uint8_t* data, std::size_t size) {
        return readData(data, size, timeoutMs);
    });
}

// A report waiting is read even when the device is gone already; the hang-up
// counts only once nothing is left.
int HidrawConnection::readData(std::uint8_t* data, std::size_t size, int timeoutMs) {
    pollfd request{fd_, POLLIN, 0};
    const int ready = ::poll(&request, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return 0;
    }
    if (ready < 0 || (request.revents & POLLIN) == 0) {
        return -1;
    }
    const ssize_t count = ::read(fd_, data, size);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return 0;
    }
    // hidraw never reads 0 bytes while the device is there; end of file
    // means it went.
    return count > 0 ? static_cast<int>(count) : -1;
}

// Report ID first, 0 for a device without numbered reports: hidraw takes the
// report as the program hands it over.
bool HidrawConnection::write(std::span<const std::uint8_t> report) {
    if (report.empty()) {
        return false;
    }
    ssize_t written = 0;
    do {
        written = ::write(fd_, report.data(), report.size());
    } while (written < 0 && errno == EINTR);
    return written >= 0 && static_cast<std::size_t>(written) == report.size();
}

std::unique_ptr<HidConnection> platformOpenDevice(const std::string& path, bool numberedReports) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<HidrawConnection>(fd, numberedReports);
}

}  // namespace voltrix
