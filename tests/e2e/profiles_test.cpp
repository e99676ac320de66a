#include <gtest/gtest.h>

#include "profiles/kernel_tweak_table.h"
#include "profiles/system_settings_table.h"
#include "journal_reads.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

using P = TuningProfile;
const std::string kKernel = "/proc/sys/kernel/";
const std::string kScaling = kKernel + "sched_tunable_scaling";

// The snapdragon kernel has every node of the tables.
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
        SimDevice dev("snapdragon");
        dev.write(kKernel + "sched_boost", "7\n");
        auto r = dev.run({c.command});
        EXPECT_EQ(r.lines(), (Lines{c.start, c.summary}));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(dev.read(kScaling), c.scaling);
        EXPECT_EQ(dev.read(kKernel + "sched_boost"), c.boost);
        EXPECT_TRUE(dev.calls().empty());  // plain writes, no shell
        for (const KernelTweak& t : kernel_tweak_table(c.profile)) {
            if (t.path == kScaling) continue;
            EXPECT_EQ(dev.read(t.path), t.value) << t.path;
            EXPECT_EQ(dev.mode(t.path), 0644u) << t.path;  // a sysctl keeps its mode
        }
    }
}

TEST(KernelTweaksE2e, AKernelWithoutTheNodesStillSucceeds) {
    SimDevice dev("bare");
    auto r = dev.run({"--perf_kt"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying Performance Kernel Tweaks...", "[OK] Applied 0 kernel tweaks"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(dev.exists(kScaling));  // never created
}

// An unprivileged caller meets EACCES on a locked node; the shell fallback runs
// as the same user and fails too, so the node is not counted. The repeated
// scaling node is taken out: its first write locks it against the second.
TEST(KernelTweaksE2e, ARefusedNodeWarnsBetweenStartAndSummary) {
    SimDevice dev("snapdragon");
    // root's nodes: the shell user writes only those opened to everyone
    for (const KernelTweak& t : kernel_tweak_table(P::performance)) dev.chmod(t.path, 0666);
    dev.chmod(kKernel + "sched_boost", 0444);
    dev.remove(kScaling);
    auto r = dev.run({"--perf_kt"}, kShellUid);
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying Performance Kernel Tweaks...",
                                "[WARN] Permission denied for " + kKernel + "sched_boost, trying shell fallback...",
                                "[OK] Applied 28 kernel tweaks"}));
    ASSERT_EQ(dev.calls_of("sh").size(), 1u);
    EXPECT_EQ(dev.calls_of("sh")[0], (Call{"sh", "-c", "echo '1' > " + kKernel + "sched_boost"}));
}

