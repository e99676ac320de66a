#include "journal/command_kinds.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

struct ClassCase {
    std::vector<std::string> line;  // program, then arguments
    CommandKind kind;
    std::string target;  // describe_target for a state change
};

TEST(CommandKinds, EveryCommandLineOfTheProgramIsClassified) {
    using K = CommandKind;
    // clang-format off
    const ClassCase cases[] = {
        {{"dumpsys", "game"},                                                   K::read, ""},
        {{"dumpsys", "SurfaceFlinger", "--latency"},                            K::read, ""},
        {{"getprop", "ro.build.version.sdk"},                                   K::read, ""},
        {{"settings", "get", "system", "peak_refresh_rate"},                    K::read, ""},
        {{"cmd", "package", "list", "packages"},                                K::read, ""},
        {{"cmd", "device_config", "get", "game_overlay", "com.x"},              K::read, ""},
        {{"cmd", "device_config", "list", "game_overlay"},                      K::read, ""},
        {{"cmd", "device_config", "is_sync_disabled_for_tests"},                K::read, ""},
        {{"cmd", "device_config", "get_sync_disabled_for_tests"},               K::read, ""},
        {{"cmd", "device_config", "set_sync_disabled_for_tests", "persistent"}, K::state, "device_config sync mode"},
        {{"cmd", "appops", "get", "com.x", "RUN_IN_BACKGROUND"},                K::read, ""},
        {{"cmd", "deviceidle", "sys-whitelist"},                                K::read, ""},
        {{"find", "/sys/devices", "-name", "*life_time*", "-type", "f"},        K::read, ""},
        {{"settings", "put", "global", "low_power", "1"},                       K::state, "setting global low_power"},
        {{"settings", "delete", "system", "min_refresh_rate"},                  K::state, "setting system min_refresh_rate"},
        {{"cmd", "device_config", "put", "game_overlay", "com.x", "mode=2"},    K::state,
            "device_config game_overlay com.x"},
        {{"cmd", "device_config", "delete", "game_overlay", "com.x"},           K::state,
            "device_config game_overlay com.x"},
        {{"setprop", "debug.sf.late.sf.duration", "1"},                         K::state, "property debug.sf.late.sf.duration"},
        {{"cmd", "appops", "set", "com.x", "RUN_IN_BACKGROUND", "deny"},        K::state, "app-op com.x RUN_IN_BACKGROUND"},
        {{"cmd", "deviceidle", "sys-whitelist", "-com.x"},                      K::state, "allow-list entry com.x"},
        {{"cmd", "deviceidle", "sys-whitelist", "+com.x"},                      K::state, "allow-list entry com.x"},
        {{"find", "/data/data", "-type", "d", "-name", "cache", "-exec", "rm", "-rf", "{}", "+"}, K::action, ""},
        {{"am", "kill-all"},                                                    K::action, ""},
        {{"sync"},                                                              K::action, ""},
        {{"svc", "wifi", "disable"},                                            K::action, ""},
        {{"dd", "if=/dev/zero", "of=/data/local/tmp/x", "bs=4k", "count=256"},  K::action, ""},
        {{"cmd", "notification", "set_dnd", "priority"},                        K::action, ""},
        {{"cmd", "game", "mode", "2", "com.x"},                                 K::state, "game mode com.x"},
        {{"cmd", "game", "reset", "com.x"},                                     K::state, "game mode com.x"},
        {{"cmd", "game", "list-modes", "com.x"},                                K::read, ""},
        {{"cmd", "game", "list-configs", "com.x"},                              K::read, ""},
        {{"cmd", "game", "mode", "com.x"},                                      K::action, ""},  // no mode: refused
        {{"sh", "-c", "echo '1' > /sys/x"},                                     K::action, ""},
        {{"cmd", "deviceidle", "sys-whitelist", "com.x"},                       K::action, ""},  // no sign: refused
        {{"settings", "delete", "global"},                                      K::action, ""},  // no key
        {{"cmd", "deviceidle", "disable", "com.x"},                             K::action, ""},
    };
    // clang-format on
    for (const ClassCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.line));
        CommandClass got = classify_command(c.line[0], Args(c.line.begin() + 1, c.line.end()));
        EXPECT_EQ(got.kind, c.kind);
        EXPECT_EQ(got.target ? describe_target(*got.target) : "", c.target);
    }
    // The value each changing line gives its target, as --status compares it.
    using V = std::optional<std::optional<std::string>>;
    const std::pair<Args, V> given[] = {
        {{"settings", "put", "global", "low_power", "1"}, V("1")},
        {{"settings", "delete", "system", "min_refresh_rate"}, V(std::in_place)},
        {{"cmd", "device_config", "put", "game_overlay", "com.x", "mode=2"}, V("mode=2")},
        {{"setprop", "debug.sf.late.sf.duration", "1"}, V("1")},
        {{"cmd", "appops", "set", "com.x", "RUN_IN_BACKGROUND", "deny"}, V("deny")},
        {{"cmd", "deviceidle", "sys-whitelist", "-com.x"}, V(std::in_place)},
        {{"cmd", "deviceidle", "sys-whitelist", "+com.x"}, V("listed")},
        {{"cmd", "game", "mode", "2", "com.x"}, V("2")},
        {{"cmd", "game", "reset", "com.x"}, std::nullopt},
        {{"cmd", "device_config", "set_sync_disabled_for_tests", "persistent"}, V("persistent")},
        {{"am", "kill-all"}, std::nullopt},
    };
    for (const auto& [line, value] : given) {
        EXPECT_EQ(value_given(line[0], Args(line.begin() + 1, line.end())), value) << testing::PrintToString(line);
    }
}

