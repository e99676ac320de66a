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
    EXPECT_EQ(on.lines(), (Lines{"[INFO] Enabling Bypass Charging...", "[OK] Bypass Charging Enabled - 2 paths modified",
                                 "[OK] Bypass active: the charger powers the phone and the battery is idle (-9 mA)"}));
    EXPECT_EQ(on.err, "");
    EXPECT_EQ(dev.read(kMtkBypass), "1");
    EXPECT_EQ(dev.mode(kMtkBypass), 0444u);
    // The command node takes a plain write: its mode stays as it was.
    EXPECT_EQ(dev.read(kMtkCmd), "0 1");
    EXPECT_EQ(dev.mode(kMtkCmd), 0644u);

    auto off = dev.run({"--bypass", "off"});
    EXPECT_EQ(off.lines(),
              (Lines{"[INFO] Disabling Bypass Charging...", "[OK] Bypass Charging Disabled - 2 paths modified",
                     "[OK] Charging resumed (2100 mA)"}));
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
        EXPECT_EQ(r.lines().at(1), end);
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
    EXPECT_EQ(off.lines().at(1), "[OK] Bypass Charging Disabled - 2 paths modified");
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
        std::string verdict;   // what the battery current showed, last
    };
    const std::string refused = ": Is a directory (os error 21)";
    const Case cases[] = {
        {"--bypass", kInputSuspend,
         "[WARN] Failed to write 1 to " + kInputSuspend + ": Failed to write to " + kInputSuspend + refused,
         {"[INFO] Enabling Bypass Charging...", "[OK] Bypass Charging Enabled - 1 paths modified"}, kQcomSuspend,
         "[WARN] Charging stopped by cutting the charger input: the phone runs on its battery (-520 mA)"},
        {"--fast_charge", kBatteryFast,
         "[WARN] Failed to write to " + kBatteryFast + ": Failed to write to " + kBatteryFast + refused,
         {"[INFO] Enabling Force Fast Charge...", "[OK] Fast Charge Enabled - 1 paths modified"}, kForceFast},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        SimDevice dev("snapdragon");
        dev.mkdir(c.refusing);
        auto r = dev.run({c.command, "on"});
        Lines expected = {c.done[0], c.warning, c.done[1]};
        if (!c.verdict.empty()) expected.push_back(c.verdict);
        EXPECT_EQ(r.lines(), expected);
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
        "[OK] Bypass active: the charger powers the phone and the battery is idle (-9 mA)",
    }));
    EXPECT_EQ(dev.read(kMtkBypass), "1");
    EXPECT_EQ(dev.read(kMtkCmd), "0 0");
    EXPECT_TRUE(dev.calls_of("sh").empty());
}

TEST(BypassChargingE2e, ScanListsNodesInTableOrderAndWritesNothing) {
    SimDevice dev("mtk_dimensity");
    dev.write(kMmiEnable, "1\n");
    dev.set_charger(false);
    auto r = dev.run({"--bypass", "TEST"});
    EXPECT_EQ(r.lines(), (Lines{
        "[INFO] Scanning for charging test paths...",
        "Found: " + kMmiEnable,
        "    Current value: 1",
        "    Kind: depends on the driver",
        "Found: " + kMtkBypass,
        "    Current value: 0",
        "    Kind: bypass",
        "Found: " + kMtkCmd,
        "    Current value: 0 0",
        "    Kind: bypass",
        "[INFO] Found 3 bypass charging paths",
        "[INFO] Connect a charger to test each switch",
    }));
    EXPECT_EQ(dev.read(kMtkBypass), "0");
    EXPECT_EQ(dev.mode(kMtkBypass), 0644u);
    EXPECT_EQ(dev.read(kMtkCmd), "0 0");
}

