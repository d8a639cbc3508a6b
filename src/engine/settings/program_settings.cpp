// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/program_settings.h"

#include <QDir>
#include <QFileInfo>

#include "engine/logging/log_line.h"

namespace voltrix {

namespace keys = settings_key;

static_assert(kSaveKeyCount == 1 + kLogColumnCount, "SaveAuto, then one key per log column");

QString settingsFilePathIn(const QString& directory) {
    return QDir(directory).filePath(QStringLiteral("config.ini"));
}

int LoadedSettings::checkedChartTime() const {
    if (!chartTime) {
        throw SettingsError(QStringLiteral("'%1' is not a valid integer value").arg(chartTimeText));
    }
    return *chartTime;
}

void writeNewSettingsFile(IniFile& file, const QString& defaultFileName) {
    const QString mathText = QString::fromLatin1(kDefaultMathText);
    for (const char* name : keys::kMathName) {
        file.writeText(name, mathText);
    }
    for (const char* name : keys::kMathUnit) {
        file.writeText(name, mathText);
    }
    for (const char* name : keys::kAdcUnit) {
        file.writeText(name, QString());
    }
    for (const char* name : keys::kEncUnit) {
        file.writeText(name, QString());
    }
    file.writeInt(keys::kScreenTop, 0);
    file.writeInt(keys::kScreenLeft, 0);
    file.writeInt(keys::kPoint, kDefaultPoint);
    file.writeText(keys::kFileName, defaultFileName);
    file.writeInt(keys::kMod, kDefaultMod);
    for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
        // A new file does not start logging at launch; every column is chosen.
        file.writeBool(keys::kSave[i].key, i != keys::kSaveAutoIndex);
    }
    for (const char* name : keys::kChart) {
        file.writeBool(name, true);
    }
    file.writeText(keys::kChartTime, QString::fromLatin1(kDefaultChartTime));
    file.writeInt(keys::kLanguage, 0);
}

LoadedSettings readSettings(const IniFile& file, const QString& defaultFileName) {
    LoadedSettings loaded;
    const QString mathText = QString::fromLatin1(kDefaultMathText);
    for (std::size_t i = 0; i < loaded.mathName.size(); ++i) {
        loaded.mathName[i] = file.readText(keys::kMathName[i], mathText);
    }
    for (std::size_t i = 0; i < loaded.mathUnit.size(); ++i) {
        loaded.mathUnit[i] = file.readText(keys::kMathUnit[i], mathText);
    }
    for (std::size_t i = 0; i < loaded.adcUnit.size(); ++i) {
        loaded.adcUnit[i] = file.readText(keys::kAdcUnit[i], QString());
    }
    for (std::size_t i = 0; i < loaded.encUnit.size(); ++i) {
        loaded.encUnit[i] = file.readText(keys::kEncUnit[i], QString());
    }
    for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
        loaded.save[i] = file.readBool(keys::kSave[i].key, true);
    }
    loaded.mod = file.readInt(keys::kMod, kDefaultMod);
    for (std::size_t i = 0; i < kChartSeriesCount; ++i) {
        loaded.chart[i] = file.readBool(keys::kChart[i], true);
    }
    loaded.screenTop = file.readInt(keys::kScreenTop, 0);
    loaded.screenLeft = file.readInt(keys::kScreenLeft, 0);
    loaded.point = file.readInt(keys::kPoint, kDefaultPoint);
    loaded.fileName = file.readText(keys::kFileName, defaultFileName);
    loaded.chartTimeText = file.readText(keys::kChartTime, QString::fromLatin1(kDefaultChartTime));
    loaded.chartTime = parseStoredInt(loaded.chartTimeText);
    // Logging starts at launch only when asked for by the stored key itself:
    // a missing `SaveAuto` ticks the check box but starts nothing.
    loaded.loggingOn =
        !loaded.fileName.isEmpty() && file.readBool(keys::kSave[keys::kSaveAutoIndex].key, false);
    loaded.language = file.readInt(keys::kLanguage, 0);
    return loaded;
}

LogLineSettings storedLogLineSettings(const LoadedSettings& loaded,
                                      const std::string& decimalSeparator) {
    LogLineSettings settings;
    // The first switch starts logging at launch; the columns follow it.
    for (std::size_t column = 0; column < kLogColumnCount; ++column) {
        settings.columns.set(column, loaded.save[column + 1]);
    }
    settings.decimals =
        loaded.point >= 0 && loaded.point < kDecimalChoices ? loaded.point : kDefaultPoint;
    settings.modDivisor = loaded.modDivisor();
    settings.decimalSeparator = decimalSeparator;
    return settings;
}

LoadedSettings loadSettingsAtStartup(const QString& path, const QString& defaultFileName) {
    if (!QFileInfo::exists(path)) {
        IniFile file(path);
        writeNewSettingsFile(file, defaultFileName);
        file.commit();
    }
    return readSettings(IniFile(path), defaultFileName);
}

void writeShutdownSettings(IniFile& file, const ShutdownSettings& settings) {
    file.writeInt(keys::kScreenTop, settings.screenTop);
    file.writeInt(keys::kScreenLeft, settings.screenLeft);
    file.writeInt(keys::kPoint, settings.point);
    for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
        file.writeBool(keys::kSave[i].key, settings.save[i]);
    }
    for (std::size_t i = 0; i < kChartSeriesCount; ++i) {
        file.writeBool(keys::kChart[i], settings.chart[i]);
    }
    file.writeInt(keys::kLanguage, settings.language);
    file.writeInt(keys::kChartTime, settings.chartTime);
}

void saveShutdownSettings(const QString& path, const ShutdownSettings& settings) {
    IniFile file(path);
    writeShutdownSettings(file, settings);
    file.commit();
}

void writeSetting(const QString& path, const QString& key, const QString& value) {
    IniFile file(path);
    file.writeText(key, value);
    file.commit();
}

}  // namespace voltrix
