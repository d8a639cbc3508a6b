// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtual_module/tool_options.h"

#include <algorithm>
#include <utility>

#include <QCommandLineParser>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/text/program_version.h"

namespace voltrix {
namespace {

constexpr int kMaxIntervalMs = 60000;

// Hexadecimal with or without 0x, as IDs are usually written.
std::optional<std::uint16_t> parseId(QString text) {
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        text.remove(0, 2);
    }
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    // toUInt takes a sign and blanks; an ID is bare digits.
    const bool bare = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
    });
    if (!ok || !bare || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<std::chrono::milliseconds> parseInterval(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    const bool bare = !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                                     [](QChar c) { return c.isDigit(); });
    if (!ok || !bare || value < 1 || value > kMaxIntervalMs) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(value);
}

QString hex(std::uint16_t id) {
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

ToolOptionsResult parseToolOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the virtual VOLTRIX module as a kernel HID device through /dev/uhid until\n"
        "Ctrl-C or SIGTERM unplugs it."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption vendor(
        QStringLiteral("vendor-id"),
        QStringLiteral("Vendor ID, hexadecimal (default %1).").arg(hex(VirtualHidBackend::kModuleVendorId)),
        QStringLiteral("ID"));
    const QCommandLineOption product(
        QStringLiteral("product-id"),
        QStringLiteral("Product ID, hexadecimal (default %1).")
            .arg(hex(VirtualHidBackend::kModuleProductId)),
        QStringLiteral("ID"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Send a measurement report every MS milliseconds (1 to %1) instead of "
                       "at the module's report interval.")
            .arg(kMaxIntervalMs),
        QStringLiteral("MS"));
    const QCommandLineOption echo(QStringLiteral("echo"),
                                  QStringLiteral("Print every output report received to "
                                                 "standard output."));
    parser.addOptions({vendor, product, interval, echo});

    ToolOptionsResult result;
    const auto fail = [&result](const QString& message) {
        result.error = message.toStdString();
        return result;
    };
    if (!parser.parse(QStringList{QStringLiteral("voltrix-virtual-module")} + arguments)) {
        return fail(parser.errorText());
    }
    if (parser.isSet(help)) {
        result.text = parser.helpText().toStdString();
        return result;
    }
    if (parser.isSet(version)) {
        result.text = std::string("voltrix-virtual-module ") + kProgramVersion + "\n";
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return fail(QStringLiteral("unexpected argument '%1'")
                        .arg(parser.positionalArguments().constFirst()));
    }

    ToolOptions options;
    options.vendorId = VirtualHidBackend::kModuleVendorId;
    options.productId = VirtualHidBackend::kModuleProductId;
    for (const auto& [option, id] : {std::pair{&vendor, &options.vendorId},
                                     std::pair{&product, &options.productId}}) {
        if (parser.isSet(*option)) {
            const std::optional<std::uint16_t> parsed = parseId(parser.value(*option));
            if (!parsed) {
                return fail(QStringLiteral("--%1 takes a hexadecimal number up to FFFF, not '%2'")
                                .arg(option->names().constFirst(), parser.value(*option)));
            }
            *id = *parsed;
        }
    }
    if (parser.isSet(interval)) {
        options.interval = parseInterval(parser.value(interval));
        if (!options.interval) {
            return fail(QStringLiteral("--interval takes milliseconds from 1 to %1, not '%2'")
                            .arg(kMaxIntervalMs)
                            .arg(parser.value(interval)));
        }
    }
    options.echo = parser.isSet(echo);
    result.options = options;
    return result;
}

}  // namespace voltrix
