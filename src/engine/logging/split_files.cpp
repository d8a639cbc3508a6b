// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/split_files.h"

#include <algorithm>
#include <tuple>
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

// A name as splitFileName gives it, of the stem and suffix patterns given:
// captures 1..6 are the start's fields, 7 the number of the second.
QRegularExpression splitNamePattern(const QString& stem, const QString& suffix) {
    return QRegularExpression(
        QStringLiteral("^%1_(\\d{4})-(\\d\\d)-(\\d\\d)_(\\d\\d)-(\\d\\d)-(\\d\\d)(?:_(\\d+))?%2$")
            .arg(stem, suffix));
}

std::optional<SplitFileStart> startOf(const QRegularExpressionMatch& match) {
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    SplitFileStart found;
    ClockReading& t = found.start;
    t.year = match.captured(1).toInt();
    t.month = match.captured(2).toInt();
    t.day = match.captured(3).toInt();
    t.hour = match.captured(4).toInt();
    t.minute = match.captured(5).toInt();
    t.second = match.captured(6).toInt();
    bool numberOk = true;
    if (!match.captured(7).isEmpty()) {
        found.number = match.captured(7).toInt(&numberOk);
    }
    // A leap second is 60; never a number 0, which no name gets.
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 ||
        t.minute > 59 || t.second > 60 || !numberOk || found.number < 1) {
        return std::nullopt;
    }
    return found;
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

bool operator<(const SplitFileStart& a, const SplitFileStart& b) {
    const auto key = [](const SplitFileStart& s) {
        const ClockReading& t = s.start;
        return std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond,
                        s.number);
    };
    return key(a) < key(b);
}

std::optional<SplitFileStart> parseSplitFileName(const QString& fileName) {
    // Any stem, and a suffix as nameParts takes it: from the last dot.
    static const QRegularExpression pattern =
        splitNamePattern(QStringLiteral(".*"), QStringLiteral("(?:\\.[^.]*)?"));
    return startOf(pattern.match(QFileInfo(fileName).fileName()));
}

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
    const QRegularExpression pattern = splitNamePattern(QRegularExpression::escape(parts.stem),
                                                        QRegularExpression::escape(parts.suffix));
    const QDir folder(parts.folder.isEmpty() ? QStringLiteral(".") : parts.folder);
    std::vector<std::pair<SplitFileStart, QString>> found;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (const std::optional<SplitFileStart> start = startOf(pattern.match(name))) {
            found.push_back({*start, parts.folder + name});
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first < b.first || (!(b.first < a.first) && a.second < b.second);
    });
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
