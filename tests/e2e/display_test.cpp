#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "journal_reads.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

// The packages detected as games on the stock profiles, in listing order;
// com.tencent.ig is named in the game dump only inside com.tencent.iglite and
// is no game to the game manager.
const Lines kGames{"com.tencent.ig", "com.mobile.legends", "com.miHoYo.GenshinImpact", "com.tencent.iglite",
                   "com.supercell.clashofclans"};
const Lines kRealGames(kGames.begin() + 1, kGames.end());

const Call kGameDump{"dumpsys", "game"};
const Call kListing{"cmd", "package", "list", "packages"};
const Call kOverlays{"cmd", "device_config", "list", "game_overlay"};
const Call kSdkQuery{"getprop", "ro.build.version.sdk"};
const Call kLauncherQuery{"cmd", "package", "query-activities", "--user", "0", "-a", "android.intent.action.MAIN",
                          "-c", "android.intent.category.LAUNCHER"};
// Android 12's games: the launcher apps of category game, in the order of
// their first activity (Genshin Impact has two); com.tencent.ig has no category.
const Lines kAndroid12Games{"com.miHoYo.GenshinImpact", "com.mobile.legends", "com.tencent.iglite",
                            "com.supercell.clashofclans"};

std::vector<Call> concat(std::vector<Call> head, const std::vector<Call>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The fetches every game operation starts with, the overlay listing included.
std::vector<Call> with_fetches(const std::vector<Call>& before, const std::vector<Call>& per_game_calls) {
    return concat(concat(before, {kGameDump, kListing, kOverlays}), per_game_calls);
}

Call put_overlay(const std::string& game, const std::string& value) {
    return {"cmd", "device_config", "put", "game_overlay", game, value};
}
Call delete_overlay(const std::string& game) { return {"cmd", "device_config", "delete", "game_overlay", game}; }
Call game_mode_2(const std::string& game) { return {"cmd", "game", "mode", "2", game}; }

// Android 14's game manager refuses mode 2 to com.tencent.ig, no game
// to it: korvane asks six times, then warns and does not count it.
const std::string kNotAGameWarning =
    "[WARN] Game mode 2 is not available for com.tencent.ig: Game mode: 2 not supported by com.tencent.ig";
void add_mode_2_calls(std::vector<Call>& calls, const std::string& game, int api) {
    const int tries = game == "com.tencent.ig" && api == 34 ? 6 : 1;
    for (int i = 0; i < tries; ++i) calls.push_back(game_mode_2(game));
}
Call game_reset(const std::string& game) { return {"cmd", "game", "reset", game}; }

// Stores overlays through the phone's own tools, as another app would have,
// with the game in mode 2 when the value has an entry for it.
void preset_overlays(SimDevice& dev, const std::vector<std::pair<std::string, std::string>>& overlays) {
    for (const auto& [game, value] : overlays) {
        ASSERT_EQ(dev.run_program("/system/bin/cmd", {"device_config", "put", "game_overlay", game, value}).status, 0);
        if (value.find("mode=2") == std::string::npos) continue;
        ASSERT_EQ(dev.run_program("/system/bin/cmd", {"game", "mode", "2", game}).status, 0);
    }
    dev.clear_calls();
}

// ---- Downscaling ----

TEST(Downscaling, AppliesTheFactorToEveryGameInListingOrder) {
    SimDevice dev("snapdragon");  // Android 14
    auto r = dev.run({"--downscales", "0.999999"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying downscaling factor 0.999999...", kSyncOff, kNotAGameWarning,
                                "[OK] Downscaling factor 0.999999 applied to 4 games"}));
    std::vector<Call> per_game;
    for (const std::string& game : kGames) {
        per_game.push_back(put_overlay(game, "mode=2,downscaleFactor=0.999999"));
        add_mode_2_calls(per_game, game, 34);
    }
    EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, per_game));
    for (const std::string& game : kRealGames) {
        const GameState state = dev.game_state(game);
        EXPECT_EQ(state.mode, 2) << game;
        EXPECT_EQ(state.downscale, "0.999999") << game;
    }
    EXPECT_EQ(dev.device_config("game_overlay", "com.whatsapp"), std::nullopt);
}

