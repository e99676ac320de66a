// Bypass and fast charging on simulated phones: which nodes get which value,
// the exact lines, and what a refused or unreadable node does to a run.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kMtkCmd = "/proc/mtk_battery_cmd/current_cmd";
const std::string kMtkBypass = "/sys/devices/platform/charger/bypass_charger";
const std::string kQcomSuspend = "/sys/class/qcom-battery/input_suspend";
const std::string kInputSuspend = "/sys/class/power_supply/battery/battery_input_suspend";
const std::string kMmiEnable = "/sys/class/power_supply/battery/mmi_charging_enable";
const std::string kForceFast = "/sys/kernel/fast_charge/force_fast_charge";
const std::string kForceFastActive = "/sys/kernel/fast_charge/force_fast_charge_active";
const std::string kBatteryFast = "/sys/class/power_supply/battery/fast_charge";

const Lines kBypassUsage = {
    "Usage: bypass <on|off|test>",
    "  on    : Enable bypass charging",
    "  off   : Disable bypass charging",
    "  test  : Scan and test charging paths",
};
const Lines kFastUsage = {
    "Usage: fast_charge <on|off|test>",
    "  on    : Enable force fast charge",
    "  off   : Disable force fast charge",
    "  test  : Scan and test charging paths",
};

Lines invalid_state_lines(const std::string& state, const Lines& usage) {
    Lines lines = {"[ERROR] Invalid state: " + state};
    lines.insert(lines.end(), usage.begin(), usage.end());
    lines.push_back("[ERROR] Invalid state: " + state);
    return lines;
}

TEST(BypassChargingE2e, MtkPhoneSuspendsAndRestoresThroughBothNodes) {
    SimDevice dev("mtk_dimensity");
    auto on = dev.run({"--bypass", "on"});
    EXPECT_EQ(on.lines(), (Lines{"[INFO] Enabling Bypass Charging...", "[OK] Bypass Charging Enabled - 2 paths modified"}));
    EXPECT_EQ(on.err, "");
    EXPECT_EQ(dev.read(kMtkBypass), "1");
    EXPECT_EQ(dev.mode(kMtkBypass), 0444u);
    // The command node takes a plain write: its mode stays as it was.
    EXPECT_EQ(dev.read(kMtkCmd), "0 1");
    EXPECT_EQ(dev.mode(kMtkCmd), 0644u);

    auto off = dev.run({"--bypass", "off"});
    EXPECT_EQ(off.lines(),
              (Lines{"[INFO] Disabling Bypass Charging...", "[OK] Bypass Charging Disabled - 2 paths modified"}));
    EXPECT_EQ(dev.read(kMtkBypass), "0");
    EXPECT_EQ(dev.read(kMtkCmd), "0 0");
    EXPECT_EQ(dev.mode(kMtkCmd), 0644u);
    EXPECT_TRUE(dev.calls().empty());
}

TEST(BypassChargingE2e, StateWordsInAnyCase) {
    SimDevice dev("snapdragon");
    const std::pair<const char*, const char*> cases[] = {
        {"ON", "1"}, {"Off", "0"}, {"Y", "1"}, {"N", "0"}, {"1", "1"}, {"0", "0"},
    };
    for (const auto& [word, value] : cases) {
        SCOPED_TRACE(word);
        auto r = dev.run({"--bypass", word});
        const char* end = *value == '1' ? "[OK] Bypass Charging Enabled - 1 paths modified"
                                        : "[OK] Bypass Charging Disabled - 1 paths modified";
        EXPECT_EQ(r.lines().back(), end);
        EXPECT_EQ(dev.read(kQcomSuspend), value);
    }
    EXPECT_FALSE(dev.exists(kMtkCmd));  // a missing command node is never created
}

