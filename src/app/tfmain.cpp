#include "app/tfmain.h"

namespace voltrix {

namespace {
constexpr auto kCaption = "VOLTRIX PC [STANDARD] - 1.03a";
}

TFMain::TFMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(765, 570);
}

}  // namespace voltrix
