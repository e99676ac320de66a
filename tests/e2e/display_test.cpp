#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

// The games of the stock profiles, in listing order; com.tencent.ig is named
// in the game dump only inside com.tencent.iglite.
const Lines kGames{"com.tencent.ig", "com.mobile.legends", "com.miHoYo.GenshinImpact", "com.tencent.iglite",
                   "com.supercell.clashofclans"};

const Call kGameDump{"dumpsys", "game"};
const Call kListing{"cmd", "package", "list", "packages"};
const Call kSdkQuery{"getprop", "ro.build.version.sdk"};

std::vector<Call> with_fetches(const std::vector<Call>& before, const std::vector<Call>& per_game_calls) {
    std::vector<Call> calls = before;
    calls.push_back(kGameDump);
    calls.push_back(kListing);
    calls.insert(calls.end(), per_game_calls.begin(), per_game_calls.end());
    return calls;
}

// ---- Downscaling ----

TEST(Downscaling, AppliesTheFactorTextToEveryGameInListingOrder) {
    SimDevice dev("snapdragon");
    auto r = dev.run({"--downscales", "0.999999"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying downscaling factor 0.999999...",
                                "[OK] Downscaling factor 0.999999 applied to 5 games"}));
    std::vector<Call> per_game;
    for (const std::string& game : kGames) {
        per_game.push_back({"cmd", "device_config", "put", "game_overlay", game, "mode=2,downscaleFactor=0.999999"});
        per_game.push_back({"cmd", "game", "mode", "2", game});
        EXPECT_EQ(dev.game_mode(game), "2") << game;
    }
    EXPECT_EQ(dev.calls(), with_fetches({}, per_game));
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.ig"), "mode=2,downscaleFactor=0.999999");
    EXPECT_EQ(dev.device_config("game_overlay", "com.whatsapp"), std::nullopt);
}

TEST(Downscaling, FactorOneResetsWhatAnEarlierFactorApplied) {
    SimDevice dev("snapdragon");
    (void)dev.run({"--downscales", "+5e-1"});
    ASSERT_EQ(dev.device_config("game_overlay", "com.mobile.legends"), "mode=2,downscaleFactor=+5e-1");
    dev.clear_calls();
    auto r = dev.run({"--downscales", "1.0"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Scale factor is 1.0, triggering downscale reset...",
                                "[INFO] Resetting downscaling...", "[OK] Downscaling reset for 5 games"}));
    std::vector<Call> per_game;
    for (const std::string& game : kGames) {
        per_game.push_back({"cmd", "device_config", "delete", "game_overlay", game});
        per_game.push_back({"cmd", "game", "reset", game});
        EXPECT_EQ(dev.game_mode(game), std::nullopt) << game;
        EXPECT_EQ(dev.device_config("game_overlay", game), std::nullopt) << game;
    }
    EXPECT_EQ(dev.calls(), with_fetches({}, per_game));
}

TEST(Downscaling, InvalidFactorIsRefusedBeforeAnyToolRuns) {
    SimDevice dev("snapdragon");
    for (const char* factor : {"abc", "0.0", "0.5,fps=1"}) {
        const std::string refusal = std::string("[ERROR] Invalid downscale factor: ") + factor;
        EXPECT_EQ(dev.run({"--downscales", factor}).lines(),
                  (Lines{refusal + ". Use a number from 0.1 to 1.0", refusal}));
    }
    EXPECT_EQ(dev.calls(), std::vector<Call>{});
}

TEST(Downscaling, NoGamesAndOddListingLines) {
    SimDevice dev("snapdragon");
    dev.set_packages({" ", "com.whatsapp", "  com.mobile.legends  "});
    auto r = dev.run({"--downscales", "0.5"});
    EXPECT_EQ(r.lines().back(), "[OK] Downscaling factor 0.5 applied to 1 games");
    EXPECT_EQ(dev.calls_of("cmd").at(1), (Call{"cmd", "device_config", "put", "game_overlay", "com.mobile.legends",
                                               "mode=2,downscaleFactor=0.5"}));
    dev.set_dumpsys("game", "");
    EXPECT_EQ(dev.run({"--downscales", "0.5"}).lines().back(), "[OK] Downscaling factor 0.5 applied to 0 games");
    EXPECT_EQ(dev.run({"--reset_downscale"}).lines(),
              (Lines{"[INFO] Resetting downscaling...", "[OK] Downscaling reset for 0 games"}));
}

