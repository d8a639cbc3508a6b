// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "engine/recorded/recorded_layout.h"

// The viewer's chart on a recorded file at 1920 x 1080: how soon it shows
// the first picture, how long a redraw of the whole file takes, and a zoom
// to 10 s (its lines read back from the file). Needs a QApplication.

namespace voltrix {

struct ViewerWindowFigures {
    double firstPictureMs = 0;  // from opening the file to the first picture drawn
    double loadedMs = 0;        // from opening the file to its last line loaded
    double redrawMs = 0;        // best full redraw of the whole file
    double meanRedrawMs = 0;
    // Zooms to 10 s at places spread over the file, each read back and drawn.
    double meanZoomMs = 0;
    double slowestZoomMs = 0;
    int zooms = 0;
};

ViewerWindowFigures measureViewerWindow(const std::filesystem::path& path,
                                        const RecordedLayout& layout);

// The viewer's window with the whole file loaded, saved as a picture.
bool saveViewerPicture(const std::filesystem::path& path, const RecordedLayout& layout,
                       const char* picture);

}  // namespace voltrix
