#include "ui/window/tfmain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "device/device_controller.h"
#include "device/system_hid_backend.h"
#include "engine/logging/log_line.h"
#include "engine/logging/write_error_text.h"
#include "engine/parameters/parameters.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/settings_location.h"
#include "engine/text/error_message.h"
#include "engine/text/format_value.h"
#include "engine/text/language.h"
#include "engine/text/number_text.h"
#include "engine/text/program_version.h"
#include "engine/text/string_table.h"
#include "ui/chart/chart_view.h"
#include "ui/config/output_rules_panel.h"
#include "ui/config/parameter_panel.h"
#include "ui/indicators/indicator_refresh.h"
#include "ui/window/compact_tabs.h"
#include "ui/window/edit_marking.h"
#include "ui/window/elided_label.h"
#include "ui/window/glyphs.h"
#include "ui/window/required_child.h"
#include "ui/window/typed_length_limit.h"
#include "ui_analog_inputs_page.h"
#include "ui_encoder_inputs_page.h"
#include "ui_indicators_page.h"
#include "ui_math_page.h"
#include "ui_outputs_page.h"
#include "ui_program_settings_page.h"
#include "ui_trigger_page.h"

namespace voltrix {
namespace {

constexpr QSize kDesignedSize(765, 570);

// Page captions; the pages themselves are the forms.
constexpr const char* kMainPages[] = {
    QT_TRANSLATE_NOOP("TFMain", "Wskaźniki"),
    QT_TRANSLATE_NOOP("TFMain", "Wykresy"),
    QT_TRANSLATE_NOOP("TFMain", "Konfiguracja urządzenia"),
    QT_TRANSLATE_NOOP("TFMain", "Ustawienia programu"),
};
constexpr const char* kConfigurationPages[] = {
    QT_TRANSLATE_NOOP("TFMain", "Wejścia analogowe"),
    QT_TRANSLATE_NOOP("TFMain", "Wejścia enkoderowe"),
    QT_TRANSLATE_NOOP("TFMain", "Funkcje matematyczne (dla wejść analogowych)"),
    QT_TRANSLATE_NOOP("TFMain", "Wyjścia tranzystorowe"),
    QT_TRANSLATE_NOOP("TFMain", "Wyzwalania"),
};

// The check boxes of the logging settings, in the order of their keys.
constexpr const char* kSaveCheckBoxes[] = {
    "save_auto",    "save_date",    "save_time",    "save_cnt",   "save_cntmod",
    "save_adc1",    "save_adc2",    "save_adc3",    "save_adc4",  "save_adc1avg",
    "save_adc2avg", "save_adc3avg", "save_adc4avg", "save_enc1p", "save_enc2p",
    "save_enc1v",   "save_enc2v",   "save_math1",   "save_math2", "save_output",
};

QString translated(const char* source) {
    return QCoreApplication::translate("TFMain", source);
}

// The drop-down lists filled from the value lists; %1 is a channel number.
struct ListBinding {
    const char* pattern;
    int channels;
    ValueList list;
};
constexpr ListBinding kListBindings[] = {
    {"adc_mode_%1", 4, ValueList::AdcModes},
    {"enc_mode_%1", 2, ValueList::EncoderModes},
    {"math_mode_1", 1, ValueList::MathModes1},
    {"math_mode_2", 1, ValueList::MathModes2},
    {"math_m_mode_1", 1, ValueList::RegisterModes1},
    {"math_m_mode_2", 1, ValueList::RegisterModes2},
    {"trigger_mode", 1, ValueList::TriggerModes},
    {"trig_master_mode", 1, ValueList::TriggerInputModes},
    {"trig_master_type_%1", 2, ValueList::Registers},
    {"out%1_W", 6, ValueList::OutputSources},
    {"out%1_B", 6, ValueList::Comparisons},
    {"out%1_C", 6, ValueList::Comparisons},
    {"out%1_T", 6, ValueList::Logic},
    {"out%1_S", 6, ValueList::OutputStates},
    {"mod_br", 1, ValueList::BaudRates},
    {"mod_adr", 1, ValueList::ModbusAddresses},
};

// Edits whose colour mark is cleared on change and on click; the encoder unit
// edits only on change.
constexpr const char* kMarkedEdits[] = {
    "adc_filter1_%1", "adc_filter2_%1",    "adc_coeff_%1", "adc_offset_%1", "adc_offset_2%1",
    "enc_time_%1",    "enc_resolution_%1", "enc_coeff_%1", "enc_offset_%1", "math_offset_%1",
    "math_calib_%1",  "out%1_N",           "out%1_M",
};
constexpr const char* kSingleMarkedEdits[] = {"trigger_time", "trigger_filter", "edit_mod"};

// Tahoma 8 pt as designed where the system has it, else the system's own
// family at that size.
QFont windowFont(const QFont& systemFont) {
    QFont font = systemFont;
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        font.setFamily(QStringLiteral("Tahoma"));
    }
    font.setPointSize(8);
    return font;
}

}  // namespace

