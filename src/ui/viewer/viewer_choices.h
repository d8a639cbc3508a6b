// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include <QString>

#include "engine/protocol/quantities.h"
#include "ui/viewer/recorded_chart.h"

// What the viewer remembers of its own: the lanes' layout and heights. They
// live in a file of the viewer's, voltrix-view.ini in the user's settings
// folder, never in the window's config.ini, which the viewer only reads.

namespace voltrix {

struct ViewerChoices {
    LaneLayout layout = LaneLayout::OneAxis;
    std::array<int, kQuantityCount> heightSteps{};  // RecordedChart::heightSteps
};

// voltrix-view.ini in the user's settings folder. Needs the application's
// name set.
QString viewerChoicesPath();

// The choices kept in `path`; the defaults where it has none or they do not read.
ViewerChoices readViewerChoices(const QString& path);
// False when the file cannot be written.
bool writeViewerChoices(const QString& path, const ViewerChoices& choices);

}  // namespace voltrix
