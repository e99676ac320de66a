// The watch service's readings of the phone and its decisions, driven with
// recorded lines and events; the scenario tests run the whole service.
#include <gtest/gtest.h>

#include "android/cpuset.h"
#include "android/event_log.h"
#include "android/packages_list.h"
#include "android/power_dump.h"
#include "android/power_uevent.h"
#include "android/process_info.h"
#include "config/charge_limit.h"
#include "config/per_app.h"
#include "watch/decider.h"
#include "watch/heat_steps.h"
#include "watch/limit_decider.h"
#include "watch/watch_log.h"

namespace korvane {
namespace {

using Kind = EventLine::Kind;

TEST(WatchReadings, EventLogLines) {
    struct Row {
        std::string_view line;
        Kind kind;
        std::string package;
        bool on;
    };
    // clang-format off
    const Row rows[] = {
        {"I/wm_set_resumed_activity( 1234): [0,com.mobile.legends/.Main,resumeTopActivity]", Kind::resumed, "com.mobile.legends", false},
        {"12-08 02:10:00.000  1000  1234  1290 I am_set_resumed_activity: [0,com.tencent.ig/com.x.A,resume]", Kind::resumed, "com.tencent.ig", false},
        {"I/power_screen_state( 1234): [0,2,0,0,0]", Kind::screen, "", false},
        {"I/power_screen_state( 1234): [1,0,0,0,123]", Kind::screen, "", true},
        {"I/am_set_resumed_activity_x( 1): [0,com.a/.B,r]", Kind::other, "", false},   // another tag
        {"I/wm_set_resumed_activity( 1): [0,com.a", Kind::other, "", false},           // cut short
        {"--------- beginning of events", Kind::other, "", false},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EventLine parsed = parse_event_line(row.line);
        EXPECT_EQ(parsed.kind, row.kind);
        EXPECT_EQ(parsed.package, row.package);
        if (row.kind == Kind::screen) {
            EXPECT_EQ(parsed.screen_on, row.on);
        }
    }
}

TEST(WatchReadings, PhoneFiles) {
    EXPECT_EQ(screen_on_in_power_dump("POWER MANAGER\n  mWakefulness=Awake\n"), true);
    EXPECT_EQ(screen_on_in_power_dump("  mWakefulness=Dozing\nDisplay Power: state=ON\n"), false);
    EXPECT_EQ(screen_on_in_power_dump("Display Power: state=OFF\n"), false);
    EXPECT_EQ(screen_on_in_power_dump("nothing"), std::nullopt);

    PackageMap packages = parse_packages_list(
        "com.a 10001 0 /data/user/0/com.a default 3003\ncom.b 10002 0 /d default none\n"
        "com.shared 1000 0 /d platform none\ncom.shared2 1000 0 /d platform none\nbroken line\nx +7 0\n");
    EXPECT_EQ(packages.at(10001), std::vector<std::string>{"com.a"});
    EXPECT_EQ(packages.at(1000).size(), 2u);
    EXPECT_EQ(packages.size(), 3u);
    EXPECT_TRUE(is_app_uid(10001) && is_app_uid(1010123) && !is_app_uid(1000) && !is_app_uid(99001));

    EXPECT_EQ(cpuset_mount_in("none /dev/cpuctl cgroup rw,cpu 0 0\nnone /dev/cpuset cgroup rw,nosuid,cpuset,noprefix 0 0\n"),
              "/dev/cpuset");
    EXPECT_EQ(cpuset_mount_in("cpuset /mnt/cs cpuset rw 0 0\n"), "/mnt/cs");
    EXPECT_EQ(cpuset_mount_in("none /sys/fs/cgroup cgroup2 rw 0 0\n"), std::nullopt);
    EXPECT_EQ(parse_pids("12\n 13 \nx\n-4\n"), (std::vector<pid_t>{12, 13}));
    EXPECT_EQ(status_uid("Name:\tgame\nUid:\t10123\t10123\t10123\t10123\n"), 10123u);
    EXPECT_EQ(status_uid("Name:\tgame\n"), std::nullopt);
}

TEST(WatchReadings, PerAppEntriesBadOnesNamedAndLeftOut) {
    std::vector<std::string> warnings;
    auto config = parse_per_app(R"({"per_app": {
        "apps": {"com.mobile.legends": "performance",
                 "com.tencent.ig": {"profile": "performance", "cpu_max": 100, "gpu_max": 90},
                 "com.whatsapp": {"profile": "battery", "cpu_max": 70},
                 "com.bad.word": "turbo", "com.bad.cap": {"profile": "battery", "cpu_max": 150},
                 "com.bad.key": {"profile": "battery", "boost": 1}, "../x": "battery", "com.bad.type": 3},
        "screen_off": "battery", "settle_ms": 500, "colour": "red"}})",
                                 warnings);
    ASSERT_TRUE(config);
    ASSERT_EQ(config->apps.size(), 3u);
    EXPECT_EQ(config->apps[1], (AppEntry{"com.tencent.ig", {TuningProfile::performance, 100, 90}}));
    EXPECT_EQ(config->screen_off, (AppProfile{TuningProfile::battery, std::nullopt, std::nullopt}));
    EXPECT_EQ(config->settle_ms, 500u);
    const std::vector<std::string> expected = {
        "com.bad.word: unknown profile \"turbo\"",
        "com.bad.cap: cpu_max 150 is not a percent from 0 to 100",
        "com.bad.key: unknown key \"boost\"",
        "\"../x\" is not a package name",
        "com.bad.type: expected a profile word or an object, found 3",
        "unknown key \"colour\"",
    };
    for (const std::string& w : expected) EXPECT_NE(std::find(warnings.begin(), warnings.end(), w), warnings.end()) << w;
    EXPECT_EQ(warnings.size(), expected.size());
    EXPECT_FALSE(parse_per_app(R"({"utility_tool": {}})", warnings));
    warnings.clear();
    EXPECT_EQ(parse_per_app(R"({"per_app": {"settle_ms": -5}})", warnings)->settle_ms, kDefaultSettleMs);
    EXPECT_EQ(warnings.size(), 1u);
}

