// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_file_probe.h"

#include <cerrno>
#include <cstring>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "engine/logging/write_error_text.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/read_error_text.h"

namespace voltrix {
namespace {

QString toQString(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

}  // namespace

bool isStreamFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) &&
           !std::filesystem::is_regular_file(status) && !std::filesystem::is_directory(status);
}

RecordedFileProbe probeRecordedFile(const std::filesystem::path& path, std::size_t maxLines,
                                    std::size_t maxBytes) {
    RecordedFileProbe probe;
    QFile file(toQString(path));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        probe.errorCode = errno;
        if (QFileInfo(file).isDir()) {
            probe.errorCode = EISDIR;  // refused by Qt, before the system was asked
        }
        probe.error = file.errorString().toStdString();
        return probe;
    }
    const QByteArray head = file.read(static_cast<qint64>(maxBytes));
    probe = probeRecordedHead(std::string_view(head.constData(), static_cast<std::size_t>(head.size())),
                              maxLines);
    return probe;
}

RecordedFileProbe probeRecordedHead(std::string_view head, std::size_t maxLines) {
    RecordedFileProbe probe;
    while (probe.lines.size() < maxLines) {
        const std::size_t end = head.find('\n');
        if (end == std::string_view::npos) {
            break;  // a half line, or one beyond the bytes read
        }
        const std::string_view line = withoutLineEnd(head.substr(0, end + 1));
        if (someLayoutReads(line)) {
            probe.lines.emplace_back(line);
        } else {
            ++probe.otherLines;
        }
        head.remove_prefix(end + 1);
    }
    return probe;
}

bool layoutFits(const RecordedLayout& layout, const std::vector<std::string>& lines) {
    std::size_t read = 0;
    ParsedLine parsed;
    for (const std::string& line : lines) {
        read += parseMeasurementLine(line, layout, parsed) ? 1 : 0;
    }
    return read * 2 >= lines.size() && (lines.empty() || read > 0);
}

RecordedExportResult exportRecordedLines(const std::filesystem::path& source,
                                         const RecordedLayout& layout, std::size_t first,
                                         std::size_t last, const std::filesystem::path& target) {
    QFile in(toQString(source));
    errno = 0;
    if (!in.open(QIODevice::ReadOnly)) {
        return {readErrorCause(errno, in.errorString())};
    }
    const ByteReader read = [&in](std::uint64_t offset, char* into, std::size_t bytes) -> std::int64_t {
        errno = 0;
        if (!in.seek(static_cast<qint64>(offset))) {
            return -1;
        }
        return in.read(into, static_cast<qint64>(bytes));
    };
    return exportRecordedLines({source}, read, {0, 0}, layout, first, last, target);
}

RecordedExportResult exportRecordedLines(const std::vector<std::filesystem::path>& sources,
                                         const ByteReader& read, ExportStart start,
                                         const RecordedLayout& layout, std::size_t first,
                                         std::size_t last, const std::filesystem::path& target) {
    const QString targetName = toQString(target);
    const QFileInfo targetInfo(targetName);
    for (const std::filesystem::path& source : sources) {
        if (targetInfo.exists() &&
            QFileInfo(toQString(source)).canonicalFilePath() == targetInfo.canonicalFilePath()) {
            return {QCoreApplication::translate(
                "RecordedFile", "linii nie można zapisać w pliku, z którego pochodzą")};
        }
    }
    QSaveFile out(targetName);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly)) {
        return {writeErrorCause(errno, out.errorString())};
    }
    constexpr std::size_t kChunk = std::size_t{4} << 20;
    std::vector<char> buffer(kChunk);
    QByteArray pending;  // the start of a line whose end is in the next chunk
    std::size_t index = start.line;  // the number of the next line that parses
    std::uint64_t offset = start.offset;
    ParsedLine parsed;
    while (index < last) {
        errno = 0;
        const std::int64_t n = read(offset, buffer.data(), buffer.size());
        if (n < 0) {
            return {readErrorCause(errno, QString::fromLocal8Bit(std::strerror(errno)))};
        }
        if (n == 0) {
            break;  // the end; a half line there is no line of the file yet
        }
        offset += static_cast<std::uint64_t>(n);
        pending.append(buffer.data(), static_cast<qsizetype>(n));
        std::string_view rest(pending.constData(), static_cast<std::size_t>(pending.size()));
        std::size_t consumed = 0;
        for (;;) {
            const std::size_t end = rest.find('\n', consumed);
            if (end == std::string_view::npos || index >= last) {
                break;
            }
            const std::string_view whole = rest.substr(consumed, end + 1 - consumed);
            if (parseMeasurementLine(whole, layout, parsed)) {
                errno = 0;
                if (index >= first &&
                    out.write(whole.data(), static_cast<qint64>(whole.size())) !=
                        static_cast<qint64>(whole.size())) {
                    return {writeErrorCause(errno, out.errorString())};
                }
                ++index;
            }
            consumed = end + 1;
        }
        pending.remove(0, static_cast<qsizetype>(consumed));
    }
    errno = 0;
    if (!out.commit()) {
        return {writeErrorCause(errno, out.errorString())};
    }
    return {};
}

}  // namespace voltrix