TFMain::TFMain(WindowEnvironment environment, QWidget* parent)
    : QMainWindow(parent),
      environment_(std::move(environment)),
      indicatorsUi_(std::make_unique<Ui::IndicatorsPage>()),
      analogUi_(std::make_unique<Ui::AnalogInputsPage>()),
      encoderUi_(std::make_unique<Ui::EncoderInputsPage>()),
      mathUi_(std::make_unique<Ui::MathPage>()),
      outputsUi_(std::make_unique<Ui::OutputsPage>()),
      triggerUi_(std::make_unique<Ui::TriggerPage>()),
      settingsUi_(std::make_unique<Ui::ProgramSettingsPage>()) {
    setObjectName(QStringLiteral("FMain"));
    setFont(windowFont(font()));
    buildPages();
    indicators_ = std::make_unique<IndicatorRefresh>(this);
    buildStatusBar();
    fillLists();
    disableOutputRuleRows();
    bindEditMarking();
    bindSaveButtons();
    bindChartWidth();
    setGlyphs();
    // The designed size; the pages' controls need all of it.
    resize(kDesignedSize);
    setMinimumSize(kDesignedSize);
    FormCreate();
    parameterPanel_ = new ParameterPanel(this, arrays, sender_, this);
    outputRulesPanel_ = new OutputRulesPanel(this, arrays, sender_, this);
    startLiveValues();
    startDeviceLink();
}

TFMain::~TFMain() {
    // Stop the readers before anything they hand reports to goes away.
    if (current_device != nullptr) {
        current_device->setDataHandler(nullptr);
    }
    JvHidDeviceController1.reset();
}

void TFMain::buildPages() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    setCentralWidget(PageControl1);

    TabSheet1 = new QWidget;
    indicatorsUi_->setupUi(TabSheet1);

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    chart_ = new ChartView(TabSheet2);
    auto* chartLayout = new QVBoxLayout(TabSheet2);
    chartLayout->setContentsMargins(4, 4, 4, 4);
    chartLayout->addWidget(chart_);

    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl2 = new QTabWidget(TabSheet3);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    PageControl2->setDocumentMode(true);
    // Five long captions side by side: with the style's own padding the last
    // ones slip behind scroll arrows at the designed width.
    makeTabsCompact(PageControl2->tabBar());
    auto* configurationLayout = new QVBoxLayout(TabSheet3);
    configurationLayout->setContentsMargins(4, 4, 4, 4);
    configurationLayout->addWidget(PageControl2);

    auto addConfigurationPage = [this](auto& ui) {
        auto* page = new QWidget;
        ui->setupUi(page);
        PageControl2->addTab(page, QString());
    };
    addConfigurationPage(analogUi_);
    addConfigurationPage(encoderUi_);
    addConfigurationPage(mathUi_);
    addConfigurationPage(outputsUi_);
    addConfigurationPage(triggerUi_);

    TabSheet4 = new QWidget;
    settingsUi_->setupUi(TabSheet4);

    for (QWidget* page : {TabSheet1, TabSheet2, TabSheet3, TabSheet4}) {
        PageControl1->addTab(page, QString());
    }
    for (int i = 0; i < PageControl1->count(); ++i) {
        PageControl1->setTabText(i, QString::fromUtf8(kMainPages[i]));
    }
    for (int i = 0; i < PageControl2->count(); ++i) {
        PageControl2->setTabText(i, QString::fromUtf8(kConfigurationPages[i]));
    }
}

