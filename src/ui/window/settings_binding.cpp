// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/settings_binding.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

#include "engine/settings/ini_file.h"
#include "engine/text/language.h"
#include "engine/text/string_table.h"
#include "ui/chart/chart_view.h"
#include "ui/window/elided_label.h"
#include "ui/window/logging_controls.h"
#include "ui/window/required_child.h"

namespace voltrix {
namespace {

QString channelName(const char* pattern, int channel) {
    return QString::fromLatin1(pattern).arg(channel);
}

}  // namespace

SettingsBinding::SettingsBinding(QWidget* window, ChartView& chart, LoggingControls& logging,
                                 Hooks hooks, QObject* parent)
    : QObject(parent),
      window_(window),
      chart_(chart),
      logging_(logging),
      hooks_(std::move(hooks)),
      siLangCombo1(requiredChild<QComboBox>(window, "siLangCombo1")),
      UpDown(requiredChild<QSpinBox>(window, "UpDown")) {
    for (int i = 0; i < 2; ++i) {
        mathNameEdits_[i] = requiredChild<QLineEdit>(window, channelName("math_name_%1", i + 1));
        mathUnitEdits_[i] = requiredChild<QLineEdit>(window, channelName("math_unit_%1", i + 1));
        encUnitEdits_[i] = requiredChild<QLineEdit>(window, channelName("enc_unit_%1", i + 1));
        for (int row = 0; row < 3; ++row) {
            mathNameLabels_[i][row] = requiredChild<ElidedLabel>(
                window, QStringLiteral("math_name%1%2").arg(row).arg(i + 1));
        }
    }
    for (int i = 0; i < 4; ++i) {
        adcUnitEdits_[i] = requiredChild<QLineEdit>(window, channelName("adc_unit_%1", i + 1));
    }
    bindStoreButtons(window);
}

// The buttons that store a name or a unit in the settings file at once; the
// program uses the new text only once it is stored.
void SettingsBinding::bindStoreButtons(QWidget* window) {
    struct Binding {
        const char* button;
        const char* key;
        QLineEdit* edit;
        std::function<void(const QString&)> afterwards;
    };
    const Binding bindings[] = {
        {"BitBtn48", settings_key::kMathName[0], mathNameEdits_[0],
         [this](const QString& t) { setMathNameLabels(1, t); }},
        {"BitBtn50", settings_key::kMathName[1], mathNameEdits_[1],
         [this](const QString& t) { setMathNameLabels(2, t); }},
        {"BitBtn42", settings_key::kMathUnit[0], mathUnitEdits_[0],
         [this](const QString& t) { math_unit_text[0] = t; }},
        {"BitBtn49", settings_key::kMathUnit[1], mathUnitEdits_[1],
         [this](const QString& t) { math_unit_text[1] = t; }},
        {"button_adcunit1", settings_key::kAdcUnit[0], adcUnitEdits_[0],
         [this](const QString& t) { adc_unit_text[0] = t; }},
        {"button_adcunit2", settings_key::kAdcUnit[1], adcUnitEdits_[1],
         [this](const QString& t) { adc_unit_text[1] = t; }},
        {"button_adcunit3", settings_key::kAdcUnit[2], adcUnitEdits_[2],
         [this](const QString& t) { adc_unit_text[2] = t; }},
        {"button_adcunit4", settings_key::kAdcUnit[3], adcUnitEdits_[3],
         [this](const QString& t) { adc_unit_text[3] = t; }},
        {"BitBtn11", settings_key::kEncUnit[0], encUnitEdits_[0],
         [this](const QString& t) { enc_unit_text[0] = t; }},
        {"BitBtn13", settings_key::kEncUnit[1], encUnitEdits_[1],
         [this](const QString& t) { enc_unit_text[1] = t; }},
    };
    for (const Binding& binding : bindings) {
        QLineEdit* edit = binding.edit;
        const QString key = QString::fromLatin1(binding.key);
        auto afterwards = binding.afterwards;
        connect(requiredChild<QPushButton>(window, binding.button), &QPushButton::clicked, this,
                [this, edit, key, afterwards] {
                    const QString text = edit->text();
                    try {
                        writeSetting(config_path, key, text);
                    } catch (const SettingsError& error) {
                        hooks_.showError(error.message());
                        return;
                    }
                    afterwards(text);
                });
    }
}

// The name is the user's and of any length: the labels cut it to their width.
void SettingsBinding::setMathNameLabels(int channel, const QString& name) {
    const QString shown = QLatin1Char('[') + name + QLatin1Char(']');
    for (ElidedLabel* label : mathNameLabels_[channel - 1]) {
        label->setFullText(shown);
    }
}

void SettingsBinding::load(const QString& programDirectory, const QString& userDirectory) {
    const SettingsLocation location = chooseSettingsLocation(programDirectory, userDirectory);
    config_path = location.path;
    const LoadedSettings loaded = loadSettingsAtStartup(config_path, lookup(Ids::IDS_42));

    for (int i = 0; i < 2; ++i) {
        mathNameEdits_[i]->setText(loaded.mathName[i]);
        mathUnitEdits_[i]->setText(loaded.mathUnit[i]);
        encUnitEdits_[i]->setText(loaded.encUnit[i]);
        math_unit_text[i] = mathUnitEdits_[i]->text();
        enc_unit_text[i] = encUnitEdits_[i]->text();
        setMathNameLabels(i + 1, mathNameEdits_[i]->text());
    }
    for (int i = 0; i < 4; ++i) {
        adcUnitEdits_[i]->setText(loaded.adcUnit[i]);
        adc_unit_text[i] = adcUnitEdits_[i]->text();
    }

    logging_.load(loaded);

    for (int i = 0; i < static_cast<int>(kQuantityCount); ++i) {
        chart_.setSeriesActive(i, loaded.chart[i]);
    }

    window_->move(window_->x(), loaded.screenTop);
    window_->move(loaded.screenLeft, window_->y());

    UpDown->setValue(loaded.checkedChartTime());
    chart_.setTimeRange(0, UpDown->value());

    logging_.setLoggingOn(loaded.loggingOn);

    // An unknown language number falls back to Polish.
    siLangCombo1->setCurrentIndex(languageFromIndex(loaded.language) == Language::English ? 1 : 0);
    hooks_.applyLanguage();

    // After the language change, which empties the panel.
    const QString setAside = setAsideMessage(location);
    if (!setAside.isEmpty()) {
        hooks_.showMessage(setAside);
    }
}

void SettingsBinding::save() const {
    ShutdownSettings values;
    values.screenTop = window_->y();
    values.screenLeft = window_->x();
    logging_.store(values);
    for (int i = 0; i < static_cast<int>(kQuantityCount); ++i) {
        values.chart[i] = chart_.seriesActive(i);
    }
    values.language = siLangCombo1->currentIndex();
    values.chartTime = UpDown->value();

    saveShutdownSettings(config_path, values);
}

}  // namespace voltrix
