#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "charging/charge_nodes.h"
#include "charging/charge_reading.h"
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

// The kinds the drivers behind these names are known to have.
TEST(ChargeNodes, SwitchKindsFollowTheirDrivers) {
    const std::pair<std::string_view, SwitchKind> known[] = {
        {"/sys/class/power_supply/battery/battery_charging_enabled", SwitchKind::bypass},
        {"/sys/devices/platform/charger/bypass_charger", SwitchKind::bypass},
        {"/sys/kernel/debug/google_charger/chg_suspend", SwitchKind::bypass},
        {"/sys/class/power_supply/battery/input_suspend", SwitchKind::input_cut},
        {"/sys/class/qcom-battery/input_suspend", SwitchKind::input_cut},
        {"/sys/kernel/debug/google_charger/input_suspend", SwitchKind::input_cut},
        {"/sys/class/power_supply/battery/charging_enabled", SwitchKind::depends},
        {"/sys/class/power_supply/battery/battery_input_suspend", SwitchKind::depends},
    };
    for (const auto& [path, kind] : known) {
        auto row = std::find_if(kBypassNodes.begin(), kBypassNodes.end(), [&](const BypassNode& n) { return n.path == path; });
        ASSERT_NE(row, kBypassNodes.end()) << path;
        EXPECT_EQ(row->kind, kind) << path;
    }
    EXPECT_EQ(kMtkBypassKind, SwitchKind::bypass);
}

// |I| <= 50 mA idles; the baseline's sign decides beyond, or an assumed
// sign with the status; without a current the status alone. An offline
// charger never charges, and a known sign that disagrees with a
// "Discharging" status leaves the flow unknown.
TEST(ChargeReading, ClassifiesBySignSizeAndStatus) {
    struct Row {
        int sign;
        bool assumed;
        std::optional<long> ma;
        const char* status;
        ChargeFlow flow;
        std::optional<bool> online = std::nullopt;
    };
    const Row rows[] = {
        {1, false, 2000, "Charging", ChargeFlow::charging},
        {1, false, -40, "Charging", ChargeFlow::idle},  // Pixel: "Charging" in a pause
        {1, false, 10, "Full", ChargeFlow::full},
        {1, false, -480, "Discharging", ChargeFlow::discharging},
        {-1, false, 520, "Discharging", ChargeFlow::discharging},  // Xiaomi: positive while discharging
        {-1, false, -2400, "Charging", ChargeFlow::charging},
        {1, true, -2400, "Charging", ChargeFlow::charging},  // no baseline sign: the status says which way
        {1, true, 600, "Discharging", ChargeFlow::discharging},
        {1, true, -600, "Not charging", ChargeFlow::discharging},
        {1, false, std::nullopt, "Not charging", ChargeFlow::idle},
        {1, false, std::nullopt, "Unknown", ChargeFlow::unknown},
        {1, false, 610, "Discharging", ChargeFlow::unknown},
        {1, true, 1500, "Not charging", ChargeFlow::unknown},  // MediaTek's cached status lags a resume
        {1, false, 610, "Discharging", ChargeFlow::discharging, false},
        {-1, true, 3920, "Charging", ChargeFlow::discharging, false},  // korvane's own cut: online 0
        {1, false, std::nullopt, "Charging", ChargeFlow::discharging, false},
    };
    for (const Row& r : rows) {
        ChargeMeter meter{"", r.sign, r.assumed, true, {}};
        EXPECT_EQ(classify_charge(meter, {r.ma, r.status, r.online}), r.flow) << r.sign << " " << r.ma.value_or(0) << " " << r.status;
    }
}

}  // namespace
}  // namespace korvane
