// SPDX-License-Identifier: GPL-3.0-or-later
// voltrix-view: recorded measurement files on a chart, days of them.

#include <cstdio>
#include <exception>

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include "engine/settings/ini_file.h"
#include "engine/text/error_message.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/settings_location.h"
#include "engine/text/language.h"
#include "engine/text/program_version.h"
#include "engine/text/string_table.h"
#include "engine/text/format_value.h"
#include "ui/viewer/viewer_choices.h"
#include "engine/recorded/recorded_index_cache.h"
#include "load_timings.h"
#include "ui/viewer/viewer_window.h"

namespace {

void nameApplication() {
    // The name also names the user's settings folder, as the window's does.
    QCoreApplication::setApplicationName(QString::fromLatin1(voltrix::kApplicationTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(voltrix::kProgramVersion));
}

struct ViewOptions {
    QStringList files;
    bool follow = false;
};

// --help and --version answer here, without a display.
ViewOptions parseCommandLine(const QStringList& arguments, const QString& settingsPath) {
    QCommandLineParser parser;
    const QString settingsText =
        settingsPath.isEmpty()
            ? voltrix::settingsFilePathIn(voltrix::standardSettingsDirectories().program) +
                  QStringLiteral(" (not there yet: every column is assumed)")
            : settingsPath;
    parser.setApplicationDescription(
        QStringLiteral("Shows recorded VOLTRIX measurement files on a chart, days of them. The "
                       "columns of a file are those the window logs; when they do not read the "
                       "file's lines, they are asked for.\n\nSettings file: %1 (only read)\n"
                       "Viewer's own settings (the lanes' layout and heights): %2\n"
                       "Kept indexes of the files read: %3")
            .arg(settingsText, voltrix::viewerChoicesPath(),
                 QString::fromStdString(voltrix::indexCacheFolder().string())));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The measurement file; several files, or a folder, are the files of one "
                       "split recording, shown as one timeline in time order."),
        QStringLiteral("[FILE...]"));
    const QCommandLineOption follow(QStringList{QStringLiteral("f"), QStringLiteral("follow")},
                                    QStringLiteral("Keep reading what is appended to the file."));
    parser.addOption(follow);
    parser.process(arguments);
    return {parser.positionalArguments(), parser.isSet(follow)};
}

}  // namespace

int main(int argc, char* argv[]) {
    try {
        ViewOptions options;
        QString settingsPath;
        {
            QCoreApplication core(argc, argv);
            nameApplication();
            const voltrix::SettingsDirectories directories = voltrix::standardSettingsDirectories();
            settingsPath = voltrix::existingSettingsPath(directories.program, directories.user);
            options = parseCommandLine(QCoreApplication::arguments(), settingsPath);
        }
        QApplication app(argc, argv);
        nameApplication();
        // The settings are only read: the columns the window logs, and its language.
        const voltrix::IniFile settingsFile(settingsPath);
        const voltrix::LoadedSettings loaded =
            voltrix::readSettings(settingsFile, voltrix::lookup(voltrix::Ids::IDS_42));
        voltrix::setActiveLanguage(voltrix::languageFromIndex(loaded.language));
        const voltrix::RecordedLayout stored = voltrix::RecordedLayout::fromSettings(
            voltrix::storedLogLineSettings(loaded, voltrix::systemDecimalSeparator().toStdString()));

        // Its own choices in a file of its own: config.ini is the window's.
        voltrix::ViewerWindow window(stored, voltrix::viewerChoicesPath());
        window.setUnits({loaded.adcUnit, loaded.encUnit, loaded.mathUnit});
        window.show();
        voltrix::reportLoadTimingsIfAsked(window);
        window.setFollowing(options.follow);
        window.setIndexCacheFolder(QString::fromStdString(voltrix::indexCacheFolder().string()));
        if (!options.files.isEmpty()) {
            QStringList paths;
            for (const QString& file : options.files) {
                paths << QFileInfo(file).absoluteFilePath();
            }
            window.openFiles(paths);
        }
        return QApplication::exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "voltrix-view: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "voltrix-view: unknown error\n");
    }
    return 1;
}
