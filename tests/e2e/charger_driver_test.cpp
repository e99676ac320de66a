// Charger nodes whose drivers ignore what they do not understand, with
// success: a force_fast_charge that wants echo's newline, and MediaTek's
// two-number battery command.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kForceFast = "/sys/kernel/fast_charge/force_fast_charge";
const std::string kQcomSuspend = "/sys/class/qcom-battery/input_suspend";
const std::string kMtkCmd = "/proc/mtk_battery_cmd/current_cmd";

struct Run {
    const char* name;
    std::vector<std::string> args;
    std::string line;  // one line korvane prints
};

// Fast-charge nodes get echo's newline; every other node its bare value.
const Run kRuns[] = {
    {"fast_on", {"--dry-run", "--fast_charge", "on"}, "[DRY] write '1\\n' to " + kForceFast},
    {"fast_off", {"--dry-run", "--fast_charge", "off"}, "[DRY] write '0\\n' to " + kForceFast},
    {"bypass_on", {"--dry-run", "--bypass", "on"}, "[DRY] write '1' to " + kQcomSuspend},
};

class ChargerValuesE2e : public ::testing::TestWithParam<Run> {};

TEST_P(ChargerValuesE2e, WritesTheValueItsDriverTakes) {
    SimDevice dev("snapdragon");
    Lines lines = dev.run(GetParam().args).lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), GetParam().line), lines.end()) << ::testing::PrintToString(lines);
}

INSTANTIATE_TEST_SUITE_P(Commands, ChargerValuesE2e, ::testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChargerValuesE2e, FastChargeTakesOnTheNewlineOnlyDriver) {
    SimDevice dev("snapdragon");
    EXPECT_EQ(dev.run({"--fast_charge", "on"}).lines().back(), "[OK] Fast Charge Enabled - 1 paths modified");
    EXPECT_EQ(dev.read(kForceFast), "1");
    EXPECT_EQ(dev.run({"--fast_charge", "off"}).lines().back(), "[OK] Fast Charge Disabled - 1 paths modified");
    EXPECT_EQ(dev.read(kForceFast), "0");
}

struct DriverWrite {
    const char* profile;
    std::string node;
    const char* before;
    const char* value;  // mksh print escapes: \\n is a newline
    const char* kept;
};

const DriverWrite kWrites[] = {
    {"snapdragon", kForceFast, "0", "1", "0"},  // no newline: ignored
    {"snapdragon", kForceFast, "0", "1\\n", "1"},
    {"snapdragon", kForceFast, "1", "0\\n", "0"},
    {"snapdragon", kForceFast, "0", "2\\n", "0"},
    {"snapdragon", kForceFast, "0", "11\\n", "0"},
    {"mtk_dimensity", kMtkCmd, "0 0", "0 1", "0 1"},
    {"mtk_dimensity", kMtkCmd, "0 0", "1", "0 0"},  // one number: ignored
    {"mtk_dimensity", kMtkCmd, "0 0", "0 1 junk", "0 1"},
    {"mtk_dimensity", kMtkCmd, "0 1", "0 0\\n", "0 0"},
};

TEST(ChargerDriverNodesE2e, IgnoredWritesStillSucceed) {
    for (const DriverWrite& c : kWrites) {
        SCOPED_TRACE(c.node + " <- " + c.value);
        SimDevice dev(c.profile);
        dev.write(c.node, c.before);
        auto r = dev.run_program("/system/bin/mksh",
                                 {"-c", "if print -n -- '" + std::string(c.value) + "' > " + c.node +
                                            " 2>/dev/null; then echo ok; else echo refused; fi; cat " + c.node});
        EXPECT_EQ(r.lines(), (Lines{"ok", c.kept}));
        EXPECT_EQ(dev.read(c.node), c.kept);
    }
}

}  // namespace
}  // namespace korvane::e2e
