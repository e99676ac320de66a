// The simulated phone's framework tools answer as each Android release does:
// texts, streams and exit statuses, the verbs a release has, and what a change
// does to the game manager, doze and SurfaceFlinger. These test the fakes
// themselves (no korvane run); the releases come from --api overrides of the
// snapdragon profile unless a profile is named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kGms = "com.google.android.gms";
const std::string kGame = "com.mobile.legends";
const std::string kLongName = "debug.sf.early_app_phase_offset_ns";  // 34 characters
// A read-only (aconfig) flag the phone names in android/read_only_flags.
const std::string kReadOnlyFlag = "com.android.window.flags.enable_desktop_windowing_mode";
const std::string kNotGame =
    "Package com.whatsapp is not of game type, to use the game mode commands, it must specify game category in "
    "the manifest as android:appCategory=\"game\"\n";

RunResult run_tool(const SimDevice& dev, const Call& call) {
    return dev.run_program("/system/bin/" + call.front(), Call(call.begin() + 1, call.end()));
}

// One tool call and its exact answer. The calls of a release run in order on
// one phone, so a later row sees what an earlier one changed.
struct Answer {
    Call call;
    std::string out;
    std::string err;
    int status;
};

struct Release {
    int api;
    std::vector<Answer> answers;
};

class ToolAnswers : public testing::TestWithParam<Release> {};

TEST_P(ToolAnswers, TextsStreamsAndStatuses) {
    const Release& release = GetParam();
    SimDevice dev("snapdragon", release.api);
    ASSERT_EQ(dev.api(), release.api);
    for (const Answer& a : release.answers) {
        std::string call;
        for (const auto& word : a.call) call += word + " ";
        RunResult r = run_tool(dev, a.call);
        EXPECT_EQ(r.out, a.out) << call;
        EXPECT_EQ(r.err, a.err) << call;
        EXPECT_EQ(r.status, a.status) << call;
    }
}

const std::string kNoGame = "cmd: Can't find service: game\n";
const std::string kSettingsHelp16 =
    "usage:  settings [--user <USER_ID> | current] [--deviceId <DEVICE_ID>] get namespace key\n"
    "        settings [--user <USER_ID> | current] [--deviceId <DEVICE_ID>] put namespace key value\n"
    "        settings [--user <USER_ID> | current] [--deviceId <DEVICE_ID>] delete namespace key\n"
    "        settings [--user <USER_ID> | current] [--deviceId <DEVICE_ID>] list namespace\n"
    "\n'namespace' is one of {system, secure, global}, case-insensitive\n";
