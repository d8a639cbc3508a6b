#include <exception>

#include <QApplication>
#include <QMessageBox>

#include "engine/text/error_message.h"
#include "ui/window/tfmain.h"

int main(int argc, char* argv[]) {
    try {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QString::fromLatin1(voltrix::kApplicationTitle));
        voltrix::TFMain FMain;
        FMain.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString::fromLatin1(voltrix::kApplicationTitle),
                              voltrix::errorBoxText(QString::fromUtf8(error.what())));
    } catch (...) {
        QMessageBox::critical(nullptr, QString::fromLatin1(voltrix::kApplicationTitle), QString());
    }
    return 0;
}
