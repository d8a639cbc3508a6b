// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "ui/window/tfmain.h"

// What voltrix-pc and voltrix-pc-demo share: the command line (--help,
// --version), the window, and what happens on a fatal error.

namespace voltrix {

struct ProgramDescription {
    // One line for --help.
    const char* summary = "";
    // Fills in the window's surroundings; runs after the command line was
    // read, so that nothing is set up for --help or --version. The returned
    // object, if any, lives as long as the window.
    std::function<std::shared_ptr<void>(WindowEnvironment& environment)> prepare;
};

// Runs the program to its end and gives its exit code: 0 after the window
// closed, 1 after a fatal error (shown in an error box, and written to
// standard error for whoever started it from a terminal), and the command
// line's own codes for --help, --version and bad options.
int runProgram(int argc, char* argv[], const ProgramDescription& description);

}  // namespace voltrix
