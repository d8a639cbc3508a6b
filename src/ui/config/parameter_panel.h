// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include <QObject>

#include "engine/parameters/parameters.h"
#include "engine/protocol/measurement.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace voltrix {

struct ControlArrays;
class CommandPort;

// The "Zapisz" (save) and "Odczytaj" (read) buttons of the configuration and
// program settings pages: each save button writes the value beside it to the
// module, each read button asks for a parameter, and the module's parameter
// reports fill the controls. The output rules have a panel of their own.
class ParameterPanel : public QObject {
    Q_OBJECT

public:
    // `window` holds the controls, found by name; `arrays` are its per-channel
    // tables.
    ParameterPanel(QWidget* window, const ControlArrays& arrays, CommandPort& sender,
                   QObject* parent = nullptr);

    // A parameter report of the module (any identifier but the output rules).
    void parameterReportReceived(const LastReport& report);

private:
    void bindSaveButtons();
    void bindReadButtons();

    // The buttons `<prefix>1` to `<prefix><channels>` of one row: a click runs
    // `save` for the channel named by the last digit of the clicked button.
    void bindRow(const char* prefix, std::size_t channels,
                 std::function<void(std::uint8_t channel)> save);

    // Save handlers of the three kinds of values.
    void saveSelection(ParamId id, const QComboBox* list, std::uint8_t channel);
    void saveInteger(ParamId id, QLineEdit* edit, std::uint8_t channel);
    void saveReal(ParamId id, QLineEdit* edit, std::uint8_t channel);
    void send(const CommandPayload& payload);

    // Read-back into the controls.
    void showAdcBlock(ParamReportView report, std::uint8_t channel);
    void showEncBlock(ParamReportView report, std::uint8_t channel);
    void showDiagStats(ParamReportView report);

    // The control of the window called `name`; throws std::logic_error when
    // there is none.
    template <typename Widget>
    Widget* control(const QString& name) const;

    QWidget* window_;
    const ControlArrays& arrays_;
    CommandPort& sender_;
    // The single controls the module's reports fill.
    QComboBox* trigger_mode;
    QLineEdit* trigger_time;
    QLineEdit* trigger_filter;
    QComboBox* mod_adr;
    QComboBox* mod_br;
    QLabel* ver_firm;
    QComboBox* trig_master_mode;
    QLabel* label_temperature;
    QPlainTextEdit* DebugMemo;
};

}  // namespace voltrix