TEST(Downscaling, FailedFetchStopsWithTheRunnerError) {
    SimDevice dev("snapdragon");
    dev.fail_tool("dumpsys", 3, "no game service", {.args_contain = "game"});
    EXPECT_EQ(dev.run({"--downscales", "0.7"}).lines(),
              (Lines{"[INFO] Applying downscaling factor 0.7...",
                     "[ERROR] Command failed: dumpsys game: no game service"}));
    EXPECT_EQ(dev.calls(), (std::vector<Call>{kGameDump}));

    SimDevice listing_fails("snapdragon");
    listing_fails.fail_tool("cmd", 1, "no package service", {.args_contain = "package list"});
    EXPECT_EQ(listing_fails.run({"--reset_downscale"}).lines(),
              (Lines{"[INFO] Resetting downscaling...",
                     "[ERROR] Command failed: cmd package list packages: no package service"}));
    EXPECT_EQ(listing_fails.calls(), (std::vector<Call>{kGameDump, kListing}));
}

TEST(Downscaling, PerGameFailuresAreSilentAndStillCounted) {
    SimDevice dev("snapdragon");
    dev.fail_tool("cmd", 1, "refused", {.args_contain = "game_overlay"});
    EXPECT_EQ(dev.run({"--downscales", "0.7"}).lines().back(), "[OK] Downscaling factor 0.7 applied to 5 games");
    EXPECT_EQ(dev.game_mode("com.supercell.clashofclans"), "2");
}

// ---- Frame-rate caps ----

