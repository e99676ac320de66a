// Proof that the simulated phone itself behaves: its tools record calls
// exactly, fail on demand, keep state between runs, and its sandbox refuses a
// write to a read-only node for an unprivileged user. None runs korvane (the
// Cli tests run it in the sandbox).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kShell = "/system/bin/mksh";

TEST(SimSmoke, ToolsRecordEveryArgumentExactly) {
    SimDevice dev;
    std::string value(1500, 'x');
    value += ",a=1,b=2\tc\\d\ne";
    auto r = dev.run_program("/system/bin/settings", {"put", "global", "some_constants", value});
    EXPECT_EQ(r.status, 0) << r.err;
    r = dev.run_program("/system/bin/getprop", {""});
    EXPECT_EQ(r.status, 0) << r.err;
    r = dev.run_program("/system/bin/sync", {});
    EXPECT_EQ(r.status, 0) << r.err;

    std::vector<Call> expected = {
        {"settings", "put", "global", "some_constants", value},
        {"getprop", ""},
        {"sync"},
    };
    EXPECT_EQ(dev.calls(), expected);
    EXPECT_EQ(dev.setting("global", "some_constants"), value);
}

TEST(SimSmoke, SettingsStoreGetPutDelete) {
    SimDevice dev;
    auto r = dev.run_program(kShell, {"-c",
        "settings get global wifi_on; settings put system peak_refresh_rate 60;"
        "settings get system peak_refresh_rate; settings delete system peak_refresh_rate;"
        "settings delete system peak_refresh_rate; settings get system peak_refresh_rate"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n60\nDeleted 1 rows\nDeleted 0 rows\nnull\n");
    EXPECT_EQ(dev.setting("system", "peak_refresh_rate"), std::nullopt);
}

TEST(SimSmoke, UnknownCommandLineFailsWithUsage) {
    SimDevice dev;
    for (const auto& tool : {"settings", "cmd", "dumpsys", "getprop", "setprop", "am", "svc"}) {
        auto r = dev.run_program(std::string("/system/bin/") + tool, {"bogus", "a", "b", "c", "d"});
        EXPECT_NE(r.status, 0) << tool;
        // Android 11+'s toolbox setprop prints its usage on standard output
        EXPECT_FALSE((std::string(tool) == "setprop" ? r.out : r.err).empty()) << tool;
    }
}

TEST(SimSmoke, ToolFailsOnItsNthCallOnly) {
    SimDevice dev;
    dev.fail_tool("settings", 3, "Error: store unavailable\n", {.on_call = 2});
    auto first = dev.run_program("/system/bin/settings", {"put", "global", "a", "1"});
    auto second = dev.run_program("/system/bin/settings", {"put", "global", "b", "2"});
    auto third = dev.run_program("/system/bin/settings", {"put", "global", "c", "3"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(second.status, 3);
    EXPECT_EQ(second.err, "Error: store unavailable\n");
    EXPECT_EQ(third.status, 0);
    EXPECT_EQ(dev.setting("global", "b"), std::nullopt);
    EXPECT_EQ(dev.setting("global", "c"), "3");
    EXPECT_EQ(dev.calls().size(), 3u);
}

TEST(SimSmoke, ToolFailsOnlyForMatchingArguments) {
    SimDevice dev;
    dev.fail_tool("cmd", 1, "", {.args_contain = "game_overlay com.tencent.ig "});
    auto hit = dev.run_program("/system/bin/cmd", {"device_config", "put", "game_overlay", "com.tencent.ig", "fps=60"});
    auto miss = dev.run_program("/system/bin/cmd", {"device_config", "put", "game_overlay", "com.tencent.iglite", "fps=60"});
    EXPECT_EQ(hit.status, 1);
    EXPECT_EQ(hit.err, "");
    EXPECT_EQ(miss.status, 0) << miss.err;
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.ig"), std::nullopt);
    EXPECT_EQ(dev.device_config("game_overlay", "com.tencent.iglite"), "fps=60");
}

TEST(SimSmoke, RemovedToolIsNotFound) {
    SimDevice dev;
    dev.remove_tool("find");
    auto r = dev.run_program(kShell, {"-c", "find /data/data -name cache"});
    EXPECT_EQ(r.status, 127);
    EXPECT_TRUE(dev.calls().empty());
}

TEST(SimSmoke, LatencyPeriodsAreTakenInOrder) {
    SimDevice dev("snapdragon", 33);  // 14 and 15 print the period alone
    dev.set_latency_periods({"11111111", "", "abc"});
    std::vector<std::string> first_lines;
    for (int i = 0; i < 4; ++i) {
        auto r = dev.run_program("/system/bin/dumpsys", {"SurfaceFlinger", "--latency"});
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_FALSE(r.lines().empty());
        first_lines.push_back(r.lines().front());
        EXPECT_GT(r.lines().size(), 1u) << "timestamps follow the period";
    }
    EXPECT_EQ(first_lines, (std::vector<std::string>{"11111111", "", "abc", "8333333"}));
    dev.set_api(34);
    EXPECT_EQ(dev.run_program("/system/bin/dumpsys", {"SurfaceFlinger", "--latency"}).lines(), Lines{"8333333"});
}

TEST(SimSmoke, SetpropRefusesReadOnlyProperties) {
    SimDevice dev;
    auto read_only = dev.run_program("/system/bin/setprop", {"ro.build.version.sdk", "99"});
    auto fine = dev.run_program("/system/bin/setprop", {"debug.sf.late.sf.duration", "2666667"});
    EXPECT_EQ(read_only.status, 1);
    EXPECT_NE(read_only.err.find("Failed to set property"), std::string::npos);
    EXPECT_EQ(fine.status, 0) << fine.err;
    EXPECT_EQ(dev.prop("debug.sf.late.sf.duration"), "2666667");
    EXPECT_EQ(dev.prop("ro.build.version.sdk"), "34");
}

TEST(SimSmoke, GetpropPrintsEmptyLineForMissingProperty) {
    SimDevice dev;
    dev.remove_prop("ro.build.version.sdk");
    auto r = dev.run_program("/system/bin/getprop", {"ro.build.version.sdk"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
}

TEST(SimSmoke, StatePersistsBetweenRuns) {
    SimDevice dev;
    dev.run_program("/system/bin/cmd", {"game", "mode", "4", "com.mobile.legends"});
    auto r = dev.run_program(kShell, {"-c", "echo 3 > /proc/sys/vm/drop_caches"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dev.game_mode("com.mobile.legends"), "4");
    EXPECT_EQ(dev.read("/proc/sys/vm/drop_caches"), "3");
}

TEST(SimSmoke, DiffReportsChangesAndCalls) {
    SimDevice dev;
    dev.run_program(kShell, {"-c",
        "echo 1574400 > /sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq;"
        "settings put global zen_mode 1; setprop debug.sf.late.sf.duration 5;"
        "find /data/data -type d -name cache -exec rm -rf {} +"});
    std::string diff = dev.diff();
    for (const char* expected : {
             "/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq: \"1785600\\n\" -> \"1574400\\n\"",
             "global zen_mode: \"0\" -> \"1\"",
             "debug.sf.late.sf.duration: unset -> \"5\"",
             "/data/data/com.whatsapp/cache/: folder deleted",
             "find /data/data -type d -name cache -exec rm -rf {} +",
         }) {
        EXPECT_NE(diff.find(expected), std::string::npos) << expected << "\nin:\n" << diff;
    }
    EXPECT_FALSE(dev.exists("/data/data/com.whatsapp/cache"));
    EXPECT_TRUE(dev.exists("/data/data/com.whatsapp/shared_prefs"));
}

TEST(SimSmoke, ToolsInheritNoDescriptorsFromTheSandbox) {
    SimDevice dev;
    dev.trace_fds();
    dev.run_program("/system/bin/getprop", {"ro.product.model"});
    dev.run_program("/usr/bin/bash", {"-c", "exec 7</dev/null; getprop ro.product.model"});
    EXPECT_EQ(dev.leaked_fds(), (std::vector<std::string>{"getprop:", "getprop: 7"}));
}

class SimProfiles : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(SimProfiles, ProfileStartsAndReportsItsRelease) {
    auto [profile, sdk] = GetParam();
    SimDevice dev(profile);
    auto r = dev.run_program(kShell, {"-c", "getprop ro.build.version.sdk; dumpsys SurfaceFlinger | grep refresh-rate"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines().size(), 2u) << r.out;
    EXPECT_EQ(r.lines()[0], sdk);
    EXPECT_TRUE(dev.exists("/sys/devices/system/cpu/cpu0/cpufreq/scaling_available_frequencies"));
    EXPECT_TRUE(dev.exists("/data/local/tmp"));
}

INSTANTIATE_TEST_SUITE_P(AllProfiles, SimProfiles,
                         testing::Values(std::pair{"snapdragon", "34"}, std::pair{"mtk_dimensity", "33"},
                                         std::pair{"mtk_legacy", "28"}, std::pair{"mali", "33"},
                                         std::pair{"bare", "30"}, std::pair{"snapdragon_gki", "36"}),
                         [](const auto& info) { return std::string(info.param.first); });

// A scenario moves the phone around a run as each release does: the app into
// top-app (7-12 each thread into tasks, 13+ the pid into cgroup.procs; none
// without a cpuset), the resumed-activity line, the screen; and every
// process of it is gone from the phone afterwards.
struct ScenarioRow {
    const char* name;
    int api;
    bool cpuset;
    std::string top_app_file;  // which top-app file the game's move writes
    int top_app_writes;
    std::string resumed_tag;
};

class SimScenario : public testing::TestWithParam<ScenarioRow> {};

TEST_P(SimScenario, ScenarioMovesThePhoneAroundTheRun) {
    const ScenarioRow& row = GetParam();
    SimDevice dev("snapdragon", row.api);
    if (!row.cpuset) dev.remove("/dev/cpuset");
    auto r = dev.run_scenario(
        "# a game, then the screen goes off\n0.1 top com.mobile.legends\n0.2 screen off\n0.3 end\n", {"--version"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("korvane ", 0), 0u) << r.out;
    ASSERT_EQ(dev.scenario_log().size(), 4u);
    EXPECT_EQ(dev.scenario_log()[3].substr(dev.scenario_log()[3].find(' ')), " end: korvane had ended: status 0");

    int writes = 0;
    for (const auto& w : dev.node_writes()) {
        if (w.path.rfind("/dev/cpuset/top-app/", 0) != 0) continue;
        ++writes;
        EXPECT_EQ(w.path, "/dev/cpuset/top-app/" + row.top_app_file);
        EXPECT_EQ(w.outcome, "ok");
        EXPECT_GE(w.ms, 100);
    }
    EXPECT_EQ(writes, row.top_app_writes);
    auto events = dev.run_program("/system/bin/logcat", {"-b", "events", "-d", "-v", "raw"}).lines();
    EXPECT_EQ(events, (Lines{"[0,com.mobile.legends/com.moba.unityplugin.MobaGameUnityActivity,resume" +
                                 std::string(row.api >= 31 ? "TopActivity]" : "TopActivityInnerLocked]"),
                             "[0,2,0,0,0]"}));
    auto resumed = dev.run_program("/system/bin/logcat", {"-b", "events", "-d", "-s", row.resumed_tag});
    EXPECT_EQ(resumed.lines().size(), 1u) << resumed.out;
    auto power = dev.run_program("/system/bin/dumpsys", {"power"}).out;
    EXPECT_NE(power.find("  mWakefulness=Asleep\n"), std::string::npos) << power;
    EXPECT_NE(power.find("Display Power: state=OFF\n"), std::string::npos) << power;
    // the kernel forgot every process of the run
    for (const auto& entry : std::filesystem::directory_iterator(dev.host_path("/proc"))) {
        EXPECT_EQ(entry.path().filename().string().find_first_not_of("0123456789"), 0u) << entry.path();
    }
    if (row.cpuset) {
        EXPECT_EQ(dev.read("/dev/cpuset/top-app/tasks"), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Releases, SimScenario,
                         testing::Values(
                             ScenarioRow{"Android10Tasks", 29, true, "tasks", 4, "am_set_resumed_activity"},
                             ScenarioRow{"Android14Procs", 34, true, "cgroup.procs", 1, "wm_set_resumed_activity"},
                             ScenarioRow{"Android7NoCpuset", 24, false, "", 0, "am_set_resumed_activity"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A write through the cpuset mount raises IN_MODIFY on the file written, and
// only there, as vfs_write does on a phone: korvane's watch needs nothing more.
TEST(SimSmoke, CpusetWriteRaisesInotifyModifyOnTheFileWritten) {
    SimDevice dev;
    dev.mkdir("/proc/4242/task/4242");
    std::string mnt = dev.state_dir() + "/mnt";
    pid_t daemon = fork();
    ASSERT_GE(daemon, 0);
    if (daemon == 0) {
        execl(KORVANE_KERNELFS, KORVANE_KERNELFS, "--state", dev.state_dir().c_str(), "--while",
              std::to_string(getppid()).c_str(), mnt.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(daemon, &status, 0), daemon);
    ASSERT_EQ(status, 0) << "the kernel file system did not mount";
    int in = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(in, 0);
    int procs = inotify_add_watch(in, (mnt + "/cpuset/top-app/cgroup.procs").c_str(), IN_MODIFY);
    int tasks = inotify_add_watch(in, (mnt + "/cpuset/top-app/tasks").c_str(), IN_MODIFY);
    EXPECT_GE(procs, 0);
    EXPECT_GE(tasks, 0);
    int fd = open((mnt + "/cpuset/top-app/cgroup.procs").c_str(), O_WRONLY | O_CLOEXEC);
    EXPECT_EQ(write(fd, "4242", 4), 4);
    EXPECT_EQ(write(fd, "4243", 4), -1) << "no such process";
    close(fd);
    pollfd ready = {in, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 2000), 1);
    alignas(inotify_event) char buffer[4096];
    ssize_t n = read(in, buffer, sizeof buffer);
    ASSERT_EQ(n, static_cast<ssize_t>(sizeof(inotify_event))) << "one event, on cgroup.procs only";
    const auto* event = reinterpret_cast<const inotify_event*>(buffer);
    EXPECT_EQ(event->wd, procs);
    EXPECT_EQ(event->mask, static_cast<uint32_t>(IN_MODIFY));
    close(in);
    EXPECT_EQ(dev.read("/dev/cpuset/top-app/tasks"), "4242\n");
    umount2(mnt.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace korvane::e2e