void TFMain::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(24);
    statusPanels_ = std::make_unique<StatusPanels>(bar);

    siLangCombo1 = new QComboBox(this);
    siLangCombo1->setObjectName(QStringLiteral("siLangCombo1"));
    siLangCombo1->setFixedSize(100, 22);
    siLangCombo1->addItem(polishFlag(), QStringLiteral("Polski"));
    siLangCombo1->addItem(englishFlag(), QStringLiteral("English"));
    connect(siLangCombo1, &QComboBox::activated, this, &TFMain::siLangCombo1Change);
}

bool TFMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == triggerUi_->DebugMemo->viewport() && event->type() == QEvent::MouseButtonPress) {
        DebugMemoClick();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFMain::fillLists() {
    for (const ListBinding& binding : kListBindings) {
        const QStringList entries = listEntries(binding.list);
        for (int channel = 1; channel <= binding.channels; ++channel) {
            QString name = QString::fromLatin1(binding.pattern);
            if (name.contains(QLatin1String("%1"))) {
                name = name.arg(channel);
            }
            auto* combo = requiredChild<QComboBox>(this, name);
            combo->clear();
            combo->addItems(entries);
            combo->setCurrentIndex(0);
            valueLists_.emplace_back(combo, binding.list);
        }
    }
}

// As designed, every output rule row shows only its source list enabled until
// a register is chosen.
void TFMain::disableOutputRuleRows() {
    for (int row = 1; row <= 6; ++row) {
        for (const char* field : {"B", "N", "T", "C", "M", "S"}) {
            requiredChild<QWidget>(this,
                                   QStringLiteral("out%1_%2").arg(row).arg(QLatin1String(field)))
                ->setEnabled(false);
        }
    }
}

void TFMain::bindEditMarking() {
    for (const char* pattern : kMarkedEdits) {
        const int channels =
            QString::fromLatin1(pattern).startsWith(QLatin1String("out"))
                ? 6
                : (QString::fromLatin1(pattern).startsWith(QLatin1String("adc")) ? 4 : 2);
        for (int channel = 1; channel <= channels; ++channel) {
            clearMarkOnChange(
                requiredChild<QLineEdit>(this, QString::fromLatin1(pattern).arg(channel)), true);
        }
    }
    for (const char* name : kSingleMarkedEdits) {
        clearMarkOnChange(requiredChild<QLineEdit>(this, name), true);
    }
    clearMarkOnChange(requiredChild<QLineEdit>(this, "enc_unit_1"), false);
    clearMarkOnChange(requiredChild<QLineEdit>(this, "enc_unit_2"), false);
    limitTypedLength(requiredChild<QLineEdit>(this, "edit_mod"), 8);
}

// The read-only edit beside the up-down control shows its position.
void TFMain::bindChartWidth() {
    QLineEdit* shown = settingsUi_->ChartTime;
    connect(settingsUi_->UpDown, &QSpinBox::valueChanged, shown,
            [shown](int seconds) { shown->setText(QString::number(seconds)); });
    shown->setText(QString::number(settingsUi_->UpDown->value()));
}

void TFMain::setGlyphs() {
    const QIcon save = style()->standardIcon(QStyle::SP_DialogSaveButton);
    const QIcon read = style()->standardIcon(QStyle::SP_BrowserReload);
    for (QPushButton* button : findChildren<QPushButton*>()) {
        const QString text = button->text();
        if (text == QStringLiteral("Zapisz")) {
            button->setIcon(save);
        } else if (text.startsWith(QStringLiteral("Odczytaj"))) {
            button->setIcon(read);
        }
    }
    requiredChild<QPushButton>(this, "file_name_button")
        ->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    requiredChild<QPushButton>(this, "BitBtn5")
        ->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    requiredChild<QPushButton>(this, "save_button")->setIcon(runGlyph());
}

// The buttons that store a name or a unit in the settings file at once.
void TFMain::bindSaveButtons() {
    struct Binding {
        const char* button;
        const char* key;
        const char* edit;
        std::function<void(TFMain*, const QString&)> afterwards;
    };
    const Binding bindings[] = {
        {"BitBtn48", "MathName1", "math_name_1",
         [](TFMain* w, const QString& t) { w->setMathNameLabels(1, t); }},
        {"BitBtn50", "MathName2", "math_name_2",
         [](TFMain* w, const QString& t) { w->setMathNameLabels(2, t); }},
        {"BitBtn42", "MathUnit1", "math_unit_1",
         [](TFMain* w, const QString& t) { w->math_unit_text[0] = t; }},
        {"BitBtn49", "MathUnit2", "math_unit_2",
         [](TFMain* w, const QString& t) { w->math_unit_text[1] = t; }},
        {"button_adcunit1", "AdcUnit1", "adc_unit_1",
         [](TFMain* w, const QString& t) { w->adc_unit_text[0] = t; }},
        {"button_adcunit2", "AdcUnit2", "adc_unit_2",
         [](TFMain* w, const QString& t) { w->adc_unit_text[1] = t; }},
        {"button_adcunit3", "AdcUnit3", "adc_unit_3",
         [](TFMain* w, const QString& t) { w->adc_unit_text[2] = t; }},
        {"button_adcunit4", "AdcUnit4", "adc_unit_4",
         [](TFMain* w, const QString& t) { w->adc_unit_text[3] = t; }},
        {"BitBtn11", "EncUnit1", "enc_unit_1",
         [](TFMain* w, const QString& t) { w->enc_unit_text[0] = t; }},
        {"BitBtn13", "EncUnit2", "enc_unit_2",
         [](TFMain* w, const QString& t) { w->enc_unit_text[1] = t; }},
    };
    for (const Binding& binding : bindings) {
        auto* edit = requiredChild<QLineEdit>(this, binding.edit);
        const QString key = QString::fromLatin1(binding.key);
        auto afterwards = binding.afterwards;
        connect(requiredChild<QPushButton>(this, binding.button), &QPushButton::clicked, this,
                [this, edit, key, afterwards] {
                    const QString text = edit->text();
                    try {
                        writeSetting(config_path, key, text);
                    } catch (const SettingsError& error) {
                        showError(error.message());
                        return;
                    }
                    afterwards(this, text);
                });
    }
}

// The name is the user's and of any length: the labels cut it to their width.
void TFMain::setMathNameLabels(int channel, const QString& name) {
    const QString shown = QLatin1Char('[') + name + QLatin1Char(']');
    for (const char* row : {"0", "1", "2"}) {
        requiredChild<ElidedLabel>(
            this, QStringLiteral("math_name%1%2").arg(QLatin1String(row)).arg(channel))
            ->setFullText(shown);
    }
}

void TFMain::showError(const QString& message) {
    const QString text = errorBoxText(message);
    if (environment_.showError) {
        environment_.showError(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle), text,
                    QMessageBox::Ok, this);
    box.exec();
}

// The link to the module: the HID controller, whose first listing follows as
// soon as the event loop runs, and the timers of the link.
void TFMain::startDeviceLink() {
    ListBox1 = settingsUi_->ListBox1;
    ListBox1->setSortingEnabled(true);
    receiver_.logSettings().decimalSeparator = systemDecimalSeparator().toStdString();

    HidBackend* backend = environment_.hidBackend;
    if (backend == nullptr) {
        systemBackend_ = makeSystemHidBackend();
        backend = systemBackend_.get();
    }
    JvHidDeviceController1 = std::make_unique<DeviceController>(*backend);
    connect(JvHidDeviceController1.get(), &DeviceController::deviceChange, this,
            &TFMain::JvHidDeviceController1DeviceChange);

    FreqTimer = new QTimer(this);
    FreqTimer->setObjectName(QStringLiteral("FreqTimer"));
    // The rate divides by the nominal interval, so the ticks must keep it.
    FreqTimer->setTimerType(Qt::PreciseTimer);
    connect(FreqTimer, &QTimer::timeout, this, &TFMain::FreqTimerTimer);
    FreqTimer->start(333);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TFMain::Timer1Timer);
    Timer1->start(5000);

    triggerUi_->DebugMemo->viewport()->installEventFilter(this);
    JvHidDeviceController1->start();
}