// Other pieces and other modes' entries are kept; the reset takes out only
// the factor and runs nothing for a game without one.
TEST(Downscaling, ChangesOnlyTheFactorOfEachOverlay) {
    SimDevice dev("snapdragon");
    preset_overlays(dev, {{"com.mobile.legends", "mode=2,fps=60"},
                          {"com.miHoYo.GenshinImpact", "mode=1,fps=30:mode=2,downscaleFactor=0.5,useAngle=false"}});
    EXPECT_EQ(dev.run({"--downscales", "0.7"}).lines().back(), "[OK] Downscaling factor 0.7 applied to 4 games");
    EXPECT_EQ(dev.device_config("game_overlay", "com.mobile.legends"), "mode=2,fps=60,downscaleFactor=0.7");
    EXPECT_EQ(dev.device_config("game_overlay", "com.miHoYo.GenshinImpact"),
              "mode=1,fps=30:mode=2,downscaleFactor=0.7,useAngle=false");
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.iglite"), "mode=2,downscaleFactor=0.7");
    EXPECT_EQ(dev.game_state("com.mobile.legends").fps, 60);
    EXPECT_EQ(dev.game_state("com.mobile.legends").downscale, "0.7");

    dev.clear_calls();
    EXPECT_EQ(dev.run({"--reset_downscale"}).lines(),
              (Lines{"[INFO] Resetting downscaling...", "[OK] Downscaling reset for 5 games"}));
    EXPECT_EQ(without_journal_reads(dev.calls()),
              with_fetches({kSdkQuery}, {delete_overlay("com.tencent.ig"), game_reset("com.tencent.ig"),
                                put_overlay("com.mobile.legends", "mode=2,fps=60"), game_reset("com.mobile.legends"),
                                put_overlay("com.miHoYo.GenshinImpact", "mode=1,fps=30:mode=2,useAngle=false"),
                                game_reset("com.miHoYo.GenshinImpact"), delete_overlay("com.tencent.iglite"),
                                game_reset("com.tencent.iglite"), delete_overlay("com.supercell.clashofclans"),
                                game_reset("com.supercell.clashofclans")}));
    const GameState legends = dev.game_state("com.mobile.legends");
    EXPECT_EQ(legends.downscale, std::nullopt);
    EXPECT_EQ(legends.fps, 60);

    dev.clear_calls();
    (void)dev.run({"--reset_downscale"});
    std::vector<Call> resets;
    for (const std::string& game : kGames) resets.push_back(game_reset(game));
    EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, resets));
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
        per_game.push_back(delete_overlay(game));
        per_game.push_back(game_reset(game));
        EXPECT_EQ(dev.device_config("game_overlay", game), std::nullopt) << game;
    }
    EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, per_game));
    EXPECT_EQ(dev.game_state("com.mobile.legends").downscale, std::nullopt);
}

TEST(Downscaling, InvalidFactorIsRefusedBeforeAnyToolRuns) {
    SimDevice dev("mtk_dimensity");  // Android 13: the range is checked before the release is asked
    for (const char* factor : {"abc", "0.0", "0.05", "0.5,fps=1"}) {
        const std::string refusal = std::string("[ERROR] Invalid downscale factor: ") + factor;
        EXPECT_EQ(dev.run({"--downscales", factor}).lines(),
                  (Lines{refusal + ". Use a number from 0.1 to 1.0", refusal}));
    }
    EXPECT_EQ(without_journal_reads(dev.calls()), std::vector<Call>{});
}