TEST(BypassChargingE2e, UnreadableScanPathIsStillFound) {
    SimDevice dev("snapdragon");
    dev.chmod(kQcomSuspend, 0000);
    dev.set_charger(false);
    auto r = dev.run({"--bypass", "test"}, kShellUid);
    EXPECT_EQ(r.lines(), (Lines{
        "[INFO] Scanning for charging test paths...",
        "Found: " + kQcomSuspend,
        "    Current value: N/A",
        "    Kind: input cut",
        "[INFO] Found 1 bypass charging paths",
        "[INFO] Connect a charger to test each switch",
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
              (Lines{"[INFO] Enabling Bypass Charging...", "[OK] Bypass Charging Enabled - 0 paths modified",
                     "[INFO] No charger is connected: the switches are set, and the effect shows once one is"}));
    EXPECT_EQ(dev.run({"--fast_charge", "off"}).lines(),
              (Lines{"[INFO] Disabling Force Fast Charge...", "[OK] Fast Charge Disabled - 0 paths modified"}));
    EXPECT_EQ(dev.run({"--bypass", "test"}).lines(),
              (Lines{"[INFO] Scanning for charging test paths...", "[INFO] Found 0 bypass charging paths"}));
    EXPECT_EQ(dev.run({"--fast_charge", "test"}).lines(),
              (Lines{"[INFO] Scanning for fast charging paths...", "[INFO] Found 0 fast charging paths"}));
    EXPECT_FALSE(dev.exists(kMtkCmd));
    EXPECT_FALSE(dev.exists(kForceFast));
}

// What each phone's charger really did after a switch, judged by its battery
// current. A step's args "replug" plugs the charger in again instead, "unplug"
// pulls it, "use" sets the charger's use (sim/run --charger-use), and
// "vendor" PATH VALUE is a vendor service's write.
struct VerdictStep {
    std::vector<std::string> args;
    Lines tail;                 // the run's last lines
    int status = 0;             // its exit status
};
// A refusal (errno) or a signal at an open for writing of a node.
struct WriteFault {
    int error, signal;
    NodeWriteWhen when;
};
struct VerdictRow {
    const char* name;
    const char* profile;
    bool charger;
    std::vector<VerdictStep> steps;
    std::vector<std::pair<std::string, std::string>> writes;  // node and content before the runs ("": removed)
    std::string effect;      // what sim/diff says the switch does, or empty
    std::vector<WriteFault> faults = {};
    std::vector<std::pair<std::string, std::string>> after = {};  // node and content after the runs
};

const std::string kBatterySuspend = "/sys/class/power_supply/battery/input_suspend";
const std::string kBatteryChargingEnabled = "/sys/class/power_supply/battery/battery_charging_enabled";
const std::string kProven = "/data/adb/korvane/charging";
const std::string kIdle = "[OK] Bypass active: the charger powers the phone and the battery is idle (";
const std::string kCut = "[WARN] Charging stopped by cutting the charger input: the phone runs on its battery (";
const std::string kNoCharger = "[INFO] No charger is connected: the switches are set, and the effect shows once one is";
const std::string kOnlyCut = "[WARN] This phone can only cut the charger input: it will run on its battery while bypass is on";
const std::string kNotCharging = "[INFO] The phone is not charging now (";
const std::string kCannotTest = "): korvane can only tell what a switch does while the phone charges";
const std::string kSetUntilCharging = "): the switches are set, and their effect shows once it charges";
const std::string kGkiTest = "[INFO] Testing " + kQcomSuspend + " (input cut)...";

const VerdictRow kVerdicts[] = {
    // MediaTek: current_cmd, applied on the charger thread's loop
    {"bypass_proven", "mtk_legacy", true, {{{"--bypass", "on"}, {"[OK] Bypass Charging Enabled - 1 paths modified", kIdle + "-4 mA)"}}},
     {}, "charger " + kMtkCmd + ": bypass: battery idle"},
    // the GKI baseline's online read is the firmware's third open: it fails once and is read again
    {"input_cut_only", "snapdragon_gki", true, {{{"--bypass", "on"}, {kCut + "-610 mA)"}}},
     {}, "charger " + kQcomSuspend + ": input cut: discharging"},
    {"no_switch", "qc_hmp", true,
     {{{"--bypass", "on"}, {"[WARN] The phone still charges: it has no charger switch that korvane knows (1800 mA)"}}}},
    // Pixel 6: google_charger has no switch korvane knows
    {"pixel_no_switch", "mali", true,
     {{{"--bypass", "on"}, {"[OK] Bypass Charging Enabled - 0 paths modified",
                            "[WARN] The phone still charges: it has no charger switch that korvane knows (2300 mA)"}}}},
    {"no_charger", "mtk_legacy", false,
     {{{"--bypass", "on"}, {"[OK] Bypass Charging Enabled - 1 paths modified", kNoCharger}},
      {{"--bypass", "off"}, {"[OK] Bypass Charging Disabled - 1 paths modified",
                             "[INFO] No charger is connected: charging resumes once one is"}}}},
    {"no_charger_cut_only", "snapdragon_gki", false,
     {{{"--bypass", "on"}, {kOnlyCut, "[OK] Bypass Charging Enabled - 1 paths modified", kNoCharger}}}},
    // Xiaomi: positive while discharging
    {"inverted_sign", "snapdragon", true,
     {{{"--bypass", "on"}, {kCut + "-520 mA)"}}, {{"--bypass", "off"}, {"[OK] Charging resumed (2400 mA)"}}}},
    // Samsung: current_now in mA, batt_current_ua_now in µA
    {"milliamp_unit", "mtk_legacy", true,
     {{{"--bypass", "on"}, {kIdle + "-4 mA)"}}, {{"--bypass", "off"}, {"[OK] Charging resumed (1500 mA)"}}}},
    // MediaTek: status changes on the 10 s loop only; the current is live
    {"cached_status", "mtk_dimensity", true, {{{"--bypass", "on"}, {kIdle + "-9 mA)"}}}},
    // OnePlus 8 Pro: its input cut is a vote that clears; a cut is never remembered as bypass
    {"input_cut_vote", "qc_walt4", true,
     {{{"--bypass", "test"},
       {"[INFO] Testing " + kBatterySuspend + " (input cut)...", "[INFO] " + kBatterySuspend + ": input cut (-480 mA)"}},
      {{"--bypass", "off"}, {"[OK] Charging resumed (2200 mA)"}}},
     {}, "", {}, {{kProven, ""}}},
    // the test proves current_cmd and not the ignored node: on writes it alone.
    // current_cmd settles after 6 s, late but within the 10 s stop window
    {"test_then_on", "mtk_legacy", true,
     {{{"--bypass", "test"},
       {"[INFO] Testing " + kBatteryChargingEnabled + " (bypass)...", "[INFO] " + kBatteryChargingEnabled + ": no effect (1500 mA)",
        "[INFO] Testing " + kMtkCmd + " (bypass)...", "[INFO] " + kMtkCmd + ": bypass (-4 mA)"}},
      {{"--bypass", "on"}, {"[OK] Bypass Charging Enabled - 1 paths modified", kIdle + "-4 mA)"}}},
     {{kBatteryChargingEnabled, "1"}},  // a bypass-kind node no driver of this phone reads
     "", {}, {{kProven, kMtkCmd + "\n"}, {kBatteryChargingEnabled, "1"}}},
    // bypass left on: the switches go back to normal first, so each test can resume
    {"test_while_on", "mtk_legacy", true,
     {{{"--bypass", "on"}, {kIdle + "-4 mA)"}},
      {{"--bypass", "test"},
       {"[INFO] Bypass is on: every switch goes back to its normal value before the test",
        "[INFO] Testing " + kBatteryChargingEnabled + " (bypass)...", "[INFO] " + kBatteryChargingEnabled + ": no effect (1500 mA)",
        "[INFO] Testing " + kMtkCmd + " (bypass)...", "[INFO] " + kMtkCmd + ": bypass (-4 mA)"}}},
     {{kBatteryChargingEnabled, "1"}}},
    // Pixel without a readable current: the status alone, and it can be wrong there
    {"status_only", "mali", true,
     {{{"--bypass", "on"},
       {"[WARN] The phone still charges: it has no charger switch that korvane knows "
        "(from the charging status only; it can be wrong on this phone)"}}},
     {{"/sys/class/power_supply/battery/current_now", ""}}},
    // Transsion's switch is reset when the cable is pulled; the command node stays
    {"pull_clears", "mtk_dimensity", true,
     {{{"--bypass", "on"}, {kIdle + "-9 mA)"}},
      {{"unplug"}, {}},
      {{"--bypass", "test"},
       {"Found: " + kMtkBypass, "    Current value: 0", "    Kind: bypass", "Found: " + kMtkCmd, "    Current value: 0 1",
        "    Kind: bypass", "[INFO] Found 2 bypass charging paths", "[INFO] Connect a charger to test each switch"}}}},
    // a full battery: nothing to judge by, and the switches proven before stay known
    {"full_battery", "mtk_dimensity", true,
     {{{"--bypass", "on"}, {kNotCharging + "Full, -9 mA" + kSetUntilCharging}},
      {{"--bypass", "test"}, {kNotCharging + "Full, -9 mA" + kCannotTest}},
      {{"--bypass", "off"}, {"[OK] Bypass Charging Disabled - 2 paths modified", kNotCharging + "Full, -9 mA)"}}},
     {{"/sys/class/power_supply/battery/capacity", "100"}, {kProven, kMtkCmd + "\n"}}, "", {}, {{kProven, kMtkCmd + "\n"}}},
    // a vendor's charge hold at 80 %: "Not charging" on the charger, and off asks for no replug
    {"vendor_hold", "mtk_legacy", true,
     {{{"use", "0+hold"}, {}},
      {{"--bypass", "test"}, {kNotCharging + "Not charging, -4 mA" + kCannotTest}},
      {{"--bypass", "off"}, {"[OK] Bypass Charging Disabled - 1 paths modified", kNotCharging + "Not charging, -4 mA)"}}},
     {{"/sys/class/power_supply/battery/capacity", "80"}}},
    // a game draws more than the charger gives: the discharge teaches no sign, and the
    // only switch, a cut, is set without a verdict it cannot back
    {"load_above_charger", "snapdragon_gki", true,
     {{{"use", "3310"}, {}},
      {{"--bypass", "on"}, {kOnlyCut, "[OK] Bypass Charging Enabled - 1 paths modified",
                            kNotCharging + "Discharging, -610 mA" + kSetUntilCharging}},
      {{"--bypass", "test"}, {"[INFO] Bypass is on: every switch goes back to its normal value before the test",
                              kNotCharging + "Discharging, -610 mA" + kCannotTest}}}},
    {"load_inverted_sign", "snapdragon", true,
     {{{"use", "3000"}, {}}, {{"--bypass", "test"}, {kNotCharging + "Discharging, 600 mA" + kCannotTest}}}},
    // GKI without usb/present: under korvane's own cut nothing shows the cable,
    // so the phone counts as plugged in until shown otherwise
    {"own_cut_hides_cable", "snapdragon_gki", true,
     {{{"--bypass", "on"}, {kCut + "-610 mA)"}},
      {{"--bypass", "test"}, {"[INFO] Bypass is on: every switch goes back to its normal value before the test",
                              kGkiTest, "[INFO] " + kQcomSuspend + ": input cut (-610 mA)"}},
      {{"--bypass", "on"}, {kCut + "-610 mA)"}},
      {{"--bypass", "on"}, {kNotCharging + "Discharging, -610 mA" + kSetUntilCharging}},  // off still waits
      {{"--bypass", "off"}, {"[OK] Bypass Charging Disabled - 1 paths modified", "[OK] Charging resumed (2700 mA)"}}},
     {}, "", {}, {{kProven, ""}, {kQcomSuspend, "0"}}},
    // a refused release is tried again ...
    {"release_refused_once", "snapdragon_gki", true,
     {{{"--bypass", "test"}, {kGkiTest, "[INFO] " + kQcomSuspend + ": input cut (-610 mA)"}}},
     {}, "", {{5, 0, {.on_call = 2, .path_contains = "input_suspend"}}}, {{kQcomSuspend, "0"}}},
    // ... and named when it still fails: the phone is left cut
    {"release_refused", "snapdragon_gki", true,
     {{{"--bypass", "test"},
       {kGkiTest, "[ERROR] " + kQcomSuspend + " is still at its bypass value: Failed to write to " + kQcomSuspend +
                      ": Input/output error (os error 5)"}}},
     {}, "", {{5, 0, {.on_call = 2, .path_contains = "input_suspend", .and_after = true}}}, {{kQcomSuspend, "1"}}},
    // a switch whose bypass write is refused is not tested, and not waited for
    {"enable_refused", "snapdragon_gki", true,
     {{{"--bypass", "test"}, {kGkiTest, "[WARN] " + kQcomSuspend + ": not tested: Failed to write to " + kQcomSuspend +
                                            ": Input/output error (os error 5)"}}},
     {{kProven, kQcomSuspend + "\n"}}, "", {{5, 0, {.on_call = 1, .path_contains = "input_suspend"}}},
     {{kQcomSuspend, "0"}, {kProven, kQcomSuspend + "\n"}}},
    // interrupted with the switch on (SIGINT as the bypass write opens the node,
    // SIGTERM as the release does; SIGHUP alike): the switch goes back before korvane ends
    {"interrupted_at_enable", "snapdragon_gki", true,
     {{{"--bypass", "test"}, {kGkiTest, "[INFO] Interrupted: " + kQcomSuspend + " is back at its normal value"}, 128 + 2}},
     {}, "", {{0, 2, {.on_call = 1, .path_contains = "input_suspend"}}}, {{kQcomSuspend, "0"}}},
    {"interrupted_at_release", "mtk_legacy", true,
     {{{"--bypass", "test"}, {"[INFO] Testing " + kMtkCmd + " (bypass)...",
                              "[INFO] Interrupted: " + kMtkCmd + " is back at its normal value"}, 128 + 15}},
     {}, "", {{0, 15, {.on_call = 2, .path_contains = "current_cmd"}}}, {{kMtkCmd, "0 0"}}},
    // current_cmd reads back the numbers last written: a plain value to status and undo
    {"command_node_undo", "mtk_legacy", true,
     {{{"--bypass", "on"}, {kIdle + "-4 mA)"}},
      {{"vendor", kMtkCmd, "0 0"}, {}},
      {{"--status"}, {"[WARN] " + kMtkCmd + ": now 0 0; korvane set 0 1 (was 1 0): changed since by something else",
                      "[OK] 0 of korvane's changes in force, 1 changed since by something else, 0 reset by a reboot"}},
      {{"--restore"}, {"[OK] Restored 1 of 1 changes"}}},
     {{kMtkCmd, "1 0"}}, "", {}, {{kMtkCmd, "1 0"}}},
};

class BypassVerdictE2e : public ::testing::TestWithParam<VerdictRow> {};

TEST_P(BypassVerdictE2e, SaysWhatTheBatteryCurrentShowed) {
    const VerdictRow& row = GetParam();
    SimDevice dev(row.profile);
    for (const auto& [node, content] : row.writes) {
        if (content.empty()) {
            dev.remove(node);
        } else {
            dev.write(node, content);
        }
    }
    for (const WriteFault& fault : row.faults) {
        if (fault.error != 0) dev.fail_node_write(fault.error, fault.when);
        if (fault.signal != 0) dev.kill_on_node_write(fault.signal, fault.when);
    }
    dev.set_charger(row.charger);
    for (const VerdictStep& step : row.steps) {
        if (step.args[0] == "replug" || step.args[0] == "unplug") {
            dev.set_charger(step.args[0] == "replug");
            continue;
        }
        if (step.args[0] == "vendor") {
            EXPECT_EQ(dev.vendor_write(step.args[1], step.args[2]).status, 0);
            continue;
        }
        if (step.args[0] == "use") {
            const std::string& use = step.args[1];
            dev.set_charger_use(std::stoi(use), use.ends_with("+hold"));
            continue;
        }
        RunResult r = dev.run(step.args);
        Lines lines = r.lines();
        ASSERT_GE(lines.size(), step.tail.size()) << ::testing::PrintToString(lines);
        EXPECT_EQ(Lines(lines.end() - static_cast<long>(step.tail.size()), lines.end()), step.tail)
            << ::testing::PrintToString(lines);
        EXPECT_EQ(r.status, step.status) << r.err;
    }
    if (!row.effect.empty()) {
        EXPECT_NE(dev.diff().find(row.effect), std::string::npos) << dev.diff();
    }
    for (const auto& [node, content] : row.after) {
        EXPECT_EQ(dev.read(node), content) << node;
    }
    if (std::string(row.name) == "test_then_on") {
        EXPECT_EQ(dev.mode(kProven), 0600u);
    }
}

INSTANTIATE_TEST_SUITE_P(Phones, BypassVerdictE2e, ::testing::ValuesIn(kVerdicts),
                         [](const auto& info) { return std::string(info.param.name); });

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
