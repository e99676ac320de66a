// Every node-writing command run again on the same phone: a real kernel keeps
// the 0444 a write left on a sysfs node, so a second run meets its own lock.
// Each run must do what it should, whatever ran before: the lines it reports
// beyond progress and the node values it leaves, all literals of the phone.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

// What a phone's hardware makes of each command. Node values are as the
// state holds them (no newline); an empty node means the phone has none.
struct Phone {
    const char* name;
    const char* cores;                        // "[OK] ... <cores> cores"
    const char* cpu_80, *cpu_50, *cpu_top;    // policy0 scaling_max_freq after --cpu_max 80, 50, --cpu_reset
    const char* gpu_node;
    const char* gpu_80, *gpu_40, *gpu_reset;  // its value after --gpu_max 80, 40, --gpu_reset
    const char* gpu_80_ok, *gpu_40_ok, *gpu_reset_ok;
    const char* bypass_node;                  // one node the bypass switches
    const char* bypass_on, *bypass_off;
    const char* bypass_paths;
    const char* fast_node;
    const char* fast_paths;
    const char* kt_perf, *kt_batt, *kt_nrml;  // kernel tweaks applied
    const char* bypass_verdict, *resumed;     // what the battery current showed after on and off
};

const char* const kNoGpu = "[ERROR] No GPU detected";

// clang-format off
const Phone kPhones[] = {
    {"snapdragon", "8/8", "1574400", "1075200", "1785600",
     "/sys/class/kgsl/kgsl-3d0/devfreq/max_freq", "734000000", "492000000", "818000000",
     "[OK] GPU Max frequency set to 734000000", "[OK] GPU Max frequency set to 492000000", "[OK] GPU frequencies reset",
     "/sys/class/qcom-battery/input_suspend", "1", "0", "1",
     "/sys/kernel/fast_charge/force_fast_charge", "1", "17", "17", "16",
     "[WARN] Charging stopped by cutting the charger input: the phone runs on its battery (-520 mA)", "[OK] Charging resumed (2400 mA)"},
    {"snapdragon_gki", "8/8", "1670400", "1228800", "2016000",
     "/sys/class/kgsl/kgsl-3d0/devfreq/max_freq", "615000000", "401000000", "680000000",
     "[OK] GPU Max frequency set to 615000000", "[OK] GPU Max frequency set to 401000000", "[OK] GPU frequencies reset",
     "/sys/class/qcom-battery/input_suspend", "1", "0", "1",
     "", "0", "11", "11", "10",
     "[WARN] Charging stopped by cutting the charger input: the phone runs on its battery (-610 mA)", "[OK] Charging resumed (2700 mA)"},
    {"mtk_dimensity", "8/8", "1775000", "1275000", "2000000",
     "/proc/gpufreqv2/fix_target_opp_index", "7", "19", "-1",
     "[OK] MTK v2 OPP 7 applied", "[OK] MTK v2 OPP 19 applied", "[OK] MTK v2 GPU unlocked",
     "/sys/devices/platform/charger/bypass_charger", "1", "0", "2",
     "", "0", "12", "12", "11",
     "[OK] Bypass active: the charger powers the phone and the battery is idle (-9 mA)", "[OK] Charging resumed (2100 mA)"},
    {"mtk_legacy", "8/8", "1742000", "1313000", "2001000",
     "/proc/gpufreq/gpufreq_opp_freq", "590000", "410000", "0",
     "[OK] MTK v1 OPP 3 applied", "[OK] MTK v1 OPP 9 applied", "[OK] MTK v1 GPU reset",
     "/proc/mtk_battery_cmd/current_cmd", "0 1", "0 0", "1",
     "", "0", "12", "12", "11",
     "[OK] Bypass active: the charger powers the phone and the battery is idle (-4 mA)", "[OK] Charging resumed (1500 mA)"},
    {"mali", "8/8", "1598000", "1197000", "1803000",
     "/sys/devices/platform/1c500000.mali/scaling_max_freq", "701000", "351000", "848000",
     "[OK] GPU Max frequency set to 701000", "[OK] GPU Max frequency set to 351000", "[OK] GPU frequencies reset",
     "", "", "", "0",  // no switch korvane knows on a Pixel 6
     "", "0", "11", "11", "11",
     "[WARN] The phone still charges: it has no charger switch that korvane knows (2300 mA)", "[OK] Charging resumed (2300 mA)"},
    {"bare", "4/4", "2000000", "1800000", "2000000",
     "", "", "", "",
     kNoGpu, kNoGpu, kNoGpu,
     "", "", "", "0",
     "", "0", "3", "3", "3",
     "", ""},
};
// clang-format on

// A run and what it must leave: its lines that are not "[INFO] ", and a node's value.
struct Step {
    std::vector<std::string> args;
    Lines reported;
    std::string node;
    std::string value;
};

const std::string kCpuMax = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";

