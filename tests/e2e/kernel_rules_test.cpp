// The simulated phone's /sys and /proc follow a real kernel's rules
// (sim/kernelfs): tried from a shell inside the phone, as root unless a test
// says otherwise.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kShell = "/system/bin/mksh";
const std::string kPolicy = "/sys/devices/system/cpu/cpufreq/policy0/";
const std::string kSuspend = "/sys/class/qcom-battery/input_suspend";

RunResult sh(const SimDevice& dev, const std::string& script, std::optional<int> uid = std::nullopt) {
    return dev.run_program(kShell, {"-c", script}, uid);
}

// A shell line that writes the value in one write() (mksh's print: escapes
// such as \\n are expanded, no newline is added) and reports "ok" or "refused".
std::string put(const std::string& value, const std::string& node) {
    return "if print -n -- '" + value + "' > " + node + " 2>/dev/null; then echo ok; else echo refused; fi";
}

TEST(KernelRulesE2e, SysfsLockRefusesRootUntilChmodGivesAWriteBitBack) {
    SimDevice dev("snapdragon");
    // access() passes root all the same: only the open looks at the write bits
    auto r = sh(dev, "chmod 0444 " + kSuspend + "; " + put("1", kSuspend) + "; [ -w " + kSuspend +
                         " ] && echo writable; chmod 0644 " + kSuspend + "; " + put("1\\n", kSuspend) + "; cat " +
                         kSuspend);
    EXPECT_EQ(r.lines(), (Lines{"refused", "writable", "ok", "1"}));
    EXPECT_EQ(dev.read(kSuspend), "1");  // stored without the newline

    // a missing node is never created: sysfs refuses the create, procfs has no such name
    auto created = sh(dev, "for n in /sys/kernel/new_node /proc/new_node /proc/sys/kernel/new_entry; do "
                           "(print -n 1 > $n) 2>&1 | sed 's/.*: //'; done; "
                           "mkdir /sys/kernel/new_dir 2>/dev/null || echo refused; "
                           "cat /sys/kernel/missing 2>&1 >/dev/null | grep -c 'No such file'");
    EXPECT_EQ(created.lines(), (Lines{"Permission denied", "No such file or directory", "No such file or directory",
                                      "refused", "1"}));
    EXPECT_FALSE(dev.exists("/sys/kernel/new_node"));
    EXPECT_FALSE(dev.exists("/proc/new_node"));
}

TEST(KernelRulesE2e, SysctlsRefuseModeAndOwnerChanges) {
    SimDevice dev("snapdragon");
    const std::string boost = "/proc/sys/kernel/sched_child_runs_first";
    auto r = sh(dev, "chmod 0444 " + boost + " || echo refused; chown 2000 " + boost + " || echo refused");
    EXPECT_EQ(r.lines(), (Lines{"refused", "refused"}));
    EXPECT_NE(r.err.find("Operation not permitted"), std::string::npos) << r.err;
    EXPECT_EQ(dev.mode(boost), 0644u);
}

TEST(KernelRulesE2e, ShellUserCannotChmodOrWriteRootsNodes) {
    SimDevice dev("snapdragon");
    auto r = sh(dev, "chmod 0666 " + kSuspend + " || echo refused; " + put("1", kSuspend), kShellUid);
    EXPECT_EQ(r.lines(), (Lines{"refused", "refused"}));
    EXPECT_EQ(dev.mode(kSuspend), 0644u);
    EXPECT_EQ(dev.read(kSuspend), "0");
}

TEST(KernelRulesE2e, VendorProcNodesTakeRootsWritesAtAnyMode) {
    SimDevice dev("mtk_dimensity");
    const std::string cmd = "/proc/mtk_battery_cmd/current_cmd";
    auto r = sh(dev, "chmod 0000 " + cmd + " && " + put("0 1\\n", cmd) + "; cat " + cmd);
    EXPECT_EQ(r.lines(), (Lines{"ok", "0 1"}));
    EXPECT_EQ(dev.mode(cmd), 0u);
}

TEST(KernelRulesE2e, ClusterCoresShareOnePolicy) {
    SimDevice dev("snapdragon");
    auto r = sh(dev, put("1075200", "/sys/devices/system/cpu/cpu2/cpufreq/scaling_max_freq") +
                         "; cd /sys/devices/system/cpu; cat cpu0/cpufreq/scaling_max_freq "
                         "cpu3/cpufreq/scaling_max_freq cpu4/cpufreq/scaling_max_freq; "
                         "cat cpu0/cpufreq/scaling_available_frequencies");
    ASSERT_EQ(r.lines().size(), 5u) << r.out << r.err;
    EXPECT_EQ(r.lines()[1], "1075200");
    EXPECT_EQ(r.lines()[2], "1075200");
    EXPECT_EQ(r.lines()[3], "2496000");  // another cluster
    EXPECT_EQ(r.lines()[4].back(), ' ');  // the kernel's blank before the newline
}

