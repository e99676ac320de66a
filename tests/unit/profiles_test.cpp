#include <gtest/gtest.h>

#include <set>

#include "profiles/kernel_tweak_table.h"
#include "profiles/system_settings_table.h"

namespace korvane {
namespace {

using P = TuningProfile;
constexpr P kProfiles[] = {P::battery, P::balanced, P::performance};
constexpr std::string_view kScaling = "/proc/sys/kernel/sched_tunable_scaling";

std::vector<std::string> paths_of(const std::vector<KernelTweak>& tweaks) {
    std::vector<std::string> paths;
    for (const KernelTweak& t : tweaks) paths.push_back(t.path);
    return paths;
}

TEST(KernelTweakTable, SizesAndTheMissingBalancedRow) {
    auto battery = kernel_tweak_table(P::battery);
    auto balanced = kernel_tweak_table(P::balanced);
    auto performance = kernel_tweak_table(P::performance);
    ASSERT_EQ(battery.size(), 31u);
    ASSERT_EQ(balanced.size(), 30u);
    ASSERT_EQ(performance.size(), 31u);

    // Balanced is the full list with sched_boost (row 6) left out.
    auto expected = paths_of(battery);
    EXPECT_EQ(expected[5], "/proc/sys/kernel/sched_boost");
    EXPECT_EQ(paths_of(performance), expected);
    expected.erase(expected.begin() + 5);
    EXPECT_EQ(paths_of(balanced), expected);
}

TEST(KernelTweakTable, TunableScalingIsWrittenTwiceAndTheSecondWins) {
    auto performance = kernel_tweak_table(P::performance);
    EXPECT_EQ(performance[2].path, kScaling);
    EXPECT_EQ(performance[28].path, kScaling);
    EXPECT_EQ(performance[2].value, "0");
    EXPECT_EQ(performance[28].value, "1");
    auto balanced = kernel_tweak_table(P::balanced);
    EXPECT_EQ(balanced[27].path, kScaling);  // moved up by the missing row
}

TEST(KernelTweakTable, EveryValueIsPlainDecimal) {
    for (P profile : kProfiles) {
        for (const KernelTweak& t : kernel_tweak_table(profile)) {
            ASSERT_FALSE(t.value.empty()) << t.path;
            EXPECT_EQ(t.value.find_first_not_of("0123456789"), std::string_view::npos) << t.path;
            EXPECT_TRUE(t.value == "0" || t.value[0] != '0') << t.path;
        }
    }
}

TEST(KernelTweakTable, CommonStartupSet) {
    auto common = common_startup_table();
    ASSERT_EQ(common.size(), 3u);
    EXPECT_EQ(common[0].path, "/proc/sys/kernel/sched_schedstats");
    EXPECT_EQ(common[0].value, "0");
    EXPECT_EQ(common[1].path, "/proc/sys/kernel/sched_autogroup_enabled");
    EXPECT_EQ(common[1].value, "0");
    EXPECT_EQ(common[2].path, "/proc/sys/kernel/sched_child_runs_first");
    EXPECT_EQ(common[2].value, "1");
}

TEST(SystemSettingsTable, SixSettingsInStoringOrder) {
    std::vector<std::string_view> names;
    std::vector<size_t> sizes;
    for (const GlobalSetting& s : global_settings()) {
        names.push_back(s.name);
        sizes.push_back(s.entries.size());
    }
    EXPECT_EQ(names, (std::vector<std::string_view>{"activity_manager_constants", "job_scheduler_constants",
                                                     "job_scheduler_quota_controller_constants",
                                                     "battery_saver_constants", "device_idle_constants",
                                                     "app_standby_constants"}));
    EXPECT_EQ(sizes, (std::vector<size_t>{50, 39, 14, 17, 24, 25}));
}

TEST(SystemSettingsTable, ActivityManagerValueLengths) {
    const GlobalSetting& am = global_settings()[0];
    EXPECT_EQ(setting_value(am, P::battery).size(), 1534u);
    EXPECT_EQ(setting_value(am, P::balanced).size(), 1536u);
    EXPECT_EQ(setting_value(am, P::performance).size(), 1532u);
}

TEST(SystemSettingsTable, ValueIsTheCommaJoinedList) {
    const GlobalSetting& saver = global_settings()[3];
    std::string battery = setting_value(saver, P::battery);
    EXPECT_TRUE(battery.starts_with("adjust_brightness_factor=0.7,adjust_brightness_disabled=false,"));
    EXPECT_TRUE(battery.ends_with(",sound_trigger_mode=1,vibration_mode=1"));
    const GlobalSetting& quota = global_settings()[2];
    EXPECT_EQ(setting_value(quota, P::performance),
              "in_quota_buffers=5,window_size_ms=3600000,max_execution_time_ms=600000,max_job_count_active=200,"
              "max_job_count_working=100,max_job_count_failing=10,max_job_count_deferred=50,"
              "top_app_timer_duration_ms=300000,charging_timer_duration_ms=600000,"
              "battery_not_low_timer_duration_ms=600000,storage_not_low_timer_duration_ms=600000,"
              "connectivity_timer_duration_ms=300000,content_trigger_timer_duration_ms=300000,"
              "idle_timer_duration_ms=1800000");
}

// A stray blank, separator or duplicate key would corrupt the list the
// framework parses, silently dropping entries.
TEST(SystemSettingsTable, EntriesAreCleanAndKeysUnique) {
    for (const GlobalSetting& s : global_settings()) {
        std::set<std::string_view> keys;
        for (const SettingEntry& e : s.entries) {
            EXPECT_TRUE(keys.insert(e.key).second) << s.name << " repeats " << e.key;
            EXPECT_EQ(e.key.find_first_of("=, "), std::string_view::npos) << e.key;
            for (P profile : kProfiles) {
                std::string_view v = e.values.pick(profile);
                EXPECT_FALSE(v.empty()) << e.key;
                EXPECT_EQ(v.find_first_of("=, "), std::string_view::npos) << e.key;
            }
        }
    }
}

}  // namespace
}  // namespace korvane
