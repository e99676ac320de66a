#include <gtest/gtest.h>

#include "profiles/device_config_twins.h"

namespace korvane {
namespace {

using P = TuningProfile;

std::optional<ConfigTwin> twin_named(std::string_view ns, std::string_view key, int32_t release = 34) {
    for (const ConfigTwin& twin : twins_for(release)) {
        if (twin.ns == ns && twin.key == key) return twin;
    }
    return std::nullopt;
}

// The value put for each profile: renamed keys, negations and the sound
// trigger's merge of two of the profile's keys.
TEST(ConfigTwins, ConvertsEachProfilesValue) {
    struct Case {
        const char* ns;
        const char* key;
        const char* battery;
        const char* balanced;
        const char* performance;
    };
    // clang-format off
    const Case cases[] = {
        {"activity_manager", "max_cached_processes",          "16",    "32",    "64"},
        {"activity_manager", "max_phantom_processes",         "16",    "32",    "64"},
        {"jobscheduler",     "heavy_use_factor",              "0.9",   "0.9",   "1.0"},
        {"jobscheduler",     "min_linear_backoff_time_ms",    "30000", "10000", "5000"},
        {"jobscheduler",     "min_exp_backoff_time_ms",       "15000", "5000",  "2500"},
        {"jobscheduler",     "qc_max_job_count_active",       "50",    "100",   "200"},
        {"jobscheduler",     "qc_max_job_count_working",      "25",    "50",    "100"},
        {"battery_saver",    "enable_brightness_adjustment",  "true",  "true",  "true"},
        {"battery_saver",    "enable_datasaver",              "true",  "true",  "false"},
        {"battery_saver",    "location_mode",                 "1",     "2",     "0"},
        {"battery_saver",    "enable_quick_doze",             "true",  "true",  "false"},
        {"battery_saver",    "defer_keyvalue_backup",         "true",  "true",  "false"},
        {"battery_saver",    "soundtrigger_mode",             "2",     "0",     "0"},
        {"device_idle",      "location_accuracy",             "50.0",  "20.0",  "20.0"},
        {"app_standby",      "initial_foreground_service_start_duration", "150000", "300000", "300000"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto twin = twin_named(c.ns, c.key);
        ASSERT_TRUE(twin) << c.key;
        EXPECT_EQ(twin_value(*twin, P::battery), c.battery) << c.key;
        EXPECT_EQ(twin_value(*twin, P::balanced), c.balanced) << c.key;
        EXPECT_EQ(twin_value(*twin, P::performance), c.performance) << c.key;
    }
}

TEST(ConfigTwins, WhatEachReleaseReads) {
    struct Case {
        int32_t release;
        size_t count;
        bool pre_idle;       // device_idle/light_pre_idle_to
        bool idle;           // any device_idle twin
        bool quota_bump;     // app_standby/trigger_quota_bump_on_notification_seen
    };
    for (const Case& c : {Case{30, 0, false, false, false}, Case{31, 46, true, true, false},
                          Case{32, 46, true, true, false}, Case{33, 46, false, true, true},
                          Case{34, 46, false, true, true}, Case{35, 29, false, false, true},
                          Case{36, 29, false, false, true}}) {
        EXPECT_EQ(twins_for(c.release).size(), c.count) << c.release;
        EXPECT_EQ(twin_named("device_idle", "light_pre_idle_to", c.release).has_value(), c.pre_idle) << c.release;
        EXPECT_EQ(twin_named("device_idle", "sensing_to", c.release).has_value(), c.idle) << c.release;
        EXPECT_EQ(twin_named("app_standby", "trigger_quota_bump_on_notification_seen", c.release).has_value(),
                  c.quota_bump) << c.release;
    }
    EXPECT_FALSE(twin_named("jobscheduler", "qc_max_execution_time_ms"));
    const auto twins = twins_for(34);
    EXPECT_EQ(twin_namespaces(twins),
              (std::vector<std::string_view>{"activity_manager", "jobscheduler", "battery_saver", "device_idle",
                                             "app_standby"}));
}

TEST(ConfigTwins, ReleaseNames) {
    EXPECT_EQ(release_name(31), "12");
    EXPECT_EQ(release_name(32), "12L");
    EXPECT_EQ(release_name(33), "13");
    EXPECT_EQ(release_name(35), "15");
}

}  // namespace
}  // namespace korvane
