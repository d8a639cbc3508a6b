// SPDX-License-Identifier: GPL-3.0-or-later
// voltrix-logging-victim <settings directory> <measurement file>
//
// The window on a virtual module streaming at 1 kHz, logging every column to
// the measurement file from launch, for a test that kills it. Every 100 ms it
// prints the number of measurement reports handled so far and stores a unit
// in the settings file, so that a kill may land in the middle of either.

#include <cstdio>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"
#include "ui/window/tfmain.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: voltrix-logging-victim <settings directory> <file>\n");
        return 2;
    }
    const QString settingsDirectory = QString::fromLocal8Bit(argv[1]);
    const QString measurementFile = QString::fromLocal8Bit(argv[2]);
    try {
        voltrix::IniFile settings(voltrix::settingsFilePathIn(settingsDirectory));
        voltrix::writeNewSettingsFile(settings, measurementFile);
        settings.writeBool(QString::fromLatin1(voltrix::settings_key::kSave[0].key), true);
        settings.commit();
    } catch (const voltrix::SettingsError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }

    voltrix::VirtualHidBackend bus;
    bus.plugModule();
    voltrix::WindowEnvironment environment;
    environment.settingsDirectory = settingsDirectory;
    environment.hidBackend = &bus;
    environment.showError = [](const QString& text) {
        std::fprintf(stderr, "error box: %s\n", qPrintable(text));
    };
    voltrix::TFMain window(environment);
    window.show();

    auto* unitEdit = window.findChild<QLineEdit*>(QStringLiteral("adc_unit_1"));
    auto* unitButton = window.findChild<QPushButton*>(QStringLiteral("button_adcunit1"));
    if (unitEdit == nullptr || unitButton == nullptr) {
        std::fprintf(stderr, "the unit edit of ADC 1 is missing\n");
        return 1;
    }
    QTimer ticker;
    bool volts = false;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        std::printf("%u\n", window.session().measurementCount());
        std::fflush(stdout);
        volts = !volts;
        unitEdit->setText(volts ? QStringLiteral("V") : QStringLiteral("mV"));
        unitButton->click();
    });
    ticker.start(100);
    return QApplication::exec();
}
