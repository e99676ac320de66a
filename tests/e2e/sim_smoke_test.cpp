// Proof that the simulated phone itself behaves: its tools record calls
// exactly, fail on demand, keep state between runs, and its sandbox refuses a
// write to a read-only node for an unprivileged user. None runs korvane (the
// Cli tests run it in the sandbox).
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korvane::e2e
