// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/split_files.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace voltrix {
namespace {

struct NameParts {
    QString folder;  // as given, with its separator: "" for the current folder
    QString stem;
    QString suffix;  // with its dot, or empty
};

// "logs/bench.csv" is "logs/", "bench", ".csv"; a name starting with its
// only dot (".csv") has no suffix.
NameParts nameParts(const QString& baseName) {
    const QString fileName = QFileInfo(baseName).fileName();
    NameParts parts;
    parts.folder = baseName.left(baseName.size() - fileName.size());
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) {
        parts.stem = fileName;
    } else {
        parts.stem = fileName.left(dot);
        parts.suffix = fileName.mid(dot);
    }
    return parts;
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString splitFileName(const QString& baseName, const ClockReading& start, int number) {
    const NameParts parts = nameParts(baseName);
    QString name = parts.folder + parts.stem + QLatin1Char('_') +
                   QStringLiteral("%1").arg(start.year, 4, 10, QLatin1Char('0')) +
                   QLatin1Char('-') + twoDigits(start.month) + QLatin1Char('-') +
                   twoDigits(start.day) + QLatin1Char('_') + twoDigits(start.hour) +
                   QLatin1Char('-') + twoDigits(start.minute) + QLatin1Char('-') +
                   twoDigits(start.second);
    if (number > 1) {
        name += QLatin1Char('_') + QString::number(number);
    }
    return name + parts.suffix;
}

QString freeSplitFileName(const QString& baseName, const ClockReading& start) {
    for (int number = 1;; ++number) {
        const QString name = splitFileName(baseName, start, number);
        // A dangling link counts too: writing to it would create its target.
        if (!QFileInfo(name).exists() && !QFileInfo(name).isSymLink()) {
            return name;
        }
    }
}

QStringList filesOfRecording(const QString& baseName) {
    const NameParts parts = nameParts(baseName);
    const QRegularExpression pattern(
        QStringLiteral("^%1_(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)(?:_(\\d+))?%2$")
            .arg(QRegularExpression::escape(parts.stem), QRegularExpression::escape(parts.suffix)));
    const QDir folder(parts.folder.isEmpty() ? QStringLiteral(".") : parts.folder);
    // The time in the name, then the number of the same second (none is 1).
    std::vector<std::pair<std::pair<QString, int>, QString>> found;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch()) {
            const int number = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
            found.push_back({{match.captured(1), number}, parts.folder + name});
        }
    }
    std::sort(found.begin(), found.end());
    QStringList files;
    for (const auto& file : found) {
        files.push_back(file.second);
    }
    return files;
}

void removeOldestFiles(const QString& baseName, std::size_t keep) {
    if (keep == 0) {
        return;
    }
    const QStringList files = filesOfRecording(baseName);
    const auto surplus = static_cast<qsizetype>(files.size()) - static_cast<qsizetype>(keep);
    for (qsizetype i = 0; i < surplus; ++i) {
        QFile::remove(files[i]);
    }
}

}  // namespace voltrix