// Android 12 and 13 match the factor's text against their grid and would
// ignore any other; Android 14 takes any number above 0.
TEST(Downscaling, AndroidTwelveAndThirteenTakeOnlyTheirGrid) {
    for (int api : {31, 32, 33}) {
        SimDevice dev("snapdragon", api);
        EXPECT_EQ(dev.run({"--downscales", "0.72"}).lines(),
                  (Lines{"[ERROR] Invalid downscale factor: 0.72. Android 12 and 13 take 0.3 to 0.9 in steps of 0.05",
                         "[ERROR] Invalid downscale factor: 0.72"}))
            << api;
        EXPECT_EQ(without_journal_reads(dev.calls()), std::vector<Call>{kSdkQuery}) << api;
    }

    SimDevice android13("mtk_dimensity");
    EXPECT_EQ(android13.run({"--downscales", "0.50"}).lines(),
              (Lines{"[INFO] Applying downscaling factor 0.50...", kSyncOff,
                     "[OK] Downscaling factor 0.50 applied to 5 games"}));
    EXPECT_EQ(android13.device_config("game_overlay", "com.mobile.legends"), "mode=2,downscaleFactor=0.5");
    EXPECT_EQ(android13.game_state("com.mobile.legends").downscale, "0.5");

    // Android 12 finds its games by category; the factor's text is matched against the grid.
    SimDevice android12("snapdragon", 31);
    EXPECT_EQ(android12.run({"--downscales", "3.5e-1"}).lines().back(),
              "[OK] Downscaling factor 3.5e-1 applied to 4 games");
    EXPECT_EQ(android12.game_state("com.mobile.legends").downscale, "0.35");

    SimDevice android14("snapdragon");
    EXPECT_EQ(android14.run({"--downscales", "0.72"}).lines().back(),
              "[OK] Downscaling factor 0.72 applied to 4 games");
    EXPECT_EQ(android14.game_state("com.mobile.legends").downscale, "0.72");
    SimDevice android16("snapdragon", 36);  // as 15: no mode 2 refused to com.tencent.ig
    EXPECT_EQ(android16.run({"--downscales", "0.72"}).lines().back(),
              "[OK] Downscaling factor 0.72 applied to 5 games");
    EXPECT_EQ(android16.game_state("com.mobile.legends").downscale, "0.72");

    SimDevice unknown_release("mtk_dimensity");
    unknown_release.fail_tool("getprop", 1, "no props", {.args_contain = "sdk"});
    EXPECT_EQ(unknown_release.run({"--downscales", "0.72"}).lines().back(),
              "[OK] Downscaling factor 0.72 applied to 5 games");
    EXPECT_EQ(unknown_release.device_config("game_overlay", "com.mobile.legends"), "mode=2,downscaleFactor=0.72");
}

// Android 12 and 12L print no game dump: every command that looks for games
// asks once for the launcher activities instead, and finds them there.
TEST(Downscaling, AndroidTwelveFindsItsGamesAmongTheLauncherApps) {
    struct Case {
        std::vector<std::string> before;
        std::vector<std::string> args;
        std::string ok_line;
        std::optional<std::string> downscale;
    };
    const Case cases[] = {
        {{}, {"--downscales", "0.7"}, "[OK] Downscaling factor 0.7 applied to 4 games", "0.7"},
        {{"--downscales", "0.7"}, {"--reset_downscale"}, "[OK] Downscaling reset for 4 games", std::nullopt},
        {{}, {"--auto_setup", "gamemode"}, "[OK] Downscaling (0.7x) applied to 4 games", "0.7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        SimDevice dev("snapdragon", 31);
        dev.write("/data/adb/.config/korvane/config.json", R"({"downscaling": {"scale": 0.7}})");
        if (!c.before.empty()) (void)dev.run(c.before);
        dev.clear_calls();
        const Lines lines = dev.run(c.args).lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.ok_line), lines.end());
        const std::vector<Call> calls = dev.calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), kLauncherQuery), 1);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), kGameDump), 0);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), kListing), 0);
        for (const std::string& game : kAndroid12Games) {
            EXPECT_EQ(dev.game_state(game).downscale, c.downscale) << game;
            if (c.downscale) {
                EXPECT_NE(std::find(calls.begin(), calls.end(), put_overlay(game, "mode=2,downscaleFactor=0.7")),
                          calls.end()) << game;
            }
        }
        EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.ig"), std::nullopt);
    }
    // A failing query is reported as a failing package list; no activities are no games.
    SimDevice dev("snapdragon", 32);
    dev.fail_tool("cmd", 1, "boom", {.args_contain = "query-activities"});
    EXPECT_EQ(dev.run({"--reset_downscale"}).lines().back(),
              "[ERROR] Command failed: cmd package query-activities --user 0 -a android.intent.action.MAIN -c "
              "android.intent.category.LAUNCHER: boom");
    SimDevice none("snapdragon", 32);
    none.set_packages({"com.android.shell"});
    EXPECT_EQ(none.run({"--downscales", "0.5"}).lines().back(), "[OK] Downscaling factor 0.5 applied to 0 games");
}

TEST(Downscaling, NoGamesAndOddListingLines) {
    SimDevice dev("snapdragon");
    dev.set_packages({" ", "com.whatsapp", "  com.mobile.legends  "});
    auto r = dev.run({"--downscales", "0.5"});
    EXPECT_EQ(r.lines().back(), "[OK] Downscaling factor 0.5 applied to 1 games");
    EXPECT_EQ(without_journal_reads(dev.calls_of("cmd")).at(2), put_overlay("com.mobile.legends", "mode=2,downscaleFactor=0.5"));
    // With no game there is no overlay to read.
    dev.set_dumpsys("game", "");
    dev.clear_calls();
    EXPECT_EQ(dev.run({"--downscales", "0.5"}).lines().back(), "[OK] Downscaling factor 0.5 applied to 0 games");
    EXPECT_EQ(dev.run({"--reset_downscale"}).lines(),
              (Lines{"[INFO] Resetting downscaling...", "[OK] Downscaling reset for 0 games"}));
    EXPECT_EQ(without_journal_reads(dev.calls()),
              (std::vector<Call>{kSdkQuery, kGameDump, kListing, kSdkQuery, kGameDump, kListing}));
}

