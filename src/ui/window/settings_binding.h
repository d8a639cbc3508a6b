// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <functional>

#include <QObject>
#include <QString>

#include "engine/settings/program_settings.h"
#include "engine/settings/settings_location.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QWidget;

// The settings file and the window's controls: which file is used, what
// start-up reads into the controls, what the name and unit buttons store at
// once, and what shutdown writes back.
//
// Lives on the window's thread.

namespace voltrix {

class ChartView;
class ElidedLabel;
class LoggingControls;

class SettingsBinding : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        // Applies the language selector's choice (the window retranslates).
        std::function<void()> applyLanguage;
        // Shows an error box.
        std::function<void(const QString& message)> showError;
        // Shows a note in the status bar's message panel.
        std::function<void(const QString& text)> showMessage;
    };

    // Finds its controls in `window` (a missing one throws MissingControl).
    SettingsBinding(QWidget* window, ChartView& chart, LoggingControls& logging, Hooks hooks,
                    QObject* parent = nullptr);

    // Chooses the settings file in `programDirectory` or, when that one
    // cannot be kept, in `userDirectory`, and moves what it holds into the
    // controls. Throws SettingsError when the file cannot be made or holds
    // a chart time that is no number; what came before it is applied.
    void load(const QString& programDirectory, const QString& userDirectory);
    // Writes back what shutdown keeps; throws SettingsError.
    void save() const;

    const QString& path() const { return config_path; }
    const std::array<QString, 4>& adcUnits() const { return adc_unit_text; }
    const std::array<QString, 2>& encUnits() const { return enc_unit_text; }
    const std::array<QString, 2>& mathUnits() const { return math_unit_text; }

private:
    void bindStoreButtons(QWidget* window);
    void setMathNameLabels(int channel, const QString& name);

    QWidget* window_;
    ChartView& chart_;
    LoggingControls& logging_;
    Hooks hooks_;
    QComboBox* siLangCombo1;
    QSpinBox* UpDown;
    std::array<QLineEdit*, 2> mathNameEdits_{};
    std::array<QLineEdit*, 2> mathUnitEdits_{};
    std::array<QLineEdit*, 4> adcUnitEdits_{};
    std::array<QLineEdit*, 2> encUnitEdits_{};
    // The labels showing each math function's name, three per function.
    std::array<std::array<ElidedLabel*, 3>, 2> mathNameLabels_{};

    QString config_path;
    std::array<QString, 2> math_unit_text;
    std::array<QString, 4> adc_unit_text;
    std::array<QString, 2> enc_unit_text;
};

}  // namespace voltrix
