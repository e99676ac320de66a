// The three setup modes on simulated phones. Each mode's own lines are
// checked in order among the lines of the operations it calls; the first line
// an operation prints shows that it ran and with which argument.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "journal_reads.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kFirst = "/data/user_de/0/com.android.shell/quelix/plugins/korvane/.config/config.json";
const std::string kSecond = "/data/adb/.config/korvane/config.json";
const std::string kGms = "com.google.android.gms";
const std::string kBypassNode = "/sys/class/qcom-battery/input_suspend";
const std::string kFastNode = "/sys/kernel/fast_charge/force_fast_charge";
const std::string kBoostNode = "/proc/sys/walt/sched_boost";  // the 8 Gen 1 keeps WALT there

// Every line of `expected` appears in `lines`, in that order.
void expect_in_order(const Lines& lines, const Lines& expected) {
    auto at = lines.begin();
    for (const std::string& line : expected) {
        auto found = std::find(at, lines.end(), line);
        ASSERT_NE(found, lines.end()) << "missing, or out of order: " << line << "\nin:\n"
                                      << ::testing::PrintToString(lines);
        at = found + 1;
    }
}

// The first lines of the four steps every mode starts with.
Lines first_steps(const std::string& profile) {
    return {"[INFO] Applying " + profile + " System Settings...", "[INFO] Applying " + profile + " Kernel Tweaks...",
            "[INFO] Resetting GPU frequencies...", "[INFO] Resetting CPU frequencies..."};
}

