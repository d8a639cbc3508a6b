// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/record_options.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
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
        {{"--split", "10"}, "--split"},
        {{"--split", "0s"}, "--split"},
        {{"--split", "0.5s"}, "--split"},
        {{"--split", "0.5KB"}, "--split"},
        {{"--split", "-1h"}, "--split"},
        {{"--split", "1w"}, "--split"},
        {{"--split", "1 h"}, "--split"},
        {{"--split", "2e3GB"}, "--split"},
        {{"--split", "h"}, "--split"},
        {{"--split", ""}, "--split"},
        {{"--split", "40000d"}, "--split"},
        {{"--split", "1h", "--keep", "0"}, "--keep"},
        {{"--split", "1h", "--keep", "-2"}, "--keep"},
        {{"--split", "1h", "--keep", "two"}, "--keep"},
        {{"--keep", "3"}, "--keep needs --split"},
        {{"--min-free", "1"}, "--min-free"},
        {{"--min-free", "1h"}, "--min-free"},
        {{"--min-free", "-1GB"}, "--min-free"},
        {{"--min-free", "lots"}, "--min-free"},
        {{"--min-free", ""}, "--min-free"},
    };
    for (const Case& c : cases) {
        const RecordCommand command = parse(c.arguments);
        ASSERT_TRUE(std::holds_alternative<PrintAndExit>(command)) << c.named;
        const auto& refusal = std::get<PrintAndExit>(command);
        EXPECT_EQ(refusal.code, RecordExit::Usage) << c.named;
        EXPECT_TRUE(refusal.text.contains(QLatin1String(c.named))) << refusal.text.toStdString();
    }
}

TEST(RecordOptions, SplitTakesASpanOrASize) {
    using std::chrono::milliseconds;
    struct Case {
        const char* value;
        std::uint64_t bytes;
        milliseconds duration;
    };
    const Case cases[] = {
        {"10s", 0, milliseconds(10000)},    {"1.5s", 0, milliseconds(1500)},
        {"1s", 0, milliseconds(1000)},      {"2m", 0, milliseconds(120000)},
        {"1h", 0, milliseconds(3600000)},   {"1H", 0, milliseconds(3600000)},
        {"1d", 0, milliseconds(86400000)},  {"2GB", 2000000000, milliseconds(0)},
        {"500MB", 500000000, milliseconds(0)}, {"500mb", 500000000, milliseconds(0)},
        {"1KB", 1000, milliseconds(0)},     {"2KiB", 2048, milliseconds(0)},
        {"1MiB", 1048576, milliseconds(0)}, {"1.5GiB", 1610612736, milliseconds(0)},
        {"1TB", 1000000000000, milliseconds(0)},
    };
    for (const Case& c : cases) {
        const RecordCommand command = parse({"--split", c.value, "--keep", "24"});
        ASSERT_TRUE(std::holds_alternative<RecordOptions>(command)) << c.value;
        const auto& options = std::get<RecordOptions>(command);
        EXPECT_EQ(options.split.bytes, c.bytes) << c.value;
        EXPECT_EQ(options.split.duration, c.duration) << c.value;
        EXPECT_EQ(options.keep, 24u);
    }
    // Without them: one file, nothing deleted.
    const auto plain = std::get<RecordOptions>(parse({}));
    EXPECT_FALSE(plain.split.any());
    EXPECT_EQ(plain.keep, 0u);
}

TEST(RecordOptions, MinFreeTakesASizeOrZero) {
    struct Case {
        QStringList arguments;
        std::uint64_t bytes;
    };
    const Case cases[] = {
        {{}, std::uint64_t{1} << 30},
        {{"--min-free", "0"}, 0},
        {{"--min-free", "2GB"}, 2000000000},
        {{"--min-free", "500MiB"}, 524288000},
        {{"--min-free", "1.5gib"}, 1610612736},
    };
    for (const Case& c : cases) {
        const RecordCommand command = parse(c.arguments);
        ASSERT_TRUE(std::holds_alternative<RecordOptions>(command))
            << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(std::get<RecordOptions>(command).minFreeBytes, c.bytes)
            << c.arguments.join(QLatin1Char(' ')).toStdString();
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
    for (const char* code : {"64", "66", "69", "70", "73", "74", "75", "--output", "--wait",
                             "--split", "--keep", "KiB", "76", "--min-free", "bench_2026-12-11_06-00-00.csv"}) {
        EXPECT_TRUE(help.text.contains(QLatin1String(code))) << code;
    }
}

}  // namespace
}  // namespace voltrix