TEST(CommonTweaksE2e, CountsTheWritesThatTook) {
    SimDevice dev("bare");
    dev.write(kKernel + "sched_child_runs_first", "0\n");
    auto r = dev.run({"--common_startup"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying common tweaks...", "[OK] Common tweaks applied (1 operations)"}));
    EXPECT_EQ(dev.read(kKernel + "sched_child_runs_first"), "1");

    SimDevice full("snapdragon");
    EXPECT_EQ(full.run({"--common_startup"}).lines().back(), "[OK] Common tweaks applied (3 operations)");
    EXPECT_EQ(full.read(kKernel + "sched_schedstats"), "0");
    EXPECT_EQ(full.read(kKernel + "sched_autogroup_enabled"), "0");
}

TEST(CommonTweaksE2e, FailsWhenNoWriteTook) {
    SimDevice dev("bare");
    auto r = dev.run({"--common_startup"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying common tweaks...", "[ERROR] Failed to apply common tweaks"}));
    EXPECT_EQ(r.status, 0);
}

std::vector<Call> expected_puts(P profile) {
    std::vector<Call> calls;
    for (const GlobalSetting& s : global_settings()) {
        calls.push_back({"settings", "put", "global", std::string(s.name), setting_value(s, profile)});
    }
    return calls;
}

TEST(SystemProfileE2e, StoresTheSixSettingsAsSingleArguments) {
    struct Case {
        const char* command;
        P profile;
        const char* start;
        size_t activity_manager_length;
    };
    const Case cases[] = {
        {"--batt_sys", P::battery, "[INFO] Applying Battery System Settings...", 1534},
        {"--nrml_sys", P::balanced, "[INFO] Applying Balanced System Settings...", 1536},
        {"--perf_sys", P::performance, "[INFO] Applying Performance System Settings...", 1532},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        SimDevice dev("snapdragon");
        auto r = dev.run({c.command});
        // no closing line on success; Android 14 reads most values from device_config
        EXPECT_EQ(r.lines(),
                  (Lines{c.start, "[INFO] Android 14 reads these values from device_config: setting 46 there"}));
        auto calls = without_journal_reads(dev.calls_of("settings"));
        ASSERT_EQ(calls, expected_puts(c.profile));
        EXPECT_EQ(calls[0][4].size(), c.activity_manager_length);
        for (const Call& call : calls) EXPECT_EQ(dev.setting("global", call[3]), call[4]);
    }
}

TEST(SystemProfileE2e, AFailingStoreStopsTheProfile) {
    SimDevice dev("snapdragon");
    dev.fail_tool("settings", 1, "settings: store is read-only\n", {.args_contain = "put global job_scheduler_quota"});
    auto r = dev.run({"--batt_sys"});
    auto puts = expected_puts(P::battery);
    const Call& third = puts[2];
    std::string command_line = "settings put global " + third[3] + " " + third[4];
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Applying Battery System Settings...",
                                "[ERROR] Command failed: " + command_line + ": settings: store is read-only",
                                ""}));  // the tool's own newline, kept in the error text
    EXPECT_EQ(without_journal_reads(dev.calls_of("settings")), (std::vector<Call>{puts[0], puts[1], puts[2]}));
    EXPECT_TRUE(dev.setting("global", "activity_manager_constants").has_value());
    EXPECT_TRUE(dev.setting("global", "job_scheduler_constants").has_value());
    for (const char* never : {"job_scheduler_quota_controller_constants", "battery_saver_constants",
                              "device_idle_constants", "app_standby_constants"}) {
        EXPECT_FALSE(dev.setting("global", never).has_value()) << never;
    }
}

TEST(SystemProfileE2e, ResetDeletesAllSix) {
    SimDevice dev("snapdragon");
    ASSERT_EQ(dev.run({"--perf_sys"}).lines().size(), 2u);
    dev.clear_calls();
    auto r = dev.run({"--resetting_sys"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Resetting System Profile...", "[OK] System Profile Reset Complete"}));
    std::vector<Call> deletes;
    for (const GlobalSetting& s : global_settings()) {
        deletes.push_back({"settings", "delete", "global", std::string(s.name)});
        EXPECT_FALSE(dev.setting("global", std::string(s.name)).has_value()) << s.name;
    }
    // Then, on Android 14, the release, one listing per namespace and the 46 device_config deletes.
    const std::vector<Call> calls = dev.calls();
    ASSERT_EQ(calls.size(), 6u + 1u + 5u + 46u);
    EXPECT_EQ(std::vector<Call>(calls.begin(), calls.begin() + 6), deletes);
    EXPECT_EQ(calls[6], (Call{"getprop", "ro.build.version.sdk"}));
    for (size_t i = 12; i < calls.size(); ++i) EXPECT_EQ(calls[i][2], "delete") << i;
}

TEST(SystemProfileE2e, ResetIgnoresFailures) {
    SimDevice missing("snapdragon");
    missing.remove_tool("settings");
    auto r = missing.run({"--resetting_sys"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Resetting System Profile...", "[OK] System Profile Reset Complete"}));
    EXPECT_EQ(r.status, 0);

    SimDevice failing("snapdragon");
    failing.fail_tool("settings", 1, "boom\n");
    EXPECT_EQ(failing.run({"--resetting_sys"}).lines().back(), "[OK] System Profile Reset Complete");
    EXPECT_EQ(failing.calls_of("settings").size(), 6u);  // every delete tried
}

}  // namespace
}  // namespace korvane::e2e