TEST(Downscaling, FailedFetchStopsWithTheRunnerError) {
    SimDevice dev("snapdragon");
    dev.fail_tool("dumpsys", 3, "no game service", {.args_contain = "game"});
    EXPECT_EQ(dev.run({"--downscales", "0.7"}).lines(),
              (Lines{"[INFO] Applying downscaling factor 0.7...",
                     "[ERROR] Command failed: dumpsys game: no game service"}));
    EXPECT_EQ(without_journal_reads(dev.calls()), (std::vector<Call>{kSdkQuery, kGameDump}));

    SimDevice listing_fails("snapdragon");
    listing_fails.fail_tool("cmd", 1, "no package service", {.args_contain = "package list"});
    EXPECT_EQ(listing_fails.run({"--reset_downscale"}).lines(),
              (Lines{"[INFO] Resetting downscaling...",
                     "[ERROR] Command failed: cmd package list packages: no package service"}));
    EXPECT_EQ(listing_fails.calls(), (std::vector<Call>{kSdkQuery, kGameDump, kListing}));

    for (const Lines& command : {Lines{"--downscales", "0.7"}, Lines{"--reset_downscale"}}) {
        SimDevice overlays_fail("snapdragon");
        overlays_fail.fail_tool("cmd", 1, "no config service", {.args_contain = "device_config list"});
        EXPECT_EQ(overlays_fail.run(command).lines().back(),
                  "[ERROR] Command failed: cmd device_config list game_overlay: no config service");
        EXPECT_EQ(overlays_fail.calls().back(), kOverlays) << command[0];
    }
}

// A failed store is silent; the game then has no mode 2 to enter and is not
// counted.
TEST(Downscaling, PerGameFailuresAreSilentAndLeaveTheGameUncounted) {
    SimDevice dev("snapdragon");
    dev.fail_tool("cmd", 1, "refused", {.args_contain = "put game_overlay"});
    EXPECT_EQ(dev.run({"--downscales", "0.7"}).lines().back(), "[OK] Downscaling factor 0.7 applied to 0 games");
    EXPECT_EQ(dev.device_config("game_overlay", "com.supercell.clashofclans"), std::nullopt);
}

// ---- Frame-rate caps ----

// Android 14's game manager reads fps and downscaleFactor from the same
// mode-2 entry: each command keeps what the other stored.
TEST(FpsLimit, CapAndDownscaleStayInForceTogetherOnAndroid14) {
    SimDevice dev("snapdragon");
    ASSERT_EQ(dev.run({"--downscales", "0.7"}).lines().back(), "[OK] Downscaling factor 0.7 applied to 4 games");
    dev.clear_calls();
    EXPECT_EQ(dev.run({"--fps_limit", "60"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 60...", kNotAGameWarning, "[OK] FPS limit set to 60"}));
    std::vector<Call> per_game;
    for (const std::string& game : kGames) {
        per_game.push_back(put_overlay(game, "mode=2,downscaleFactor=0.7,fps=60"));
        add_mode_2_calls(per_game, game, 34);
    }
    EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, per_game));
    for (const std::string& game : kRealGames) {
        const GameState state = dev.game_state(game);
        EXPECT_EQ(state.mode, 2) << game;
        EXPECT_EQ(state.downscale, "0.7") << game;
        EXPECT_EQ(state.fps, 60) << game;
    }

    dev.clear_calls();
    EXPECT_EQ(dev.run({"--reset_fps"}).lines(), (Lines{"[INFO] Resetting FPS limit...", "[OK] FPS limit reset"}));
    per_game.clear();
    for (const std::string& game : kGames) {
        per_game.push_back(put_overlay(game, "mode=2,downscaleFactor=0.7"));
        per_game.push_back(game_reset(game));
    }
    EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, per_game));
    for (const std::string& game : kRealGames) {
        const GameState state = dev.game_state(game);
        EXPECT_EQ(state.downscale, "0.7") << game;
        EXPECT_EQ(state.fps, std::nullopt) << game;
    }
}

