// What a reboot keeps: only persist.* properties are on disk, `deviceidle
// disable` lives in the framework's memory, and the kernel forgets every
// frequency request.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

TEST(RebootStateE2e, OnlyPersistentPropertiesAndTheBuildsOwnSurvive) {
    SimDevice dev("mali");  // its build sets debug.sf.use_phase_offsets_as_durations
    const std::pair<const char*, std::optional<std::string>> props[] = {
        {"persist.sys.korvane_test", "1"},
        {"sys.korvane_test", std::nullopt},
        {"vendor.korvane_test", std::nullopt},
        {"dalvik.vm.korvane_test", std::nullopt},
        {"debug.sf.use_phase_offsets_as_durations", "1"},
    };
    for (const auto& [name, after] : props) dev.set_prop(name, "0");
    dev.set_prop("persist.sys.korvane_test", "1");
    dev.reboot();
    for (const auto& [name, after] : props) EXPECT_EQ(dev.prop(name), after) << name;
    EXPECT_EQ(dev.prop("ro.build.version.sdk"), "33");
}

TEST(RebootStateE2e, DozeComesBackOnAndRequestsAreForgotten) {
    SimDevice dev("snapdragon", 31);
    ASSERT_EQ(dev.run_program("/system/bin/cmd", {"deviceidle", "disable", "deep"}).status, 0);
    ASSERT_FALSE(dev.doze().deep_enabled);
    const std::string policy = "/sys/devices/system/cpu/cpufreq/policy0/";
    const std::string profile_min = dev.read(policy + "scaling_min_freq");
    ASSERT_EQ(dev.run_program("/system/bin/mksh", {"-c", "echo 1500000 > " + policy + "scaling_min_freq"}).status, 0);
    dev.reboot();
    EXPECT_TRUE(dev.doze().deep_enabled);
    EXPECT_EQ(dev.prop("ro.build.version.sdk"), "31");  // the release sim/run --api chose stays
    // the written min went with the kernel: a lower then higher max leaves the profile's min
    auto r = dev.run_program("/system/bin/mksh", {"-c", "echo 1000000 > " + policy + "scaling_max_freq; echo 1785600 > " +
                                                            policy + "scaling_max_freq; cat " + policy + "scaling_min_freq"});
    EXPECT_EQ(r.lines(), Lines{profile_min});
}

// sim/diff names what the refresh-rate keys do on the release.
TEST(RebootStateE2e, DiffSaysWhatTheRefreshKeysDo) {
    const std::pair<int, const char*> releases[] = {
        {28, "  display: 120 Hz; refresh-rate settings: ignored on Android 9"},
        {29, "  display: 60 Hz; refresh-rate settings: min_refresh_rate is read from Android 11"},
        {30, "  display: 60 Hz"},
    };
    for (const auto& [api, line] : releases) {
        SimDevice dev("snapdragon", api);
        dev.set_setting("system", "peak_refresh_rate", "60");
        dev.set_setting("system", "min_refresh_rate", "60");
        std::string diff = dev.diff();
        EXPECT_NE(diff.find(std::string("\n") + line + "\n"), std::string::npos) << api << diff;
    }
}

}  // namespace
}  // namespace korvane::e2e