struct StateCase {
    StateTarget target;
    std::string read;            // the read command, joined
    std::string answer;          // what it printed
    std::optional<std::string> value;
    std::string restore;         // the command that puts it back, joined
};

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    return text;
}

TEST(CommandKinds, OriginalsAreReadAndPutBackPerKind) {
    using S = StateKind;
    // clang-format off
    const StateCase cases[] = {
        {{S::setting, {"global", "low_power"}}, "settings get global low_power", "1\n", "1",
            "settings put global low_power 1"},
        {{S::setting, {"system", "peak_refresh_rate"}}, "settings get system peak_refresh_rate", "null\n",
            std::nullopt, "settings delete system peak_refresh_rate"},
        {{S::device_config, {"game_overlay", "com.x"}}, "cmd device_config get game_overlay com.x",
            "mode=2,fps=60:mode=3\n", "mode=2,fps=60:mode=3", "cmd device_config put game_overlay com.x mode=2,fps=60:mode=3"},
        {{S::device_config, {"game_overlay", "com.x"}}, "cmd device_config get game_overlay com.x", "null\n",
            std::nullopt, "cmd device_config delete game_overlay com.x"},
        {{S::property, {"debug.sf.late.sf.duration"}}, "getprop debug.sf.late.sf.duration", "\n", std::nullopt,
            "setprop debug.sf.late.sf.duration -1"},
        {{S::property, {"persist.x"}}, "getprop persist.x", "\n", std::nullopt, "setprop persist.x "},
        {{S::property, {"debug.sf.late.sf.duration"}}, "getprop debug.sf.late.sf.duration", "10500000\n", "10500000",
            "setprop debug.sf.late.sf.duration 10500000"},
        {{S::app_op, {"com.x", "RUN_IN_BACKGROUND"}}, "cmd appops get com.x RUN_IN_BACKGROUND",
            "RUN_IN_BACKGROUND: ignore; time=+1h2m ago\n", "ignore", "cmd appops set com.x RUN_IN_BACKGROUND ignore"},
        {{S::app_op, {"com.x", "RUN_IN_BACKGROUND"}}, "cmd appops get com.x RUN_IN_BACKGROUND", "No operations.\n",
            "default", "cmd appops set com.x RUN_IN_BACKGROUND default"},
        {{S::allow_list, {"com.google.android.gms"}}, "cmd deviceidle sys-whitelist",
            "com.android.phone,1001\ncom.google.android.gms,10123\n", "listed",
            "cmd deviceidle sys-whitelist +com.google.android.gms"},
        {{S::allow_list, {"com.google.android.gms"}}, "cmd deviceidle sys-whitelist",
            "com.google.android.gmsx,10124\n", std::nullopt, "cmd deviceidle sys-whitelist -com.google.android.gms"},
        {{S::game_mode, {"com.x"}}, "cmd game list-modes com.x",
            "com.x current mode: performance, available game modes: [standard,performance,custom]\n", "2",
            "cmd game mode 2 com.x"},
        {{S::game_mode, {"com.x"}}, "cmd game list-modes com.x",
            "com.x current mode: custom, available game modes: [standard,custom]\n", "4", "cmd game mode 4 com.x"},
        {{S::game_mode, {"com.x"}}, "cmd game list-modes com.x",
            "com.x current mode: unsupported, available game modes: []\n", "1", "cmd game mode 1 com.x"},
    };
    // clang-format on
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.read + " -> " + c.answer);
        EXPECT_EQ(joined(read_command(c.target)), c.read);
        auto value = parse_state_value(c.target, c.answer);
        ASSERT_TRUE(value) << value.error();
        EXPECT_EQ(*value, c.value);
        EXPECT_EQ(joined(restore_command(c.target, *value)), c.restore);
    }
}

