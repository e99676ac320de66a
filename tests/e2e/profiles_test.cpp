#include <gtest/gtest.h>

#include "journal_reads.h"
#include "kernel_tweak_golden.h"
#include "sim_device.h"
#include "system_settings_golden.h"

namespace korvane::e2e {
namespace {

using P = TuningProfile;
const std::string kKernel = kKernelDir;
const std::string kScaling = kKernel + "sched_tunable_scaling";

// A kernel that has every node of the tables as a plain integer: the bare
// emulator (no vendor scheduler) given each of them.
void add_every_table_node(SimDevice& dev) {
    for (const GoldenTweak& t : kGoldenTweaks) dev.write(kKernelDir + t.name, "0");
    // the kernel keeps the rt runtime within its period
    dev.write(kKernelDir + "sched_rt_period_us", "1000000");
    dev.write(kKernelDir + "sched_rt_runtime_us", "950000");
}

TEST(KernelTweaksE2e, FullTablesOnAKernelWithEveryNode) {
    struct Case {
        const char* command;
        P profile;
        const char* start;
        const char* summary;
        const char* scaling;  // the second write wins
        const char* boost;    // balanced leaves sched_boost as it was
    };
    const Case cases[] = {
        {"--batt_kt", P::battery, "[INFO] Applying Battery Kernel Tweaks...",
         "[OK] Applied 31 kernel tweaks", "2", "0"},
        {"--nrml_kt", P::balanced, "[INFO] Applying Balanced Kernel Tweaks...",
         "[OK] Applied 30 kernel tweaks", "1", "7\n"},
        {"--perf_kt", P::performance, "[INFO] Applying Performance Kernel Tweaks...",
         "[OK] Applied 31 kernel tweaks", "1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        SimDevice dev("bare");
        add_every_table_node(dev);
        dev.write(kKernelDir + "sched_boost", "7\n");
        auto r = dev.run({c.command});
        EXPECT_EQ(r.lines(), (Lines{c.start, c.summary}));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(dev.read(kScaling), c.scaling);
        EXPECT_EQ(dev.read(kKernelDir + "sched_boost"), c.boost);
        // plain writes, no shell; the performance tweaks read the thermal state first
        EXPECT_EQ(dev.calls().size(), c.profile == P::performance ? 1u : 0u);
        for (const GoldenTweak& t : kGoldenTweaks) {
            std::string path = kKernelDir + t.name;
            if (path == kScaling || t.value(c.profile) == nullptr) continue;
            EXPECT_EQ(dev.read(path), t.value(c.profile)) << path;
            EXPECT_EQ(dev.mode(path), 0644u) << path;  // a sysctl keeps its mode
        }
    }
}

// A kernel with none of the table's nodes: the emulator without its
// mainline scheduler entries.
void remove_scheduler_entries(SimDevice& dev) {
    for (const char* name : {"sched_child_runs_first", "sched_rt_period_us", "sched_rt_runtime_us",
                             "sched_rr_timeslice_ms", "sched_schedstats"}) {
        dev.remove(kKernelDir + name);
    }
}

TEST(KernelTweaksE2e, AKernelWithoutTheNodesStillSucceeds) {
    SimDevice dev("bare");
    remove_scheduler_entries(dev);
    auto r = dev.run({"--perf_kt"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying Performance Kernel Tweaks...", "[OK] Applied 0 kernel tweaks"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(dev.exists(kScaling));  // never created
}

// An unprivileged caller meets EACCES on a locked node; the shell fallback runs
// as the same user and fails too, so the node is not counted. The repeated
// scaling node is taken out: its first write locks it against the second.
TEST(KernelTweaksE2e, ARefusedNodeWarnsBetweenStartAndSummary) {
    SimDevice dev("qc_hmp");
    // root's nodes: the shell user writes only those opened to everyone
    for (const GoldenTweak& t : kGoldenTweaks) {
        if (dev.exists(kKernel + t.name)) dev.chmod(kKernel + t.name, 0666);
    }
    dev.chmod(kKernel + "sched_boost", 0444);
    dev.remove(kScaling);
    auto r = dev.run({"--perf_kt"}, kShellUid);
    // 21 rows of the HMP kernel take the profile; the two scaling rows are
    // gone, sched_boost is refused and sched_spill_load's 600 is out of range,
    // and sched_cfs_boost, opened to everyone, takes its write
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying Performance Kernel Tweaks...",
                                "[WARN] Permission denied for " + kKernel + "sched_boost, trying shell fallback...",
                                "[OK] Applied 19 kernel tweaks"}));
    ASSERT_EQ(dev.calls_of("sh").size(), 1u);
    EXPECT_EQ(dev.calls_of("sh")[0], (Call{"sh", "-c", "echo '1' > " + kKernel + "sched_boost"}));
}

TEST(CommonTweaksE2e, CountsTheWritesThatTook) {
    SimDevice dev("bare");
    remove_scheduler_entries(dev);
    dev.write(kKernel + "sched_child_runs_first", "0\n");
    auto r = dev.run({"--common_startup"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying common tweaks...", "[OK] Common tweaks applied (1 operations)"}));
    EXPECT_EQ(dev.read(kKernel + "sched_child_runs_first"), "1");

    // the emulator's own kernel: schedstats and child_runs_first, no autogroup
    SimDevice emulator("bare");
    EXPECT_EQ(emulator.run({"--common_startup"}).lines().back(), "[OK] Common tweaks applied (2 operations)");

    SimDevice full("qc_walt4");
    EXPECT_EQ(full.run({"--common_startup"}).lines().back(), "[OK] Common tweaks applied (3 operations)");
    EXPECT_EQ(full.read(kKernel + "sched_schedstats"), "0");
    EXPECT_EQ(full.read(kKernel + "sched_autogroup_enabled"), "0");
}

TEST(CommonTweaksE2e, FailsWhenNoWriteTook) {
    SimDevice dev("bare");
    remove_scheduler_entries(dev);
    auto r = dev.run({"--common_startup"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying common tweaks...", "[ERROR] Failed to apply common tweaks"}));
    EXPECT_EQ(r.status, 0);
}

// The stores of a profile: the setting's value of that profile, as one argument.
std::vector<Call> expected_puts(std::string_view GoldenSetting::*profile) {
    std::vector<Call> calls;
    for (const GoldenSetting& s : kGoldenSettings) {
        calls.push_back({"settings", "put", "global", std::string(s.name), std::string(s.*profile)});
    }
    return calls;
}

TEST(SystemProfileE2e, StoresTheSixSettingsAsSingleArguments) {
    struct Case {
        const char* command;
        std::string_view GoldenSetting::*profile;
        const char* start;
    };
    const Case cases[] = {
        {"--batt_sys", &GoldenSetting::battery, "[INFO] Applying Battery System Settings..."},
        {"--nrml_sys", &GoldenSetting::balanced, "[INFO] Applying Balanced System Settings..."},
        {"--perf_sys", &GoldenSetting::performance, "[INFO] Applying Performance System Settings..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        SimDevice dev("snapdragon");
        auto r = dev.run({c.command});
        // no closing line on success; Android 14 reads most values from device_config
        EXPECT_EQ(r.lines(),
                  (Lines{c.start, "[INFO] Android 14 reads these values from device_config: setting 46 there", kSyncOff}));
        auto calls = without_journal_reads(dev.calls_of("settings"));
        EXPECT_EQ(calls, expected_puts(c.profile));
        for (const GoldenSetting& s : kGoldenSettings) EXPECT_EQ(dev.setting("global", std::string(s.name)), s.*c.profile);
    }
}

TEST(SystemProfileE2e, AFailingStoreStopsTheProfile) {
    SimDevice dev("snapdragon");
    dev.fail_tool("settings", 1, "settings: store is read-only\n", {.args_contain = "put global job_scheduler_quota"});
    auto r = dev.run({"--batt_sys"});
    auto puts = expected_puts(&GoldenSetting::battery);
    std::string command_line =
        "settings put global job_scheduler_quota_controller_constants " + std::string(kGoldenSettings[2].battery);
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying Battery System Settings...",
                                "[ERROR] Command failed: " + command_line + ": settings: store is read-only",
                                ""}));  // the tool's own newline, kept in the error text
    EXPECT_EQ(without_journal_reads(dev.calls_of("settings")), (std::vector<Call>{puts[0], puts[1], puts[2]}));
    EXPECT_EQ(dev.setting("global", "activity_manager_constants"), kGoldenSettings[0].battery);
    EXPECT_EQ(dev.setting("global", "job_scheduler_constants"), kGoldenSettings[1].battery);
    for (const char* never : {"job_scheduler_quota_controller_constants", "battery_saver_constants",
                              "device_idle_constants", "app_standby_constants"}) {
        EXPECT_FALSE(dev.setting("global", never).has_value()) << never;
    }
}

TEST(SystemProfileE2e, ResetDeletesAllSix) {
    SimDevice dev("snapdragon");
    ASSERT_EQ(dev.run({"--perf_sys"}).lines().size(), 3u);
    dev.clear_calls();
    auto r = dev.run({"--resetting_sys"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Resetting System Profile...", "[OK] System Profile Reset Complete"}));
    std::vector<Call> deletes;
    for (const GoldenSetting& s : kGoldenSettings) {
        deletes.push_back({"settings", "delete", "global", std::string(s.name)});
        EXPECT_FALSE(dev.setting("global", std::string(s.name)).has_value()) << s.name;
    }
    // On Android 14 the release and one listing per namespace come first, for
    // one journal flush before the first delete; then the 46 device_config deletes.
    const std::vector<Call> calls = dev.calls();
    ASSERT_EQ(calls.size(), 1u + 5u + 6u + 46u);
    EXPECT_EQ(calls[0], (Call{"getprop", "ro.build.version.sdk"}));
    for (size_t i = 1; i < 6; ++i) EXPECT_EQ(calls[i][2], "list") << i;
    EXPECT_EQ(std::vector<Call>(calls.begin() + 6, calls.begin() + 12), deletes);
    for (size_t i = 12; i < calls.size(); ++i) EXPECT_EQ(calls[i][2], "delete") << i;
}

TEST(SystemProfileE2e, ResetIgnoresFailures) {
    SimDevice missing("snapdragon");
    missing.remove_tool("settings");
    auto r = missing.run({"--resetting_sys"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Resetting System Profile...", "[OK] System Profile Reset Complete"}));
    EXPECT_EQ(r.status, 0);

    SimDevice failing("snapdragon");
    failing.fail_tool("settings", 1, "boom\n", {.args_contain = "delete"});
    EXPECT_EQ(failing.run({"--resetting_sys"}).lines().back(), "[OK] System Profile Reset Complete");
    EXPECT_EQ(without_journal_reads(failing.calls_of("settings")).size(), 6u);  // every delete tried
}

}  // namespace
}  // namespace korvane::e2e
