// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the settings file. The input is a 16-bit length, that many
// bytes of `config.ini`, then a batch of writes: a flag byte and a sized value
// for each text key, a flag byte and the values of the shutdown save, and
// any number of (key, value) pairs. The file is read as start-up reads it,
// the batch is written and committed, and the file read again must give
// every written value back, every other key as before, and every line that
// was not rewritten byte for byte.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"
#include "fuzz_support.h"

namespace voltrix::fuzz {
namespace {

namespace keys = settings_key;

const QString kDefaultFileName = QStringLiteral("pomiary.csv");
// Never a stored value: marks a key the file does not have.
const QString kMissing = QStringLiteral("\x01missing\x01");

// The keys whose values are free text.
constexpr std::array<const char*, 11> kTextKeys = {
    keys::kMathName[0], keys::kMathName[1], keys::kMathUnit[0], keys::kMathUnit[1],
    keys::kAdcUnit[0],  keys::kAdcUnit[1],  keys::kAdcUnit[2],  keys::kAdcUnit[3],
    keys::kEncUnit[0],  keys::kEncUnit[1],  keys::kFileName,
};

std::vector<QString> allKeys() {
    std::vector<QString> all;
    for (const char* key : kTextKeys) {
        all.push_back(QString::fromLatin1(key));
    }
    for (const char* key : {keys::kScreenTop, keys::kScreenLeft, keys::kPoint, keys::kMod,
                            keys::kChartTime, keys::kLanguage}) {
        all.push_back(QString::fromLatin1(key));
    }
    for (const auto& save : keys::kSave) {
        all.push_back(QString::fromLatin1(save.key));
    }
    for (const char* key : keys::kChart) {
        all.push_back(QString::fromLatin1(key));
    }
    return all;
}

QString textOf(std::span<const std::uint8_t> bytes) {
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<qsizetype>(bytes.size()));
}

QByteArray bytesOf(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    VOLTRIX_FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    VOLTRIX_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    VOLTRIX_FUZZ_CHECK(file.write(content) == content.size());
}

// The lines of a file as the reader splits them, endings included.
QList<QByteArray> linesOf(QByteArray content) {
    if (content.startsWith("\xEF\xBB\xBF")) {
        content.remove(0, 3);
    }
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype newline = content.indexOf('\n', start);
        const qsizetype end = newline < 0 ? content.size() : newline + 1;
        lines.append(content.mid(start, end - start));
        start = end;
    }
    return lines;
}

// Whether a line is `Key=Value` for one of the keys in `folded`.
bool isLineOf(const QByteArray& line, const QSet<QString>& folded) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith('[') || trimmed.startsWith(';') || trimmed.startsWith('#')) {
        return false;
    }
    const qsizetype equals = trimmed.indexOf('=');
    return equals > 0 &&
           folded.contains(QString::fromUtf8(trimmed.left(equals).trimmed()).toCaseFolded());
}

// Every old line is in the new file, in order, except the lines of written
// keys, which may be rewritten where they stand; the new file only adds lines.
// A last line without an ending gets one when lines follow it.
bool keepsOtherLines(const QByteArray& before, const QByteArray& after,
                     const QSet<QString>& written) {
    if (before.startsWith("\xEF\xBB\xBF") != after.startsWith("\xEF\xBB\xBF")) {
        return false;
    }
    const QList<QByteArray> old = linesOf(before);
    const QList<QByteArray> now = linesOf(after);
    qsizetype j = 0;
    for (qsizetype i = 0; i < old.size(); ++i) {
        const QByteArray& line = old[i];
        const bool unended = !line.endsWith('\n');
        for (;; ++j) {
            if (j == now.size()) {
                return false;
            }
            const QByteArray& candidate = now[j];
            const bool same = candidate == line ||
                              (unended && (candidate == line + "\n" || candidate == line + "\r\n"));
            if (same || isLineOf(line, written)) {
                ++j;
                break;  // kept, or rewritten in its place
            }
            // now[j] was added: a new key or the section header.
        }
    }
    return true;
}

// What a written value reads back as.
QString readBack(QString value) {
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    return value;
}

class Batch {
public:
    explicit Batch(IniFile& file) : file_(file) {}

    // False when `key` is not a key the file can hold.
    bool text(const QString& key, const QString& value) {
        try {
            file_.writeText(key, value);
        } catch (const std::invalid_argument&) {
            return false;
        }
        record(key, readBack(value));
        return true;
    }

    void shutdown(const ShutdownSettings& s) {
        writeShutdownSettings(file_, s);
        record(keys::kScreenTop, QString::number(s.screenTop));
        record(keys::kScreenLeft, QString::number(s.screenLeft));
        record(keys::kPoint, QString::number(s.point));
        for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
            record(keys::kSave[i].key, s.save[i] ? QStringLiteral("1") : QStringLiteral("0"));
        }
        for (std::size_t i = 0; i < kChartSeriesCount; ++i) {
            record(keys::kChart[i], s.chart[i] ? QStringLiteral("1") : QStringLiteral("0"));
        }
        record(keys::kLanguage, QString::number(s.language));
        record(keys::kChartTime, QString::number(s.chartTime));
    }

    const QHash<QString, QString>& expected() const { return expected_; }
    QSet<QString> writtenKeys() const {
        return QSet<QString>(expected_.keyBegin(), expected_.keyEnd());
    }