// What each kernel generation keeps of a frequency limit written to policy0.
TEST(KernelRulesE2e, FrequencyLimitsFollowTheKernelGeneration) {
    struct Case {
        const char* profile;
        const char* node;   // in kPolicy, or a full path
        const char* value;
        const char* outcome;
        const char* max;    // scaling_max_freq (or max_freq) afterwards
        const char* min;
    };
    // clang-format off
    const Case cases[] = {
        // 4.9: out-of-order limits are refused, others clamped to the hardware, kept as written
        {"mtk_legacy",     "scaling_max_freq", "500000",   "refused", "2001000", "598000"},
        {"mtk_legacy",     "scaling_min_freq", "2100000",  "refused", "2001000", "598000"},
        {"mtk_legacy",     "scaling_max_freq", "9000000",  "ok",      "2001000", "598000"},
        {"mtk_legacy",     "scaling_max_freq", "1000001",  "ok",      "1000001", "598000"},
        {"mtk_legacy",     "scaling_max_freq", "junk",     "refused", "2001000", "598000"},
        {"mtk_legacy",     "scaling_max_freq", "-1",       "refused", "2001000", "598000"},
        // 5.10: every value is taken, min follows max down
        {"snapdragon",     "scaling_max_freq", "100",      "ok",      "307200",  "307200"},
        {"snapdragon",     "scaling_max_freq", "1000001",  "ok",      "1000001", "307200"},
        // 5.15: the highest listed frequency at or below a maximum, the lowest at or above a minimum
        {"snapdragon_gki", "scaling_max_freq", "1000000",  "ok",      "902400",  "307200"},
        {"snapdragon_gki", "scaling_min_freq", "1000000",  "ok",      "2016000", "1017600"},
        {"snapdragon_gki", "scaling_max_freq", "1",        "ok",      "307200",  "307200"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " " + c.node + " " + c.value);
        SimDevice dev(c.profile);
        auto r = sh(dev, put(c.value, kPolicy + c.node) + "; cat " + kPolicy + "scaling_max_freq " + kPolicy +
                             "scaling_min_freq");
        EXPECT_EQ(r.lines(), (Lines{c.outcome, c.max, c.min})) << r.err;
    }
}

TEST(KernelRulesE2e, AdrenoLimitsOutOfOrderAreRefusedOn4x) {
    for (auto [profile, outcome] : {std::pair{"mtk_dimensity", "refused"}, std::pair{"snapdragon", "ok"}}) {
        SCOPED_TRACE(profile);
        SimDevice dev(profile);
        const std::string devfreq = "/sys/class/kgsl/kgsl-3d0/devfreq/";
        dev.write(devfreq + "min_freq", "317000000");
        dev.write(devfreq + "max_freq", "818000000");
        EXPECT_EQ(sh(dev, put("200000000", devfreq + "max_freq")).lines(), Lines{outcome});
    }
}

TEST(KernelRulesE2e, IntegerSysctlsParseLikeTheKernel) {
    struct Case {
        const char* entry;  // under /proc/sys/kernel, put back to `before` after each case
        const char* input;  // for print: escapes expanded
        const char* outcome;
        const char* shown;  // what a read shows then
    };
    // clang-format off
    const Case cases[] = {
        {"perf_cpu_time_max_percent", "2",     "ok",      "2"},
        {"perf_cpu_time_max_percent", " 2\\n", "ok",      "2"},
        {"perf_cpu_time_max_percent", "2x",    "refused", "25"},
        {"perf_cpu_time_max_percent", "\\n",   "refused", "25"},
        {"perf_cpu_time_max_percent", "101",   "refused", "25"},   // out of range
        {"sched_rt_runtime_us",   "-1",     "ok",      "-1"},
        {"sched_tunable_scaling", "0x2",    "ok",      "2"},
        {"sched_latency_ns",      "99999",  "refused", "10000000"},
    };
    // clang-format on
    SimDevice dev("snapdragon");
    std::string script;
    Lines expected;
    for (const Case& c : cases) {
        std::string node = "/proc/sys/kernel/" + std::string(c.entry);
        std::string before = dev.read(node);
        script += put(c.input, node) + "; cat " + node + "; echo " + before + " > " + node + ";";
        expected.insert(expected.end(), {c.outcome, c.shown});
    }
    // a read past the start is empty; drop_caches refuses reads and takes 1-4 only
    script += "echo \"<$(dd if=/proc/sys/kernel/perf_cpu_time_max_percent bs=1 skip=1)>\"; "
              "cat /proc/sys/vm/drop_caches || echo refused;" +
              put("5", "/proc/sys/vm/drop_caches") + ";" + put("1", "/proc/sys/vm/drop_caches");
    expected.insert(expected.end(), {"<>", "refused", "refused", "ok"});
    auto r = sh(dev, script);
    EXPECT_EQ(r.lines(), expected) << r.err;
    EXPECT_EQ(dev.read("/proc/sys/vm/drop_caches"), "1");  // the last drop, for tests to see
    EXPECT_EQ(dev.read("/proc/sys/kernel/perf_cpu_time_max_percent"), "25");  // stored without the newline
}