TEST(CommandKinds, AnAnswerThatDoesNotSayIsNoOriginal) {
    StateTarget op{StateKind::app_op, {"com.x", "RUN_ANY_IN_BACKGROUND"}};
    EXPECT_FALSE(parse_state_value(op, ""));
    EXPECT_FALSE(parse_state_value(op, "Error: Unknown operation string: RUN_ANY_IN_BACKGROUND\n"));
    // Android 7 and 8 have no system allow-list command; 7's cmd still exits 0.
    EXPECT_FALSE(parse_state_value({StateKind::allow_list, {"com.x"}}, "Unknown command: sys-whitelist\n"));
    EXPECT_FALSE(parse_state_value({StateKind::game_mode, {"com.x"}}, "com.x current mode: turbo\n"));
}

// 12 and 13 cannot show a game's mode: its undo is standard mode.
TEST(CommandKinds, OnlyAReleaseThatCannotShowTheModeGivesStandard) {
    const StateTarget game{StateKind::game_mode, {"com.x"}};
    EXPECT_EQ(unreadable_state_value(game, "Unknown command: list-modes\n"), "1");
    EXPECT_EQ(unreadable_state_value(game, "Package com.x is not found for user 0\n"), std::nullopt);
    EXPECT_EQ(unreadable_state_value({StateKind::setting, {"global", "x"}}, "Unknown command: get\n"), std::nullopt);
}

// A user's `cmd game set` goes back as it was; a put-back whose need is gone says so.
TEST(CommandKinds, AGameOverrideGoesBackWithCmdGameSet) {
    const StateTarget set{StateKind::game_override, {"com.x", "2"}};
    EXPECT_EQ(joined(restore_command(set, "downscaleFactor=0.5,fps=60")),
              "cmd game set --mode 2 --downscale 0.5 --fps 60 com.x");
    EXPECT_EQ(joined(restore_command(set, "")), "cmd game set --mode 2 com.x");
    // the overlay that offers the mode may still be on its way
    EXPECT_FALSE(restore_cannot_succeed({StateKind::game_mode, {"com.x"}}, "Game mode: 2 not supported by com.x\n"));
    EXPECT_TRUE(restore_cannot_succeed(set, "Package com.x is not found for user 0\n"));
    EXPECT_FALSE(restore_cannot_succeed(set, "Error: binder died\n"));
    EXPECT_FALSE(restore_cannot_succeed({StateKind::setting, {"global", "x"}}, " not supported by "));
}

// Many keys of one namespace are read with one list.
TEST(CommandKinds, ListedValuesAreTheKeysOwn) {
    const StateTarget key{StateKind::device_config, {"activity_manager", "max_cached_processes"}};
    EXPECT_EQ(joined(*list_command(key)), "cmd device_config list activity_manager");
    EXPECT_EQ(joined(*list_command({StateKind::setting, {"global", "x"}})), "settings list global");
    EXPECT_EQ(list_command({StateKind::property, {"x"}}), std::nullopt);
    const std::string listed = "max_cached_processes_x=1\nmax_cached_processes=32\nother=a=b\n";
    EXPECT_EQ(listed_value(key, listed), "32");
    EXPECT_EQ(listed_value({StateKind::device_config, {"activity_manager", "other"}}, listed), "a=b");
    EXPECT_EQ(listed_value({StateKind::device_config, {"activity_manager", "max"}}, listed), std::nullopt);
}

}  // namespace
}  // namespace korvane