TEST(FpsLimit, OverlayRouteFromReleaseThirtyOne) {
    SimDevice dev("snapdragon");  // release level 34
    auto r = dev.run({"--fps_limit", "90"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Setting FPS limit to 90...", "[OK] FPS limit set to 90"}));
    std::vector<Call> per_game;
    for (const std::string& game : kGames) {
        per_game.push_back({"cmd", "device_config", "put", "game_overlay", game, "fps=90"});
    }
    EXPECT_EQ(dev.calls(), with_fetches({kSdkQuery}, per_game));
}

TEST(FpsLimit, SettingsRouteUpToReleaseThirtyAndForAnUnreadableLevel) {
    SimDevice dev("mtk_legacy");  // release level 28
    EXPECT_EQ(dev.run({"--fps_limit", "+60"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 60...", "[OK] FPS limit set to 60"}));
    EXPECT_EQ(dev.calls(), (std::vector<Call>{kSdkQuery,
                                              {"settings", "put", "system", "peak_refresh_rate", "60"},
                                              {"settings", "put", "system", "min_refresh_rate", "60"}}));
    EXPECT_EQ(dev.setting("system", "peak_refresh_rate"), "60");
    EXPECT_EQ(dev.setting("system", "min_refresh_rate"), "60");
    dev.clear_calls();
    EXPECT_EQ(dev.run({"--reset_fps"}).lines(), (Lines{"[INFO] Resetting FPS limit...", "[OK] FPS limit reset"}));
    EXPECT_EQ(dev.calls(), (std::vector<Call>{kSdkQuery,
                                              {"settings", "delete", "system", "peak_refresh_rate"},
                                              {"settings", "delete", "system", "min_refresh_rate"}}));
    EXPECT_EQ(dev.setting("system", "peak_refresh_rate"), std::nullopt);

    SimDevice odd_level("snapdragon");
    odd_level.set_prop("ro.build.version.sdk", "");
    EXPECT_EQ(odd_level.run({"--fps_limit", "120"}).lines().back(), "[OK] FPS limit set to 120");
    EXPECT_EQ(odd_level.setting("system", "min_refresh_rate"), "120");
}

TEST(FpsLimit, SettingsFailuresWarnThenFail) {
    SimDevice dev("snapdragon");
    dev.set_prop("ro.build.version.sdk", "30");
    dev.fail_tool("settings", 1, "locked");
    EXPECT_EQ(dev.run({"--fps_limit", "60"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 60...",
                     "[WARN] Failed to set peak refresh rate: Command failed: settings put system peak_refresh_rate "
                     "60: locked",
                     "[WARN] Failed to set min refresh rate: Command failed: settings put system min_refresh_rate "
                     "60: locked",
                     "[ERROR] Failed to set FPS limit"}));
    EXPECT_EQ(dev.run({"--reset_fps"}).lines(),
              (Lines{"[INFO] Resetting FPS limit...",
                     "[WARN] Failed to delete peak refresh rate: Command failed: settings delete system "
                     "peak_refresh_rate: locked",
                     "[WARN] Failed to delete min refresh rate: Command failed: settings delete system "
                     "min_refresh_rate: locked",
                     "[ERROR] Failed to reset FPS limit"}));
}

TEST(FpsLimit, OverlayRouteWithoutGamesOrWithAFailedFetchFails) {
    SimDevice dev("mtk_dimensity");  // release level 33
    dev.set_dumpsys("game", "");
    EXPECT_EQ(dev.run({"--fps_limit", "60"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 60...", "[ERROR] Failed to set FPS limit"}));

    SimDevice dump_fails("mtk_dimensity");
    dump_fails.fail_tool("dumpsys", 1, "down", {.args_contain = "game"});
    EXPECT_EQ(dump_fails.run({"--fps_limit", "60"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 60...",
                     "[WARN] Failed to get game info: Command failed: dumpsys game: down",
                     "[ERROR] Failed to set FPS limit"}));
    dump_fails.fail_tool("cmd", 1, "down", {.args_contain = "package"});
    EXPECT_EQ(dump_fails.run({"--reset_fps"}).lines(),
              (Lines{"[INFO] Resetting FPS limit...",
                     "[WARN] Failed to get game info: Command failed: dumpsys game: down",
                     "[ERROR] Failed to reset FPS limit"}));

    SimDevice listing_fails("mtk_dimensity");
    listing_fails.fail_tool("cmd", 1, "down", {.args_contain = "package"});
    EXPECT_EQ(listing_fails.run({"--reset_fps"}).lines(),
              (Lines{"[INFO] Resetting FPS limit...",
                     "[WARN] Failed to list packages: Command failed: cmd package list packages: down",
                     "[ERROR] Failed to reset FPS limit"}));
}

TEST(FpsLimit, PerGameFailureWarnsAndTheOthersCount) {
    SimDevice dev("snapdragon");
    dev.fail_tool("cmd", 1, "busy", {.args_contain = "com.mobile.legends"});
    auto r = dev.run({"--fps_limit", "45"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Setting FPS limit to 45...",
                                "[WARN] Failed to set FPS for com.mobile.legends: Command failed: cmd device_config "
                                "put game_overlay com.mobile.legends fps=45: busy",
                                "[OK] FPS limit set to 45"}));
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.iglite"), "fps=45");
    dev.clear_calls();
    EXPECT_EQ(dev.run({"--reset_fps"}).lines(),
              (Lines{"[INFO] Resetting FPS limit...",
                     "[WARN] Failed to reset FPS for com.mobile.legends: Command failed: cmd game reset "
                     "com.mobile.legends: busy",
                     "[OK] FPS limit reset"}));
    std::vector<Call> per_game;
    for (const std::string& game : kGames) per_game.push_back({"cmd", "game", "reset", game});
    EXPECT_EQ(dev.calls(), with_fetches({kSdkQuery}, per_game));
    // The reset leaves the overlay entries in place.
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.iglite"), "fps=45");
}

TEST(FpsLimit, FailedReleaseQueryEndsBeforeAnyChange) {
    SimDevice dev("snapdragon");
    dev.fail_tool("getprop", 1, "no props");
    EXPECT_EQ(dev.run({"--fps_limit", "60"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 60...",
                     "[ERROR] Command failed: getprop ro.build.version.sdk: no props"}));
    EXPECT_EQ(dev.calls(), (std::vector<Call>{kSdkQuery}));
}

// ---- SurfaceFlinger timing ----

struct Panel {
    const char* period;
    const char* rate;
    const char* app_duration;
    const char* sf_duration;
    const char* early_phase_offset;
};

TEST(SurfaceFlinger, TimingFollowsTheMeasuredPanelRate) {
    // clang-format off
    const Panel panels[] = {
        {"8333333",  "120", "4833333",  "2666667", "-7083333"},
        {"11111111", "90",  "6666667",  "3333333", "-9111111"},
        {"13333333", "75",  "8266667",  "3733333", "-10666667"},
        {"16666666", "60",  "10833333", "4166667", "-12500000"},
        {"20000000", "50",  "13000000", "5000000", "-15000000"},
    };
    // clang-format on
    for (const Panel& panel : panels) {
        SimDevice dev("snapdragon");
        dev.set_latency_periods(Lines(5, panel.period));
        auto r = dev.run({"--sf_auto"});
        EXPECT_EQ(r.lines(),
                  (Lines{"[INFO] Applying SurfaceFlinger Optimization...",
                         "[WARN] Skipping property 'debug.sf.early_app_phase_offset_ns' (length: 34) - exceeds 31 "
                         "character limit",
                         std::string("[OK] SurfaceFlinger optimized. Refresh rate: ") + panel.rate +
                             "Hz (7 props set)"}));
        EXPECT_EQ(dev.prop("debug.sf.late.app.duration"), panel.app_duration) << panel.rate;
        EXPECT_EQ(dev.prop("debug.sf.earlyGl.sf.duration"), panel.sf_duration) << panel.rate;
        EXPECT_EQ(dev.prop("debug.sf.early_phase_offset_ns"), panel.early_phase_offset) << panel.rate;
        EXPECT_EQ(dev.prop("debug.sf.early_app_phase_offset_ns"), std::nullopt);
    }
}

TEST(SurfaceFlinger, FiveSamplesWithPausesInTheOrderOfTheProperties) {
    SimDevice dev("snapdragon");
    const auto start = std::chrono::steady_clock::now();
    (void)dev.run({"--sf_auto"});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    const Call latency{"dumpsys", "SurfaceFlinger", "--latency"};
    std::vector<Call> expected(5, latency);
    for (const char* name : {"debug.sf.early.app.duration", "debug.sf.earlyGl.app.duration",
                             "debug.sf.late.app.duration"}) {
        expected.push_back({"setprop", name, "4833333"});
    }
    for (const char* name : {"debug.sf.early.sf.duration", "debug.sf.earlyGl.sf.duration",
                             "debug.sf.late.sf.duration"}) {
        expected.push_back({"setprop", name, "2666667"});
    }
    expected.push_back({"setprop", "debug.sf.early_phase_offset_ns", "-7083333"});
    EXPECT_EQ(dev.calls(), expected);
}

TEST(SurfaceFlinger, UnusableSamplesFallBackToSixtyAndAnEvenCountAveragesTheMiddle) {
    SimDevice dev("snapdragon");
    dev.set_latency_periods({"50000000", "3000000", "abc", "", "-16666666"});
    EXPECT_EQ(dev.run({"--sf_auto"}).lines().back(), "[OK] SurfaceFlinger optimized. Refresh rate: 60Hz (7 props set)");
    EXPECT_EQ(dev.prop("debug.sf.early.app.duration"), "10833333");

    SimDevice failing("snapdragon");
    failing.fail_tool("dumpsys", 1, "", {.args_contain = "--latency"});
    EXPECT_EQ(failing.run({"--sf_auto"}).lines().back(),
              "[OK] SurfaceFlinger optimized. Refresh rate: 60Hz (7 props set)");

    SimDevice even("snapdragon");
    even.set_latency_periods({"16666666", "8333333", " 16666666 ", "0", "8333333"});
    EXPECT_EQ(even.run({"--sf_auto"}).lines().back(), "[OK] SurfaceFlinger optimized. Refresh rate: 90Hz (7 props set)");
    EXPECT_EQ(even.prop("debug.sf.early.app.duration"), "6666667");
}

TEST(SurfaceFlinger, EveryFailedPropertyWarnsAndTheCommandStillSucceeds) {
    SimDevice dev("mtk_legacy");  // a 60 Hz panel
    dev.fail_tool("setprop", 1, "denied");
    const Lines lines = dev.run({"--sf_auto"}).lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[1], "[WARN] Failed to set debug.sf.early.app.duration: Command failed: setprop "
                        "debug.sf.early.app.duration 10833333: denied");
    EXPECT_EQ(lines[7], "[WARN] Skipping property 'debug.sf.early_app_phase_offset_ns' (length: 34) - exceeds 31 "
                        "character limit");
    EXPECT_EQ(lines[8], "[WARN] Failed to set debug.sf.early_phase_offset_ns: Command failed: setprop "
                        "debug.sf.early_phase_offset_ns -12500000: denied");
    EXPECT_EQ(lines[9], "[OK] SurfaceFlinger optimized. Refresh rate: 60Hz (0 props set)");
}

// ---- Refresh-rate query ----

TEST(GetRefresh, PrintsTheThirdWordOfTheFirstUsableLine) {
    SimDevice dev("snapdragon");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines(),
              (Lines{"[INFO] Getting refresh rate...", "Refresh rate: 120.000000 Hz"}));
    EXPECT_EQ(dev.calls(), (std::vector<Call>{{"dumpsys", "SurfaceFlinger"}}));
    dev.set_dumpsys("SurfaceFlinger", "Refresh-rate : 30 fps\nrefresh-rate: 90\r\n  refresh-rate : 60.00 fps\r\n"
                                      "refresh-rate : 120 fps\n");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines().back(), "Refresh rate: 60.00 Hz");
}

TEST(GetRefresh, MissingLineOrFailedDumpIsReportedTwice) {
    SimDevice dev("snapdragon");
    dev.set_dumpsys("SurfaceFlinger", "vsync-period : 8.3 ms\nrefresh-rate 120\n");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines(),
              (Lines{"[INFO] Getting refresh rate...", "[ERROR] Refresh rate information not found",
                     "[ERROR] Refresh rate information not found"}));
    dev.fail_tool("dumpsys", 2, "no compositor");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines(),
              (Lines{"[INFO] Getting refresh rate...",
                     "[ERROR] Failed to get refresh rate: Command failed: dumpsys SurfaceFlinger: no compositor",
                     "[ERROR] Failed to get refresh rate: Command failed: dumpsys SurfaceFlinger: no compositor"}));
}

}  // namespace
}  // namespace korvane::e2e
