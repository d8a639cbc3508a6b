#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QString>

#include "engine/logging/file_dialog_texts.h"
#include "engine/logging/measurement_log.h"
#include "engine/parameters/value_lists.h"
#include "engine/protocol/report_framing.h"
#include "engine/protocol/report_receiver.h"
#include "ui/window/control_arrays.h"
#include "ui/window/status_panels.h"

class QComboBox;
class QListWidget;
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
class DeviceController;
class OutputRulesPanel;
class ParameterPanel;
class HidBackend;
class HidDevice;
class IndicatorRefresh;

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
};

// The program's one window: four pages (indicators, chart, device
// configuration, program settings), the status bar and the language selector.
class TFMain : public QMainWindow, private ReportObserver {
    Q_OBJECT

public:
    explicit TFMain(WindowEnvironment environment = {}, QWidget* parent = nullptr);
    ~TFMain() override;

    StatusPanels& statusPanels() { return *statusPanels_; }
    ChartView* chart() const { return chart_; }

    // Shows an error the way every window handler does: in the error box,
    // with a full stop added where the message lacks one.
    void showError(const QString& message);

    // Settings-file members.
    QString config_path;
    std::array<QString, 2> math_unit_text;
    std::array<QString, 4> adc_unit_text;
    std::array<QString, 2> enc_unit_text;

    // Device link.
    bool connected() const { return sender_.connected(); }
    HidDevice* current_device = nullptr;
    const ReportReceiver& reports() const { return receiver_; }
    CommandSender& sender() { return sender_; }
    DeviceController& deviceController() { return *JvHidDeviceController1; }

    // Logging members.
    std::uint32_t mod_divisor = 0;
    bool logging_on = false;
    MeasurementLog log_file;

    ControlArrays arrays;

public slots:
    // The language selector's change handler: makes the chosen language
    // active, empties status panels 1 and 0 and sets the chart's axis titles.
    void siLangCombo1Change();

    // The data handler of the connected module: one input report, without
    // its report ID.
    void ReportReceived(std::span<const std::uint8_t> data) { receiver_.ReportReceived(data); }

    // The device link's handlers.
    void JvHidDeviceController1DeviceChange();
    bool JvHidDeviceController1Enumerate(HidDevice& device, int index);
    void FreqTimerTimer();
    void Timer1Timer();
    void DebugMemoClick();

    // Live values and logging.
    void UpdateDataTimerTimer();
    void ChartTimerTimer();
    void SaveFileTimerTimer();
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
    void bindSaveButtons();
    void bindChartWidth();
    void setGlyphs();

    void FormCreate();
    void loadSettings();
    void shutdownSave();
    void UpdateLoggingState();
    void CloseLogFile();
    void showLogError();
    void retranslate();
    void setMathNameLabels(int channel, const QString& name);

    bool eventFilter(QObject* watched, QEvent* event) override;

    void startDeviceLink();
    void startLiveValues();
    void bindLogColumns();
    int decimals() const;

    // ReportObserver
    void AppendLogLine(std::string_view line) override;
    void parameterReportReceived(const LastReport& report) override;
    void outputRuleAcknowledged(std::uint8_t channel) override;
    void showStatusMessage(const QString& text) override;

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
    QListWidget* ListBox1 = nullptr;
    QTimer* FreqTimer = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* UpdateDataTimer = nullptr;
    QTimer* ChartTimer = nullptr;
    QTimer* SaveFileTimer = nullptr;
    std::unique_ptr<IndicatorRefresh> indicators_;
    bool logFailing_ = false;
    bool shutdownSaveFailed_ = false;  // the next failed close closes anyway
    int logErrorCode_ = 0;
    std::unique_ptr<StatusPanels> statusPanels_;

    // Declared in this order so that the controller (and with it every reader
    // thread) ends before the backend it reads from.
    ParameterPanel* parameterPanel_ = nullptr;
    OutputRulesPanel* outputRulesPanel_ = nullptr;

    std::unique_ptr<HidBackend> systemBackend_;
    std::unique_ptr<DeviceController> JvHidDeviceController1;
    CommandSender sender_;
    ReportReceiver receiver_{*this};

    // Drop-down lists whose entries come from the value lists, refilled in
    // place on a language change so that their selection stays.
    std::vector<std::pair<QComboBox*, ValueList>> valueLists_;
};

}  // namespace voltrix
