#include <QApplication>

#include "app/tfmain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VOLTRIX - PC"));
    voltrix::TFMain FMain;
    FMain.show();
    return QApplication::exec();
}