TEST(FpsLimit, OverlayRouteFromAndroid13) {
    for (int api : {33, 34, 35, 36}) {
        SimDevice dev("snapdragon", api);
        Lines expected{"[INFO] Setting FPS limit to 90...", kSyncOff, "[OK] FPS limit set to 90"};
        if (api == 34) expected.insert(expected.begin() + 2, kNotAGameWarning);
        EXPECT_EQ(dev.run({"--fps_limit", "90"}).lines(), expected) << api;
        std::vector<Call> per_game;
        // Android 15 and later refuse com.tencent.ig, no game, already the
        // journal's read of its mode, made with the others' before the first change
        if (api >= 35) per_game.push_back({"cmd", "game", "list-modes", "com.tencent.ig"});
        for (const std::string& game : kGames) {
            per_game.push_back(put_overlay(game, "mode=2,fps=90"));
            if (api < 35 || game != "com.tencent.ig") add_mode_2_calls(per_game, game, api);
        }
        EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, per_game)) << api;
        EXPECT_EQ(dev.game_state("com.miHoYo.GenshinImpact").fps, 90) << api;
        EXPECT_EQ(dev.game_state("com.miHoYo.GenshinImpact").mode, 2) << api;
    }
}

TEST(FpsLimit, Android13RefusesARateItDoesNotCapAt) {
    SimDevice dev("mtk_dimensity");
    EXPECT_EQ(dev.run({"--fps_limit", "50"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 50...",
                     "[ERROR] FPS 50 is not supported on this Android release (use 30, 40, 45, 60, 90 or 120)"}));
    EXPECT_EQ(without_journal_reads(dev.calls()), std::vector<Call>{kSdkQuery});
    EXPECT_EQ(dev.device_config("game_overlay", "com.mobile.legends"), std::nullopt);

    SimDevice android14("snapdragon");
    EXPECT_EQ(android14.run({"--fps_limit", "50"}).lines().back(), "[OK] FPS limit set to 50");
    EXPECT_EQ(android14.game_state("com.mobile.legends").fps, 50);
}

// The reset takes out only the fps piece: a key left empty is deleted, a
// game without a cap gets no device_config command, every game is reset.
TEST(FpsLimit, ResetTakesOutOnlyTheCap) {
    SimDevice dev("mali");  // Android 13
    preset_overlays(dev, {{"com.mobile.legends", "mode=2,fps=60,downscaleFactor=0.5"},
                          {"com.miHoYo.GenshinImpact", "mode=2,fps=60"},
                          {"com.tencent.iglite", "mode=1,fps=30"}});
    EXPECT_EQ(dev.run({"--reset_fps"}).lines(), (Lines{"[INFO] Resetting FPS limit...", kSyncOff, "[OK] FPS limit reset"}));
    EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, {game_reset("com.tencent.ig"),
                                                      put_overlay("com.mobile.legends", "mode=2,downscaleFactor=0.5"),
                                                      game_reset("com.mobile.legends"),
                                                      delete_overlay("com.miHoYo.GenshinImpact"),
                                                      game_reset("com.miHoYo.GenshinImpact"),
                                                      game_reset("com.tencent.iglite"),
                                                      game_reset("com.supercell.clashofclans")}));
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.iglite"), "mode=1,fps=30");
    EXPECT_EQ(dev.game_state("com.mobile.legends").downscale, "0.5");
    EXPECT_EQ(dev.game_state("com.miHoYo.GenshinImpact").fps, std::nullopt);
}

