// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"

namespace voltrix {
namespace {

bool mayKeepSettingsIn(const QString& file, const QString& directory) {
    const QFileInfo info(file);
    return info.exists() ? info.isWritable() : QFileInfo(directory).isWritable();
}

}  // namespace

SettingsDirectories standardSettingsDirectories() {
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#if defined(Q_OS_MACOS)
    return {user, user};
#else
    return {QCoreApplication::applicationDirPath(), user};
#endif
}

SettingsLocation chooseSettingsLocation(const QString& programDirectory,
                                        const QString& userDirectory) {
    const QString own = settingsFilePathIn(programDirectory);
    const IniFile ownFile(own);
    if (!ownFile.refused() && mayKeepSettingsIn(own, programDirectory)) {
        return {own, {}};
    }
    QDir().mkpath(userDirectory);
    const QString user = settingsFilePathIn(userDirectory);
    if (ownFile.refused()) {
        return {user, own};
    }
    if (QFileInfo::exists(user) || !QFileInfo::exists(own)) {
        return {user, {}};
    }
    try {
        ownFile.copyTo(user);
    } catch (const SettingsError&) {
        return {own, {}};
    }
    return {user, own};
}

QString existingSettingsPath(const QString& programDirectory, const QString& userDirectory) {
    const QString own = settingsFilePathIn(programDirectory);
    const QString user = settingsFilePathIn(userDirectory);
    if (QFileInfo::exists(own) && !IniFile(own).refused() &&
        mayKeepSettingsIn(own, programDirectory)) {
        return own;
    }
    if (QFileInfo::exists(user)) {
        return user;
    }
    return QFileInfo::exists(own) ? own : QString();
}

QString setAsideMessage(const SettingsLocation& location) {
    if (location.setAside.isEmpty()) {
        return {};
    }
    return QCoreApplication::translate("ProgramSettings",
                                       "Nie można zapisać ustawień w %1, używany jest %2")
        .arg(location.setAside, location.path);
}

}  // namespace voltrix
