// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_file_set.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <system_error>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "engine/logging/split_files.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/read_error_text.h"
#include "engine/recorded/recorded_file_probe.h"

namespace voltrix {
namespace {

namespace fs = std::filesystem;

QString toQString(const fs::path& path) {
    return QString::fromStdU16String(path.u16string());
}

// A name starting with a dot is hidden on every system, as are the files
// the system itself marks so.
bool isHidden(const fs::path& path) {
    const QString name = toQString(path.filename());
    return name.startsWith(QLatin1Char('.')) || QFileInfo(toQString(path)).isHidden();
}

struct Candidate {
    fs::path path;
    QString name;  // the file name alone
    std::optional<RecordedFileProbe> probe;
    std::int64_t key = 0;  // what it is ordered by before its name
};

bool byKeyThenName(const Candidate& a, const Candidate& b) {
    if (a.key != b.key) {
        return a.key < b.key;
    }
    if (a.name != b.name) {
        return a.name < b.name;
    }
    return a.path < b.path;
}

// The first line of the file's head that `layout` reads.
std::optional<ParsedLine> firstLine(Candidate& candidate, const RecordedLayout& layout) {
    if (!candidate.probe) {
        candidate.probe = probeRecordedFile(candidate.path);
    }
    ParsedLine parsed;
    for (const std::string& line : candidate.probe->lines) {
        if (parseMeasurementLine(line, layout, parsed)) {
            return parsed;
        }
    }
    return std::nullopt;
}

// Keys from the names when all are split-file names: their order within one
// second is their number, so the ranks of the sorted starts are the keys.
bool keyBySplitNames(std::vector<Candidate>& candidates) {
    std::vector<std::pair<SplitFileStart, std::size_t>> starts;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::optional<SplitFileStart> start = parseSplitFileName(candidates[i].name);
        if (!start) {
            return false;
        }
        starts.push_back({*start, i});
    }
    std::sort(starts.begin(), starts.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::int64_t rank = 0;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        if (k > 0 && starts[k - 1].first < starts[k].first) {
            ++rank;
        }
        candidates[starts[k].second].key = rank;
    }
    return true;
}

// Keys from the first line when every file has one with a date and time, or
// with a counter: a time of day alone would put a file after midnight first.
bool keyByFirstLines(std::vector<Candidate>& candidates, const RecordedLayout& layout) {
    const bool byTime = layout.has(LogColumn::Date) && layout.has(LogColumn::Time);
    if (!byTime && !layout.has(LogColumn::Counter)) {
        return false;
    }
    std::vector<std::int64_t> keys;
    for (Candidate& candidate : candidates) {
        const std::optional<ParsedLine> line = firstLine(candidate, layout);
        if (!line || (!byTime && !line->counterKnown)) {
            return false;
        }
        keys.push_back(byTime ? line->time : line->counter);
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        candidates[i].key = keys[i];
    }
    return true;
}

RecordedFileSetResult inTimeOrder(std::vector<Candidate> candidates, const RecordedLayout& layout) {
    if (!keyBySplitNames(candidates) && !keyByFirstLines(candidates, layout)) {
        for (Candidate& candidate : candidates) {
            candidate.key = 0;
        }
    }
    std::sort(candidates.begin(), candidates.end(), byKeyThenName);
    RecordedFileSetResult result;
    for (Candidate& candidate : candidates) {
        result.files.push_back(std::move(candidate.path));
    }
    return result;
}

Candidate candidateOf(const fs::path& path) {
    return {path, toQString(path.filename()), std::nullopt, 0};
}

RecordedFileSetResult filesOfFolder(const fs::path& folder, const RecordedLayout& layout) {
    std::vector<Candidate> candidates;
    std::error_code error;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        const fs::path& path = it->path();
        // Follows a link: a link to a measurement file is one.
        std::error_code statusError;
        if (!fs::is_regular_file(it->status(statusError)) || isHidden(path)) {
            continue;
        }
        Candidate candidate = candidateOf(path);
        candidate.probe = probeRecordedFile(path);
        if (candidate.probe->error.empty() && !candidate.probe->lines.empty()) {
            candidates.push_back(std::move(candidate));
        }
    }
    if (error) {
        return {{}, readErrorCause(error.value(), QString::fromStdString(error.message()))};
    }
    if (candidates.empty()) {
        return {{}, QCoreApplication::translate("Viewer", "w folderze nie ma plików pomiarowych")};
    }
    return inTimeOrder(std::move(candidates), layout);
}

}  // namespace

RecordedFileSetResult resolveRecordedFiles(const std::vector<fs::path>& opened,
                                           const RecordedLayout& layout) {
    if (opened.empty()) {
        return {{}, QCoreApplication::translate("Viewer", "nie wybrano pliku")};
    }
    if (opened.size() == 1) {
        std::error_code error;
        if (fs::is_directory(opened.front(), error)) {
            return filesOfFolder(opened.front(), layout);
        }
        return {{opened.front()}, {}};
    }
    std::vector<Candidate> candidates;
    for (const fs::path& path : opened) {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        // One missing is left to the opening, which names the cause.
        if (fs::exists(status) && !fs::is_regular_file(status)) {
            return {{},
                    QCoreApplication::translate(
                        "Viewer", "%1 nie jest zwykłym plikiem, a tylko takie można otworzyć razem")
                        .arg(QDir::toNativeSeparators(toQString(path)))};
        }
        candidates.push_back(candidateOf(path));
    }
    return inTimeOrder(std::move(candidates), layout);
}

}  // namespace voltrix
