// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QObject>
#include <QString>

#include "engine/logging/file_dialog_texts.h"
#include "engine/logging/log_line.h"
#include "engine/logging/log_writer.h"
#include "engine/settings/program_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The window's logging controls: the start/stop button and its label, the
// file name, the columns, decimals and divisor of the lines. They command
// the session's logging, and show its state: the logging panel of the status
// bar (with the reports lost, if any) and, while the file cannot be written,
// the reason in the message panel.
//
// Lives on the window's thread, like every view.

namespace voltrix {

class MeasurementSession;
class StatusPanels;

class LoggingControls : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        // The settings file the file name and the divisor are stored in.
        std::function<QString()> settingsPath;
        // Shows an error box.
        std::function<void(const QString& message)> showError;
        // Asks for the measurement file: the chosen path, or an empty text.
        std::function<QString(const FileDialogTexts& texts)> chooseFile;
    };

    // Finds its controls in `window` (a missing one throws MissingControl).
    LoggingControls(QWidget* window, MeasurementSession& session, StatusPanels& panels,
                    Hooks hooks, QObject* parent = nullptr);

    // Start-up: the switches, decimals, divisor and file name as stored, and
    // logging on when the file asks for it.
    void load(const LoadedSettings& loaded);
    // Shutdown: the switches and the decimals as they are now.
    void store(ShutdownSettings& settings) const;

    bool loggingOn() const { return logging_on; }
    // Sets the switch without acting on it (start-up acts later).
    void setLoggingOn(bool on) { logging_on = on; }
    std::uint32_t modDivisor() const { return mod_divisor; }
    // The chosen number of decimals; 2 while the list shows none.
    int decimals() const;

    // The start/stop button: logging toggles when a file name is given.
    void toggle();
    // The file name button: asks for the file and stores the name.
    void chooseFile();
    // The divisor button: takes over the counter-modulo divisor.
    void takeDivisor();

    // Shows the logging state and makes the session follow it.
    void UpdateLoggingState();
    // Reports lost on their way to the file, in the logging panel; called
    // periodically.
    void showLosses();
    // Shows the texts of the active language again.
    void retranslate();
    // Stops logging, closing the file (the window is closing).
    void CloseLogFile();

private:
    void logStatusChanged(const LogWriter::Status& status);
    void showLogError();
    void sendLineSettings();
    // The logging panel's text, with `lost` reports beside it while logging.
    QString loggingPanelText(std::uint64_t lost) const;

    MeasurementSession& session_;
    StatusPanels& panels_;
    Hooks hooks_;

    QLabel* save_label;
    QPushButton* save_button;
    QPushButton* file_name_button;
    QLineEdit* file_name_edit;
    QComboBox* DivBox;
    QLineEdit* edit_mod;
    std::array<QCheckBox*, kSaveKeyCount> saveBoxes_{};  // settings_key::kSave order

    bool logging_on = false;
    bool sessionLogging_ = false;  // what the session was last told
    std::uint32_t mod_divisor = 0;
    LogLineSettings lineSettings_;
    // While the file cannot be written: why, as the session last said.
    LogWriter::Status failure_;
};

}  // namespace voltrix
