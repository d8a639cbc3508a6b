// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtual_module/tool_options.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/text/program_version.h"

namespace voltrix {
namespace {

using namespace std::chrono_literals;
using Arguments = QStringList;

TEST(ToolOptionsTest, DefaultsAreTheModulesIdentityAndItsOwnInterval) {
    const ToolOptionsResult result = parseToolOptions({});
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_EQ(result.options->vendorId, VirtualHidBackend::kModuleVendorId);
    EXPECT_EQ(result.options->productId, VirtualHidBackend::kModuleProductId);
    EXPECT_FALSE(result.options->interval);
    EXPECT_FALSE(result.options->echo);
}

TEST(ToolOptionsTest, TakesEveryOption) {
    const ToolOptionsResult result = parseToolOptions(
        {"--vendor-id", "0x1a2B", "--product-id", "ab", "--interval", "60000", "--echo"});
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_EQ(result.options->vendorId, 0x1A2B);
    EXPECT_EQ(result.options->productId, 0x00AB);
    EXPECT_EQ(result.options->interval, 60000ms);
    EXPECT_TRUE(result.options->echo);
    const ToolOptionsResult help = parseToolOptions({"--help"});
    EXPECT_FALSE(help.options);
    EXPECT_NE(help.text.find("--interval"), std::string::npos) << help.text;
    EXPECT_NE(parseToolOptions({"--version"}).text.find(kProgramVersion), std::string::npos);
    EXPECT_EQ(parseToolOptions({"--interval", "1"}).options->interval, 1ms);
    EXPECT_EQ(parseToolOptions({"--vendor-id", "FFFF"}).options->vendorId, 0xFFFF);
}

TEST(ToolOptionsTest, RefusesWhatItCannotUse) {
    const std::vector<Arguments> cases = {
        {"--vendor-id"},       {"--vendor-id", "10000"}, {"--vendor-id", "0x"},
        {"--vendor-id", "-1"}, {"--product-id", "12g4"}, {"--product-id", ""},
        {"--interval", "0"},   {"--interval", "60001"},  {"--interval", "5ms"},
        {"--interval", "-5"},  {"--interval"},           {"--name", "OTHER"},
        {"VOLTRIX"},
    };
    for (const Arguments& arguments : cases) {
        const ToolOptionsResult result = parseToolOptions(arguments);
        const std::string shown = arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(result.options) << shown;
        EXPECT_FALSE(result.error.empty()) << shown;
        EXPECT_TRUE(result.text.empty()) << shown;
    }
}

}  // namespace
}  // namespace voltrix
