// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a picture of every page of the window in both languages, with the
// virtual module connected and streaming, for the README and for looking at
// the layout: voltrix-screenshots <directory>.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "device/virtual/virtual_hid_backend.h"
#include "ui/window/tfmain.h"

namespace {

void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString target = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(target);
    QTemporaryDir settings;
    voltrix::VirtualHidBackend bus;
    bus.plugModule();
    voltrix::WindowEnvironment environment;
    environment.settingsDirectory = settings.path();
    environment.showError = [](const QString&) {};
    environment.hidBackend = &bus;
    voltrix::TFMain window(environment);
    window.show();

    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto* configuration = window.findChild<QTabWidget*>(QStringLiteral("PageControl2"));
    auto* language = window.findChild<QComboBox*>(QStringLiteral("siLangCombo1"));
    const char* const suffixes[] = {"pl", "en"};
    for (int lang = 0; lang < 2; ++lang) {
        language->setCurrentIndex(lang);
        emit language->activated(lang);
        runFor(1500);  // the module connects again and its answers arrive
        auto save = [&](const QString& name) {
            runFor(name == QStringLiteral("TabSheet2") ? 4000 : 300);
            window.grab().save(
                QStringLiteral("%1/%2_%3.png").arg(target, name, QLatin1String(suffixes[lang])));
        };
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            if (pages->widget(page)->objectName() == QStringLiteral("TabSheet3")) {
                for (int sub = 0; sub < configuration->count(); ++sub) {
                    configuration->setCurrentIndex(sub);
                    save(configuration->widget(sub)->objectName());
                }
            } else {
                save(pages->widget(page)->objectName());
            }
        }
    }
    return 0;
}
