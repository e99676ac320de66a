// CPU frequency control on simulated phones: which core nodes get which listed
// frequency, the core walk's limits, and the exact lines of every outcome.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

std::string core_node(int core, const std::string& name) {
    return "/sys/devices/system/cpu/cpu" + std::to_string(core) + "/cpufreq/" + name;
}
std::string available(int core) { return core_node(core, "scaling_available_frequencies"); }
std::string max_freq(int core) { return core_node(core, "scaling_max_freq"); }
std::string min_freq(int core) { return core_node(core, "scaling_min_freq"); }

// The profiles' cores share one cpufreq policy per cluster, as on a phone. A
// test that gives cores lists of their own first gives cores 0..count-1 a
// folder each, with the policy's nodes but no hardware range, so the kernel
// keeps whatever is written.
void own_policies(SimDevice& dev, int count) {
    for (int core = 0; core < count; ++core) {
        std::string folder = "/sys/devices/system/cpu/cpu" + std::to_string(core) + "/cpufreq";
        std::vector<std::tuple<std::string, std::string, mode_t>> nodes;
        for (const auto& entry : std::filesystem::directory_iterator(dev.host_path(folder))) {
            std::string node = folder + "/" + entry.path().filename().string();
            if (node.find("/cpuinfo_") == std::string::npos) nodes.emplace_back(node, dev.read(node), dev.mode(node));
        }
        dev.remove(folder);  // the link to the shared policy
        for (const auto& [node, value, mode] : nodes) dev.write(node, value, mode);
    }
}

struct Selection {
    const char* percent;
    const char* eight;     // 100..800, in order
    const char* shuffled;  // 900 100 500 500, descending with a duplicate
    const char* single;    // 42
};

TEST(CpuBoundE2e, PercentageSelectsAListedFrequencyOnEveryCore) {
    SimDevice dev("bare");
    own_policies(dev, 4);
    dev.write(available(0), "100 200 300 400 500 600 700 800 \n");
    dev.write(available(1), "900 500 100 500\n");
    dev.write(available(2), "42\n");
    dev.write(available(3), "");
    // clang-format off
    const Selection cases[] = {
        {"0",   "100", "100", "42"},
        {"50",  "500", "500", "42"},
        {"87",  "700", "900", "42"},
        {"88",  "800", "900", "42"},
        {"99",  "800", "900", "42"},
        {"100", "800", "900", "42"},
        {"255", "800", "900", "42"},
    };
    // clang-format on
    for (const Selection& c : cases) {
        SCOPED_TRACE(c.percent);
        dev.write(max_freq(3), "untouched");
        auto r = dev.run({"--cpu_max", c.percent});
        EXPECT_EQ(r.lines(), (Lines{std::string("[INFO] Setting CPU Max to ") + c.percent + "%...",
                                    "[OK] CPU Max applied to 3/4 cores"}));
        EXPECT_EQ(dev.read(max_freq(0)), c.eight);
        EXPECT_EQ(dev.read(max_freq(1)), c.shuffled);
        EXPECT_EQ(dev.read(max_freq(2)), c.single);
        EXPECT_EQ(dev.read(max_freq(3)), "untouched");  // nothing listed: skipped silently
        EXPECT_EQ(dev.mode(max_freq(0)), 0444u);
    }
    // the thermal state, read once per raise, is the only tool run
    EXPECT_EQ(dev.calls(), std::vector<Call>(std::size(cases), Call{"dumpsys", "thermalservice"}));
}

