// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/logging_controls.h"

#include <algorithm>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "engine/logging/write_error_text.h"
#include "engine/settings/ini_file.h"
#include "engine/text/format_value.h"
#include "engine/text/number_text.h"
#include "engine/text/string_table.h"
#include "session/measurement_session.h"
#include "ui/window/edit_marking.h"
#include "ui/window/glyphs.h"
#include "ui/window/required_child.h"
#include "ui/window/status_panels.h"

namespace voltrix {

LoggingControls::LoggingControls(QWidget* window, MeasurementSession& session,
                                 StatusPanels& panels, Hooks hooks, QObject* parent)
    : QObject(parent),
      session_(session),
      panels_(panels),
      hooks_(std::move(hooks)),
      save_label(requiredChild<QLabel>(window, "save_label")),
      save_button(requiredChild<QPushButton>(window, "save_button")),
      file_name_button(requiredChild<QPushButton>(window, "file_name_button")),
      file_name_edit(requiredChild<QLineEdit>(window, "file_name_edit")),
      DivBox(requiredChild<QComboBox>(window, "DivBox")),
      edit_mod(requiredChild<QLineEdit>(window, "edit_mod")) {
    for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
        saveBoxes_[i] = requiredChild<QCheckBox>(window, settings_key::kSave[i].checkBox);
    }
    // The line's columns, decimals and divisor follow their controls at once;
    // the first check box starts logging at launch, the columns follow it.
    for (std::size_t column = 0; column < kLogColumnCount; ++column) {
        QCheckBox* box = saveBoxes_[column + 1];
        lineSettings_.columns.set(column, box->isChecked());
        connect(box, &QCheckBox::toggled, this, [this, column](bool on) {
            lineSettings_.columns.set(column, on);
            sendLineSettings();
        });
    }
    lineSettings_.decimals = decimals();
    connect(DivBox, &QComboBox::currentIndexChanged, this, [this] {
        lineSettings_.decimals = decimals();
        sendLineSettings();
    });
    lineSettings_.modDivisor = mod_divisor;
    lineSettings_.decimalSeparator = systemDecimalSeparator().toStdString();
    sendLineSettings();

    connect(&session_, &MeasurementSession::logStatusChanged, this,
            &LoggingControls::logStatusChanged);
}

void LoggingControls::sendLineSettings() {
    session_.setLogLineSettings(lineSettings_);
}

int LoggingControls::decimals() const {
    const int index = DivBox->currentIndex();
    return index >= 0 ? index : kDefaultPoint;
}

void LoggingControls::load(const LoadedSettings& loaded) {
    for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
        saveBoxes_[i]->setChecked(loaded.save[i]);
    }
    mod_divisor = loaded.modDivisor();
    lineSettings_.modDivisor = mod_divisor;
    sendLineSettings();
    edit_mod->setText(QString::number(loaded.mod));
    // A stored number of decimals outside the list leaves it without a
    // selection; values are then shown with 2 decimals.
    DivBox->setCurrentIndex(loaded.point >= 0 && loaded.point < DivBox->count() ? loaded.point
                                                                                 : -1);
    file_name_edit->setText(loaded.fileName);
}

void LoggingControls::store(ShutdownSettings& settings) const {
    settings.point = DivBox->currentIndex();
    for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
        settings.save[i] = saveBoxes_[i]->isChecked();
    }
}

void LoggingControls::toggle() {
    if (!file_name_edit->text().isEmpty()) {
        logging_on = !logging_on;
    }
    UpdateLoggingState();
}

void LoggingControls::chooseFile() {
    const QString path = hooks_.chooseFile(measurementFileDialogTexts());
    if (path.isEmpty()) {
        return;
    }
    file_name_edit->setText(path);
    try {
        writeSetting(hooks_.settingsPath(), QString::fromLatin1(settings_key::kFileName), path);
    } catch (const SettingsError&) {
        // The name is shown and used; storing it for the next start is a
        // convenience whose failure is not worth a message.
    }
}

void LoggingControls::takeDivisor() {
    const std::optional<std::int32_t> parsed = parseInteger(edit_mod->text());
    if (!parsed) {
        markEdit(edit_mod, EditMark::Error);
        return;
    }
    const std::int32_t divisor = std::clamp<std::int32_t>(*parsed, 1, 99999999);
    if (divisor != *parsed) {
        edit_mod->setText(QString::number(divisor));
        markEdit(edit_mod, EditMark::Clamp);
    }
    mod_divisor = static_cast<std::uint32_t>(divisor);
    lineSettings_.modDivisor = mod_divisor;
    sendLineSettings();
    try {
        writeSetting(hooks_.settingsPath(), QString::fromLatin1(settings_key::kMod),
                     QString::number(divisor));
    } catch (const SettingsError& error) {
        hooks_.showError(error.message());
    }
}

void LoggingControls::UpdateLoggingState() {
    QPalette palette = save_label->palette();
    if (logging_on) {
        if (!sessionLogging_) {
            session_.startLogging(file_name_edit->text());
            sessionLogging_ = true;
        }
        save_label->setText(lookup(Ids::IDS_317));
        palette.setColor(QPalette::WindowText, QColor(168, 22, 6));
        save_button->setIcon(stopGlyph());
        file_name_button->setEnabled(false);
    } else {
        save_label->setText(lookup(Ids::IDS_320));
        palette.setColor(QPalette::WindowText, QColor(0, 64, 128));
        save_button->setIcon(runGlyph());
        CloseLogFile();
        file_name_button->setEnabled(true);
    }
    panels_.setText(StatusPanel::Logging, loggingPanelText(session_.droppedReports()));
    save_label->setPalette(palette);
}

void LoggingControls::CloseLogFile() {
    if (sessionLogging_) {
        session_.stopLogging();
        sessionLogging_ = false;
    }
    if (failure_.failing) {  // nothing is written now, so nothing fails
        failure_ = {};
        panels_.releaseMessage();
    }
}

QString LoggingControls::loggingPanelText(std::uint64_t lost) const {
    if (!logging_on) {
        return lookup(Ids::IDS_322);
    }
    if (lost == 0) {
        return lookup(Ids::IDS_319);
    }
    return lookup(Ids::IDS_319) + QStringLiteral(", ") +
           QCoreApplication::translate("LoggingControls", "utracone raporty: %1").arg(lost);
}

void LoggingControls::showLosses() {
    const std::uint64_t lost = session_.droppedReports();
    if (logging_on && lost != 0) {
        panels_.setText(StatusPanel::Logging, loggingPanelText(lost));
    }
}

// A file that cannot be written stops nothing else: the next line tries
// again, and status panel 0 says what is wrong for as long as it lasts.
void LoggingControls::logStatusChanged(const LogWriter::Status& status) {
    if (!logging_on) {
        return;  // news of a run that has ended
    }
    if (status.failing) {
        failure_ = status;
        showLogError();
    } else if (failure_.failing) {
        failure_ = {};
        panels_.releaseMessage();
    }
}

void LoggingControls::showLogError() {
    panels_.holdMessage(measurementFileErrorText(failure_.errorCode, failure_.error));
}

void LoggingControls::retranslate() {
    if (failure_.failing) {
        showLogError();  // in the new language
    }
}

}  // namespace voltrix
