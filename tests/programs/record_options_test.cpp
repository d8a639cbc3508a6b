// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/record_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>

namespace voltrix {
namespace {

RecordCommand parse(const QStringList& arguments) {
    return parseRecordOptions(QStringList{QStringLiteral("voltrix-record")} + arguments);
}

TEST(RecordOptions, ValuesAreTakenAsGiven) {
    const RecordCommand command =
        parse({"--output", "-", "--duration", "2.5", "--count", "1000", "--wait", "30",
               "--config", "/etc/voltrix/config.ini", "--virtual", "-q"});
    ASSERT_TRUE(std::holds_alternative<RecordOptions>(command));
    const auto& options = std::get<RecordOptions>(command);
    EXPECT_EQ(options.output, QStringLiteral("-"));
    EXPECT_EQ(options.durationSeconds, 2.5);
    EXPECT_EQ(options.count, 1000u);
    EXPECT_EQ(options.waitSeconds, 30.0);
    EXPECT_EQ(options.config, QStringLiteral("/etc/voltrix/config.ini"));
    EXPECT_TRUE(options.useVirtual);
    EXPECT_TRUE(options.quiet);

    const RecordCommand none = parse({});
    const auto& plain = std::get<RecordOptions>(none);
    EXPECT_TRUE(plain.output.isEmpty());
    EXPECT_FALSE(plain.durationSeconds || plain.count || plain.waitSeconds);
}

// Each mistake is refused with a message that names it and the usage code.
TEST(RecordOptions, MistakesAreRefusedWithTheirReason) {
    struct Case {
        QStringList arguments;
        const char* named;
    };
    const Case cases[] = {
        {{"--bogus"}, "bogus"},
        {{"--duration", "0"}, "--duration"},
        {{"--duration", "-3"}, "--duration"},
        {{"--duration", "soon"}, "--duration"},
        {{"--duration", "inf"}, "--duration"},
        {{"--count", "0"}, "--count"},
        {{"--count", "-5"}, "--count"},
        {{"--count", "1.5"}, "--count"},
        {{"--wait", "nan"}, "--wait"},
        {{"--output", ""}, "--output"},
        {{"--config", ""}, "--config"},
        {{"--duration"}, "duration"},
        {{"extra.csv"}, "extra.csv"},
    };
    for (const Case& c : cases) {
        const RecordCommand command = parse(c.arguments);
        ASSERT_TRUE(std::holds_alternative<PrintAndExit>(command)) << c.named;
        const auto& refusal = std::get<PrintAndExit>(command);
        EXPECT_EQ(refusal.code, RecordExit::Usage) << c.named;
        EXPECT_TRUE(refusal.text.contains(QLatin1String(c.named))) << refusal.text.toStdString();
    }
}

// --duration and --wait take a month and more, beyond the 24.8 days a Qt
// timer counts, up to the limit that the refusal names.
TEST(RecordOptions, LongSpansAreTakenUpToTheLimitTheRefusalNames) {
    struct Case {
        const char* option;
        const char* value;
        std::optional<double> taken;  // none: refused
    };
    const Case cases[] = {
        {"--duration", "2592000", 2592000.0},  // a month
        {"--wait", "2592000", 2592000.0},
        {"--duration", "2147484", 2147484.0},  // just beyond INT_MAX milliseconds
        {"--duration", "1000000000", 1e9},
        {"--wait", "1e9", 1e9},
        {"--duration", "1000000001", std::nullopt},
        {"--wait", "1e10", std::nullopt},
        {"--duration", "1e300", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " " + c.value);
        const RecordCommand command =
            parse({QString::fromLatin1(c.option), QString::fromLatin1(c.value)});
        if (c.taken) {
            ASSERT_TRUE(std::holds_alternative<RecordOptions>(command));
            const auto& options = std::get<RecordOptions>(command);
            EXPECT_EQ(c.option == std::string("--duration") ? options.durationSeconds
                                                            : options.waitSeconds,
                      c.taken);
        } else {
            ASSERT_TRUE(std::holds_alternative<PrintAndExit>(command));
            const auto& refusal = std::get<PrintAndExit>(command);
            EXPECT_EQ(refusal.code, RecordExit::Usage);
            EXPECT_TRUE(refusal.text.contains(QLatin1String(c.option)));
            EXPECT_TRUE(refusal.text.contains(QStringLiteral("up to 1000000000")))
                << refusal.text.toStdString();
        }
    }
}

TEST(RecordOptions, HelpListsTheExitCodes) {
    const RecordCommand command = parse({"--help"});
    const auto& help = std::get<PrintAndExit>(command);
    EXPECT_EQ(help.code, RecordExit::Done);
    for (const char* code : {"64", "66", "69", "70", "73", "74", "75", "--output", "--wait"}) {
        EXPECT_TRUE(help.text.contains(QLatin1String(code))) << code;
    }
}

}  // namespace
}  // namespace voltrix