Lines joined(Lines head, const Lines& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

bool has_line(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int count_prefix(const Lines& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

bool called(const SimDevice& dev, const Call& call) {
    auto calls = dev.calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(AutoSetupE2e, GameModeWithoutConfiguration) {
    SimDevice dev("snapdragon");
    auto r = dev.run({"--auto_setup", "gamemode"});
    auto lines = r.lines();
    expect_in_order(lines, joined({"[INFO] Starting auto setup for gamemode...",
                                   "[INFO] No valid config found, using defaults",
                                   "[INFO] Applying Game Mode optimizations..."},
                                  joined(first_steps("Performance"),
                                         {"[INFO] Reverting GMS Doze...", "[INFO] Disabling Bypass Charging...",
                                          "[INFO] Disabling Force Fast Charge...",
                                          "[INFO] Downscaling skipped: no positive scale configured"})));
    EXPECT_EQ(lines.back(), "[OK] Game Mode setup completed");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count_prefix(lines, "[ERROR]"), 0);
    EXPECT_FALSE(has_line(lines, "[INFO] Cleaning RAM..."));
    EXPECT_FALSE(has_line(lines, "[INFO] Applying SurfaceFlinger Optimization..."));

    EXPECT_EQ(dev.read(kBoostNode), "1");
    EXPECT_EQ(dev.read(kBypassNode), "0");
    EXPECT_EQ(dev.read(kFastNode), "0");
    EXPECT_EQ(dev.appop(kGms, "RUN_IN_BACKGROUND"), "allow");
    EXPECT_TRUE(dev.doze(kGms).system_listed);
    // No scale: downscaling looks for no game and touches none.
    EXPECT_FALSE(called(dev, {"dumpsys", "game"}));
    EXPECT_TRUE(dev.calls_of("am").empty());
    EXPECT_TRUE(dev.calls_of("setprop").empty());
}

TEST(AutoSetupE2e, GameModeWithEverySwitchOn) {
    SimDevice dev("snapdragon");
    dev.write(kFirst, R"({
        "utility_tool": {"gms_auto": true, "clear_ram": true, "surface_flinger": true},
        "battery_saving": {"bypass_charging": true, "fast_charge": true},
        "downscaling": {"scale": 0.7}
    })");
    auto lines = dev.run({"--auto_setup", "gamemode"}).lines();
    expect_in_order(lines, {
        "[INFO] Loaded config from " + kFirst,
        "[INFO] Applying Game Mode optimizations...",
        "[INFO] Resetting CPU frequencies...",
        "[INFO] Cleaning RAM...",
        "[INFO] Enabling GMS Doze...",
        "[INFO] Enabling Bypass Charging...",
        "[INFO] Enabling Force Fast Charge...",
        "[INFO] Applying downscaling factor 0.7...",
        "[OK] Downscaling (0.7x) applied to 4 games",  // Android 14 refuses com.tencent.ig mode 2
        "[INFO] Applying SurfaceFlinger Optimization...",
    });
    EXPECT_EQ(lines.back(), "[OK] Game Mode setup completed");
    EXPECT_FALSE(has_line(lines, "[INFO] Reverting GMS Doze..."));

    EXPECT_EQ(dev.read("/proc/sys/vm/drop_caches"), "3");
    EXPECT_EQ(dev.read(kBypassNode), "1");
    EXPECT_EQ(dev.read(kFastNode), "1");
    EXPECT_EQ(dev.appop(kGms, "RUN_IN_BACKGROUND"), "deny");
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.ig"), "mode=2,downscaleFactor=0.7");
    EXPECT_FALSE(dev.calls_of("setprop").empty());
}

// The game mode switches do not steer normalmode; an integer 1 resets.
TEST(AutoSetupE2e, NormalModeOrderAndTheResetAtScaleOne) {
    SimDevice dev("snapdragon");
    dev.write(kSecond, R"({"utility_tool": [true, true, false],
        "battery_saving": {"bypass_charging": true, "fast_charge": true}, "downscaling": {"scale": 1}})");
    auto lines = dev.run({"--auto_setup", "normalmode"}).lines();
    expect_in_order(lines, joined({"[INFO] Loaded config from " + kSecond, "[INFO] Applying Normal Mode optimizations..."},
                                  joined(first_steps("Balanced"),
                                         {"[INFO] Disabling Bypass Charging...", "[INFO] Reverting GMS Doze...",
                                          "[INFO] Resetting downscaling...",
                                          "[OK] Downscaling reset for 5 games (scale = 1.0)",
                                          "[INFO] Enabling Force Fast Charge..."})));
    EXPECT_EQ(lines.back(), "[OK] Normal Mode setup completed");
    EXPECT_FALSE(has_line(lines, "[INFO] Cleaning RAM..."));
    EXPECT_FALSE(has_line(lines, "[INFO] Applying SurfaceFlinger Optimization..."));
    EXPECT_EQ(dev.read(kBypassNode), "0");
    EXPECT_EQ(dev.read(kFastNode), "1");
    EXPECT_TRUE(called(dev, {"cmd", "game", "reset", "com.tencent.ig"}));
}

// A scale the downscaling refuses is one step error; extra words are ignored.
TEST(AutoSetupE2e, BatteryModeOrderAndARefusedScale) {
    SimDevice dev("snapdragon");
    dev.write(kSecond, R"({"utility_tool": {"gms_auto": false}, "downscaling": {"scale": 2}})");
    auto lines = dev.run({"--auto_setup", "batterymode", "now"}).lines();
    expect_in_order(lines, joined({"[INFO] Starting auto setup for batterymode...",
                                   "[INFO] Applying Battery Mode optimizations..."},
                                  joined(first_steps("Battery"),
                                         {"[INFO] Disabling Bypass Charging...", "[INFO] Enabling GMS Doze...",
                                          "[ERROR] Downscaling: Invalid downscale factor: 2.0",
                                          "[INFO] Disabling Force Fast Charge..."})));
    EXPECT_EQ(lines.back(), "[OK] Battery Mode setup completed");
    EXPECT_EQ(count_prefix(lines, "[ERROR] Downscaling"), 1);
    EXPECT_EQ(dev.read(kBoostNode), "0");
    EXPECT_EQ(dev.appop(kGms, "RUN_IN_BACKGROUND"), "deny");
    EXPECT_FALSE(called(dev, {"dumpsys", "game"}));
}

// The game mode switches are set against batterymode's fixed choices; fast
// charging and SurfaceFlinger follow their switches here too, in that order.
TEST(AutoSetupE2e, BatteryModeFollowsOnlyTheSharedSwitches) {
    SimDevice dev("snapdragon");
    dev.write(kSecond, R"({"utility_tool": {"gms_auto": false, "clear_ram": true, "surface_flinger": true},
        "battery_saving": {"bypass_charging": true, "fast_charge": true}})");
    auto lines = dev.run({"--auto_setup", "batterymode"}).lines();
    expect_in_order(lines, {"[INFO] Disabling Bypass Charging...", "[INFO] Enabling GMS Doze...",
                            "[INFO] Downscaling skipped: no positive scale configured",
                            "[INFO] Enabling Force Fast Charge...", "[INFO] Applying SurfaceFlinger Optimization...",
                            "[OK] Battery Mode setup completed"});
    EXPECT_FALSE(has_line(lines, "[INFO] Cleaning RAM..."));
    EXPECT_EQ(count_prefix(lines, "[ERROR]"), 0);
    EXPECT_EQ(dev.read(kBypassNode), "0");
    EXPECT_EQ(dev.read(kFastNode), "1");
}

