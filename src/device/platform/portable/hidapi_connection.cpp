// SPDX-License-Identifier: GPL-3.0-or-later
// An opened device where hidapi alone has to do: Windows, macOS and the BSDs.

#include <hidapi/hidapi.h>

#include "device/hidapi_backend.h"
#include "device/platform/hid_platform.h"

namespace voltrix {
namespace {

// Two hidapi handles, one per thread: hid_read_timeout and hid_write both
// update state of their handle (its last error text), and hidapi does not
// promise that one handle may be used by two threads at once.
//
// Whether hidapi still hands out queued reports after an unplug differs by
// system, so the reader never rests on these connections.
class HidapiConnection final : public HidConnection {
public:
    HidapiConnection(hid_device* reader, hid_device* writer, bool numberedReports)
        : reader_(reader), writer_(writer), numberedReports_(numberedReports) {}

    // The reader thread has to be finished before the connection goes.
    ~HidapiConnection() override {
        hid_close(reader_);
        hid_close(writer_);
    }

    int read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        return readReportWithId(buffer, numberedReports_,
                                [&](std::uint8_t* data, std::size_t size) {
                                    return hid_read_timeout(reader_, data, size, timeoutMs);
                                });
    }

    // hid_write takes report ID + data, 0 for a device without numbered
    // reports, just as the program hands it over.
    bool write(std::span<const std::uint8_t> report) override {
        if (report.empty()) {
            return false;
        }
        const int written = hid_write(writer_, report.data(), report.size());
        return written >= 0 && static_cast<std::size_t>(written) == report.size();
    }

private:
    hid_device* reader_;
    hid_device* writer_;
    bool numberedReports_;
};

}  // namespace

std::unique_ptr<HidConnection> platformOpenDevice(const std::string& path, bool numberedReports) {
    hid_device* reader = hid_open_path(path.c_str());
    if (reader == nullptr) {
        return nullptr;
    }
    hid_device* writer = hid_open_path(path.c_str());
    if (writer == nullptr) {
        hid_close(reader);
        return nullptr;
    }
    return std::make_unique<HidapiConnection>(reader, writer, numberedReports);
}

}  // namespace voltrix
