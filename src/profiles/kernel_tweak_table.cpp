#include "profiles/kernel_tweak_table.h"

#include "os/text.h"

namespace korvane {
namespace {

constexpr std::string_view kKernelDir = "/proc/sys/kernel/";
// Marks a row that a profile leaves out.
constexpr std::string_view kNoEntry = "-";

struct KernelTweakRow {
    std::string_view node;  // under kKernelDir
    ProfileValues values;
};

// In order of writing. sched_tunable_scaling stands twice on purpose: both
// writes are made, and the second decides the final value.
// clang-format off
constexpr KernelTweakRow kRows[] = {
    // node                                 battery       balanced      performance
    {"sched_child_runs_first",           {"1",         "1",         "0"}},
    {"sched_cfs_boost",                  {"0",         "1",         "1"}},
    {"sched_tunable_scaling",            {"2",         "1",         "0"}},
    {"sched_autogroup_enabled",          {"1",         "0",         "0"}},
    {"perf_cpu_time_max_percent",        {"5",         "15",        "25"}},
    {"sched_boost",                      {"0",         kNoEntry,    "1"}},
    {"sched_is_big_little",              {"1",         "1",         "1"}},
    {"sched_sync_hint_enable",           {"0",         "1",         "1"}},
    {"sched_latency_ns",                 {"48000000",  "24000000",  "12000000"}},
    {"sched_min_granularity_ns",         {"60000000",  "30000000",  "15000000"}},
    {"sched_wakeup_granularity_ns",      {"8000000",   "4000000",   "2000000"}},
    {"sched_rt_runtime_us",              {"900000",    "950000",    "980000"}},
    {"sched_rt_period_us",               {"1000000",   "1000000",   "1000000"}},
    {"sched_migration_cost_ns",          {"1000000",   "500000",    "250000"}},
    {"sched_min_util_for_colocation",    {"20",        "0",         "0"}},
    {"sched_upmigrate",                  {"80",        "85",        "95"}},
    {"sched_downmigrate",                {"75",        "80",        "90"}},
    {"sched_group_upmigrate",            {"80",        "85",        "95"}},
    {"sched_group_downmigrate",          {"75",        "80",        "90"}},
    {"sched_boost_top_app",              {"0",         "1",         "1"}},
    {"sched_spill_nr_run",               {"1",         "0",         "0"}},
    {"sched_spill_load",                 {"300",       "450",       "600"}},
    {"sched_init_task_load",             {"50",        "75",        "100"}},
    {"sched_mostly_idle_load",           {"20",        "10",        "1"}},
    {"sched_mostly_idle_nr_run",         {"10",        "15",        "20"}},
    {"sched_prefer_sync_wakee_to_waker", {"0",         "1",         "1"}},
    {"sched_boost_bypass",               {"1",         "0",         "0"}},
    {"sched_energy_aware",               {"1",         "1",         "0"}},
    {"sched_tunable_scaling",            {"2",         "1",         "1"}},
    {"sched_capacity_margin_up",         {"120",       "110",       "100"}},
    {"sched_capacity_margin_down",       {"40",        "30",        "20"}},
};

constexpr struct {
    std::string_view node;  // under kKernelDir
    std::string_view value;
} kCommonRows[] = {
    {"sched_schedstats",        "0"},
    {"sched_autogroup_enabled", "0"},
    {"sched_child_runs_first",  "1"},
};
// clang-format on

std::string kernel_path(std::string_view node) { return str_cat(kKernelDir, node); }

}  // namespace

std::vector<KernelTweak> kernel_tweak_table(TuningProfile profile) {
    std::vector<KernelTweak> tweaks;
    for (const KernelTweakRow& row : kRows) {
        std::string_view value = row.values.pick(profile);
        if (value != kNoEntry) tweaks.push_back({kernel_path(row.node), value});
    }
    return tweaks;
}

std::vector<KernelTweak> common_startup_table() {
    std::vector<KernelTweak> tweaks;
    for (const auto& row : kCommonRows) tweaks.push_back({kernel_path(row.node), row.value});
    return tweaks;
}

}  // namespace korvane