TEST(WatchReadings, ChargeLimitChecked) {
    struct Row {
        std::string_view text;
        std::optional<ChargeLimit> limit;
        std::string_view fault;
    };
    // clang-format off
    const Row rows[] = {
        {R"({"charge_limit": {"pause": 80, "resume": 75, "max_temp": 45, "resume_temp": 40}})", ChargeLimit{80, 75, 45, 40}, ""},
        {R"({"charge_limit": {"pause": 100, "resume": 10}})",                  ChargeLimit{100, 10, 45, 40}, ""},
        {R"({"charge_limit": {"pause": 60, "resume": 55, "max_temp": 60, "resume_temp": 20}})", ChargeLimit{60, 55, 60, 20}, ""},
        {R"({"charge_limit": {"pause": 75, "resume": 75}})",                   std::nullopt, "resume 75 is not below pause 75"},
        {R"({"charge_limit": {"pause": 101, "resume": 75}})",                  std::nullopt, "pause 101 is not a whole number from 10 to 100"},
        {R"({"charge_limit": {"pause": 80, "resume": 9}})",                    std::nullopt, "resume 9 is not a whole number from 10 to 100"},
        {R"({"charge_limit": {"pause": 80.5, "resume": 75}})",                 std::nullopt, "pause 80.5 is not a whole number from 10 to 100"},
        {R"({"charge_limit": {"pause": 80, "resume": 75, "max_temp": 61}})",   std::nullopt, "max_temp 61 is not a whole number from 20 to 60"},
        {R"({"charge_limit": {"pause": 80, "resume": 75, "resume_temp": 45}})", std::nullopt, "resume_temp 45 is not below max_temp 45"},
        {R"({"charge_limit": {"pause": 80, "resume": 75, "max_temp": 19}})",   std::nullopt, "max_temp 19 is not a whole number from 20 to 60"},
        {R"({"charge_limit": {"resume": 75}})",                                std::nullopt, "no pause"},
        {R"({"charge_limit": {"pause": 80, "resume": 75, "hold": 1}})",        std::nullopt, "unknown key \"hold\""},
        {R"({"charge_limit": 80})",                                            std::nullopt, "expected an object, found 80"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        auto entry = parse_charge_limit(row.text);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->limit, row.limit);
        EXPECT_EQ(entry->fault, row.fault);
    }
    EXPECT_FALSE(parse_charge_limit(R"({"per_app": {}})"));
}