// Scheduler tunables follow their kernel family: where they live, their
// formats, ranges, and the partners they are checked against.
TEST(KernelRulesE2e, SchedulerTunablesFollowTheKernelFamily) {
    struct Case {
        const char* profile;
        const char* node;
        const char* input;  // for print: escapes expanded
        const char* outcome;
        const char* shown;  // the node's stored value afterwards
    };
    const std::string k = "/proc/sys/kernel/", w = "/proc/sys/walt/";
    const std::string boost = "/sys/devices/system/cpu/sched/sched_boost";
    // clang-format off
    const Case cases[] = {
        // GKI WALT: one margin per boundary of three clusters, three slots shown
        {"snapdragon_gki", "walt/sched_upmigrate",         "90 90",  "ok",      "90\t90\t95"},
        {"snapdragon_gki", "walt/sched_upmigrate",         "90",     "refused", "95\t95\t95"},  // fewer than boundaries
        {"snapdragon_gki", "walt/sched_upmigrate",         "80 80",  "refused", "95\t95\t95"},  // below down 85
        {"snapdragon_gki", "walt/sched_downmigrate",       "0 80",   "refused", "85\t85\t85"},  // margins are 1..100
        {"snapdragon_gki", "walt/sched_group_upmigrate",   "95",     "refused", "400"},  // below group down 380
        {"snapdragon_gki", "walt/sched_group_downmigrate", "390",    "ok",      "390"},
        {"snapdragon_gki", "walt/sched_group_downmigrate", "401",    "refused", "380"},  // above group up 400
        {"snapdragon_gki", "walt/sched_init_task_load",    "50",     "refused", "1\t0"},  // per task: PID PCT
        {"snapdragon_gki", "walt/sched_init_task_load",    "1 50",   "ok",      "1\t50"},
        {"snapdragon_gki", "walt/sched_init_task_load",    "2 50",   "ok",      "1\t0"},  // shows pid 1 only
        {"snapdragon_gki", "walt/sched_ravg_window_nr_ticks", "7",   "refused", "8"},
        {"snapdragon_gki", "walt/sched_min_task_util_for_colocation", "5000", "refused", "35"},
        {"snapdragon_gki", "walt/sched_boost",             "-1",     "ok",      "0"},   // drops a type not in force
        {"snapdragon_gki", "kernel/sched_child_runs_first", "1",     "ok",      "1"},   // stays until 6.6
        {"snapdragon",     "walt/sched_ravg_window_nr_ticks", "7",   "refused", "4"},   // 5.10 boots at 4
        {"snapdragon",     "walt/sched_ravg_window_nr_ticks", "5",   "ok",      "5"},   // HZ 250
        {"snapdragon",     "walt/sched_min_task_util_for_colocation", "5000", "refused", "1000"},
        {"snapdragon",     "kernel/sched_rt_runtime_us",   "2000000", "refused", "950000"},  // above the period
        {"snapdragon",     "kernel/sched_rt_period_us",    "900000", "refused", "1000000"},  // below the runtime
        {"snapdragon",     "kernel/sched_util_clamp_max",  "5000",   "refused", "1024"},
        // 4.19 WALT: tab-separated margins; fewer values change the first boundaries
        {"qc_walt4",       "kernel/sched_upmigrate",       "90",     "ok",      "90\t95"},
        {"qc_walt4",       "kernel/sched_upmigrate",       "80",     "refused", "95\t95"},  // below down 85
        {"qc_walt4",       "kernel/sched_boost",           "4",      "refused", "0"},
        // HMP: one margin each, down never above up, spill load 0..100
        {"qc_hmp",         "kernel/sched_downmigrate",     "90",     "refused", "60"},
        {"qc_hmp",         "kernel/sched_upmigrate",       "70",     "ok",      "70"},
        {"qc_hmp",         "kernel/sched_spill_load",      "300",    "refused", "90"},
        {"qc_hmp",         "kernel/sched_boost",           "-1",     "refused", "0"},
        {"qc_hmp",         "kernel/sched_boost",           "0",      "refused", "0"},   // an on/off switch
        {"qc_hmp",         "kernel/sched_boost",           "2",      "ok",      "2"},
        {"qc_hmp",         "kernel/sched_cfs_boost",       "1",      "refused", "0"},  // 0444: schedtune built in
        // MediaTek's boost takes anything and shows a sentence
        {"mtk_dimensity",  nullptr,                        "1",      "ok",      "sched boost= all boost"},
        {"mtk_legacy",     nullptr,                        "junk",   "ok",      "sched boost= no boost"},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::string node = c.node == nullptr ? boost : "/proc/sys/" + std::string(c.node);
        SCOPED_TRACE(std::string(c.profile) + " " + node + " " + c.input);
        SimDevice dev(c.profile);
        EXPECT_EQ(sh(dev, put(c.input, node)).lines(), Lines{c.outcome});
        EXPECT_EQ(dev.read(node), c.shown);
    }
    SimDevice gki("snapdragon_gki");
    // boost requests are counted per type; the lowest type requested is in force
    const std::string b = " > /proc/sys/walt/sched_boost; ";
    EXPECT_EQ(sh(gki, "echo 2" + b + "echo 1" + b + "echo 1" + b + "echo -1" + b + "cat /proc/sys/walt/sched_boost; "
                      "echo -1" + b + "cat /proc/sys/walt/sched_boost; echo 0" + b + "cat /proc/sys/walt/sched_boost")
                  .lines(),
              (Lines{"1", "2", "0"}));
    // HMP's boost: no other type over an active one, nor the type in force
    SimDevice hmp("qc_hmp");
    const std::string hb = "/proc/sys/kernel/sched_boost";
    EXPECT_EQ(sh(hmp, put("1", hb) + ";" + put("2", hb) + ";" + put("1", hb) + ";" + put("0", hb) + ";" + put("2", hb))
                  .lines(),
              (Lines{"ok", "refused", "refused", "ok", "ok"}));
    // MediaTek's sentence ends with an empty line; 5.10's WALT window is
    // kept (EPERM) where the tick is not 250 Hz
    SimDevice mtk("mtk_dimensity");
    EXPECT_EQ(sh(mtk, "cat " + boost).out, "sched boost= no boost\n\n");
    SimDevice hz100("snapdragon");
    std::ofstream(hz100.state_dir() + "/hz") << "100\n";
    auto window = sh(hz100, "print -n 5 > " + w + "sched_ravg_window_nr_ticks");
    EXPECT_NE(window.err.find("Operation not permitted"), std::string::npos) << window.err;
    EXPECT_EQ(hz100.read(w + "sched_ravg_window_nr_ticks"), "4");
    EXPECT_FALSE(gki.exists("/proc/sys/kernel/sched_latency_ns"));  // the CFS set is in debugfs since 5.13
    EXPECT_FALSE(gki.exists("/proc/sys/kernel/sched_boost"));        // nothing of WALT in /proc/sys/kernel
}

