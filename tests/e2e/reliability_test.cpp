// Properties every command must keep, whatever it does: no descriptor of ours
// reaches a device tool, and a reader that goes away early never leaves an
// operation half done.
#include <gtest/gtest.h>

#include <utility>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

TEST(Reliability, NoToolInheritsADescriptorOfOurs) {
    const std::vector<std::vector<std::string>> commands = {
        {"--perf_sys"},        {"--resetting_sys"},     {"--clean_ram"},       {"--clear_cache_app"},
        {"--gms_doze_enable"}, {"--gms_doze_revert"},   {"--set_dnd", "Y"},    {"--disable_network"},
        {"--downscales", "0.5"}, {"--reset_downscale"}, {"--fps_limit", "60"}, {"--reset_fps"},
        {"--sf_auto"},         {"--get_refresh"},       {"--check_nand"},      {"--auto_setup", "gamemode"},
    };
    SimDevice dev("snapdragon");
    dev.trace_fds();
    for (const auto& args : commands) dev.run(args);
    // The shell of the write fallback, reached as an unprivileged user.
    dev.chmod("/proc/sys/kernel/sched_child_runs_first", 0444);
    dev.run({"--perf_kt"}, kShellUid);

    std::vector<std::string> traced = dev.leaked_fds();
    ASSERT_GT(traced.size(), commands.size());
    bool shell_seen = false;
    for (const std::string& line : traced) {
        EXPECT_EQ(line.back(), ':') << "a tool inherited descriptors: " << line;
        shell_seen |= line == "sh:";
    }
    EXPECT_TRUE(shell_seen);
}

TEST(Reliability, ReaderClosingEarlyDoesNotCutAProfileShort) {
    SimDevice dev("snapdragon");
    // head exits after the first line; every later line goes to a closed pipe.
    auto r = dev.run_program("/system/bin/sh", {"-c", "/sim/bin/korvane --batt_kt | head -n 1; echo status ${PIPESTATUS[0]}"});
    ASSERT_EQ(r.lines().size(), 2u) << r.out << r.err;
    EXPECT_EQ(r.lines()[0], "[INFO] Applying Battery Kernel Tweaks...");
    EXPECT_EQ(r.lines()[1], "status 0");
    // The battery profile where the Snapdragon 8 Gen 1 keeps each tunable:
    // WALT's in /proc/sys/walt, its margins once per boundary of three
    // clusters, the third slot untouched.
    const std::pair<const char*, const char*> battery[] = {
        {"/proc/sys/kernel/sched_child_runs_first", "1"},
        {"/proc/sys/kernel/sched_tunable_scaling", "2"},
        {"/proc/sys/kernel/perf_cpu_time_max_percent", "5"},
        {"/proc/sys/walt/sched_boost", "0"},
        {"/proc/sys/walt/sched_sync_hint_enable", "0"},
        {"/proc/sys/kernel/sched_latency_ns", "48000000"},
        {"/proc/sys/kernel/sched_min_granularity_ns", "60000000"},
        {"/proc/sys/kernel/sched_wakeup_granularity_ns", "8000000"},
        {"/proc/sys/kernel/sched_rt_runtime_us", "900000"},
        {"/proc/sys/kernel/sched_rt_period_us", "1000000"},
        {"/proc/sys/kernel/sched_migration_cost_ns", "1000000"},
        {"/proc/sys/walt/sched_upmigrate", "80\t80\t95"},
        {"/proc/sys/walt/sched_downmigrate", "75\t75\t85"},
        {"/proc/sys/walt/sched_group_upmigrate", "80"},
        {"/proc/sys/walt/sched_group_downmigrate", "75"},
        {"/proc/sys/kernel/sched_energy_aware", "1"},
    };
    for (const auto& [path, value] : battery) EXPECT_EQ(dev.read(path), value) << path;
}

}  // namespace
}  // namespace korvane::e2e