TEST(WatchReadings, PowerUevents) {
    using namespace std::string_literals;
    auto battery = parse_power_uevent("change@/devices/platform/battery/power_supply/battery\0ACTION=change\0"
                                      "SUBSYSTEM=power_supply\0POWER_SUPPLY_NAME=battery\0POWER_SUPPLY_CAPACITY=80\0"
                                      "POWER_SUPPLY_TEMP=-12\0POWER_SUPPLY_ONLINE=1"s);
    ASSERT_TRUE(battery);
    EXPECT_EQ(battery->name, "battery");
    EXPECT_EQ(battery->capacity, 80u);
    EXPECT_EQ(battery->temp_tenths, -12);
    EXPECT_EQ(battery->online, true);
    EXPECT_FALSE(parse_power_uevent("change@/devices/x\0ACTION=change\0SUBSYSTEM=net\0POWER_SUPPLY_CAPACITY=5"s));
    EXPECT_FALSE(parse_power_uevent("libudev\0SUBSYSTEM=power_supply\0POWER_SUPPLY_NAME=battery"s));
    EXPECT_FALSE(parse_power_uevent("SUBSYSTEM=power_supply"s));
    EXPECT_EQ(parse_power_uevent("change@/b\0SUBSYSTEM=power_supply\0POWER_SUPPLY_CAPACITY=101"s)->capacity, std::nullopt);
    EXPECT_EQ(temp_text(461), "46.1 °C");
    EXPECT_EQ(temp_text(-5), "-0.5 °C");
}

// Readings in order, each with the change it must bring (or none).
TEST(WatchDecider, ChargeLimitHoldsTheBandAndTheTemperature) {
    struct Step {
        std::optional<uint32_t> capacity;
        std::optional<int32_t> temp;
        std::optional<LimitChange> change;
    };
    const auto pause = [](std::string r) { return LimitChange{true, std::move(r)}; };
    const auto resume = [](std::string r) { return LimitChange{false, std::move(r)}; };
    // clang-format off
    const Step steps[] = {
        {70, 300, std::nullopt},
        {79, 300, std::nullopt},
        {80, 300, pause("80 %")},
        {79, 300, std::nullopt},                 // inside the band: nothing
        {76, std::nullopt, std::nullopt},
        {75, 300, resume("75 %")},
        {77, 300, std::nullopt},                 // rising again inside the band
        {77, 450, pause("45.0 °C")},             // hot whatever the level
        {77, 420, std::nullopt},                 // cooler, not yet below resume_temp
        {77, 399, resume("39.9 °C")},
        {std::nullopt, 461, pause("46.1 °C")},
        {82, 461, std::nullopt},                 // full too: one pause holds both
        {82, 300, std::nullopt},                 // cool, but still above the band
        {75, 300, resume("75 %")},
    };
    // clang-format on
    LimitDecider decider(ChargeLimit{80, 75, 45, 40});
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(decider.on_reading({steps[i].capacity, steps[i].temp}), steps[i].change);
    }
}

TEST(WatchReadings, LogDropsItsOlderHalfWhenFull) {
    EXPECT_EQ(log_kept("a\nb\n", 2, 64), "a\nb\n");
    std::string full = "line1\nline2\nline3\nline4\n";  // 24 bytes
    EXPECT_EQ(log_kept(full, 6, 24), "line3\nline4\n");
    EXPECT_EQ(log_kept(full, 30, 24), "");
}

// Recorded events: (ms, what) fed to the decider; the switches it makes.
struct Step {
    uint64_t ms;
    enum { front, screen, tick } what;
    std::string package;  // front; empty: none. screen: "on" or "off"
};