// Enable and disable meet the same Motorola node, so charging comes back.
TEST(BypassChargingE2e, DisableRestoresTheNodeThatEnableSuspended) {
    SimDevice dev("snapdragon");
    dev.write(kMmiEnable, "1\n");
    dev.run({"--bypass", "on"});
    EXPECT_EQ(dev.read(kMmiEnable), "0");
    auto off = dev.run({"--bypass", "off"});
    EXPECT_EQ(off.lines().back(), "[OK] Bypass Charging Disabled - 2 paths modified");
    EXPECT_EQ(dev.read(kMmiEnable), "1");
    EXPECT_FALSE(dev.exists(kMmiEnable + "d"));
}

// Each command words its warning its own way: bypass names the value too.
TEST(ChargingE2e, RefusedNodeWarnsAndTheRunGoesOn) {
    struct Case {
        const char* command;
        std::string refusing;  // exists, but takes no value
        std::string warning;
        Lines done;            // the other lines, first and last
        std::string written;   // a node after the refusing one
    };
    const std::string refused = ": Is a directory (os error 21)";
    const Case cases[] = {
        {"--bypass", kInputSuspend,
         "[WARN] Failed to write 1 to " + kInputSuspend + ": Failed to write to " + kInputSuspend + refused,
         {"[INFO] Enabling Bypass Charging...", "[OK] Bypass Charging Enabled - 1 paths modified"}, kQcomSuspend},
        {"--fast_charge", kBatteryFast,
         "[WARN] Failed to write to " + kBatteryFast + ": Failed to write to " + kBatteryFast + refused,
         {"[INFO] Enabling Force Fast Charge...", "[OK] Fast Charge Enabled - 1 paths modified"}, kForceFast},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        SimDevice dev("snapdragon");
        dev.mkdir(c.refusing);
        auto r = dev.run({c.command, "on"});
        EXPECT_EQ(r.lines(), (Lines{c.done[0], c.warning, c.done[1]}));
        EXPECT_EQ(dev.read(c.written), "1");
    }
}

// A refused command node gets its own warning and no shell retry.
TEST(BypassChargingE2e, RefusedMtkCommandNodeHasNoShellFallback) {
    SimDevice dev("mtk_dimensity");
    dev.chmod(kMtkBypass, 0666);
    dev.chmod(kMtkCmd, 0444);
    auto r = dev.run({"--bypass", "on"}, kShellUid);
    EXPECT_EQ(r.lines(), (Lines{
        "[INFO] Enabling Bypass Charging...",
        "[WARN] Failed to write to MTK battery cmd: Permission denied (os error 13)",
        "[OK] Bypass Charging Enabled - 1 paths modified",
    }));
    EXPECT_EQ(dev.read(kMtkBypass), "1");
    EXPECT_EQ(dev.read(kMtkCmd), "0 0");
    EXPECT_TRUE(dev.calls_of("sh").empty());
}

TEST(BypassChargingE2e, ScanListsNodesInTableOrderAndWritesNothing) {
    SimDevice dev("mtk_dimensity");
    dev.write(kMmiEnable, "1\n");
    auto r = dev.run({"--bypass", "TEST"});
    EXPECT_EQ(r.lines(), (Lines{
        "[INFO] Scanning for charging test paths...",
        "Found: " + kMmiEnable,
        "    Current value: 1",
        "Found: " + kMtkBypass,
        "    Current value: 0",
        "Found: " + kMtkCmd,
        "    Current value: 0 0",
        "[INFO] Found 3 bypass charging paths",
    }));
    EXPECT_EQ(dev.read(kMtkBypass), "0");
    EXPECT_EQ(dev.mode(kMtkBypass), 0644u);
    EXPECT_EQ(dev.read(kMtkCmd), "0 0");
}

TEST(BypassChargingE2e, UnreadableScanPathIsStillFound) {
    SimDevice dev("snapdragon");
    dev.chmod(kQcomSuspend, 0000);
    auto r = dev.run({"--bypass", "test"}, kShellUid);
    EXPECT_EQ(r.lines(), (Lines{
        "[INFO] Scanning for charging test paths...",
        "Found: " + kQcomSuspend,
        "    Current value: N/A",
        "[INFO] Found 1 bypass charging paths",
    }));
}