TEST(AutoSetupE2e, TheDownscalingStepFollowsTheScale) {
    struct Case {
        const char* scale;
        Lines expected;
        const char* factor;  // stored for the first game; nullptr: untouched
    };
    const Case cases[] = {
        {"0", {"[INFO] Downscaling skipped: no positive scale configured"}, nullptr},
        {"-0.5", {"[INFO] Downscaling skipped: no positive scale configured"}, nullptr},
        {"0.25", {"[INFO] Applying downscaling factor 0.2...", "[OK] Downscaling (0.2x) applied to 4 games"}, "0.2"},
        {"1.0000001",
         {"[INFO] Scale factor is 1.0, triggering downscale reset...", "[OK] Downscaling (1.0x) applied to 5 games"},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        SimDevice dev("snapdragon");
        dev.write(kSecond, std::string(R"({"downscaling": {"scale": )") + c.scale + "}}");
        auto lines = dev.run({"--auto_setup", "batterymode"}).lines();
        Lines expected{"[INFO] Enabling GMS Doze..."};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        expected.push_back("[INFO] Disabling Force Fast Charge...");
        expect_in_order(lines, expected);
        EXPECT_EQ(count_prefix(lines, "[ERROR]"), 0);
        EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.ig"),
                  c.factor ? std::optional<std::string>(std::string("mode=2,downscaleFactor=") + c.factor)
                           : std::nullopt);
    }
}

// On Android 13 the configured scale must be on the release's grid; doze
// then applies to Play services, and an accepted scale to every game.
TEST(AutoSetupE2e, GameModeOnAndroid13) {
    struct Case {
        const char* scale;
        Lines expected;
        std::optional<std::string> downscale;  // in force for a game afterwards
    };
    const Case cases[] = {
        {"0.5", {"[INFO] Applying downscaling factor 0.5...", "[OK] Downscaling (0.5x) applied to 5 games"}, "0.5"},
        {"0.2",
         {"[ERROR] Invalid downscale factor: 0.2. Android 12 and 13 take 0.3 to 0.9 in steps of 0.05",
          "[ERROR] Downscaling: Invalid downscale factor: 0.2"},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        SimDevice dev("mtk_dimensity");
        dev.write(kFirst, std::string(R"({"utility_tool": {"gms_auto": true}, "downscaling": {"scale": )") + c.scale +
                              "}}");
        auto lines = dev.run({"--auto_setup", "gamemode"}).lines();
        expect_in_order(lines, joined(joined({"[INFO] Enabling GMS Doze...", "[OK] GMS Doze enabled"}, c.expected),
                                      {"[OK] Game Mode setup completed"}));
        EXPECT_TRUE(dev.doze(kGms).applies);
        EXPECT_EQ(dev.game_state("com.mobile.legends").downscale, c.downscale);
    }
}

// Each failing step prints one line and the steps after it still run.
TEST(AutoSetupE2e, FailedStepsNeverStopTheSequence) {
    SimDevice dev("bare");  // no GPU interface
    dev.write(kFirst, R"({"downscaling": {"scale": 1.0}, "utility_tool": {"surface_flinger": false}})");
    dev.fail_tool("settings", 1, "settings: store is read-only\n", {.args_contain = "put global"});
    dev.fail_tool("dumpsys", 1, "dumpsys: no service\n");
    auto lines = dev.run({"--auto_setup", "gamemode"}).lines();
    expect_in_order(lines, {
        "[INFO] Applying Game Mode optimizations...",
        "[INFO] Applying Performance Kernel Tweaks...",
        "[ERROR] GPU reset: No GPU detected",
        "[INFO] Resetting CPU frequencies...",
        "[INFO] Reverting GMS Doze...",
        "[INFO] Disabling Bypass Charging...",
        "[INFO] Disabling Force Fast Charge...",
        "[ERROR] Downscaling reset: Command failed: dumpsys game: dumpsys: no service",
    });
    EXPECT_EQ(count_prefix(lines, "[ERROR] System settings: Command failed: settings put global "), 1);
    EXPECT_EQ(count_prefix(lines, "[ERROR] GPU reset: "), 1);
    EXPECT_EQ(lines.back(), "[OK] Game Mode setup completed");
}

TEST(AutoSetupE2e, OnlyTheExactModeWordsAreKnown) {
    for (const std::string word : {"Gamemode", "gameMode", "game"}) {
        SimDevice dev("snapdragon");
        auto r = dev.run({"--auto_setup", word});
        EXPECT_EQ(r.lines(), (Lines{"[INFO] Starting auto setup for " + word + "...",
                                    "[INFO] No valid config found, using defaults", "[ERROR] Unknown mode: " + word,
                                    "[INFO] Available modes: gamemode, normalmode, batterymode"}));
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(dev.calls().empty());
    }
}

}  // namespace
}  // namespace korvane::e2e