std::vector<std::string> play(const std::vector<Step>& steps, bool with_screen_off = true) {
    PerAppConfig config;
    config.apps = {{"com.game", {TuningProfile::performance, 100, std::nullopt}}, {"com.chat", {TuningProfile::battery, 70, std::nullopt}}};
    if (with_screen_off) config.screen_off = AppProfile{TuningProfile::battery, std::nullopt, std::nullopt};
    config.settle_ms = 2000;
    Decider decider(config);
    std::vector<std::string> made;
    for (const Step& s : steps) {
        if (s.what == Step::front) decider.on_front(s.package.empty() ? std::nullopt : std::optional(s.package), s.ms);
        if (s.what == Step::screen) decider.on_screen(s.package == "on", s.ms);
        if (auto change = decider.take_due(s.ms)) {
            made.push_back((change->from ? change->from->name : "-") + ">" + (change->to ? change->to->name : "-"));
        }
    }
    if (auto change = decider.take_all()) made.push_back(change->from->name + ">-");
    return made;
}

TEST(WatchDecider, SwitchesOnlyWhatStaysForTheSettleTime) {
    using V = std::vector<std::string>;
    EXPECT_EQ(play({{0, Step::front, "com.game"}, {1999, Step::tick, ""}, {2000, Step::tick, ""}}), (V{"->com.game", "com.game>-"}));
    // a visit to the launcher and back within the settle time switches nothing twice
    EXPECT_EQ(play({{0, Step::front, "com.game"}, {2000, Step::tick, ""}, {5000, Step::front, "com.launcher"},
                    {6000, Step::front, "com.game"}, {9000, Step::tick, ""}}),
              (V{"->com.game", "com.game>-"}));
    // two apps one after the other
    EXPECT_EQ(play({{0, Step::front, "com.game"}, {2000, Step::tick, ""}, {3000, Step::front, "com.chat"},
                    {5000, Step::tick, ""}}),
              (V{"->com.game", "com.game>com.chat", "com.chat>-"}));
    // screen off in a game, then on again
    EXPECT_EQ(play({{0, Step::front, "com.game"}, {2000, Step::tick, ""}, {3000, Step::screen, "off"}, {3100, Step::front, ""},
                    {5000, Step::tick, ""}, {8000, Step::screen, "on"}, {8100, Step::front, "com.game"}, {10100, Step::tick, ""}}),
              (V{"->com.game", "com.game>screen off", "screen off>com.game", "com.game>-"}));
    // without a screen-off profile the screen going off changes nothing
    EXPECT_EQ(play({{0, Step::front, "com.game"}, {2000, Step::tick, ""}, {3000, Step::screen, "off"}, {3100, Step::front, ""},
                    {9000, Step::tick, ""}, {9500, Step::screen, "on"}, {9600, Step::front, "com.game"}, {20000, Step::tick, ""}},
                   false),
              (V{"->com.game", "com.game>-"}));
}

// Readings 30 s apart, each the level (-1: unknown, -2: below severe by the
// zones) and the cap a CPU-only profile of 90 % is left at.
TEST(WatchHeat, StepsDownAtSevereAndUpAfterAMinuteCool) {
    struct Row {
        std::string_view name;
        std::vector<std::pair<int, int>> readings;
    };
    // clang-format off
    const Row rows[] = {
        {"severe twice, then never below 70", {{3, 85}, {4, 70}, {6, 70}}},
        {"light a minute brings one step back", {{3, 85}, {3, 70}, {1, 70}, {0, 70}, {1, 85}, {1, 85}, {1, 90}}},
        {"moderate starts the minute again", {{3, 85}, {1, 85}, {2, 85}, {1, 85}, {1, 85}, {1, 90}}},
        {"unknown holds", {{3, 85}, {-1, 85}, {-1, 85}, {-1, 85}}},
        {"the zones below severe count as cool", {{3, 85}, {-2, 85}, {-2, 85}, {-2, 90}}},
        {"cool without a step stays", {{0, 90}, {1, 90}, {0, 90}}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HeatSteps steps;
        uint64_t now = 0;
        for (const auto& [level, cap] : row.readings) {
            ThermalState state;
            if (level >= 0) state.level = static_cast<ThermalLevel>(level);
            state.from_zones = level == -2;
            steps.take(state, now, kHeatCoolMs);
            EXPECT_EQ(steps.cap(90), cap) << "at " << now / 1000 << " s";
            now += 30'000;
        }
    }
}

}  // namespace
}  // namespace korvane
