// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/ini_file.h"

#include <QFile>
#include <QFileInfo>

#include "engine/settings/file_replace.h"

namespace voltrix {
namespace {

const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");
constexpr char kSectionName[] = "Options";

// The characters QByteArray::trimmed() drops.
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n';
}

int digitValue(QChar c, int base) {
    int value = -1;
    if (c >= u'0' && c <= u'9') {
        value = c.unicode() - u'0';
    } else if (c >= u'a' && c <= u'f') {
        value = c.unicode() - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
        value = c.unicode() - u'A' + 10;
    }
    return value < base ? value : -1;
}

// The name in a trimmed line that starts with "[": up to "]" or the end.
QString sectionNameOf(const QByteArray& trimmedLine) {
    const qsizetype close = trimmedLine.indexOf(']');
    const qsizetype length = close < 0 ? -1 : close - 1;
    return QString::fromUtf8(trimmedLine.mid(1, length).trimmed());
}

// The key of a trimmed line inside the section, empty for comments and for
// lines that are not `Key=Value`.
QByteArray keyOf(const QByteArray& trimmedLine) {
    if (trimmedLine.startsWith(';') || trimmedLine.startsWith('#')) {
        return {};
    }
    const qsizetype equals = trimmedLine.indexOf('=');
    return equals <= 0 ? QByteArray() : trimmedLine.left(equals).trimmed();
}

void requirePlainKey(const QString& key) {
    const bool plain = !key.isEmpty() && !isBlank(key.front()) && !isBlank(key.back()) &&
                       !key.contains(u'=') && !key.contains(u'\n') && !key.contains(u'\r') &&
                       !key.startsWith(u'[') && !key.startsWith(u';') && !key.startsWith(u'#');
    if (!plain) {
        throw std::invalid_argument("not a settings key: " + key.toStdString());
    }
}

// The value as it goes into the file, such that a read gives `value` back.
QByteArray storedForm(const QString& value) {
    QString stored = value;
    stored.replace(u'\r', u' ').replace(u'\n', u' ');
    const bool quote = !stored.isEmpty() &&
                       (isBlank(stored.front()) || isBlank(stored.back()) ||
                        (stored.size() >= 2 && stored.front() == u'"' && stored.back() == u'"'));
    if (quote) {
        stored = u'"' + stored + u'"';
    }
    return stored.toUtf8();
}

// "\r\n" or "\n", for a line that ends in "\n".
QByteArray lineEndingOf(const QByteArray& line) {
    return line.endsWith("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

}  // namespace

SettingsError::SettingsError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

std::optional<std::int32_t> parseStoredInt(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == n) {
        return std::nullopt;
    }
    // The largest magnitude each form admits; checked digit by digit, so long
    // texts cannot overflow the accumulator.
    const std::uint64_t limit =
        base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    const auto pattern = static_cast<std::uint32_t>(magnitude);
    return static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
}

IniFile::IniFile(const QString& path) : path_(path) {
    load();
}

void IniFile::load() {
    const QFileInfo info(path_);
    if (!info.exists()) {
        return;
    }
    // Directories, pipes and devices are no settings files; opening a pipe
    // would even block.
    if (!info.isFile()) {
        unreadable_ = true;
        return;
    }
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable_ = true;
        return;
    }
    // Sized by the file, not by the limit: a limit-sized buffer would cost
    // megabytes for every read of a small file.
    if (file.size() > kMaxFileSize) {
        unreadable_ = true;
        return;
    }
    const QByteArray content = file.readAll();
    // The file may have grown while it was read.
    if (file.error() != QFileDevice::NoError || content.size() > kMaxFileSize) {
        unreadable_ = true;
        return;
    }
    parse(content);
}

