// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

// The INI engine behind `config.ini`: one section, `Options`, of `Key=Value`
// lines in UTF-8.
//
// Reading
// - Section and key names compare case-insensitively; the first `[Options]`
//   section and, within it, the first line of a key count. Lines starting with
//   ";" or "#" are comments.
// - Blanks around the key, around "=" and around the value are dropped; then
//   one pair of double quotes around the whole value is dropped, so `"  a "`
//   reads as two blanks, "a" and a blank.
// - Lines may end in LF or CR LF; a UTF-8 byte order mark is skipped.
// - A file that is not a regular file, cannot be opened, or is larger than
//   kMaxFileSize is refused: not read at all, every key takes its default.
//
// Writing
// - Writes change a copy in memory and reach the disk only with commit(), all
//   at once, as replaceFileContents() puts them there: as a new file renamed
//   over the old one, or, in a folder that takes no new files, over the old
//   contents in place. An object destroyed without commit() (an error ended
//   the batch) writes nothing.
// - An existing key is replaced where it stands (its line becomes `Key=Value`
//   with the key spelled as in the file); a new key goes after the last key of
//   the section; a missing section is added at the end of the file. All other
//   lines are kept byte for byte, line endings included, and so is a byte
//   order mark. Written lines end like the first line of the file; a new file
//   gets CR LF, as the settings file has always had.
// - A value is stored as it is, except that line breaks become blanks and a
//   value with blanks at either end, or already wrapped in double quotes, gets
//   one pair of double quotes around it, so that it reads back unchanged.
// - A refused file is never replaced: commit() fails. What the user put in a
//   file the program could not read is not the program's to throw away.

namespace voltrix {

// A settings file that could not be written or a stored value that does not
// convert. The message is what the error box shows.
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString& message);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A stored integer: optional blanks, an optional sign, then decimal digits, or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". Decimal values must lie
// in the signed 32-bit range. Hexadecimal values of up to 32 bits are taken as
// the 32-bit pattern ("$FFFFFFFF" is -1) and a sign negates that pattern
// ("-$10" is -16). Anything else, the empty text included, is no number.
std::optional<std::int32_t> parseStoredInt(QStringView text);

class IniFile {
public:
    // Longest text a read returns, in UTF-16 units (a character is never cut).
    static constexpr qsizetype kMaxReadLength = 2047;
    // Larger files are refused (see above). A complete settings file has a
    // few hundred bytes, but a hand-edited one may carry long comments or
    // pasted notes; what is beyond this is no settings file.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    // Reads the file at `path` for one batch of reads and writes. Never fails:
    // a file that cannot be read gives defaults.
    explicit IniFile(const QString& path);

    const QString& path() const { return path_; }
    // The file exists but was not read (see above); it is never written.
    bool refused() const { return unreadable_; }

    QString readText(const QString& key, const QString& defaultValue) const;
    std::int32_t readInt(const QString& key, std::int32_t defaultValue) const;
    bool readBool(const QString& key, bool defaultValue) const;

    // `key` must be a plain name: not empty, no "=", no line break, no blank at
    // either end, not starting with "[", ";" or "#" (std::invalid_argument).
    void writeText(const QString& key, const QString& value);
    void writeInt(const QString& key, std::int32_t value);
    void writeBool(const QString& key, bool value);

    // Writes the batch to disk when anything changed. Throws SettingsError
    // "Unable to write to <path>" when the file cannot be written; the file on
    // disk is then as it was before the batch.
    void commit();

    // Writes the file as read, with the batch's changes, to `path`, which
    // need not exist; this object stays bound to its own file. Throws
    // SettingsError "Unable to write to <path>" as commit() does.
    void copyTo(const QString& path) const;

private:
    void load();
    void parse(const QByteArray& content);
    std::optional<QByteArray> rawValue(const QString& key) const;
    QByteArray serialize() const;

    QString path_;
    bool unreadable_ = false;  // refused: never replaced
    bool dirty_ = false;

    QByteArray bom_;
    QByteArray lineEnd_ = "\r\n";
    std::vector<QByteArray> lines_;  // with their own line endings

    // The first [Options] section: its header line, the line after its last
    // key (where new keys go) and its keys (case-folded) with their lines.
    qsizetype sectionHeader_ = -1;
    qsizetype insertAt_ = -1;
    QHash<QString, qsizetype> keyLines_;
};

}  // namespace voltrix
