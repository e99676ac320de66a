#pragma once
// The kernel tweak tables typed from the profiles' definition, for tests to
// hold the phone against: never korvane's own table, so a wrong value there
// fails a test. Rows in order of writing; nullptr where a profile has no entry.

#include <string>

#include "android/tuning_profile.h"

namespace korvane::e2e {

struct GoldenTweak {
    const char* name;  // under /proc/sys/kernel in the table
    const char* battery;
    const char* balanced;
    const char* performance;

    const char* value(TuningProfile profile) const {
        switch (profile) {
        case TuningProfile::battery: return battery;
        case TuningProfile::balanced: return balanced;
        case TuningProfile::performance: return performance;
        }
        return nullptr;
    }
};

// clang-format off
inline constexpr GoldenTweak kGoldenTweaks[] = {
    {"sched_child_runs_first",           "1",        "1",        "0"},
    {"sched_cfs_boost",                  "0",        "1",        "1"},
    {"sched_tunable_scaling",            "2",        "1",        "0"},
    {"sched_autogroup_enabled",          "1",        "0",        "0"},
    {"perf_cpu_time_max_percent",        "5",        "15",       "25"},
    {"sched_boost",                      "0",        nullptr,    "1"},
    {"sched_is_big_little",              "1",        "1",        "1"},
    {"sched_sync_hint_enable",           "0",        "1",        "1"},
    {"sched_latency_ns",                 "48000000", "24000000", "12000000"},
    {"sched_min_granularity_ns",         "60000000", "30000000", "15000000"},
    {"sched_wakeup_granularity_ns",      "8000000",  "4000000",  "2000000"},
    {"sched_rt_runtime_us",              "900000",   "950000",   "980000"},
    {"sched_rt_period_us",               "1000000",  "1000000",  "1000000"},
    {"sched_migration_cost_ns",          "1000000",  "500000",   "250000"},
    {"sched_min_util_for_colocation",    "20",       "0",        "0"},
    {"sched_upmigrate",                  "80",       "85",       "95"},
    {"sched_downmigrate",                "75",       "80",       "90"},
    {"sched_group_upmigrate",            "80",       "85",       "95"},
    {"sched_group_downmigrate",          "75",       "80",       "90"},
    {"sched_boost_top_app",              "0",        "1",        "1"},
    {"sched_spill_nr_run",               "1",        "0",        "0"},
    {"sched_spill_load",                 "300",      "450",      "600"},
    {"sched_init_task_load",             "50",       "75",       "100"},
    {"sched_mostly_idle_load",           "20",       "10",       "1"},
    {"sched_mostly_idle_nr_run",         "10",       "15",       "20"},
    {"sched_prefer_sync_wakee_to_waker", "0",        "1",        "1"},
    {"sched_boost_bypass",               "1",        "0",        "0"},
    {"sched_energy_aware",               "1",        "1",        "0"},
    {"sched_tunable_scaling",            "2",        "1",        "1"},
    {"sched_capacity_margin_up",         "120",      "110",      "100"},
    {"sched_capacity_margin_down",       "40",       "30",       "20"},
};
// clang-format on

inline const std::string kKernelDir = "/proc/sys/kernel/";

}  // namespace korvane::e2e
