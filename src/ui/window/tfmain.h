// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QString>

#include "engine/logging/file_dialog_texts.h"
#include "engine/parameters/value_lists.h"
#include "engine/protocol/report_framing.h"
#include "session/measurement_session.h"
#include "ui/window/control_arrays.h"
#include "ui/window/status_panels.h"

class QComboBox;
class QTabWidget;
class QTimer;

namespace Ui {
class IndicatorsPage;
class AnalogInputsPage;
class EncoderInputsPage;
class MathPage;
class OutputsPage;
class TriggerPage;
class ProgramSettingsPage;
}  // namespace Ui

namespace voltrix {

class ChartView;
class DeviceLinkView;
class HidBackend;
class IndicatorRefresh;
class LoggingControls;
class OutputRulesPanel;
class ParameterPanel;
class SessionThread;
class SettingsBinding;

// What the window needs from its surroundings; tests give their own.
struct WindowEnvironment {
    // Directory of config.ini; empty means the directory of the program.
    QString settingsDirectory;
    // Where config.ini goes when it cannot stay in settingsDirectory; empty
    // means the user's configuration directory.
    QString userSettingsDirectory;
    // Shows the text of an error box; empty means a modal message box.
    std::function<void(const QString& text)> showError;
    // The HID devices to talk to; null means the system's. Not owned.
    HidBackend* hidBackend = nullptr;
    // Asks for the measurement file; returns the chosen path or an empty
    // text. Empty means the save-file dialog.
    std::function<QString(const FileDialogTexts& texts)> chooseMeasurementFile;
    // The session's clock and log sink; the defaults are the wall clock and
    // the measurement file.
    SessionOptions session;
    // Runs the session on the window's thread instead of its own, so that a
    // test sees each report's effects as soon as the report is handed over.
    bool sessionOnWindowThread = false;
    // Where the configuration panels' commands go; null means the module.
    // Not owned.
    CommandPort* commandPort = nullptr;
};

// The program's one window: four pages (indicators, chart, device
// configuration, program settings), the status bar and the language selector.
// It is a view of a measurement session: it shows what the session
// publishes and sends it the operator's commands.
class TFMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFMain(WindowEnvironment environment = {}, QWidget* parent = nullptr);
    ~TFMain() override;

    // Shows an error the way every window handler does: in the error box,
    // with a full stop added where the message lacks one.
    void showError(const QString& message);

    // Narrow views for tests and tools.
    StatusPanels& statusPanels() { return *statusPanels_; }
    ChartView* chart() const { return chart_; }
    MeasurementSession& session() { return *session_; }
    bool connected() const;
    bool loggingOn() const;
    std::uint32_t modDivisor() const;
    const ControlArrays& controlArrays() const { return arrays; }
    const SettingsBinding& settings() const { return *settings_; }

public slots:
    // The language selector's change handler: makes the chosen language
    // active, empties status panels 1 and 0 and sets the chart's axis titles.
    void siLangCombo1Change();

    // One input report of the module, without its report ID, as the device
    // link hands it to the session.
    void ReportReceived(std::span<const std::uint8_t> data);

    // The timers' and controls' handlers.
    void FreqTimerTimer();
    void Timer1Timer();
    void DebugMemoClick();
    void UpdateDataTimerTimer();
    void ChartTimerTimer();
    void save_buttonClick();
    void file_name_buttonClick();
    void BitBtn5Click();

protected:
    void closeEvent(QCloseEvent* event) override;  // FormClose

private:
    void buildPages();
    void buildStatusBar();
    void fillLists();
    void disableOutputRuleRows();
    void bindEditMarking();
    void bindChartWidth();
    void setGlyphs();
    void startSession();
    void buildViews();
    void startLiveValues();

    void FormCreate();
    void retranslate();
    QString askForMeasurementFile(const FileDialogTexts& texts);

    WindowEnvironment environment_;

    std::unique_ptr<Ui::IndicatorsPage> indicatorsUi_;
    std::unique_ptr<Ui::AnalogInputsPage> analogUi_;
    std::unique_ptr<Ui::EncoderInputsPage> encoderUi_;
    std::unique_ptr<Ui::MathPage> mathUi_;
    std::unique_ptr<Ui::OutputsPage> outputsUi_;
    std::unique_ptr<Ui::TriggerPage> triggerUi_;
    std::unique_ptr<Ui::ProgramSettingsPage> settingsUi_;

    QTabWidget* PageControl1 = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    ChartView* chart_ = nullptr;
    QComboBox* siLangCombo1 = nullptr;
    QTimer* UpdateDataTimer = nullptr;
    QTimer* ChartTimer = nullptr;
    std::unique_ptr<IndicatorRefresh> indicators_;
    bool shutdownSaveFailed_ = false;  // the next failed close closes anyway
    std::unique_ptr<StatusPanels> statusPanels_;
    ControlArrays arrays;

    // Declared in this order so that the session (and with it every reader
    // thread and the file's writer) ends before the backend it reads from,
    // and the views that hold it end before it.
    std::unique_ptr<HidBackend> systemBackend_;
    std::unique_ptr<MeasurementSession> session_;
    std::unique_ptr<SessionThread> sessionThread_;
    LoggingControls* logging_ = nullptr;
    DeviceLinkView* deviceLink_ = nullptr;
    SettingsBinding* settings_ = nullptr;
    ParameterPanel* parameterPanel_ = nullptr;
    OutputRulesPanel* outputRulesPanel_ = nullptr;

    // Drop-down lists whose entries come from the value lists, refilled in
    // place on a language change so that their selection stays.
    std::vector<std::pair<QComboBox*, ValueList>> valueLists_;
};

}  // namespace voltrix