TEST(KernelRulesE2e, RebootBringsBackTheProfilesNodes) {
    SimDevice dev("snapdragon");
    std::string boot_id = dev.read("/proc/sys/kernel/random/boot_id");
    ASSERT_EQ(dev.run({"--bypass", "on"}).status, 0);
    dev.set_prop("debug.sf.late.sf.duration", "5");
    dev.set_prop("persist.sys.locale", "fr-FR");
    dev.write("/data/local/tmp/kept", "x");
    dev.reboot();
    EXPECT_EQ(dev.read(kSuspend), "0");
    EXPECT_EQ(dev.mode(kSuspend), 0644u);
    EXPECT_NE(dev.read("/proc/sys/kernel/random/boot_id"), boot_id);
    EXPECT_EQ(dev.mode("/proc/sys/kernel/random/boot_id"), 0444u);
    EXPECT_EQ(dev.prop("debug.sf.late.sf.duration"), std::nullopt);
    EXPECT_EQ(dev.prop("persist.sys.locale"), "fr-FR");
    EXPECT_EQ(dev.read("/data/local/tmp/kept"), "x");
    // The build's own debug properties are set again at boot.
    SimDevice pixel("mali");
    pixel.reboot();
    EXPECT_EQ(pixel.prop("debug.sf.use_phase_offsets_as_durations"), "1");
}

TEST(KernelRulesE2e, NodeWriteCanKillTheWriter) {
    SimDevice dev("snapdragon");
    dev.kill_on_node_write(SIGKILL, {.on_call = 2, .path_contains = "scaling_max_freq"});
    auto r = dev.run({"--cpu_max", "50"});
    EXPECT_EQ(r.status, 128 + SIGKILL);
    EXPECT_EQ(r.lines(), Lines{"[INFO] Setting CPU Max to 50%..."});
    EXPECT_EQ(dev.read(kPolicy + "scaling_max_freq"), "1075200");  // the first write took
    EXPECT_EQ(dev.read("/proc/sys/kernel/random/boot_id").size(), 36u);
}

}  // namespace
}  // namespace korvane::e2e
