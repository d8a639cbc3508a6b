// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/logging/log_line.h"
#include "engine/protocol/quantities.h"
#include "engine/settings/ini_file.h"

// The operator's settings in `config.ini` (see settings_location.h for which
// one): what start-up reads, what a missing file starts with and what
// shutdown writes back. The
// window only moves these values into and out of its controls.

namespace voltrix {

inline constexpr std::size_t kSaveKeyCount = 20;
// One visibility key for each series of the chart.
inline constexpr std::size_t kChartSeriesCount = kQuantityCount;

// The keys of section `Options`.
namespace settings_key {

inline constexpr std::array<const char*, 2> kMathName = {"MathName1", "MathName2"};
inline constexpr std::array<const char*, 2> kMathUnit = {"MathUnit1", "MathUnit2"};
inline constexpr std::array<const char*, 4> kAdcUnit = {"AdcUnit1", "AdcUnit2", "AdcUnit3",
                                                        "AdcUnit4"};
inline constexpr std::array<const char*, 2> kEncUnit = {"EncUnit1", "EncUnit2"};
inline constexpr const char* kScreenTop = "ScreenTop";
inline constexpr const char* kScreenLeft = "ScreenLeft";
inline constexpr const char* kPoint = "Point";
inline constexpr const char* kFileName = "FileName";
inline constexpr const char* kMod = "Mod";
// The logging switches: a key of the file and the check box of the program
// settings page that shows it. From the top: start logging at launch, then
// the nineteen log columns in the order of LogColumn.
struct SaveSwitch {
    const char* key;
    const char* checkBox;
};
inline constexpr std::array<SaveSwitch, kSaveKeyCount> kSave = {{
    {"SaveAuto", "save_auto"},       {"SaveDate", "save_date"},
    {"SaveTime", "save_time"},       {"SaveCnt", "save_cnt"},
    {"SaveCntMod", "save_cntmod"},   {"SaveAdc1", "save_adc1"},
    {"SaveAdc2", "save_adc2"},       {"SaveAdc3", "save_adc3"},
    {"SaveAdc4", "save_adc4"},       {"SaveAdc1avg", "save_adc1avg"},
    {"SaveAdc2avg", "save_adc2avg"}, {"SaveAdc3avg", "save_adc3avg"},
    {"SaveAdc4avg", "save_adc4avg"}, {"SaveEnc1p", "save_enc1p"},
    {"SaveEnc2p", "save_enc2p"},     {"SaveEnc1v", "save_enc1v"},
    {"SaveEnc2v", "save_enc2v"},     {"SaveMath1", "save_math1"},
    {"SaveMath2", "save_math2"},     {"SaveOutput", "save_output"},
}};
inline constexpr std::size_t kSaveAutoIndex = 0;
// The chart's series in their order.
inline constexpr std::array<const char*, kChartSeriesCount> kChart = {
    "Chart1", "Chart2", "Chart3",  "Chart4",  "Chart5",  "Chart6",  "Chart7",
    "Chart8", "Chart9", "Chart10", "Chart11", "Chart12", "Chart13", "Chart14",
};
inline constexpr const char* kChartTime = "ChartTime";
inline constexpr const char* kLanguage = "Language";

}  // namespace settings_key

// Defaults of a missing key, which a new file also gets (except `SaveAuto`,
// "0" in a new file). `FileName` defaults to the measurement file name of the
// active language.
inline constexpr const char* kDefaultMathText = "...";
inline constexpr int kDefaultPoint = 2;
inline constexpr std::int32_t kDefaultMod = 1;
inline constexpr const char* kDefaultChartTime = "1";

// `config.ini` in `directory`.
QString settingsFilePathIn(const QString& directory);
// Everything start-up reads, as stored (no range checks: the window decides
// what an index out of its range leaves selected).
struct LoadedSettings {
    std::array<QString, 2> mathName;
    std::array<QString, 2> mathUnit;
    std::array<QString, 4> adcUnit;
    std::array<QString, 2> encUnit;
    std::array<bool, kSaveKeyCount> save{};  // settings_key::kSave order
    std::int32_t mod = kDefaultMod;
    std::array<bool, kChartSeriesCount> chart{};
    int screenTop = 0;
    int screenLeft = 0;
    int point = kDefaultPoint;
    QString fileName;
    QString chartTimeText;
    std::optional<int> chartTime;  // empty when chartTimeText is no number
    bool loggingOn = false;        // start logging at once
    int language = 0;

    // The counter divisor as the logging keeps it: the stored 32-bit pattern.
    std::uint32_t modDivisor() const { return static_cast<std::uint32_t>(mod); }

    // The chart time, or SettingsError "'<text>' is not a valid integer value".
    // The window applies everything before the chart time, then calls this;
    // the error ends the start-up load there, so logging stays off and the
    // language stays Polish.
    int checkedChartTime() const;
};

// The numbers of decimals to choose from (`Point`): 0 to kDecimalChoices - 1.
inline constexpr int kDecimalChoices = 5;

// The measurement line as the stored settings describe it: the Save columns,
// the decimals (2 when `Point` is outside the choices), the divisor, and the
// given decimal separator. A program that logs without the window's
// controls makes the same lines as the window from the same file.
LogLineSettings storedLogLineSettings(const LoadedSettings& loaded,
                                      const std::string& decimalSeparator);

// Writes every key with its new-file value, in the order of a new file.
// `defaultFileName` is the measurement file name of the active language.
void writeNewSettingsFile(IniFile& file, const QString& defaultFileName);

// Reads every key start-up needs. `defaultFileName` as above.
LoadedSettings readSettings(const IniFile& file, const QString& defaultFileName);

// The start-up load: creates the file with the new-file values when there is
// none (SettingsError "Unable to write to <path>" when that fails; nothing is
// read then), then reads it.
LoadedSettings loadSettingsAtStartup(const QString& path, const QString& defaultFileName);

// What the window writes back when it closes.
struct ShutdownSettings {
    int screenTop = 0;
    int screenLeft = 0;
    int point = kDefaultPoint;
    std::array<bool, kSaveKeyCount> save{};  // settings_key::kSave order
    std::array<bool, kChartSeriesCount> chart{};
    int language = 0;
    int chartTime = 1;
};

// Writes ScreenTop, ScreenLeft, Point, the Save keys, Chart1..Chart14,
// Language and ChartTime, in this order, and nothing else.
void writeShutdownSettings(IniFile& file, const ShutdownSettings& settings);

// The shutdown save as one batch. Throws SettingsError when the file cannot
// be written; the file then holds what it held before.
void saveShutdownSettings(const QString& path, const ShutdownSettings& settings);

// One key written at once (the save buttons), as one batch.
void writeSetting(const QString& path, const QString& key, const QString& value);

}  // namespace voltrix
