// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "device/hid_backend.h"

// An opened hidraw node, read and written through its file descriptor rather
// than through hidapi. hidapi's read gives up as soon as the system reports
// the hang-up, dropping the reports the kernel still holds for the handle;
// this one reads those first, which is what lets the reader rest between
// reads. One descriptor serves both threads: the kernel keeps no per-call
// state for a hidraw handle.

namespace voltrix {

class HidrawConnection final : public HidConnection {
public:
    // Takes over `fd`, a hidraw node opened for reading and writing (or, in
    // tests, anything that keeps message boundaries, like a seqpacket socket).
    HidrawConnection(int fd, bool numberedReports);
    ~HidrawConnection() override;
    HidrawConnection(const HidrawConnection&) = delete;
    HidrawConnection& operator=(const HidrawConnection&) = delete;

    int read(std::span<std::uint8_t> buffer, int timeoutMs) override;
    bool write(std::span<const std::uint8_t> report) override;
    bool keepsReportsPastUnplug() const override { return true; }

private:
    int readData(std::uint8_t* data, std::size_t size, int timeoutMs);

    int fd_;
    bool numberedReports_;
};

}  // namespace voltrix