private:
    void record(const QString& key, const QString& value) {
        expected_.insert(key.toCaseFolded(), value);  // a later write wins
    }

    IniFile& file_;
    QHash<QString, QString> expected_;  // by case-folded key
};

QString workDirectory() {
    static std::unique_ptr<QTemporaryDir> dir = [] {
        // Shared memory keeps the many small writes off the disk.
        const QString base = QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/voltrix-fuzz-XXXXXX")
                                 : QDir::temp().filePath(QStringLiteral("voltrix-fuzz-XXXXXX"));
        auto made = std::make_unique<QTemporaryDir>(base);
        VOLTRIX_FUZZ_CHECK(made->isValid());
        return made;
    }();
    return dir->path();
}

void run(InputReader& in) {
    const QString path = settingsFilePathIn(workDirectory());
    const QByteArray before = bytesOf(in.takeBytes(in.take<std::uint16_t>()));
    writeFile(path, before);

    IniFile file(path);
    const LoadedSettings loaded = readSettings(file, kDefaultFileName);
    try {
        VOLTRIX_FUZZ_CHECK(loaded.checkedChartTime() == *loaded.chartTime);
    } catch (const SettingsError&) {
        VOLTRIX_FUZZ_CHECK(!loaded.chartTime.has_value());
    }
    VOLTRIX_FUZZ_CHECK(loaded.loggingOn ==
                       (!loaded.fileName.isEmpty() && file.readBool(keys::kSave[0].key, false)));
    static const std::vector<QString> known = allKeys();
    QHash<QString, QString> old;
    for (const QString& key : known) {
        old.insert(key, file.readText(key, kMissing));
        VOLTRIX_FUZZ_CHECK(old[key].size() <= IniFile::kMaxReadLength);
    }

    Batch batch(file);
    for (const char* key : kTextKeys) {
        if ((in.take<std::uint8_t>() & 1) != 0) {
            batch.text(QString::fromLatin1(key), textOf(in.takeSized()));
        }
    }
    std::optional<ShutdownSettings> shutdown;
    if ((in.take<std::uint8_t>() & 1) != 0) {
        ShutdownSettings s;
        s.screenTop = in.take<std::int32_t>();
        s.screenLeft = in.take<std::int32_t>();
        s.point = in.take<std::int32_t>();
        const auto save = in.take<std::uint32_t>();
        for (std::size_t i = 0; i < kSaveKeyCount; ++i) {
            s.save[i] = ((save >> i) & 1) != 0;
        }
        const auto chart = in.take<std::uint16_t>();
        for (std::size_t i = 0; i < kChartSeriesCount; ++i) {
            s.chart[i] = ((chart >> i) & 1) != 0;
        }
        s.language = in.take<std::int32_t>();
        s.chartTime = in.take<std::int32_t>();
        batch.shutdown(s);
        shutdown = s;
    }
    static const QSet<QString> knownFolded = [] {
        QSet<QString> folded;
        for (const QString& key : known) {
            folded.insert(key.toCaseFolded());
        }
        return folded;
    }();
    bool knownKeyRewritten = false;  // by a pair after the shutdown save
    while (in.remaining() > 0) {
        const QString key = textOf(in.takeSized());
        if (batch.text(key, textOf(in.takeSized())) && knownFolded.contains(key.toCaseFolded())) {
            knownKeyRewritten = true;
        }
    }
    file.commit();

    const QByteArray after = readFile(path);
    if (batch.expected().isEmpty()) {
        VOLTRIX_FUZZ_CHECK(after == before);
    }
    VOLTRIX_FUZZ_CHECK(keepsOtherLines(before, after, batch.writtenKeys()));

    const IniFile reread(path);
    for (auto it = batch.expected().cbegin(); it != batch.expected().cend(); ++it) {
        VOLTRIX_FUZZ_CHECK(reread.readText(it.key(), kMissing) == it.value());
    }
    for (const QString& key : known) {
        if (!batch.expected().contains(key.toCaseFolded())) {
            VOLTRIX_FUZZ_CHECK(reread.readText(key, kMissing) == old[key]);
        }
    }
    if (shutdown && !knownKeyRewritten) {
        const LoadedSettings back = readSettings(reread, kDefaultFileName);
        VOLTRIX_FUZZ_CHECK(back.screenTop == shutdown->screenTop);
        VOLTRIX_FUZZ_CHECK(back.screenLeft == shutdown->screenLeft);
        VOLTRIX_FUZZ_CHECK(back.point == shutdown->point);
        VOLTRIX_FUZZ_CHECK(back.chart == shutdown->chart);
        VOLTRIX_FUZZ_CHECK(back.language == shutdown->language);
        VOLTRIX_FUZZ_CHECK(back.chartTime == shutdown->chartTime);
        VOLTRIX_FUZZ_CHECK(back.save == shutdown->save);
    }
}

}  // namespace
}  // namespace voltrix::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    voltrix::fuzz::InputReader in({data, size});
    voltrix::fuzz::run(in);
    return 0;
}