TEST(FpsLimit, SettingsRouteUpToAndroid12LAndForAnUnreadableLevel) {
    struct Case {
        const char* profile;
        int api;
    };
    for (const Case& c : {Case{"snapdragon", 29}, Case{"snapdragon", 31}, Case{"snapdragon", 32}}) {
        SimDevice dev(c.profile, c.api);
        EXPECT_EQ(dev.run({"--fps_limit", "+60"}).lines(),
                  (Lines{"[INFO] Setting FPS limit to 60...", "[OK] FPS limit set to 60"}));
        EXPECT_EQ(without_journal_reads(dev.calls()), (std::vector<Call>{kSdkQuery,
                                                  {"settings", "put", "system", "peak_refresh_rate", "60"},
                                                  {"settings", "put", "system", "min_refresh_rate", "60"}}))
            << c.api;
        EXPECT_EQ(dev.setting("system", "peak_refresh_rate"), "60");
        EXPECT_EQ(dev.setting("system", "min_refresh_rate"), "60");
        dev.clear_calls();
        EXPECT_EQ(dev.run({"--reset_fps"}).lines(),
                  (Lines{"[INFO] Resetting FPS limit...", "[OK] FPS limit reset"}));
        EXPECT_EQ(without_journal_reads(dev.calls()), (std::vector<Call>{kSdkQuery,
                                                  {"settings", "delete", "system", "peak_refresh_rate"},
                                                  {"settings", "delete", "system", "min_refresh_rate"}}));
        EXPECT_EQ(dev.setting("system", "peak_refresh_rate"), std::nullopt);
    }

    SimDevice odd_level("snapdragon");
    odd_level.set_prop("ro.build.version.sdk", "");
    EXPECT_EQ(odd_level.run({"--fps_limit", "120"}).lines().back(), "[OK] FPS limit set to 120");
    EXPECT_EQ(odd_level.setting("system", "min_refresh_rate"), "120");
}

TEST(FpsLimit, SettingsFailuresWarnThenFail) {
    SimDevice dev("snapdragon", 30);
    dev.fail_tool("settings", 1, "locked", {.args_contain = "put system"});
    dev.fail_tool("settings", 1, "locked", {.args_contain = "delete system"});
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
    SimDevice dev("mtk_dimensity");  // Android 13
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

    SimDevice overlays_fail("mtk_dimensity");
    overlays_fail.fail_tool("cmd", 1, "down\n", {.args_contain = "device_config list"});
    for (const char* command : {"--fps_limit", "--reset_fps"}) {
        const Lines lines = overlays_fail.run({command, "60"}).lines();
        ASSERT_EQ(lines.size(), 4u) << command;
        EXPECT_EQ(lines[1],
                  "[WARN] Failed to get game info: Command failed: cmd device_config list game_overlay: down");
        EXPECT_EQ(lines[2], "");
        EXPECT_EQ(overlays_fail.calls().back(), kOverlays);
    }
    EXPECT_EQ(overlays_fail.device_config("game_overlay", "com.mobile.legends"), std::nullopt);
}

TEST(FpsLimit, PerGameFailureWarnsAndTheOthersCount) {
    SimDevice dev("snapdragon");
    dev.fail_tool("cmd", 1, "busy", {.args_contain = "put game_overlay com.mobile.legends"});
    dev.fail_tool("cmd", 1, "busy", {.args_contain = "reset com.mobile.legends"});
    auto r = dev.run({"--fps_limit", "45"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Setting FPS limit to 45...", kSyncOff, kNotAGameWarning,
                                "[WARN] Failed to set FPS for com.mobile.legends: Command failed: cmd device_config "
                                "put game_overlay com.mobile.legends mode=2,fps=45: busy",
                                "[OK] FPS limit set to 45"}));
    // A game whose cap was not stored is not switched to mode 2.
    const std::vector<Call> games = dev.calls_of("cmd");
    EXPECT_EQ(std::count(games.begin(), games.end(), game_mode_2("com.mobile.legends")), 0);
    EXPECT_EQ(dev.game_state("com.tencent.iglite").fps, 45);
    dev.clear_calls();
    EXPECT_EQ(dev.run({"--reset_fps"}).lines(),
              (Lines{"[INFO] Resetting FPS limit...",
                     "[WARN] Failed to reset FPS for com.mobile.legends: Command failed: cmd game reset "
                     "com.mobile.legends: busy",
                     "[OK] FPS limit reset"}));
    std::vector<Call> per_game;
    for (const std::string& game : kGames) {
        if (game != "com.mobile.legends") per_game.push_back(delete_overlay(game));
        per_game.push_back(game_reset(game));
    }
    EXPECT_EQ(without_journal_reads(dev.calls()), with_fetches({kSdkQuery}, per_game));
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.iglite"), std::nullopt);
}

TEST(FpsLimit, FailedReleaseQueryEndsBeforeAnyChange) {
    SimDevice dev("snapdragon");
    dev.fail_tool("getprop", 1, "no props");
    EXPECT_EQ(dev.run({"--fps_limit", "60"}).lines(),
              (Lines{"[INFO] Setting FPS limit to 60...",
                     "[ERROR] Command failed: getprop ro.build.version.sdk: no props"}));
    EXPECT_EQ(without_journal_reads(dev.calls()), (std::vector<Call>{kSdkQuery}));
}

}  // namespace
}  // namespace korvane::e2e
