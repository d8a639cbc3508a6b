// SPDX-License-Identifier: GPL-3.0-or-later
// The program on a virtual VOLTRIX module, for trying it without hardware:
// the module streams measurements at 1 kHz and answers every command as the
// real one does.

#include <memory>

#include "device/virtual/virtual_hid_backend.h"
#include "programs/program_entry.h"

int main(int argc, char* argv[]) {
    return voltrix::runProgram(
        argc, argv,
        {.summary = "VOLTRIX PC on a virtual module, for trying it without hardware.",
         .prepare = [](voltrix::WindowEnvironment& environment) -> std::shared_ptr<void> {
             auto bus = std::make_shared<voltrix::VirtualHidBackend>();
             bus->plugModule();
             environment.hidBackend = bus.get();
             return bus;
         }});
}