Lines kernel_tweaks(const char* count) { return {std::string("[OK] Applied ") + count + " kernel tweaks"}; }

// The GPU command's lines: its [OK] line, or the refusal printed twice.
Lines gpu_lines(const char* ok) { return ok == kNoGpu ? Lines{kNoGpu, kNoGpu} : Lines{ok}; }

std::vector<std::vector<Step>> sequences(const Phone& p) {
    const std::string cores = std::string(" ") + p.cores + " cores";
    const std::string cpu_reset = "[OK] CPU frequencies reset for" + cores;
    const std::string bypass_off = std::string("[OK] Bypass Charging Disabled - ") + p.bypass_paths + " paths modified";
    // a line each for what the battery current showed, where a charger is in
    auto with = [](Lines lines, const char* verdict) {
        if (*verdict != '\0') lines.push_back(verdict);
        return lines;
    };
    const Lines bypass_off_lines = with({bypass_off}, p.resumed);
    const std::string fast_off = std::string("[OK] Fast Charge Disabled - ") + p.fast_paths + " paths modified";
    const Lines gpu_reset_in_setup =
        p.gpu_reset_ok == kNoGpu ? Lines{kNoGpu, "[ERROR] GPU reset: No GPU detected"} : Lines{p.gpu_reset_ok};
    auto setup = [&](const char* kt, Lines middle, const char* done) {
        Lines lines = kernel_tweaks(kt);
        lines.insert(lines.end(), gpu_reset_in_setup.begin(), gpu_reset_in_setup.end());
        lines.push_back(cpu_reset);
        lines.insert(lines.end(), middle.begin(), middle.end());
        lines.push_back(fast_off);
        lines.push_back(done);
        return lines;
    };
    return {
        {{{"--cpu_max", "80"}, {"[OK] CPU Max applied to" + cores}, kCpuMax, p.cpu_80},
         {{"--cpu_max", "50"}, {"[OK] CPU Max applied to" + cores}, kCpuMax, p.cpu_50},
         {{"--cpu_reset"}, {cpu_reset}, kCpuMax, p.cpu_top}},
        {{{"--gpu_max", "80"}, gpu_lines(p.gpu_80_ok), p.gpu_node, p.gpu_80},
         {{"--gpu_max", "40"}, gpu_lines(p.gpu_40_ok), p.gpu_node, p.gpu_40},
         {{"--gpu_reset"}, gpu_lines(p.gpu_reset_ok), p.gpu_node, p.gpu_reset}},
        {{{"--bypass", "on"}, with({std::string("[OK] Bypass Charging Enabled - ") + p.bypass_paths + " paths modified"},
                                   p.bypass_verdict),
          p.bypass_node, p.bypass_on},
         {{"--bypass", "off"}, bypass_off_lines, p.bypass_node, p.bypass_off}},
        {{{"--fast_charge", "on"}, {std::string("[OK] Fast Charge Enabled - ") + p.fast_paths + " paths modified"},
          p.fast_node, "1"},
         {{"--fast_charge", "off"}, {fast_off}, p.fast_node, "0"}},
        {{{"--perf_kt"}, kernel_tweaks(p.kt_perf)}, {{"--perf_kt"}, kernel_tweaks(p.kt_perf)},
         {{"--batt_kt"}, kernel_tweaks(p.kt_batt)}, {{"--batt_kt"}, kernel_tweaks(p.kt_batt)},
         {{"--nrml_kt"}, kernel_tweaks(p.kt_nrml)}, {{"--nrml_kt"}, kernel_tweaks(p.kt_nrml)}},
        {{{"--auto_setup", "gamemode"},
          setup(p.kt_perf, with({"[OK] GMS Doze reverted", bypass_off}, p.resumed), "[OK] Game Mode setup completed"), kCpuMax,
          p.cpu_top},
         {{"--auto_setup", "normalmode"},
          setup(p.kt_nrml, with(bypass_off_lines, "[OK] GMS Doze reverted"), "[OK] Normal Mode setup completed"),
          p.bypass_node, p.bypass_off}},
    };
}

Lines reported(const RunResult& r) {
    Lines lines;
    for (const auto& line : r.lines()) {
        if (!line.starts_with("[INFO] ")) lines.push_back(line);
    }
    return lines;
}

void PrintTo(const Phone& phone, std::ostream* os) { *os << phone.name; }

class RepeatE2e : public testing::TestWithParam<Phone> {};

TEST_P(RepeatE2e, EveryRunDoesWhatItShould) {
    for (const std::vector<Step>& sequence : sequences(GetParam())) {
        SimDevice dev(GetParam().name);
        for (const Step& run : sequence) {
            SCOPED_TRACE(testing::PrintToString(run.args));
            RunResult r = dev.run(run.args);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(reported(r), run.reported) << r.out;
            if (!run.node.empty()) {
                EXPECT_EQ(dev.read(run.node), run.value);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllProfiles, RepeatE2e, testing::ValuesIn(kPhones),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvane::e2e
