// MediaTek's GPU drivers as they parse a pin: gpufreq v1 keeps only a kHz
// value of its table (mt6768-style drivers answer EFAULT for the rest, and for
// 0 after freeing the pin), gpufreqv2 reads two characters of an index.
#include <gtest/gtest.h>

#include <fstream>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kV1Pin = "/proc/gpufreq/gpufreq_opp_freq";
const std::string kV1Table = "/proc/gpufreq/gpufreq_opp_dump";
const std::string kV2Pin = "/proc/gpufreqv2/fix_target_opp_index";

void efault_driver(const SimDevice& dev) { std::ofstream(dev.state_dir() + "/drivers") << "gpufreq_v1_efault\n"; }

std::string shown(const SimDevice& dev, const std::string& node) {
    auto r = dev.run_program("/system/bin/cat", {node});
    return r.lines().empty() ? "" : r.lines().front();
}

struct V1Case {
    const char* name;
    bool efault;             // an mt6768-style driver
    std::vector<std::string> args;
    Lines lines;             // korvane's output
    const char* pin;         // what the driver keeps afterwards
    const char* status;      // the node's first line as cat shows it
};

// The Galaxy A10s's table: OPP 0 at 680000 kHz down to OPP 15 at 230000.
const V1Case kV1Cases[] = {
    {"half", false, {"--gpu_max", "50"},
     {"[INFO] Setting GPU Max to 50%", "[OK] MTK v1 OPP 7 applied"}, "470000", "gpufreq keep opp frequency enabled"},
    {"full", false, {"--gpu_max", "100"},
     {"[INFO] Setting GPU Max to 100%", "[OK] MTK v1 OPP 0 applied"}, "680000", "gpufreq keep opp frequency enabled"},
    {"half_efault", true, {"--gpu_max", "50"},
     {"[INFO] Setting GPU Max to 50%", "[OK] MTK v1 OPP 7 applied"}, "470000", "gpufreq keep opp frequency enabled"},
    {"reset", false, {"--gpu_reset"},
     {"[INFO] Resetting GPU frequencies...", "[OK] MTK v1 GPU reset"}, "0", "gpufreq keep opp frequency disabled"},
    {"reset_efault", true, {"--gpu_reset"},
     {"[INFO] Resetting GPU frequencies...", "[OK] MTK v1 GPU reset"}, "0", "gpufreq keep opp frequency disabled"},
};

class GpuV1DriverE2e : public ::testing::TestWithParam<V1Case> {};

TEST_P(GpuV1DriverE2e, PinsATableFrequencyAndFreesIt) {
    const V1Case& c = GetParam();
    SimDevice dev("mtk_legacy");
    if (c.efault) efault_driver(dev);
    dev.write(kV1Pin, "530000");  // pinned at OPP 5 before
    EXPECT_EQ(dev.run(c.args).lines(), c.lines);
    EXPECT_EQ(dev.read(kV1Pin), c.pin);
    EXPECT_EQ(shown(dev, kV1Pin), c.status);
}

INSTANTIATE_TEST_SUITE_P(Phones, GpuV1DriverE2e, ::testing::ValuesIn(kV1Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GpuV1DriverE2e, ALineWithoutFrequencyIsNamed) {
    SimDevice dev("mtk_legacy");
    dev.write(kV1Table, "[0] freq = 680000, volt = 80000\n[1] volt = 79000\n[2] freq = 620000, volt = 78000\n");
    EXPECT_EQ(dev.run({"--gpu_max", "50"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 50%", "[ERROR] Cannot read OPP table: line 1 has no frequency"}));
    EXPECT_EQ(dev.read(kV1Pin), "0");
}

// What each driver does with a write, tried from the phone's shell.
struct PinWrite {
    const char* profile;
    bool efault;
    std::string node;
    const char* value;
    const char* outcome;  // "ok" or "refused"
    const char* kept;     // the backing value afterwards
};

const PinWrite kPinWrites[] = {
    {"mtk_legacy", false, kV1Pin, "7", "ok", "530000"},          // an index: ignored
    {"mtk_legacy", false, kV1Pin, "470000\\n", "ok", "470000"},
    {"mtk_legacy", false, kV1Pin, "470001", "ok", "530000"},
    {"mtk_legacy", false, kV1Pin, "0", "ok", "0"},
    {"mtk_legacy", true, kV1Pin, "7", "refused", "530000"},
    {"mtk_legacy", true, kV1Pin, "0", "refused", "0"},         // freed all the same
    {"mtk_legacy", true, kV1Pin, "470000", "ok", "470000"},
    {"mtk_dimensity", false, kV2Pin, "31", "ok", "31"},
    {"mtk_dimensity", false, kV2Pin, "-1", "ok", "-1"},
    {"mtk_dimensity", false, kV2Pin, "100", "ok", "10"},        // two characters read
    {"mtk_dimensity", false, kV2Pin, "99", "refused", "5"},
    {"mtk_dimensity", false, kV2Pin, "-2", "refused", "5"},
    {"mtk_dimensity", false, kV2Pin, "junk", "ok", "5"},        // nothing matched: ignored
};

TEST(GpuDriverNodesE2e, DriversParseTheirOwnWay) {
    for (const PinWrite& c : kPinWrites) {
        SCOPED_TRACE(std::string(c.profile) + " " + c.node + " <- " + c.value);
        SimDevice dev(c.profile);
        if (c.efault) efault_driver(dev);
        dev.write(c.node, c.node == kV1Pin ? "530000" : "5");
        auto r = dev.run_program("/system/bin/mksh", {"-c", "if print -n -- '" + std::string(c.value) + "' > " +
                                                                c.node + " 2>/dev/null; then echo ok; else echo refused; fi"});
        EXPECT_EQ(r.lines(), (Lines{c.outcome}));
        EXPECT_EQ(dev.read(c.node), c.kept);
    }
}

TEST(GpuDriverNodesE2e, V2ShowsItsPinAsASentence) {
    SimDevice dev("mtk_dimensity");
    EXPECT_EQ(shown(dev, kV2Pin), "[GPUFREQ-DEBUG] fix OPP index is disabled");
    EXPECT_EQ(dev.run({"--gpu_max", "50"}).lines().back(), "[OK] MTK v2 OPP 16 applied");
    EXPECT_EQ(shown(dev, kV2Pin), "[GPUFREQ-DEBUG] fix OPP index: 16");
}

}  // namespace
}  // namespace korvane::e2e
