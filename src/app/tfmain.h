#pragma once

#include <QMainWindow>

namespace voltrix {

// The program's main window.
class TFMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFMain(QWidget* parent = nullptr);
};

}  // namespace voltrix