namespace {

// Items of the device list sort alphabetically without regard to case, and
// the same way whatever the system's language.
class DeviceListItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        const int order = QString::compare(text(), other.text(), Qt::CaseInsensitive);
        return order != 0 ? order < 0 : QString::compare(text(), other.text()) < 0;
    }
};

HidDevice* deviceOf(const QListWidgetItem* item) {
    return reinterpret_cast<HidDevice*>(item->data(Qt::UserRole).value<quintptr>());
}

const QString kModuleProduct = QStringLiteral("VOLTRIX");

}  // namespace

// Rebuilds the device list and connects the module, if one is present.
void TFMain::JvHidDeviceController1DeviceChange() {
    if (current_device != nullptr) {
        current_device->setDataHandler(nullptr);
    }
    current_device = nullptr;
    sender_.setDevice(nullptr);

    for (int row = 0; row < ListBox1->count(); ++row) {
        JvHidDeviceController1->release(deviceOf(ListBox1->item(row)));
    }
    ListBox1->clear();

    JvHidDeviceController1->enumerate([this](HidDevice& device, int index) {
        return JvHidDeviceController1Enumerate(device, index);
    });
    if (ListBox1->count() == 0) {
        statusPanels_->setText(StatusPanel::Connection, lookup(Ids::IDS_8));
    }

    // Every module is connected in turn; the last one in the list stays.
    for (int row = 0; row < ListBox1->count(); ++row) {
        const QListWidgetItem* item = ListBox1->item(row);
        if (item->text() != kModuleProduct) {
            continue;
        }
        if (current_device != nullptr) {
            current_device->setDataHandler(nullptr);
        }
        current_device = deviceOf(item);
        if (current_device == nullptr) {
            continue;
        }
        current_device->setDataHandler(
            [this](HidDevice&, std::uint8_t, std::span<const std::uint8_t> data) {
                ReportReceived(data);
            });
        // A module that cannot be opened for reading and writing is listed
        // but not connected.
        if (current_device->reading()) {
            statusPanels_->setText(StatusPanel::Connection, lookup(Ids::IDS_7));
            sender_.setDevice(current_device);
            sender_.RequestParameter(static_cast<std::uint8_t>(ParamId::FirmwareVersion), 0);
        } else {
            current_device->setDataHandler(nullptr);
            statusPanels_->setText(StatusPanel::Connection, lookup(Ids::IDS_8));
            sender_.setDevice(nullptr);
        }
    }
}

