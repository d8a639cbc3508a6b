// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/program_entry.h"

#include <cstdio>
#include <exception>
#include <memory>

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

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

}  // namespace

int runProgram(int argc, char* argv[], const ProgramDescription& description) {
    try {
        QApplication app(argc, argv);
        // The name also names the user's settings folder.
        QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
        QApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));

        QCommandLineParser parser;
        parser.setApplicationDescription(QString::fromUtf8(description.summary));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.process(app);  // --help, --version and bad options end here

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
