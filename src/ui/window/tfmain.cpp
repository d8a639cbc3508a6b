// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/tfmain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "device/system_hid_backend.h"
#include "engine/settings/ini_file.h"
#include "engine/text/error_message.h"
#include "engine/text/format_value.h"
#include "engine/text/language.h"
#include "engine/text/program_version.h"
#include "engine/text/string_table.h"
#include "ui/chart/chart_view.h"
#include "ui/config/output_rules_panel.h"
#include "ui/config/parameter_panel.h"
#include "ui/indicators/indicator_refresh.h"
#include "session/session_thread.h"
#include "ui/window/compact_tabs.h"
#include "ui/window/device_link_view.h"
#include "ui/window/edit_marking.h"
#include "ui/window/elided_label.h"
#include "ui/window/glyphs.h"
#include "ui/window/logging_controls.h"
#include "ui/window/required_child.h"
#include "ui/window/settings_binding.h"
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

// Edits beside the tables whose colour mark is cleared on change and on click.
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
    arrays.fill(this);
    disableOutputRuleRows();
    bindEditMarking();
    bindChartWidth();
    setGlyphs();
    // The designed size; the pages' controls need all of it.
    resize(kDesignedSize);
    setMinimumSize(kDesignedSize);
    startSession();
    buildViews();
    FormCreate();
    startLiveValues();
    if (environment_.sessionOnWindowThread) {
        session_->start();
    } else {
        sessionThread_ = std::make_unique<SessionThread>(*session_);
    }
}

TFMain::~TFMain() {
    // The session ends (its thread first) before the views it talks to.
    sessionThread_.reset();
    session_.reset();
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
    for (std::size_t row = 0; row < kOutputCount; ++row) {
        for (QWidget* field :
             std::initializer_list<QWidget*>{arrays.out_B[row], arrays.out_N[row], arrays.out_T[row],
                                             arrays.out_C[row], arrays.out_M[row], arrays.out_S[row]}) {
            field->setEnabled(false);
        }
    }
}