bool TFMain::JvHidDeviceController1Enumerate(HidDevice& device, int index) {
    const HidDeviceInfo& info = device.info();
    const QString text =
        info.productString.isEmpty()
            ? QString::asprintf("Device VID=%04X PID=%04X", info.vendorId, info.productId)
            : info.productString;
    auto* item = new DeviceListItem(text);
    item->setData(
        Qt::UserRole,
        QVariant::fromValue(reinterpret_cast<quintptr>(JvHidDeviceController1->checkOut(index))));
    ListBox1->addItem(item);
    statusPanels_->setText(StatusPanel::Message, lookup(Ids::IDS_10));
    statusPanels_->setText(StatusPanel::Connection, lookup(Ids::IDS_8));
    sender_.setDevice(nullptr);
    return true;
}

// The input report rate: reports of the last interval per millisecond, that
// is thousands per second.
void TFMain::FreqTimerTimer() {
    statusPanels_->setText(StatusPanel::ReportRate,
                           reportRateText(receiver_.takeReportCount(), FreqTimer->interval(),
                                          systemDecimalSeparator()));
}

void TFMain::Timer1Timer() {
    sender_.RequestParameter(static_cast<std::uint8_t>(ParamId::Temperature), 0);
}

void TFMain::DebugMemoClick() {
    sender_.RequestParameter(static_cast<std::uint8_t>(ParamId::DiagStats), 0);
}

// Writes the line of every measurement report while logging is on. A file
// that cannot be written stops nothing else: the next line tries again, and
// status panel 0 says what is wrong for as long as it lasts.
void TFMain::AppendLogLine(std::string_view line) {
    if (!logging_on) {
        return;
    }
    if (log_file.append(settingsUi_->file_name_edit->text(), line) ==
        MeasurementLog::Result::Written) {
        if (logFailing_) {
            logFailing_ = false;
            statusPanels_->releaseMessage();
        }
        return;
    }
    if (!logFailing_ || log_file.lastErrorCode() != logErrorCode_) {
        logFailing_ = true;
        logErrorCode_ = log_file.lastErrorCode();
        showLogError();
    }
}

void TFMain::showLogError() {
    statusPanels_->holdMessage(
        measurementFileErrorText(log_file.lastErrorCode(), log_file.lastError()));
}

void TFMain::parameterReportReceived(const LastReport& report) {
    if (report[kParamReportIdByte] == static_cast<std::uint8_t>(ParamId::OutputRule)) {
        outputRulesPanel_->ruleReportReceived(report);
    } else {
        parameterPanel_->parameterReportReceived(report);
    }
}