TEST(CpuBoundE2e, MinimumWritesOnlyTheLowerBound) {
    SimDevice dev("bare");
    std::string max_before = dev.read(max_freq(0));
    auto r = dev.run({"--cpu_min", "25"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Setting CPU Min to 25%...", "[OK] CPU Min applied to 4/4 cores"}));
    for (int core = 0; core < 4; ++core) EXPECT_EQ(dev.read(min_freq(core)), "1400000");
    EXPECT_EQ(dev.read(max_freq(0)), max_before);
}

TEST(CpuBoundE2e, WalkStopsAtTheFirstMissingCore) {
    SimDevice dev("snapdragon");
    dev.remove("/sys/devices/system/cpu/cpu4");
    dev.write(max_freq(5), "untouched");
    auto r = dev.run({"--cpu_max", "100"});
    EXPECT_EQ(r.lines().back(), "[OK] CPU Max applied to 4/4 cores");
    EXPECT_EQ(dev.read(max_freq(3)), "1785600");
    EXPECT_EQ(dev.read(max_freq(5)), "untouched");
}

TEST(CpuBoundE2e, NeverLooksPastSixteenCores) {
    SimDevice dev("bare");
    for (int core = 4; core < 18; ++core) {
        dev.write(available(core), "300 600\n");
        dev.write(max_freq(core), "0");
    }
    auto r = dev.run({"--cpu_max", "100"});
    EXPECT_EQ(r.lines().back(), "[OK] CPU Max applied to 16/16 cores");
    EXPECT_EQ(dev.read(max_freq(15)), "600");
    EXPECT_EQ(dev.read(max_freq(16)), "0");
    EXPECT_EQ(dev.read(max_freq(17)), "0");
}

TEST(CpuBoundE2e, FailedWritesWarnAndCountOnlyTheCoresThatTookIt) {
    SimDevice dev("bare");
    own_policies(dev, 4);
    dev.remove("/sys/devices/system/cpu/cpu1/cpufreq");  // counted, never written
    dev.remove(max_freq(2));
    auto r = dev.run({"--cpu_max", "50"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Setting CPU Max to 50%...",
                                "[WARN] Failed to set CPU2 max freq: Failed to write to " + max_freq(2) +
                                    ": No such file or directory (os error 2)",
                                "[OK] CPU Max applied to 2/4 cores"}));
}

TEST(CpuBoundE2e, NoCoreTookTheChange) {
    SimDevice dev("bare");
    dev.remove("/sys/devices/system/cpu/cpu0");
    auto min = dev.run({"--cpu_min", "0"});
    EXPECT_EQ(min.lines(),
              (Lines{"[INFO] Setting CPU Min to 0%...", "[ERROR] Failed to set CPU min frequency on any core"}));
    auto reset = dev.run({"--cpu_reset"});
    EXPECT_EQ(reset.lines(), (Lines{"[INFO] Resetting CPU frequencies...", "[ERROR] Failed to reset CPU frequencies"}));
    EXPECT_EQ(reset.status, 0);
}

TEST(CpuResetE2e, WritesTheEndsOfEachListLowerFirst) {
    SimDevice dev("bare");
    own_policies(dev, 4);
    dev.write(available(0), "1800000 300000 900000 300000\n");
    dev.write(available(1), "777\n");
    dev.remove(available(2));  // unreadable: skipped, still counted
    auto r = dev.run({"--cpu_reset"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Resetting CPU frequencies...", "[OK] CPU frequencies reset for 3/4 cores"}));
    EXPECT_EQ(dev.read(min_freq(0)), "300000");
    EXPECT_EQ(dev.read(max_freq(0)), "1800000");
    EXPECT_EQ(dev.read(min_freq(1)), "777");
    EXPECT_EQ(dev.read(max_freq(1)), "777");
    EXPECT_EQ(dev.read(max_freq(2)), "2000000");  // as the profile had it
}

TEST(CpuResetE2e, OrderOfTheTwoBoundsShowsInTheShellFallback) {
    // As an unprivileged user the 0444 nodes refuse the direct write, so each
    // write goes through one recorded shell call.
    SimDevice dev("bare");
    for (int core = 1; core < 4; ++core) dev.remove("/sys/devices/system/cpu/cpu" + std::to_string(core));
    dev.chmod(min_freq(0), 0444);
    dev.chmod(max_freq(0), 0444);
    auto r = dev.run({"--cpu_reset"}, kShellUid);
    EXPECT_EQ(r.lines().back(), "[ERROR] Failed to reset CPU frequencies");  // the shell is refused too
    auto shell = dev.calls_of("sh");
    ASSERT_EQ(shell.size(), 2u);
    EXPECT_EQ(shell[0], (Call{"sh", "-c", "echo '1000000' > " + min_freq(0)}));
    EXPECT_EQ(shell[1], (Call{"sh", "-c", "echo '2000000' > " + max_freq(0)}));
}

TEST(CpuResetE2e, FailedLowerBoundIsSilentFailedUpperBoundWarns) {
    SimDevice dev("bare");
    own_policies(dev, 4);
    dev.remove(min_freq(0));
    dev.remove(max_freq(1));
    auto r = dev.run({"--cpu_reset"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Resetting CPU frequencies...",
                                "[WARN] Failed to reset CPU1 freq: Failed to write to " + max_freq(1) +
                                    ": No such file or directory (os error 2)",
                                "[OK] CPU frequencies reset for 3/4 cores"}));
    EXPECT_EQ(dev.read(max_freq(0)), "2000000");
    EXPECT_EQ(dev.read(min_freq(1)), "1000000");
}

TEST(CpuLimitsE2e, LimitNodesLoseEveryRightAndKeepTheirValue) {
    SimDevice dev("mtk_dimensity");
    std::string before = dev.read("/sys/power/cpufreq_max_limit");
    auto r = dev.run({"--disable_cpu_limit"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Removing CPU limits...", "[OK] CPU limits disabled on 2 paths"}));
    EXPECT_EQ(dev.mode("/sys/power/cpufreq_min_limit"), 0u);
    EXPECT_EQ(dev.mode("/sys/power/cpufreq_max_limit"), 0u);
    EXPECT_EQ(dev.read("/sys/power/cpufreq_max_limit"), before);

    dev.remove("/sys/power/cpufreq_min_limit");
    auto one = dev.run({"--disable_cpu_limit"});
    EXPECT_EQ(one.lines().back(), "[OK] CPU limits disabled on 1 paths");
}

TEST(CpuLimitsE2e, RefusedModeChangeWarnsAndNoneFails) {
    SimDevice dev("mtk_dimensity");
    // Owned by a user the sandbox does not map, the nodes refuse the change.
    for (const char* node : {"/sys/power/cpufreq_min_limit", "/sys/power/cpufreq_max_limit"}) {
        ASSERT_EQ(::chown(dev.host_path(node).c_str(), 1234, 1234), 0);
    }
    auto r = dev.run({"--disable_cpu_limit"}, kShellUid);
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Removing CPU limits...",
                                "[WARN] Failed to set permissions for /sys/power/cpufreq_min_limit: "
                                "Operation not permitted (os error 1)",
                                "[WARN] Failed to set permissions for /sys/power/cpufreq_max_limit: "
                                "Operation not permitted (os error 1)",
                                "[ERROR] Failed to disable CPU limits"}));
    SimDevice bare("bare");
    EXPECT_EQ(bare.run({"--disable_cpu_limit"}).lines(),
              (Lines{"[INFO] Removing CPU limits...", "[ERROR] Failed to disable CPU limits"}));
}

TEST(CpuListingE2e, WordsAsTheyStandPerCore) {
    SimDevice dev("bare");
    own_policies(dev, 4);
    dev.write(available(0), "300000 200000 \n");
    dev.remove(available(1));
    dev.mkdir(available(1));  // unreadable
    dev.write(available(2), " \t\n");
    dev.write(available(3), "1200000\t1200000 turbo\n");
    auto r = dev.run({"--get_freq_available_cpu"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Fetching CPU frequencies...", "cpu0: 300000 200000", "cpu1: Not available",
                                "cpu3: 1200000 1200000 turbo"}));
    dev.remove("/sys/devices/system/cpu/cpu0");
    EXPECT_EQ(dev.run({"--get_freq_available_cpu"}).lines(), (Lines{"[INFO] Fetching CPU frequencies..."}));
}

}  // namespace
}  // namespace korvane::e2e
