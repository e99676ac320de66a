// The phone's heat as korvane reads it: each command that raises a clock cap
// names a hot phone and still does its work, and --status shows the state, on
// every kind of thermal reading (the service's status in either dump format,
// a HAL not ready or overridden or 1.0, Android 7-9's zones, a cooling device).
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kHotTail = "): its thermal service keeps the clocks below what korvane sets until it cools";
const std::string kCool = ", no CPU or GPU cooling device active";

struct HeatRow {
    std::string name;
    const char* profile;
    std::optional<int> api;
    Heat heat;
    std::vector<std::string> command;
    std::string first_line;  // the command's first line; empty: no thermal line at all
};

std::vector<HeatRow> heat_rows() {
    const std::vector<std::vector<std::string>> raising = {{"--cpu_max", "80"}, {"--gpu_max", "80"}, {"--cpu_reset"},
                                                           {"--gpu_reset"}, {"--perf_kt"}, {"--auto_setup", "gamemode"}};
    std::vector<HeatRow> rows;
    for (const auto& command : raising) {
        std::string name = command[0].substr(2) + (command.size() > 1 ? "_" + command[1] : "");
        rows.push_back({name + "_severe", "snapdragon", {}, {.status = 3, .skin = 47.5}, command,
                        "[WARN] The phone is hot (thermal status severe, skin 47.5 °C" + kHotTail});
        rows.push_back({name + "_light", "snapdragon", {}, {.status = 1, .skin = 41.0}, command, ""});
    }
    const std::string hot_zones = "[WARN] The phone is hot (thermal status severe, ";  // or the service's severe
    // clang-format off
    rows.insert(rows.end(), {
        {"early_10_dump", "snapdragon", 29, {.status = 3, .skin = 47.5}, {"--cpu_max", "80"},
         hot_zones + "skin 47.5 °C" + kHotTail},
        {"hal_not_ready_zones_decide", "snapdragon", {}, {.status = 0, .skin = 46.0, .hal_ready = false},
         {"--gpu_max", "80"}, hot_zones + "skin 46.0 °C" + kHotTail},
        {"overridden_status_zones_decide", "snapdragon", {}, {.status = 0, .skin = 46.0, .overridden = true},
         {"--cpu_max", "80"}, hot_zones + "skin 46.0 °C" + kHotTail},
        {"hal_1_0_zones_decide", "qc_hmp", 29, {.status = 3, .skin = 46.0}, {"--cpu_max", "80"},
         hot_zones + "skin 46.0 °C" + kHotTail},
        {"android_9_skin_zone", "qc_hmp", {}, {.skin = 46.0}, {"--cpu_max", "80"}, hot_zones + "skin 46.0 °C" + kHotTail},
        {"android_9_board_zone", "mtk_legacy", {}, {.skin = 46.0}, {"--gpu_max", "80"},
         hot_zones + "board 45.5 °C" + kHotTail},
        {"android_7_cool_zones", "snapdragon", 24, {.skin = 44.0}, {"--cpu_max", "80"}, ""},
        {"cooling_device_holds_at_light", "qc_walt4", {}, {.status = 1, .skin = 41.0, .cooling = 2},
         {"--cpu_reset"}, "[WARN] The phone is hot (thermal status light, skin 41.0 °C, cooling active on "
         "thermal-cpufreq-0, thermal-cpufreq-4, thermal-cpufreq-7, thermal-devfreq-0" + kHotTail},
        {"status_cool", "snapdragon", {}, {}, {"--status"},
         "[INFO] Thermal status none (thermal service), skin 33.5 °C" + kCool},
        {"status_hot", "snapdragon", {}, {.status = 4, .skin = 50.0, .cooling = 1}, {"--status"},
         "[INFO] Thermal status critical (thermal service), skin 50.0 °C, cooling active on cpufreq-cpu0, "
         "cpufreq-cpu4, cpufreq-cpu7, devfreq-3d00000.qcom,kgsl-3d0"},
        // the Pixel's HAL configuration puts the skin's severe level at 48 °C
        {"status_own_threshold", "mali", {}, {.skin = 47.0, .hal_ready = false}, {"--status"},
         "[INFO] Thermal status below severe (thermal zones, severe at 48.0 °C), skin 47.0 °C" + kCool},
        {"status_no_zones", "bare", {}, {.hal_ready = false}, {"--status"}, "[INFO] Thermal status unknown" + kCool},
    });
    // clang-format on
    return rows;
}

class HeatMatrix : public ::testing::TestWithParam<HeatRow> {};

TEST_P(HeatMatrix, AHotPhoneIsNamedAndTheCommandStillRuns) {
    const HeatRow& row = GetParam();
    SimDevice dev(row.profile, row.api);
    dev.set_heat(row.heat);
    const RunResult r = dev.run(row.command);
    ASSERT_FALSE(r.lines().empty());
    if (row.first_line.empty()) {
        EXPECT_EQ(r.out.find("Thermal"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("The phone is hot"), std::string::npos) << r.out;
    } else {
        EXPECT_EQ(r.lines().front(), row.first_line) << r.out;
    }
    // the command did its work all the same
    EXPECT_EQ(r.status, 0) << r.out;
    if (row.command[0] != "--status") {
        EXPECT_EQ(r.lines().back().rfind("[OK] ", 0), 0u) << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Heat, HeatMatrix, ::testing::ValuesIn(heat_rows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace korvane::e2e