// The encoder unit edits are cleared only on change.
void TFMain::bindEditMarking() {
    for (QLineEdit* edit : arrays.edits()) {
        clearMarkOnChange(edit, true);
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

QString TFMain::askForMeasurementFile(const FileDialogTexts& texts) {
    if (environment_.chooseMeasurementFile) {
        return environment_.chooseMeasurementFile(texts);
    }
    QFileDialog dialog(this, texts.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(texts.nameFilters);
    dialog.setDefaultSuffix(texts.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        return dialog.selectedFiles().constFirst();
    }
    return {};
}

// The session, on a thread of its own unless the environment says otherwise.
// Its link starts once the views listen (buildViews).
void TFMain::startSession() {
    HidBackend* backend = environment_.hidBackend;
    if (backend == nullptr) {
        systemBackend_ = makeSystemHidBackend();
        backend = systemBackend_.get();
    }
    session_ = std::make_unique<MeasurementSession>(*backend, environment_.session);
}

// The views of the session, each subscribing to what it shows.
void TFMain::buildViews() {
    logging_ = new LoggingControls(
        this, *session_, *statusPanels_,
        {[this] { return settings_->path(); }, [this](const QString& m) { showError(m); },
         [this](const FileDialogTexts& texts) { return askForMeasurementFile(texts); }},
        this);
    deviceLink_ = new DeviceLinkView(this, *session_, *statusPanels_, this);
    connect(deviceLink_->freqTimer(), &QTimer::timeout, this, &TFMain::FreqTimerTimer);
    settings_ = new SettingsBinding(
        this, *chart_, *logging_,
        {[this] { siLangCombo1Change(); }, [this](const QString& m) { showError(m); },
         [this](const QString& text) { statusPanels_->setText(StatusPanel::Message, text); }},
        this);

    CommandPort& commands =
        environment_.commandPort != nullptr ? *environment_.commandPort : *session_;
    parameterPanel_ = new ParameterPanel(this, arrays, commands, this);
    outputRulesPanel_ = new OutputRulesPanel(this, arrays, commands, this);
    connect(session_.get(), &MeasurementSession::parameterReport, parameterPanel_,
            &ParameterPanel::parameterReportReceived);
    connect(session_.get(), &MeasurementSession::parameterReport, outputRulesPanel_,
            &OutputRulesPanel::ruleReportReceived);
    connect(session_.get(), &MeasurementSession::ruleAcknowledged, outputRulesPanel_,
            &OutputRulesPanel::ruleAcknowledged);
}

bool TFMain::connected() const {
    return session_->connected();
}

bool TFMain::loggingOn() const {
    return logging_->loggingOn();
}

std::uint32_t TFMain::modDivisor() const {
    return logging_->modDivisor();
}

void TFMain::ReportReceived(std::span<const std::uint8_t> data) {
    session_->ReportReceived(data);
}

// The report rate, and the reports lost on their way to the file.
void TFMain::FreqTimerTimer() {
    deviceLink_->FreqTimerTimer();
    logging_->showLosses();
}

void TFMain::Timer1Timer() {
    deviceLink_->Timer1Timer();
}

void TFMain::DebugMemoClick() {
    deviceLink_->DebugMemoClick();
}

// The timers of the live values and the logging controls' buttons.
void TFMain::startLiveValues() {
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
}

void TFMain::UpdateDataTimerTimer() {
    const UnitTexts units{settings_->adcUnits(), settings_->encUnits(), settings_->mathUnits()};
    indicators_->tick(session_->snapshot().measurement, units, logging_->decimals(),
                      systemDecimalSeparator());
}

// One chart point per tick while the chart is in view and a measurement came.
void TFMain::ChartTimerTimer() {
    if (PageControl1->currentWidget() != TabSheet2 || !session_->takeChartPointDue()) {
        return;
    }
    chart_->takePoint(session_->snapshot().measurement, settingsUi_->UpDown->value());
}

void TFMain::save_buttonClick() {
    logging_->toggle();
}

void TFMain::file_name_buttonClick() {
    logging_->chooseFile();
}

// Takes over the divisor of the counter-modulo column.
void TFMain::BitBtn5Click() {
    logging_->takeDivisor();
}

void TFMain::FormCreate() {
    triggerUi_->DebugMemo->hide();

    // The language selector sits at the right end of the status bar, beside
    // the panels rather than over them, 15 px in from the edge as designed.
    statusBar()->addPermanentWidget(siLangCombo1);
    statusBar()->setContentsMargins(0, 0, 15, 0);

    PageControl1->setCurrentWidget(TabSheet1);
    PageControl2->setCurrentIndex(0);

    setWindowTitle(QLatin1String(kCaptionPrefix) + QLatin1String(kProgramVersion));

    try {
        const SettingsDirectories standard = standardSettingsDirectories();
        settings_->load(environment_.settingsDirectory.isEmpty() ? standard.program
                                                                 : environment_.settingsDirectory,
                        environment_.userSettingsDirectory.isEmpty()
                            ? standard.user
                            : environment_.userSettingsDirectory);
    } catch (const SettingsError& error) {
        showError(error.message());
        return;
    }

    logging_->UpdateLoggingState();
    settingsUi_->ver_pc->setText(QString::fromLatin1(kProgramVersion));
}

void TFMain::siLangCombo1Change() {
    const Language language = languageFromIndex(siLangCombo1->currentIndex());
    if (language != activeLanguage() && setActiveLanguage(language)) {
        retranslate();
    }
    statusPanels_->setText(StatusPanel::Connection, QString());
    statusPanels_->setText(StatusPanel::Message, QString());
    logging_->retranslate();
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

void TFMain::closeEvent(QCloseEvent* event) {
    try {
        settings_->save();
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
    logging_->CloseLogFile();
    event->accept();
}

}  // namespace voltrix