void TFMain::outputRuleAcknowledged(std::uint8_t channel) {
    outputRulesPanel_->ruleAcknowledged(channel);
}

void TFMain::showStatusMessage(const QString& text) {
    statusPanels_->setText(StatusPanel::Message, text);
}

// The timers of the live values and of logging, and the controls that decide
// what a measurement line holds.
void TFMain::startLiveValues() {
    bindLogColumns();
    connect(indicatorsUi_->save_button, &QPushButton::clicked, this, &TFMain::save_buttonClick);
    connect(settingsUi_->file_name_button, &QPushButton::clicked, this,
            &TFMain::file_name_buttonClick);
    connect(settingsUi_->BitBtn5, &QPushButton::clicked, this, &TFMain::BitBtn5Click);

    auto startTimer = [this](QTimer*& timer, const char* name, int interval, auto handler) {
        timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(name));
        connect(timer, &QTimer::timeout, this, handler);
        timer->start(interval);
    };
    startTimer(UpdateDataTimer, "UpdateDataTimer", 100, &TFMain::UpdateDataTimerTimer);
    startTimer(ChartTimer, "ChartTimer", 100, &TFMain::ChartTimerTimer);
    startTimer(SaveFileTimer, "SaveFileTimer", 1000, &TFMain::SaveFileTimerTimer);
}

// The line's columns, decimals and divisor follow their controls at once.
void TFMain::bindLogColumns() {
    LogLineSettings& settings = receiver_.logSettings();
    for (std::size_t column = 0; column < kLogColumnCount; ++column) {
        // The first check box starts logging at launch; the columns follow it.
        auto* box = requiredChild<QCheckBox>(this, kSaveCheckBoxes[column + 1]);
        settings.columns.set(column, box->isChecked());
        connect(box, &QCheckBox::toggled, this,
                [this, column](bool on) { receiver_.logSettings().columns.set(column, on); });
    }
    settings.decimals = decimals();
    connect(settingsUi_->DivBox, &QComboBox::currentIndexChanged, this,
            [this] { receiver_.logSettings().decimals = decimals(); });
    settings.modDivisor = mod_divisor;
}

// The chosen number of decimals; 2 while the list shows none.
int TFMain::decimals() const {
    const int index = settingsUi_->DivBox->currentIndex();
    return index >= 0 ? index : 2;
}

void TFMain::UpdateDataTimerTimer() {
    const UnitTexts units{adc_unit_text, enc_unit_text, math_unit_text};
    indicators_->tick(receiver_.measurement(), units, decimals(), systemDecimalSeparator());
}

// One chart point per tick while the chart is in view and a measurement came.
void TFMain::ChartTimerTimer() {
    if (PageControl1->currentWidget() != TabSheet2 || !receiver_.takeChartPointDue()) {
        return;
    }
    chart_->takePoint(receiver_.measurement(), settingsUi_->UpDown->value());
}

void TFMain::SaveFileTimerTimer() {
    log_file.requestClose();
}

void TFMain::save_buttonClick() {
    if (!settingsUi_->file_name_edit->text().isEmpty()) {
        logging_on = !logging_on;
    }
    UpdateLoggingState();
}

void TFMain::file_name_buttonClick() {
    const FileDialogTexts texts = measurementFileDialogTexts();
    QString path;
    if (environment_.chooseMeasurementFile) {
        path = environment_.chooseMeasurementFile(texts);
    } else {
        QFileDialog dialog(this, texts.title);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(texts.nameFilters);
        dialog.setDefaultSuffix(texts.defaultSuffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().constFirst();
        }
    }
    if (path.isEmpty()) {
        return;
    }
    settingsUi_->file_name_edit->setText(path);
    try {
        writeSetting(config_path, QString::fromLatin1(settings_key::kFileName), path);
    } catch (const SettingsError&) {
        // The name is shown and used; storing it for the next start is a
        // convenience whose failure is not worth a message.
    }
}

