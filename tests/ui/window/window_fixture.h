// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>
#include <QTemporaryDir>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/text/language.h"
#include "qt_printers.h"
#include "ui/window/settings_binding.h"
#include "ui/window/tfmain.h"
#include "wait_for.h"

namespace voltrix::testing {

// Builds windows on a settings directory of the test's own and collects the
// error boxes they would show.
class WindowTest : public ::testing::Test {
protected:
    void TearDown() override { setActiveLanguage(Language::Polish); }

    QString configPath() const { return dir_.filePath(QStringLiteral("config.ini")); }
    // The file of the user's configuration directory the windows fall back to.
    QString userConfigPath() const { return userDir_.filePath(QStringLiteral("config.ini")); }

    void writeConfig(const QString& text) {
        QFile file(configPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    QString readConfig() const { return readFile(configPath()); }

    static QString readFile(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll());
    }

    // The value of `key` as the file holds it, or a null string.
    QString storedValue(const QString& key) const {
        for (const QString& line : readConfig().split(QLatin1Char('\n'))) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith(key + QLatin1Char('='))) {
                return trimmed.mid(key.size() + 1);
            }
        }
        return {};
    }

    // Runs the event loop until `done` holds (or `timeoutMs` passed).
    template <typename Condition>
    static bool waitFor(Condition done, qint64 timeoutMs = 5000) {
        return testing::waitFor(done, timeoutMs);
    }

    std::unique_ptr<TFMain> open(QString directory = {}, QString userDirectory = {}) {
        WindowEnvironment environment;
        environment.settingsDirectory = directory.isEmpty() ? dir_.path() : directory;
        environment.userSettingsDirectory =
            userDirectory.isEmpty() ? userDir_.path() : userDirectory;
        environment.showError = [this](const QString& text) { errors.push_back(text); };
        environment.hidBackend = &bus;
        // Each report's effects are in view when ReportReceived returns; the
        // file's lines still go through the writer thread (see settle).
        environment.sessionOnWindowThread = true;
        environment.commandPort = commandPort;
        environment.session = sessionOptions;
        return std::make_unique<TFMain>(environment);
    }

    // Waits until the lines handed over so far are in the file, and the
    // window has heard how writing them went.
    static void settle(TFMain& window) {
        ASSERT_TRUE(window.session().waitUntilLogged(std::chrono::seconds(10)));
        QCoreApplication::processEvents();
    }

    template <typename Widget>
    static Widget* find(TFMain& window, const char* name) {
        auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static void chooseLanguage(TFMain& window, int index) {
        auto* selector = find<QComboBox>(window, "siLangCombo1");
        selector->setCurrentIndex(index);
        emit selector->activated(index);
    }

    static QString tabText(TFMain& window, const char* control, int index) {
        return find<QTabWidget>(window, control)->tabText(index);
    }

    static QString text(TFMain& window, const char* edit) {
        return find<QLineEdit>(window, edit)->text();
    }

    // `digits` with the decimal point of the system's locale, as the
    // indicators show numbers.
    static QString number(const char* digits) {
        return QString::fromLatin1(digits).replace(QLatin1Char('.'),
                                                   QLocale::system().decimalPoint());
    }

    // Whether each of the six output lamps Shape1..Shape6 is lit.
    static std::vector<bool> lamps(TFMain& window) {
        std::vector<bool> lit;
        for (int i = 1; i <= 6; ++i) {
            lit.push_back(window.findChild<QFrame*>(QStringLiteral("Shape%1").arg(i))
                              ->property("lampOn")
                              .toBool());
        }
        return lit;
    }

    // Brings page `main` of PageControl1, and `sub` of PageControl2, to the front.
    static void showPage(TFMain& window, const char* main, const char* sub = nullptr) {
        find<QTabWidget>(window, "PageControl1")
            ->setCurrentWidget(window.findChild<QWidget*>(QString::fromLatin1(main)));
        if (sub != nullptr) {
            find<QTabWidget>(window, "PageControl2")
                ->setCurrentWidget(window.findChild<QWidget*>(QString::fromLatin1(sub)));
        }
    }

    QTemporaryDir dir_;
    QTemporaryDir userDir_;
    std::vector<QString> errors;
    // The HID devices the windows see: none until a test plugs some in.
    VirtualHidBackend bus;
    // Where the configuration panels' commands go; null means the module.
    CommandPort* commandPort = nullptr;
    // The session's clock and log sink.
    SessionOptions sessionOptions;
};

}  // namespace voltrix::testing
