// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/program_entry.h"

int main(int argc, char* argv[]) {
    return voltrix::runProgram(
        argc, argv,
        {.summary = "Watches, logs and configures the VOLTRIX measurement module.", .prepare = {}});
}
