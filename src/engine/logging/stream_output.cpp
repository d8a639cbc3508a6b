// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/stream_output.h"

#include <cerrno>

#include "engine/platform/output_file.h"

namespace voltrix {

void StreamOutput::open(int descriptor, bool owned) {
    close();
    descriptor_ = descriptor;
    owned_ = owned;
}

void StreamOutput::close() {
    if (descriptor_ >= 0 && owned_) {
        closeStream(descriptor_);
    }
    descriptor_ = -1;
}

bool StreamOutput::write(std::string_view data, int& errorCode) {
    std::size_t written = 0;
    while (written < data.size()) {
        const long long n =
            writeToStream(descriptor_, data.data() + written, data.size() - written, errorCode);
        if (n <= 0) {
            if (n == 0) {
                errorCode = EIO;
            }
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace voltrix