// Takes over the divisor of the counter-modulo column.
void TFMain::BitBtn5Click() {
    QLineEdit* edit = settingsUi_->edit_mod;
    const std::optional<std::int32_t> parsed = parseInteger(edit->text());
    if (!parsed) {
        markEdit(edit, EditMark::Error);
        return;
    }
    const std::int32_t divisor = std::clamp<std::int32_t>(*parsed, 1, 99999999);
    if (divisor != *parsed) {
        edit->setText(QString::number(divisor));
        markEdit(edit, EditMark::Clamp);
    }
    mod_divisor = static_cast<std::uint32_t>(divisor);
    receiver_.logSettings().modDivisor = mod_divisor;
    try {
        writeSetting(config_path, QString::fromLatin1(settings_key::kMod),
                     QString::number(divisor));
    } catch (const SettingsError& error) {
        showError(error.message());
    }
}

void TFMain::FormCreate() {
    triggerUi_->DebugMemo->hide();

    // The language selector sits at the right end of the status bar, beside
    // the panels rather than over them, 15 px in from the edge as designed.
    statusBar()->addPermanentWidget(siLangCombo1);
    statusBar()->setContentsMargins(0, 0, 15, 0);

    arrays.fill(this);

    PageControl1->setCurrentWidget(TabSheet1);
    PageControl2->setCurrentIndex(0);

    setWindowTitle(QLatin1String(kCaptionPrefix) + QLatin1String(kProgramVersion));

    try {
        loadSettings();
    } catch (const SettingsError& error) {
        showError(error.message());
        return;
    }

    UpdateLoggingState();
    settingsUi_->ver_pc->setText(QString::fromLatin1(kProgramVersion));
}

void TFMain::loadSettings() {
    const QString programDirectory = environment_.settingsDirectory.isEmpty()
                                         ? QCoreApplication::applicationDirPath()
                                         : environment_.settingsDirectory;
    const QString userDirectory =
        environment_.userSettingsDirectory.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
            : environment_.userSettingsDirectory;
    const SettingsLocation location = chooseSettingsLocation(programDirectory, userDirectory);
    config_path = location.path;
    const LoadedSettings loaded = loadSettingsAtStartup(config_path, lookup(Ids::IDS_42));

    QLineEdit* const nameEdits[] = {mathUi_->math_name_1, mathUi_->math_name_2};
    QLineEdit* const mathUnitEdits[] = {mathUi_->math_unit_1, mathUi_->math_unit_2};
    QLineEdit* const adcUnitEdits[] = {analogUi_->adc_unit_1, analogUi_->adc_unit_2,
                                       analogUi_->adc_unit_3, analogUi_->adc_unit_4};
    QLineEdit* const encUnitEdits[] = {encoderUi_->enc_unit_1, encoderUi_->enc_unit_2};
    for (int i = 0; i < 2; ++i) {
        nameEdits[i]->setText(loaded.mathName[i]);
        mathUnitEdits[i]->setText(loaded.mathUnit[i]);
        encUnitEdits[i]->setText(loaded.encUnit[i]);
    }
    for (int i = 0; i < 4; ++i) {
        adcUnitEdits[i]->setText(loaded.adcUnit[i]);
    }
    for (int i = 0; i < 2; ++i) {
        math_unit_text[i] = mathUnitEdits[i]->text();
        enc_unit_text[i] = encUnitEdits[i]->text();
    }
    for (int i = 0; i < 4; ++i) {
        adc_unit_text[i] = adcUnitEdits[i]->text();
    }
    setMathNameLabels(1, nameEdits[0]->text());
    setMathNameLabels(2, nameEdits[1]->text());

    for (std::size_t i = 0; i < std::size(kSaveCheckBoxes); ++i) {
        requiredChild<QCheckBox>(this, kSaveCheckBoxes[i])->setChecked(loaded.save[i]);
    }

    mod_divisor = loaded.modDivisor();
    receiver_.logSettings().modDivisor = mod_divisor;
    settingsUi_->edit_mod->setText(QString::number(loaded.mod));

    for (int i = 0; i < static_cast<int>(kQuantityCount); ++i) {
        chart_->setSeriesActive(i, loaded.chart[i]);
    }

    move(x(), loaded.screenTop);
    move(loaded.screenLeft, y());

    // A stored number of decimals outside the list leaves it without a
    // selection; values are then shown with 2 decimals.
    settingsUi_->DivBox->setCurrentIndex(
        loaded.point >= 0 && loaded.point < settingsUi_->DivBox->count() ? loaded.point : -1);

    settingsUi_->file_name_edit->setText(loaded.fileName);

    settingsUi_->UpDown->setValue(loaded.checkedChartTime());
    chart_->setTimeRange(0, settingsUi_->UpDown->value());

    logging_on = loaded.loggingOn;

    // An unknown language number falls back to Polish.
    siLangCombo1->setCurrentIndex(languageFromIndex(loaded.language) == Language::English ? 1 : 0);
    siLangCombo1Change();

    // After the language change, which empties the panel.
    const QString setAside = setAsideMessage(location);
    if (!setAside.isEmpty()) {
        statusPanels_->setText(StatusPanel::Message, setAside);
    }
}

