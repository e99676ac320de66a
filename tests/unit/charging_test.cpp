#include <gtest/gtest.h>

#include <set>

#include "charging/charge_nodes.h"
#include "charging/charge_state.h"
#include "temp_dir.h"

namespace korvane {
namespace {

using testing::TempDir;

TEST(ChargeAction, AcceptsTheStateWordsInAnyCase) {
    for (const char* word : {"on", "ON", "On", "1", "y", "Y"}) {
        EXPECT_EQ(parse_charge_action(word), ChargeAction::enable) << word;
    }
    for (const char* word : {"off", "Off", "OFF", "0", "n", "N"}) {
        EXPECT_EQ(parse_charge_action(word), ChargeAction::disable) << word;
    }
    EXPECT_EQ(parse_charge_action("TEST"), ChargeAction::test);
    EXPECT_EQ(parse_charge_action("Test"), ChargeAction::test);
}

TEST(ChargeAction, RejectsEverythingElse) {
    for (const char* word : {"", "yes", "true", "enable", " on", "on ", "o", "01", "tests", "\xC3\x96N"}) {
        EXPECT_EQ(parse_charge_action(word), std::nullopt) << word;
    }
}

TEST(ChargeAction, RejectionPrintsTheWordAsGivenAndTheUsage) {
    ChargeUsage usage = {"Usage: x", "  a", "  b", "  c"};
    ::testing::internal::CaptureStdout();
    Error e = reject_charge_state("YeS", usage);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "[ERROR] Invalid state: YeS\nUsage: x\n  a\n  b\n  c\n");
    EXPECT_EQ(e.text, "Invalid state: YeS");
}

TEST(ChargePathScan, ShowsTrimmedValueOrNotAvailable) {
    TempDir dir;
    std::string plain = dir.write("plain", " 1\n");
    std::string binary = dir.write("binary", "\xff\xfe");  // unreadable as text
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(show_charge_path(plain));
    EXPECT_TRUE(show_charge_path(binary));
    EXPECT_FALSE(show_charge_path(dir.file("absent")));
    std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Found: " + plain + "\n    Current value: 1\nFound: " + binary +
                           "\n    Current value: N/A\n");
}

TEST(ChargeNodes, BypassRowsAreDistinctAndTogglePairs) {
    std::set<std::string_view> paths;
    for (const BypassNode& node : kBypassNodes) {
        EXPECT_TRUE(paths.insert(node.path).second) << node.path;
        EXPECT_NE(node.enable, node.disable) << node.path;
    }
    EXPECT_FALSE(paths.count(kMtkBatteryCmdPath));
}

}  // namespace
}  // namespace korvane
