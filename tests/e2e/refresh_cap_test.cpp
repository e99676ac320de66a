// Refresh-rate caps through the system settings: Android 7-9 read neither
// key, so korvane refuses to put them there; from 10 the display follows the
// cap, and SurfaceFlinger reports the capped rate.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const Call kSdkQuery{"getprop", "ro.build.version.sdk"};

struct CapCase {
    const char* profile;
    int api;
    Lines lines;                           // of --fps_limit 60
    std::optional<std::string> peak;       // peak_refresh_rate afterwards (the Xiaomi keeps its 120.0)
    std::string period;                    // --latency line 1 afterwards
    std::string rate_line;                 // dumpsys SurfaceFlinger's refresh-rate line
};

const Lines kRefused{"[INFO] Setting FPS limit to 60...", "[ERROR] FPS limits need Android 10 or later"};
const Lines kCapped{"[INFO] Setting FPS limit to 60...", "[OK] FPS limit set to 60"};

const CapCase kCases[] = {
    {"snapdragon", 24, kRefused, "120.0", "8333333", "  refresh-rate              : 120.000005 fps"},
    {"snapdragon", 27, kRefused, "120.0", "8333333", "  refresh-rate              : 120.000005 fps"},
    {"mtk_legacy", 28, kRefused, std::nullopt, "16666666", "  refresh-rate              : 60.000002 fps"},
    {"snapdragon", 29, kCapped, "60", "16666666", "  refresh-rate              : 60.000002 fps"},
    {"mali", 30, kCapped, "60", "16666666", "  refresh-rate              : 60.000002 fps"},
    {"snapdragon", 32, kCapped, "60", "16666666", "  refresh-rate              : 60.00fps"},
};

class RefreshCapE2e : public ::testing::TestWithParam<CapCase> {};

TEST_P(RefreshCapE2e, CapsOnlyWhereTheKeysAreRead) {
    const CapCase& c = GetParam();
    SimDevice dev(c.profile, c.api);
    EXPECT_EQ(dev.run({"--fps_limit", "60"}).lines(), c.lines);
    EXPECT_EQ(dev.setting("system", "peak_refresh_rate"), c.peak);
    auto latency = dev.run_program("/system/bin/dumpsys", {"SurfaceFlinger", "--latency"});
    EXPECT_EQ(latency.lines().front(), c.period);
    auto dump = dev.run_program("/system/bin/dumpsys", {"SurfaceFlinger"});
    const Lines lines = dump.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.rate_line), lines.end()) << ::testing::PrintToString(lines);
}

INSTANTIATE_TEST_SUITE_P(Releases, RefreshCapE2e, ::testing::ValuesIn(kCases), [](const auto& info) {
    return std::string(info.param.profile) + "_" + std::to_string(info.param.api);
});

// The reset still deletes both keys, whoever put them there.
TEST(RefreshCapE2e, ResetDeletesTheKeysOnEveryRelease) {
    SimDevice dev("mtk_legacy");  // Android 9
    dev.set_setting("system", "peak_refresh_rate", "60");
    dev.set_setting("system", "min_refresh_rate", "60");
    dev.clear_calls();
    EXPECT_EQ(dev.run({"--reset_fps"}).lines(), (Lines{"[INFO] Resetting FPS limit...", "[OK] FPS limit reset"}));
    EXPECT_EQ(dev.setting("system", "peak_refresh_rate"), std::nullopt);
    EXPECT_EQ(dev.setting("system", "min_refresh_rate"), std::nullopt);
}

// A cap no display mode meets, or a min the release does not read.
struct KeyCase {
    int api;
    const char* peak;
    const char* min;
    const char* period;
};

TEST(RefreshCapE2e, TheDisplayFollowsOnlyARangeAModeMeets) {
    const KeyCase cases[] = {
        {29, "90", "120", "11111111"},   // 10 reads the peak only
        {30, "90", "120", "8333333"},    // no mode within [120, 90]: ignored
        {30, "45", nullptr, "8333333"},  // below every mode
        {30, "90.0", "60", "11111111"},
        {28, "60", "60", "8333333"},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.api) + " " + c.peak);
        SimDevice dev("snapdragon", c.api);
        dev.set_setting("system", "peak_refresh_rate", c.peak);
        if (c.min != nullptr) dev.set_setting("system", "min_refresh_rate", c.min);
        EXPECT_EQ(dev.run_program("/system/bin/dumpsys", {"SurfaceFlinger", "--latency"}).lines().front(), c.period);
    }
}

}  // namespace
}  // namespace korvane::e2e