void TFMain::siLangCombo1Change() {
    const Language language = languageFromIndex(siLangCombo1->currentIndex());
    if (language != activeLanguage() && setActiveLanguage(language)) {
        retranslate();
    }
    statusPanels_->setText(StatusPanel::Connection, QString());
    statusPanels_->setText(StatusPanel::Message, QString());
    if (logFailing_) {
        showLogError();  // in the new language
    }
    chart_->setAxisTitles(lookup(Ids::IDS_354), lookup(Ids::IDS_355));
}

void TFMain::retranslate() {
    indicatorsUi_->retranslateUi(TabSheet1);
    analogUi_->retranslateUi(PageControl2->widget(0));
    encoderUi_->retranslateUi(PageControl2->widget(1));
    mathUi_->retranslateUi(PageControl2->widget(2));
    outputsUi_->retranslateUi(PageControl2->widget(3));
    triggerUi_->retranslateUi(PageControl2->widget(4));
    settingsUi_->retranslateUi(TabSheet4);
    for (int i = 0; i < PageControl1->count(); ++i) {
        PageControl1->setTabText(i, translated(kMainPages[i]));
    }
    for (int i = 0; i < PageControl2->count(); ++i) {
        PageControl2->setTabText(i, translated(kConfigurationPages[i]));
    }
    for (const auto& [combo, list] : valueLists_) {
        const QStringList entries = listEntries(list);
        for (int i = 0; i < entries.size() && i < combo->count(); ++i) {
            combo->setItemText(i, entries[i]);
        }
    }
    chart_->retranslate();
}

void TFMain::UpdateLoggingState() {
    auto* label = indicatorsUi_->save_label;
    auto* button = indicatorsUi_->save_button;
    QPalette palette = label->palette();
    if (logging_on) {
        label->setText(lookup(Ids::IDS_317));
        palette.setColor(QPalette::WindowText, QColor(168, 22, 6));
        button->setIcon(stopGlyph());
        settingsUi_->file_name_button->setEnabled(false);
        statusPanels_->setText(StatusPanel::Logging, lookup(Ids::IDS_319));
    } else {
        label->setText(lookup(Ids::IDS_320));
        palette.setColor(QPalette::WindowText, QColor(0, 64, 128));
        button->setIcon(runGlyph());
        CloseLogFile();
        if (logFailing_) {  // nothing is written now, so nothing fails
            logFailing_ = false;
            statusPanels_->releaseMessage();
        }
        settingsUi_->file_name_button->setEnabled(true);
        statusPanels_->setText(StatusPanel::Logging, lookup(Ids::IDS_322));
    }
    label->setPalette(palette);
}

void TFMain::CloseLogFile() {
    log_file.close();
}

void TFMain::shutdownSave() {
    ShutdownSettings values;
    values.screenTop = y();
    values.screenLeft = x();
    values.point = settingsUi_->DivBox->currentIndex();
    for (std::size_t i = 0; i < std::size(kSaveCheckBoxes); ++i) {
        values.save[i] = requiredChild<QCheckBox>(this, kSaveCheckBoxes[i])->isChecked();
    }
    for (int i = 0; i < static_cast<int>(kQuantityCount); ++i) {
        values.chart[i] = chart_->seriesActive(i);
    }
    values.language = siLangCombo1->currentIndex();
    values.chartTime = settingsUi_->UpDown->value();

    saveShutdownSettings(config_path, values);
}

void TFMain::closeEvent(QCloseEvent* event) {
    try {
        shutdownSave();
    } catch (const SettingsError& error) {
        // The first failure keeps the window open, so that the operator can
        // free the file and close again; after that the window closes
        // without saving: one that cannot be closed is worse than lost
        // settings.
        if (!shutdownSaveFailed_) {
            shutdownSaveFailed_ = true;
            showError(error.message());
            event->ignore();
            return;
        }
    }
    CloseLogFile();
    event->accept();
}

}  // namespace voltrix
