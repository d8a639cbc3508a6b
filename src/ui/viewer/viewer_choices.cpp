// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/viewer_choices.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include "engine/settings/settings_location.h"

namespace voltrix {
namespace {

const QString kLayoutKey = QStringLiteral("Lanes/Layout");
const QString kHeightsKey = QStringLiteral("Lanes/Heights");

struct LayoutName {
    LaneLayout layout;
    const char* name;
};
constexpr LayoutName kLayoutNames[] = {{LaneLayout::OneAxis, "one-axis"},
                                       {LaneLayout::Lanes, "lanes"},
                                       {LaneLayout::LanesByUnit, "lanes-by-unit"}};

}  // namespace

QString viewerChoicesPath() {
    return QDir(standardSettingsDirectories().user).filePath(QStringLiteral("voltrix-view.ini"));
}

ViewerChoices readViewerChoices(const QString& path) {
    ViewerChoices choices;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return choices;
    }
    const QSettings file(path, QSettings::IniFormat);
    const QString layout = file.value(kLayoutKey).toString();
    for (const LayoutName& known : kLayoutNames) {
        if (layout == QLatin1String(known.name)) {
            choices.layout = known.layout;
        }
    }
    const QStringList heights = file.value(kHeightsKey).toString().split(QLatin1Char(' '));
    if (heights.size() == static_cast<qsizetype>(kQuantityCount)) {
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            bool ok = false;
            const int step = heights[static_cast<qsizetype>(q)].toInt(&ok);
            choices.heightSteps[q] = ok ? step : 0;
        }
    }
    return choices;
}

bool writeViewerChoices(const QString& path, const ViewerChoices& choices) {
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSettings file(path, QSettings::IniFormat);
    for (const LayoutName& known : kLayoutNames) {
        if (known.layout == choices.layout) {
            file.setValue(kLayoutKey, QString::fromLatin1(known.name));
        }
    }
    QStringList heights;
    for (const int step : choices.heightSteps) {
        heights << QString::number(step);
    }
    file.setValue(kHeightsKey, heights.join(QLatin1Char(' ')));
    file.sync();
    return file.status() == QSettings::NoError;
}

}  // namespace voltrix
