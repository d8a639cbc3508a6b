// The program on a virtual VOLTRIX module, for trying it without hardware:
// the module streams measurements at 1 kHz and answers every command as the
// real one does.

#include <QApplication>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/text/error_message.h"
#include "ui/window/tfmain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(voltrix::kApplicationTitle));
    voltrix::VirtualHidBackend bus;
    bus.plugModule();
    voltrix::WindowEnvironment environment;
    environment.hidBackend = &bus;
    voltrix::TFMain FMain(environment);
    FMain.show();
    QApplication::exec();
    return 0;
}