const std::string kNoConfig = "cmd: Can't find service: device_config\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Releases, ToolAnswers, testing::Values(
    Release{24, {  // Android 7: cmd exits 0 whatever the service said
        {{"cmd", "deviceidle", "whitelist", kGms}, "Package must be prefixed with +, -, or =: " + kGms + "\n", "", 0},
        {{"cmd", "deviceidle", "sys-whitelist", "-" + kGms}, "Unknown command: sys-whitelist\n", "", 0},
        {{"cmd", "appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "deny"}, "",
            "Error: Unknown operation string: RUN_ANY_IN_BACKGROUND\n", 0},
        {{"cmd", "appops", "set", kGms, "RUN_IN_BACKGROUND", "deny"}, "", "", 0},
        {{"cmd", "notification", "set_dnd", "priority"}, "Unknown command: set_dnd\n", "", 0},
        {{"cmd", "device_config", "get", "game_overlay", kGame}, "", kNoConfig, 20},
        {{"cmd", "game", "mode", "2", kGame}, "", kNoGame, 20},
        {{"dumpsys", "game"}, "", "Can't find service: game\n", 0},
        {{"setprop", kLongName, "1"}, "", "setprop: name '" + kLongName + "' too long\n", 1},
        {{"setprop", "debug.x", std::string(92, 'v')}, "",
            "setprop: value '" + std::string(92, 'v') + "' too long; try '" + std::string(91, 'v') + "'\n", 1},
        {{"setprop", "ro.build.version.sdk", "99"}, "", "", 0},  // init refuses, unseen
        {{"getprop", "ro.build.version.sdk"}, "24\n", "", 0},
        {{"getprop", kLongName}, "\n", "", 0},
    }},
    Release{26, {  // Android 8: a shell command's -1 is 255
        {{"cmd", "deviceidle", "sys-whitelist", "-" + kGms}, "Unknown command: sys-whitelist\n", "", 255},
        {{"cmd", "appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "deny"}, "",
            "Error: Unknown operation string: RUN_ANY_IN_BACKGROUND\n", 255},
        {{"setprop", kLongName, "1"}, "", "", 0},
        {{"setprop", "ro.build.version.sdk", "99"}, "", "setprop: failed to set property 'ro.build.version.sdk' to '99'\n", 1},
    }},
    Release{28, {  // Android 9
        {{"cmd", "deviceidle", "sys-whitelist"}, kGms + ",10002\n", "", 0},
        {{"cmd", "deviceidle", "sys-whitelist", "-" + kGms}, "Removed " + kGms + "\n", "", 0},
        {{"cmd", "deviceidle", "sys-whitelist", "-" + kGms}, "", "", 0},
        {{"cmd", "deviceidle", "sys-whitelist"}, "", "", 0},
        {{"cmd", "deviceidle", "sys-whitelist", "+" + kGms}, "Restored " + kGms + "\n", "", 0},
        {{"cmd", "deviceidle", "sys-whitelist", kGms}, "Package must be prefixed with + or - " + kGms + "\n", "", 255},
        {{"cmd", "appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "deny"}, "", "", 0},
        {{"cmd", "appops", "get", kGms, "RUN_ANY_IN_BACKGROUND"}, "RUN_ANY_IN_BACKGROUND: deny\n", "", 0},
        {{"cmd", "notification", "set_dnd", "priority"}, "Unknown command: set_dnd\n", "", 255},
        {{"cmd", "device_config", "list", "game_overlay"}, "", kNoConfig, 20},
        {{"setprop", "debug.x", std::string(92, 'v')}, "",
            "setprop: failed to set property 'debug.x' to '" + std::string(92, 'v') + "'\n", 1},
    }},
    Release{29, {  // Android 10: device_config; still toybox's setprop
        {{"setprop", "ro.build.version.sdk", "99"}, "", "setprop: failed to set property 'ro.build.version.sdk' to '99'\n", 1},
        {{"setprop", "x"}, "", "usage: setprop NAME VALUE\n\nSets an Android system property.\n", 1},
        {{"cmd", "device_config", "get", "game_overlay", kGame}, "null\n", "", 0},
        {{"cmd", "device_config", "put", "game_overlay", kGame, "mode=2,fps=60"}, "", "", 0},
        {{"cmd", "device_config", "list", "game_overlay"}, kGame + "=mode=2,fps=60\n", "", 0},
        {{"cmd", "device_config", "delete", "game_overlay", kGame}, "Successfully deleted " + kGame + " from game_overlay\n", "", 0},
        {{"cmd", "device_config", "delete", "game_overlay", kGame}, "Failed to delete " + kGame + " from game_overlay\n", "", 0},
        {{"cmd", "game", "mode", "2", kGame}, "", kNoGame, 20},
    }},
    Release{30, {  // Android 11: set_dnd
        {{"cmd", "notification", "set_dnd", "priority"}, "", "", 0},
        {{"cmd", "notification", "set_dnd", "sometimes"}, "Error occurred. Check logcat for details. Invalid filter: 0\n", "", 0},
        {{"setprop", "x"}, "usage: setprop NAME VALUE\n\nSets an Android system property.\n", "", 1},
        {{"cmd", "notification", "set_dnd"}, "Error occurred. Check logcat for details. Argument expected after \"set_dnd\"\n", "", 0},
        {{"dumpsys", "game"}, "", "Can't find service: game\n", 0},
    }},
    Release{31, {  // Android 12: the game manager with mode and downscale only
        {{"cmd", "game", "reset", kGame}, "Unknown command: reset\n", "", 255},
        {{"cmd", "game", "mode", "1", kGame}, "Game mode: 1 not supported by " + kGame + "\n", "", 255},
        {{"cmd", "device_config", "put", "game_overlay", kGame, "mode=2,downscaleFactor=0.7"}, "", "", 0},
        {{"cmd", "game", "mode", "2", kGame}, "", "", 0},
        {{"cmd", "game", "downscale", "0.72", kGame}, "Invalid scaling ratio '0.72'\n", "", 255},
        {{"dumpsys", "game"}, "", "", 0},
    }},
    Release{33, {  // Android 13: set, reset, list; mode is silent
        {{"cmd", "game", "mode", "2", kGame}, "Game mode: 2 not supported by " + kGame + "\n", "", 255},
        {{"cmd", "game", "mode", "4", kGame}, "Invalid game mode: 4\n", "", 255},
        {{"cmd", "game", "list-modes", kGame}, "Unknown command: list-modes\n", "", 255},
        {{"cmd", "device_config", "put", "game_overlay", kGame, "mode=2,downscaleFactor=0.7,fps=60"}, "", "", 0},
        {{"cmd", "game", "mode", "2", kGame}, "", "", 0},
        {{"cmd", "game", "list", kGame},
            kGame + " interventions: \n[Name:" + kGame + " Modes: {2=[Game Mode:2,Scaling:0.7,Use Angle:false,Fps:60,Loading Boost Duration:-1]}]\n", "", 0},
        {{"cmd", "game", "reset", kGame}, "", "", 0},
        {{"cmd", "game", "mode"}, "", "\nException occurred while executing 'mode':\n"
            "java.lang.IllegalArgumentException: Argument expected after \"mode\"\n", 255},
    }},
    Release{34, {  // Android 14: custom mode, list-modes, mode prints what it set
        {{"cmd", "deviceidle", "unwhitelist", kGms}, "Unknown command: unwhitelist\n", "", 255},
        {{"cmd", "deviceidle", "whitelist", "+" + kGms}, "Added: " + kGms + "\n", "", 0},
        {{"cmd", "deviceidle", "whitelist", "=" + kGms}, "true\n", "", 0},
        {{"cmd", "deviceidle", "whitelist"}, "system-excidle," + kGms + ",10002\nsystem," + kGms + ",10002\nuser," + kGms +
            ",10002\n", "", 0},
        {{"cmd", "device_config", "get", "game_overlay"}, "", "Bad arguments\n", 255},
        {{"cmd", "device_config", "flush", "game_overlay"}, "", "Invalid command: flush\n", 255},
        {{"cmd", "deviceidle", "whitelist", "-" + kGms}, "Removed: " + kGms + "\n", "", 0},
        {{"cmd", "deviceidle", "disable", kGms}, "Unknown idle mode: " + kGms + "\n", "", 0},
        {{"cmd", "deviceidle", "disable", "deep"}, "Deep idle mode disabled\n", "", 0},
        {{"cmd", "deviceidle", "enable"}, "Deep idle mode enabled\n", "", 0},
        {{"cmd", "appops", "set", "com.nope", "RUN_IN_BACKGROUND", "deny"}, "", "Error: No UID for com.nope in user 0\n", 255},
        {{"cmd", "appops", "get", kGms, "RUN_IN_BACKGROUND"}, "No operations.\n", "", 0},
        {{"cmd", "game", "mode", "4", kGame}, "Set game mode to `CUSTOM` for user `0` in game `" + kGame + "`\n", "", 0},
        {{"cmd", "game", "list-modes", kGame},
            kGame + " current mode: custom, available game modes: [standard,custom]\n", "", 0},
        {{"cmd", "game", "mode", "2", kGame}, "Game mode: 2 not supported by " + kGame + "\n", "", 255},
        {{"cmd", "game", "mode", "1", "com.whatsapp"}, "Set game mode to `STANDARD` for user `0` in game `com.whatsapp`\n", "", 0},
        {{"setprop", "debug.x", std::string(92, 'v')}, "", "Value '" + std::string(92, 'v') + "' is too long, 92 bytes vs a max of 92\n", 1},
        {{"setprop", kLongName, std::string(91, 'v')}, "", "", 0},
        {{"setprop", "ro.build.version.sdk", "99"}, "", "Failed to set property 'ro.build.version.sdk' to '99'.\nSee dmesg for error reason.\n", 1},
        {{"settings", "get", "global", "no_such_key"}, "null\n", "", 0},
        {{"svc", "wifi", "disable"}, "", "", 0},
        {{"am", "kill-all"}, "", "", 0},
    }},
    Release{35, {  // Android 15: game commands check the package first
        {{"cmd", "game", "reset", "com.whatsapp"}, kNotGame, "", 255},
        {{"cmd", "game", "mode", "1", "com.whatsapp"}, kNotGame, "", 255},
        {{"cmd", "game", "mode", "2", "com.nope"}, "Package com.nope is not found for user 0\n", "", 255},
        {{"cmd", "game", "reset", kGame}, "", "", 0},
        {{"cmd", "device_config", "put", "window_manager", kReadOnlyFlag, "true"}, "", "", 0},
    }},
    Release{36, {  // Android 16: a read-only flag refused on standard output, exit 0
        {{"cmd", "device_config", "put", "window_manager", kReadOnlyFlag, "true"},
            "Error: cannot write read-only flag\n", "", 0},
        {{"cmd", "device_config", "delete", "window_manager", kReadOnlyFlag},
            "Error: cannot write read-only flag\n", "", 0},
        {{"cmd", "device_config", "put", "game_overlay", kGame, "mode=2", "now"}, "", "Too many arguments\n", 255},
        {{"cmd", "device_config", "list", "game_overlay", kGame}, "", "Too many arguments\n", 255},
        {{"cmd", "device_config", "put", "game_overlay", kGame}, "", "Bad arguments\n", 255},
        {{"cmd", "device_config", "put", "game_overlay", kGame, "mode=2", "default"}, "", "", 0},
        {{"cmd", "device_config", "set_sync_disabled_for_tests", "persistent", "now"}, "", "Too many arguments\n", 255},
        {{"cmd", "device_config", "get_sync_disabled_for_tests", "now"}, "", "Too many arguments\n", 255},
        {{"cmd", "device_config", "set_sync_disabled_for_tests"}, "", "Bad arguments\n", 255},
        {{"cmd", "game", "reset", "com.whatsapp"}, kNotGame, "", 255},
        // one line for the first fault; the help only when asked for, on stdout
        {{"settings", "get", "nowhere", "x"}, "", "Invalid namespace 'nowhere'\n", 255},
        {{"settings", "get", "global", "x", "y"}, "", "Too many arguments\n", 255},
        {{"settings", "get", "global", "x", "--deviceId", "0"}, "null\n", "", 0},
        {{"settings", "help"}, kSettingsHelp16, "", 0},
    }}),
    [](const auto& info) { return "Api" + std::to_string(info.param.api); });
// clang-format on

// The game manager's reading of an overlay: which entry stands, and the
// downscale and FPS cap in force for the mode the game is in.
struct Overlay {
    const char* name;
    int api;
    std::string value;
    int mode;  // the game's mode after `cmd game mode 2`
    std::optional<std::string> downscale;
    std::optional<int> fps;
    std::string note;  // part of the notes, empty for none
};

class GameOverlay : public testing::TestWithParam<Overlay> {};

TEST_P(GameOverlay, EffectInTheModeInForce) {
    const Overlay& o = GetParam();
    SimDevice dev("snapdragon", o.api);
    ASSERT_EQ(run_tool(dev, {"cmd", "device_config", "put", "game_overlay", kGame, o.value}).status, 0);
    run_tool(dev, {"cmd", "game", "mode", "2", kGame});
    GameState state = dev.game_state(kGame);
    EXPECT_TRUE(state.game);
    EXPECT_EQ(state.mode, o.mode);
    EXPECT_EQ(state.downscale, o.downscale);
    EXPECT_EQ(state.fps, o.fps);
    if (o.note.empty()) {
        EXPECT_EQ(state.notes, "");
    } else {
        EXPECT_NE(state.notes.find(o.note), std::string::npos) << state.notes;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Releases, GameOverlay, testing::Values(
    Overlay{"TwelveKeepsGridFactorIgnoresFps", 31, "mode=2,downscaleFactor=0.7,fps=60", 2, "0.7", std::nullopt, "fps is unknown before Android 13"},
    Overlay{"TwelveDropsOffGridEntry", 31, "mode=2,downscaleFactor=0.72", 0, std::nullopt, std::nullopt, "downscaleFactor 0.72 is off the grid"},
    Overlay{"ThirteenIgnoresOffGridFactor", 33, "mode=2,downscaleFactor=0.50,fps=60", 2, std::nullopt, 60, "downscaleFactor 0.50 is off the grid"},
    Overlay{"ThirteenIgnoresFpsOffList", 33, "mode=2,downscaleFactor=0.35,fps=50", 2, "0.35", std::nullopt, "fps 50 is not one of"},
    Overlay{"FourteenTakesAnyFactorAndFps", 34, "mode=2,downscaleFactor=0.72,fps=50", 2, "0.72", 50, ""},
    Overlay{"KeysAndValuesAreTrimmed", 34, " mode = 2 , fps = 60 :mode=3,downscaleFactor=0.5", 2, std::nullopt, 60, ""},
    Overlay{"LastEntryOfAModeWins", 34, "mode=2,fps=30:mode=2,fps=45", 2, std::nullopt, 45, ""},
    Overlay{"NegativeModeTakesNoEntry", 34, "mode=-2,fps=60:mode=2,fps=30", 2, std::nullopt, 30, "mode -2 takes no entry"},
    Overlay{"EntryWithoutModeIsDropped", 34, "downscaleFactor=0.7,fps=60", 1, std::nullopt, std::nullopt, "entry without mode"},
    Overlay{"PieceWithoutEqualsDropsEntry", 34, "mode=2,fps=60,oops", 1, std::nullopt, std::nullopt, "piece without '='"},
    Overlay{"FourteenWantsWholeFps", 34, "mode=2,fps=60.0", 2, std::nullopt, std::nullopt, "fps 60.0 is not a whole number"},
    Overlay{"EntryForAnotherModeDoesNothing", 35, "mode=3,fps=60", 1, std::nullopt, std::nullopt, "no entry for mode 1"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SimGameManager, ModeFallsBackWhenItsEntryGoesAndResetKeepsIt) {
    SimDevice dev("snapdragon");
    run_tool(dev, {"cmd", "device_config", "put", "game_overlay", kGame, "mode=2,downscaleFactor=0.7,fps=60"});
    run_tool(dev, {"cmd", "game", "mode", "2", kGame});
    run_tool(dev, {"cmd", "game", "reset", kGame});
    EXPECT_EQ(dev.game_state(kGame).mode, 2) << "reset applies the current mode again";
    EXPECT_EQ(dev.game_state(kGame).downscale, "0.7");

    run_tool(dev, {"cmd", "device_config", "put", "game_overlay", kGame, "mode=2,downscaleFactor=0.7"});
    EXPECT_EQ(dev.game_state(kGame).fps, std::nullopt) << "a put replaces the whole value";
    run_tool(dev, {"cmd", "device_config", "delete", "game_overlay", kGame});
    GameState state = dev.game_state(kGame);
    EXPECT_EQ(state.mode, 1);
    EXPECT_EQ(state.downscale, std::nullopt);
    EXPECT_EQ(dev.game_mode(kGame), std::nullopt);
}

TEST(SimGameManager, DumpPerReleaseListsInstalledGames) {
    SimDevice dev("snapdragon", 33);
    dev.set_games({kGame, "com.supercell.clashofclans", "com.not.installed"});
    run_tool(dev, {"cmd", "device_config", "put", "game_overlay", kGame, "fps=60:mode=2,fps=45"});
    EXPECT_EQ(run_tool(dev, {"dumpsys", "game"}).out,
              "*Dump GameManagerService*\n\n[Name:" + kGame +
                  " Modes: {2=[Game Mode:2,Scaling:1.0,Use Angle:false,Fps:45,Loading Boost Duration:-1]}]\n\n"
                  " No intervention found for package com.supercell.clashofclans\n");
    dev.set_api(32);
    EXPECT_EQ(run_tool(dev, {"dumpsys", "game"}).out, "");
    GameState state = dev.game_state(kGame);
    EXPECT_EQ(state.modes, "1 2") << "12L keeps the mode-2 entry";
    EXPECT_EQ(state.fps, std::nullopt) << "12L knows no fps";
}

TEST(SimDoze, SystemAllowListDecidesForPlayServices) {
    SimDevice dev("snapdragon");
    DozeState fresh = dev.doze();
    EXPECT_TRUE(fresh.system_listed);
    EXPECT_FALSE(fresh.applies);

    run_tool(dev, {"cmd", "deviceidle", "sys-whitelist", "-" + kGms});
    EXPECT_FALSE(dev.doze().system_listed);
    EXPECT_TRUE(dev.doze().applies);
    run_tool(dev, {"cmd", "deviceidle", "whitelist", "+" + kGms});
    EXPECT_FALSE(dev.doze().applies) << "the user allow-list exempts it too";
    run_tool(dev, {"cmd", "deviceidle", "whitelist", "-" + kGms});
    run_tool(dev, {"cmd", "deviceidle", "disable", "all"});
    EXPECT_FALSE(dev.doze().applies) << "no doze at all";
    run_tool(dev, {"cmd", "deviceidle", "enable", "all"});
    EXPECT_TRUE(dev.doze().applies);
    run_tool(dev, {"cmd", "deviceidle", "sys-whitelist", "reset"});
    EXPECT_TRUE(dev.doze().system_listed);

    SimDevice nougat("mtk_legacy", 24);
    run_tool(nougat, {"cmd", "deviceidle", "sys-whitelist", "-" + kGms});
    EXPECT_TRUE(nougat.doze().system_listed);
}

TEST(SimSurfaceFlinger, RefreshRateLinePerRelease) {
    const std::pair<int, std::string> lines[] = {
        {24, "  refresh-rate              : 120.000005 fps"}, {30, "  refresh-rate              : 120.000005 fps"},
        {31, "  refresh-rate              : 120.00fps"},      {33, "  refresh-rate              : 120.00 Hz"},
        {34, "  refresh-rate              : 120.00 Hz"},      {35, "  peak-refresh-rate         : 120.00 Hz"},
    };
    SimDevice dev("snapdragon");
    for (const auto& [api, line] : lines) {
        dev.set_api(api);
        Lines found;
        for (const auto& l : run_tool(dev, {"dumpsys", "SurfaceFlinger"}).lines()) {
            if (l.find("refresh-rate") != std::string::npos) found.push_back(l);
        }
        EXPECT_EQ(found, Lines{line}) << api;
        EXPECT_EQ(run_tool(dev, {"dumpsys", "SurfaceFlinger", "--latency"}).lines().at(0), "8333333") << api;
    }
}

TEST(SimSurfaceFlinger, PhaseOffsetsAbortItWhereTheBuildUsesDurations) {
    SimDevice pixel("mali");  // its build sets debug.sf.use_phase_offsets_as_durations=1
    EXPECT_EQ(pixel.surfaceflinger_abort(), std::nullopt);
    run_tool(pixel, {"setprop", "debug.sf.late.sf.duration", "3333333"});
    EXPECT_EQ(pixel.surfaceflinger_abort(), std::nullopt);
    run_tool(pixel, {"setprop", "debug.sf.early_phase_offset_ns", "-1"});
    EXPECT_EQ(pixel.surfaceflinger_abort(), std::nullopt) << "-1 is unset";
    run_tool(pixel, {"setprop", "debug.sf.early_phase_offset_ns", "unset"});
    EXPECT_EQ(pixel.surfaceflinger_abort(), "debug.sf.early_phase_offset_ns is set to 0 but expecting duration")
        << "atoi reads any other text as 0";
    run_tool(pixel, {"setprop", "debug.sf.early_phase_offset_ns", "500000"});
    EXPECT_EQ(pixel.surfaceflinger_abort(), "debug.sf.early_phase_offset_ns is set to 500000 but expecting duration");
    EXPECT_NE(pixel.diff().find("SurfaceFlinger: would abort at its next start"), std::string::npos);
    pixel.set_api(29);
    EXPECT_EQ(pixel.surfaceflinger_abort(), std::nullopt) << "Android 10 has no durations model";

    SimDevice phone("snapdragon");
    run_tool(phone, {"setprop", "debug.sf.early_phase_offset_ns", "500000"});
    EXPECT_EQ(phone.surfaceflinger_abort(), std::nullopt);
}

TEST(SimRelease, DiffShowsEffectsAgainstTheSameRelease) {
    SimDevice dev("snapdragon", 33);
    EXPECT_EQ(dev.diff(), "Nothing changed on the device.\nDevice-tool calls (0):\n");
    run_tool(dev, {"cmd", "device_config", "put", "game_overlay", kGame, "fps=60"});
    run_tool(dev, {"cmd", "device_config", "put", "game_overlay", "com.tencent.iglite", "mode=2,downscaleFactor=0.7,fps=60"});
    run_tool(dev, {"cmd", "game", "mode", "2", "com.tencent.iglite"});
    run_tool(dev, {"cmd", "deviceidle", "sys-whitelist", "-" + kGms});
    std::string diff = dev.diff();
    for (const std::string& expected : Lines{
             "game " + kGame + ": overlay \"fps=60\" stored, ignored: entry without mode; mode 0 (unsupported): "
             "no downscale, no FPS cap\n",
             "game com.tencent.iglite: overlay \"mode=2,downscaleFactor=0.7,fps=60\"; mode 2 (performance): "
             "downscale 0.7, fps 60 in force (the downscale from the game's next start)\n",
             "Play services: removed from the system allow-list, not on the user allow-list: doze applies\n",
         }) {
        EXPECT_NE(diff.find(expected), std::string::npos) << expected << "in:\n" << diff;
    }
}

TEST(SimRelease, KillOnToolCallStopsTheCallerBeforeTheToolActs) {
    SimDevice dev("snapdragon");
    dev.kill_on_tool_call("cmd", {.on_call = 2, .args_contain = "sys-whitelist"});
    auto r = dev.run_program("/system/bin/mksh", {"-c",
        "cmd deviceidle sys-whitelist -com.nope; cmd deviceidle sys-whitelist -" + kGms + "; echo survived"});
    EXPECT_EQ(r.status, 128 + 9);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dev.calls().size(), 2u) << "the fatal call is still logged";
    EXPECT_TRUE(dev.doze().system_listed);
}

}  // namespace
}  // namespace korvane::e2e
