#pragma once

#include <QObject>

#include "device/measurement.h"

class QWidget;

namespace voltrix {

struct ControlArrays;
class CommandSender;

// The "Zapisz" (save) and "Odczytaj" (read) buttons of the configuration and
// program settings pages: each save button writes the value beside it to the
// module, each read button asks for a parameter, and the module's parameter
// reports fill the controls. The output rules have a panel of their own.
class ParameterPanel : public QObject {
    Q_OBJECT

public:
    // `window` holds the controls, found by name; `arrays` are its per-channel
    // tables.
    ParameterPanel(QWidget* window, const ControlArrays& arrays, CommandSender& sender,
                   QObject* parent = nullptr);

    // A parameter report of the module (any identifier but the output rules).
    void parameterReportReceived(const LastReport& report);

private:
    QWidget* window_;
    const ControlArrays& arrays_;
    CommandSender& sender_;
};

}  // namespace voltrix
