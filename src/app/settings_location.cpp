#include "app/settings_location.h"

#include <QDir>
#include <QFileInfo>

#include "app/ini_file.h"
#include "app/program_settings.h"

namespace voltrix {
namespace {

bool mayKeepSettingsIn(const QString& file, const QString& directory) {
    const QFileInfo info(file);
    return info.exists() ? info.isWritable() : QFileInfo(directory).isWritable();
}

}  // namespace

SettingsLocation chooseSettingsLocation(const QString& programDirectory,
                                        const QString& userDirectory) {
    const QString own = settingsFilePathIn(programDirectory);
    if (mayKeepSettingsIn(own, programDirectory)) {
        return {own};
    }
    QDir().mkpath(userDirectory);
    const QString user = settingsFilePathIn(userDirectory);
    if (QFileInfo::exists(user) || !QFileInfo::exists(own)) {
        return {user};
    }
    const IniFile ownFile(own);
    if (ownFile.refused()) {
        return {user};
    }
    try {
        ownFile.copyTo(user);
    } catch (const SettingsError&) {
        return {own};
    }
    return {user};
}

}  // namespace voltrix
