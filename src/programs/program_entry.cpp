// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/program_entry.h"

#include <cstdio>
#include <exception>
#include <memory>

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "engine/settings/program_settings.h"
#include "engine/settings/settings_location.h"
#include "engine/text/error_message.h"
#include "engine/text/program_version.h"

namespace voltrix {
namespace {

void reportFatal(const QString& message) {
    const QString text = errorBoxText(message);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QMessageBox::critical(nullptr, QString::fromLatin1(kApplicationTitle), text);
    }
}

void nameApplication() {
    // The name also names the user's settings folder.
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
}

// The settings file the window would read now: the one it uses when there
// is one, else where it would make it.
QString settingsFileForHelp() {
    const SettingsDirectories directories = standardSettingsDirectories();
    const QString found = existingSettingsPath(directories.program, directories.user);
    return found.isEmpty() ? settingsFilePathIn(directories.program) +
                                 QStringLiteral(" (made at the first start; in the user's "
                                                "configuration folder when that folder is "
                                                "closed to it)")
                           : found;
}

}  // namespace

int runProgram(int argc, char* argv[], const ProgramDescription& description) {
    try {
        // The command line is read before the window system is reached, so
        // that --help and --version answer without a display, over SSH or
        // in a package's smoke test.
        {
            QCoreApplication core(argc, argv);
            nameApplication();
            QCommandLineParser parser;
            parser.setApplicationDescription(QString::fromUtf8(description.summary) +
                                             QStringLiteral("\n\nSettings file: ") +
                                             settingsFileForHelp());
            parser.addHelpOption();
            parser.addVersionOption();
            parser.process(core);  // --help, --version and bad options end here
        }
        QApplication app(argc, argv);
        nameApplication();

        WindowEnvironment environment;
        std::shared_ptr<void> keep;
        if (description.prepare) {
            keep = description.prepare(environment);
        }
        TFMain window(environment);
        window.show();
        QApplication::exec();
        return 0;
    } catch (const std::exception& error) {
        reportFatal(QString::fromUtf8(error.what()));
    } catch (...) {
        reportFatal(QStringLiteral("Unknown error"));
    }
    return 1;
}

}  // namespace voltrix