void IniFile::parse(const QByteArray& content) {
    qsizetype start = 0;
    if (content.startsWith(kUtf8Bom)) {
        bom_ = kUtf8Bom;
        start = kUtf8Bom.size();
    }
    bool endingSeen = false;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        QByteArray line = content.mid(start, end - start);
        if (!endingSeen && line.endsWith('\n')) {
            lineEnd_ = lineEndingOf(line);
            endingSeen = true;
        }
        lines_.push_back(std::move(line));
        start = end;
    }

    bool inSection = false;
    for (qsizetype i = 0; i < static_cast<qsizetype>(lines_.size()); ++i) {
        const QByteArray trimmed = lines_[i].trimmed();
        if (trimmed.startsWith('[')) {
            if (inSection) {
                break;  // only the first [Options] section counts
            }
            if (sectionNameOf(trimmed).compare(QLatin1String(kSectionName), Qt::CaseInsensitive) ==
                0) {
                inSection = true;
                sectionHeader_ = i;
                insertAt_ = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        const QByteArray key = keyOf(trimmed);
        if (!key.isEmpty()) {
            const QString folded = QString::fromUtf8(key).toCaseFolded();
            if (!keyLines_.contains(folded)) {
                keyLines_.insert(folded, i);  // the first line of a key counts
            }
            insertAt_ = i + 1;
        }
    }
}

std::optional<QByteArray> IniFile::rawValue(const QString& key) const {
    const auto found = keyLines_.constFind(key.toCaseFolded());
    if (found == keyLines_.cend()) {
        return std::nullopt;
    }
    const QByteArray& line = lines_[found.value()];
    return line.mid(line.indexOf('=') + 1).trimmed();
}

QString IniFile::readText(const QString& key, const QString& defaultValue) const {
    const std::optional<QByteArray> raw = rawValue(key);
    if (!raw) {
        return defaultValue;
    }
    QString value = QString::fromUtf8(*raw);
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
        value = value.mid(1, value.size() - 2);
    }
    if (value.size() > kMaxReadLength) {
        const bool splitsPair = value[kMaxReadLength - 1].isHighSurrogate();
        value.truncate(splitsPair ? kMaxReadLength - 1 : kMaxReadLength);
    }
    return value;
}

std::int32_t IniFile::readInt(const QString& key, std::int32_t defaultValue) const {
    return parseStoredInt(readText(key, QString())).value_or(defaultValue);
}

bool IniFile::readBool(const QString& key, bool defaultValue) const {
    return readInt(key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeText(const QString& key, const QString& value) {
    requirePlainKey(key);
    const QByteArray stored = storedForm(value);
    const QString folded = key.toCaseFolded();
    const auto found = keyLines_.constFind(folded);
    if (found != keyLines_.cend()) {
        QByteArray& line = lines_[found.value()];
        const qsizetype equals = line.indexOf('=');
        if (line.mid(equals + 1).trimmed() == stored) {
            return;
        }
        const QByteArray ending = line.endsWith('\n') ? lineEndingOf(line) : lineEnd_;
        line = line.left(equals).trimmed() + '=' + stored + ending;
        dirty_ = true;
        return;
    }
    if (sectionHeader_ < 0) {
        lines_.push_back(QByteArray("[") + kSectionName + ']' + lineEnd_);
        sectionHeader_ = static_cast<qsizetype>(lines_.size()) - 1;
        insertAt_ = sectionHeader_ + 1;
    }
    // Every key of the section stands before insertAt_, so no stored line
    // number moves.
    lines_.insert(lines_.begin() + insertAt_, key.toUtf8() + '=' + stored + lineEnd_);
    keyLines_.insert(folded, insertAt_);
    ++insertAt_;
    dirty_ = true;
}

void IniFile::writeInt(const QString& key, std::int32_t value) {
    writeText(key, QString::number(value));
}

void IniFile::writeBool(const QString& key, bool value) {
    writeText(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray IniFile::serialize() const {
    QByteArray content = bom_;
    for (const QByteArray& line : lines_) {
        content += line;
        if (!line.endsWith('\n')) {
            content += lineEnd_;  // the last line had none, and others may follow now
        }
    }
    return content;
}

void IniFile::commit() {
    if (!dirty_) {
        return;
    }
    const SettingsError failure(QStringLiteral("Unable to write to %1").arg(path_));
    if (unreadable_) {
        throw failure;
    }
    if (!replaceFileContents(path_, serialize())) {
        throw failure;
    }
    dirty_ = false;
}

void IniFile::copyTo(const QString& path) const {
    if (!replaceFileContents(path, serialize())) {
        throw SettingsError(QStringLiteral("Unable to write to %1").arg(path));
    }
}

}  // namespace voltrix
