// Every node-writing command run again on the same phone: a real kernel keeps
// the 0444 a write left on a sysfs node, so a second run meets its own lock.
// Each run must succeed like the first of its sequence.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

struct Sequence {
    const char* name;
    std::vector<std::vector<std::string>> runs;
};

// clang-format off
const Sequence kSequences[] = {
    {"cpu",         {{"--cpu_max", "80"}, {"--cpu_max", "50"}, {"--cpu_reset"}}},
    {"gpu",         {{"--gpu_max", "80"}, {"--gpu_max", "40"}, {"--gpu_reset"}}},
    {"bypass",      {{"--bypass", "on"}, {"--bypass", "off"}}},
    {"fast_charge", {{"--fast_charge", "on"}, {"--fast_charge", "off"}}},
    {"kernel",      {{"--perf_kt"}, {"--perf_kt"}, {"--batt_kt"}, {"--batt_kt"}, {"--nrml_kt"}, {"--nrml_kt"}}},
    {"auto_setup",  {{"--auto_setup", "gamemode"}, {"--auto_setup", "normalmode"}}},
};
// clang-format on

// The node whose value says the phone charges, per profile ("" for none).
struct Profile {
    const char* name;
    const char* charging_node;
};

// What a run reports beyond progress: its warnings and errors.
Lines problems(const RunResult& r) {
    Lines lines;
    for (const auto& line : r.lines()) {
        if (line.rfind("[INFO] ", 0) != 0 && line.rfind("[OK] ", 0) != 0) lines.push_back(line);
    }
    return lines;
}

std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& a : args) text += (text.empty() ? "" : " ") + a;
    return text;
}

class RepeatE2e : public testing::TestWithParam<Profile> {};

TEST_P(RepeatE2e, EveryRunSucceedsLikeTheFirst) {
    const Profile& profile = GetParam();
    for (const Sequence& sequence : kSequences) {
        SCOPED_TRACE(sequence.name);
        SimDevice dev(profile.name);
        const std::string cpu_max = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
        std::string max_before = dev.read(cpu_max);
        std::string charging_before = *profile.charging_node ? dev.read(profile.charging_node) : "";
        RunResult first;
        for (size_t i = 0; i < sequence.runs.size(); ++i) {
            RunResult r = dev.run(sequence.runs[i]);
            if (i == 0) first = r;
            EXPECT_EQ(r.status, first.status) << joined(sequence.runs[i]);
            EXPECT_EQ(problems(r), problems(first)) << joined(sequence.runs[i]) << "\n" << r.out;
        }
        std::string name = sequence.name;
        if (name == "cpu") {
            EXPECT_EQ(dev.read(cpu_max), max_before);
        }
        if (name == "bypass" && *profile.charging_node) {
            EXPECT_EQ(dev.read(profile.charging_node), charging_before) << "charging is enabled again";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllProfiles, RepeatE2e,
                         testing::Values(Profile{"snapdragon", "/sys/class/qcom-battery/input_suspend"},
                                         Profile{"snapdragon_gki", "/sys/class/qcom-battery/input_suspend"},
                                         Profile{"mtk_dimensity", "/sys/devices/platform/charger/bypass_charger"},
                                         Profile{"mtk_legacy", "/proc/mtk_battery_cmd/current_cmd"},
                                         Profile{"mali", "/sys/devices/platform/soc/soc:google,charger/charge_disable"},
                                         Profile{"bare", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvane::e2e