// The state is shown as given, before the usage and again by the front end.
TEST(ChargingE2e, InvalidStatesAreReportedTwiceAroundTheUsage) {
    SimDevice dev("mtk_dimensity");
    for (const auto& [command, usage] : {std::pair{"--bypass", kBypassUsage}, std::pair{"--fast_charge", kFastUsage}}) {
        for (const std::string state : {"yes", ""}) {
            SCOPED_TRACE(command + (" " + state));
            auto r = dev.run({command, state});
            EXPECT_EQ(r.lines(), invalid_state_lines(state, usage));
            EXPECT_EQ(r.err, "");
        }
    }
    EXPECT_EQ(dev.read(kMtkBypass), "0");
    EXPECT_EQ(dev.read(kMtkCmd), "0 0");
}

TEST(ChargingE2e, BareDeviceHasNoNodesAndStillSucceeds) {
    SimDevice dev("bare");
    EXPECT_EQ(dev.run({"--bypass", "on"}).lines(),
              (Lines{"[INFO] Enabling Bypass Charging...", "[OK] Bypass Charging Enabled - 0 paths modified"}));
    EXPECT_EQ(dev.run({"--fast_charge", "off"}).lines(),
              (Lines{"[INFO] Disabling Force Fast Charge...", "[OK] Fast Charge Disabled - 0 paths modified"}));
    EXPECT_EQ(dev.run({"--bypass", "test"}).lines(),
              (Lines{"[INFO] Scanning for charging test paths...", "[INFO] Found 0 bypass charging paths"}));
    EXPECT_EQ(dev.run({"--fast_charge", "test"}).lines(),
              (Lines{"[INFO] Scanning for fast charging paths...", "[INFO] Found 0 fast charging paths"}));
    EXPECT_FALSE(dev.exists(kMtkCmd));
    EXPECT_FALSE(dev.exists(kForceFast));
}

TEST(FastChargeE2e, WritesEveryPresentNodeAndLocksIt) {
    SimDevice dev("snapdragon");
    dev.write(kForceFastActive, "0\n");
    auto on = dev.run({"--fast_charge", "On"});
    EXPECT_EQ(on.lines(), (Lines{"[INFO] Enabling Force Fast Charge...", "[OK] Fast Charge Enabled - 2 paths modified"}));
    EXPECT_EQ(dev.read(kForceFast), "1");
    EXPECT_EQ(dev.read(kForceFastActive), "1");
    EXPECT_EQ(dev.mode(kForceFastActive), 0444u);
    EXPECT_EQ(dev.read(kQcomSuspend), "0");  // bypass nodes untouched

    auto off = dev.run({"--fast_charge", "OFF"});
    EXPECT_EQ(off.lines(),
              (Lines{"[INFO] Disabling Force Fast Charge...", "[OK] Fast Charge Disabled - 2 paths modified"}));
    EXPECT_EQ(dev.read(kForceFast), "0");
    EXPECT_EQ(dev.read(kForceFastActive), "0");
    EXPECT_TRUE(dev.calls().empty());
}

TEST(FastChargeE2e, ScanShowsValuesOrNotAvailable) {
    SimDevice dev("snapdragon");
    dev.write(kForceFastActive, " 1 \n", 0000);
    auto r = dev.run({"--fast_charge", "TEST"}, kShellUid);
    EXPECT_EQ(r.lines(), (Lines{
        "[INFO] Scanning for fast charging paths...",
        "Found: " + kForceFast,
        "    Current value: 0",
        "Found: " + kForceFastActive,
        "    Current value: N/A",
        "[INFO] Found 2 fast charging paths",
    }));
    EXPECT_EQ(dev.read(kForceFast), "0");
}

}  // namespace
}  // namespace korvane::e2e
