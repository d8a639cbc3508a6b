// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "engine/recorded/recorded_layout.h"

// The viewer's window on a recorded file: how soon its chart shows the
// first picture, and how long a redraw of the whole file takes at
// 1920 x 1080. Needs a QApplication.

namespace voltrix {

struct ViewerWindowFigures {
    double firstPictureMs = 0;  // from opening the file to the first picture drawn
    double loadedMs = 0;        // from opening the file to its last line loaded
    double redrawMs = 0;        // best full redraw of the whole file
    double meanRedrawMs = 0;
};

ViewerWindowFigures measureViewerWindow(const std::filesystem::path& path,
                                        const RecordedLayout& layout);

// The viewer's window with the whole file loaded, saved as a picture.
bool saveViewerPicture(const std::filesystem::path& path, const RecordedLayout& layout,
                       const char* picture);

}  // namespace voltrix
