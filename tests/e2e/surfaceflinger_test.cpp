// SurfaceFlinger timing and the refresh-rate query on simulated phones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journal_reads.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

const Call kDurationsQuery{"getprop", "debug.sf.use_phase_offsets_as_durations"};

// ---- SurfaceFlinger timing ----

struct Panel {
    const char* period;
    const char* rate;
    const char* app_duration;
    const char* sf_duration;
    const char* early_phase_offset;
};

TEST(SurfaceFlinger, TimingFollowsTheMeasuredPanelRate) {
    // clang-format off
    const Panel panels[] = {
        {"8333333",  "120", "4833333",  "2666667", "-7083333"},
        {"11111111", "90",  "6666667",  "3333333", "-9111111"},
        {"13333333", "75",  "8266667",  "3733333", "-10666667"},
        {"16666666", "60",  "10833333", "4166667", "-12500000"},
        {"20000000", "50",  "13000000", "5000000", "-15000000"},
    };
    // clang-format on
    for (const Panel& panel : panels) {
        SimDevice dev("snapdragon");
        dev.set_latency_periods(Lines(5, panel.period));
        auto r = dev.run({"--sf_auto"});
        EXPECT_EQ(r.lines(),
                  (Lines{"[INFO] Applying SurfaceFlinger Optimization...",
                         "[WARN] Skipping property 'debug.sf.early_app_phase_offset_ns' (length: 34) - exceeds 31 "
                         "character limit",
                         std::string("[OK] SurfaceFlinger optimized. Refresh rate: ") + panel.rate +
                             "Hz (7 props set)"}));
        EXPECT_EQ(dev.prop("debug.sf.late.app.duration"), panel.app_duration) << panel.rate;
        EXPECT_EQ(dev.prop("debug.sf.earlyGl.sf.duration"), panel.sf_duration) << panel.rate;
        EXPECT_EQ(dev.prop("debug.sf.early_phase_offset_ns"), panel.early_phase_offset) << panel.rate;
        EXPECT_EQ(dev.prop("debug.sf.early_app_phase_offset_ns"), std::nullopt);
        EXPECT_EQ(dev.surfaceflinger_abort(), std::nullopt);
    }
}

TEST(SurfaceFlinger, FiveSamplesThenTheTimingModelThenThePropertiesInOrder) {
    SimDevice dev("snapdragon");
    (void)dev.run({"--sf_auto"});
    const Call latency{"dumpsys", "SurfaceFlinger", "--latency"};
    std::vector<Call> expected(5, latency);
    expected.push_back(kDurationsQuery);
    for (const char* name : {"debug.sf.early.app.duration", "debug.sf.earlyGl.app.duration",
                             "debug.sf.late.app.duration"}) {
        expected.push_back({"setprop", name, "4833333"});
    }
    for (const char* name : {"debug.sf.early.sf.duration", "debug.sf.earlyGl.sf.duration",
                             "debug.sf.late.sf.duration"}) {
        expected.push_back({"setprop", name, "2666667"});
    }
    expected.push_back({"setprop", "debug.sf.early_phase_offset_ns", "-7083333"});
    EXPECT_EQ(without_journal_reads(dev.calls()), expected);
}

TEST(SurfaceFlinger, UnusableSamplesFallBackToSixtyAndAnEvenCountAveragesTheMiddle) {
    SimDevice dev("snapdragon");
    dev.set_latency_periods({"50000000", "3000000", "abc", "", "-16666666"});
    EXPECT_EQ(dev.run({"--sf_auto"}).lines().back(), "[OK] SurfaceFlinger optimized. Refresh rate: 60Hz (7 props set)");
    EXPECT_EQ(dev.prop("debug.sf.early.app.duration"), "10833333");

    SimDevice failing("snapdragon");
    failing.fail_tool("dumpsys", 1, "", {.args_contain = "--latency"});
    EXPECT_EQ(failing.run({"--sf_auto"}).lines().back(),
              "[OK] SurfaceFlinger optimized. Refresh rate: 60Hz (7 props set)");

    SimDevice even("snapdragon");
    even.set_latency_periods({"16666666", "8333333", " 16666666 ", "0", "8333333"});
    EXPECT_EQ(even.run({"--sf_auto"}).lines().back(),
              "[OK] SurfaceFlinger optimized. Refresh rate: 90Hz (7 props set)");
    EXPECT_EQ(even.prop("debug.sf.early.app.duration"), "6666667");
}

TEST(SurfaceFlinger, EveryFailedPropertyWarnsAndTheCommandStillSucceeds) {
    SimDevice dev("mtk_legacy");  // a 60 Hz panel
    dev.fail_tool("setprop", 1, "denied");
    const Lines lines = dev.run({"--sf_auto"}).lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[1], "[WARN] Failed to set debug.sf.early.app.duration: Command failed: setprop "
                        "debug.sf.early.app.duration 10833333: denied");
    EXPECT_EQ(lines[7], "[WARN] Skipping property 'debug.sf.early_app_phase_offset_ns' (length: 34) - exceeds 31 "
                        "character limit");
    EXPECT_EQ(lines[8], "[WARN] Failed to set debug.sf.early_phase_offset_ns: Command failed: setprop "
                        "debug.sf.early_phase_offset_ns -12500000: denied");
    EXPECT_EQ(lines[9], "[OK] SurfaceFlinger optimized. Refresh rate: 60Hz (0 props set)");
}

// Where SurfaceFlinger takes durations, a phase offset would make it abort
// at its next start: the offsets are left out, and so when the model cannot
// be read.
TEST(SurfaceFlinger, NoPhaseOffsetWhereSurfaceFlingerUsesDurations) {
    const std::string skip_length =
        "[WARN] Skipping property 'debug.sf.early_app_phase_offset_ns' (length: 34) - exceeds 31 character limit";
    const std::string skip_model = "[WARN] Skipping property 'debug.sf.early_phase_offset_ns' - SurfaceFlinger here "
                                   "uses durations and would abort at its next start";
    SimDevice mali("mali");  // Android 13, built with use_phase_offsets_as_durations=1
    EXPECT_EQ(mali.run({"--sf_auto"}).lines(),
              (Lines{"[INFO] Applying SurfaceFlinger Optimization...", skip_length, skip_model,
                     "[OK] SurfaceFlinger optimized. Refresh rate: 90Hz (6 props set)"}));
    EXPECT_EQ(mali.calls_of("setprop").size(), 6u);
    EXPECT_EQ(mali.prop("debug.sf.early_phase_offset_ns"), std::nullopt);
    EXPECT_EQ(mali.prop("debug.sf.late.sf.duration"), "3333333");
    EXPECT_EQ(mali.surfaceflinger_abort(), std::nullopt);

    SimDevice says_true("snapdragon");
    says_true.set_prop("debug.sf.use_phase_offsets_as_durations", "true");
    SimDevice unreadable("snapdragon");
    unreadable.fail_tool("getprop", 1, "no props", {.args_contain = "durations"});
    for (const SimDevice* dev : {&says_true, &unreadable}) {
        const Lines lines = dev->run({"--sf_auto"}).lines();
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[2], skip_model);
        EXPECT_EQ(lines[3], "[OK] SurfaceFlinger optimized. Refresh rate: 120Hz (6 props set)");
        EXPECT_EQ(dev->prop("debug.sf.early_phase_offset_ns"), std::nullopt);
    }

    SimDevice offsets("snapdragon");  // Android 14 taking phase offsets
    offsets.set_prop("debug.sf.use_phase_offsets_as_durations", "0");
    EXPECT_EQ(offsets.run({"--sf_auto"}).lines().back(),
              "[OK] SurfaceFlinger optimized. Refresh rate: 120Hz (7 props set)");
    EXPECT_EQ(offsets.prop("debug.sf.early_phase_offset_ns"), "-7083333");
}

// ---- Refresh-rate query ----

// Each release words its refresh-rate line its own way (a 120 Hz panel).
TEST(GetRefresh, ReadsEachReleasesLine) {
    const std::pair<int, const char*> releases[] = {
        {24, "120.000005"}, {30, "120.000005"}, {31, "120.00"}, {33, "120.00"},
        {34, "120.00"},     {35, "120.00"},     {36, "120.00"}};
    for (const auto& [api, rate] : releases) {
        SimDevice dev("snapdragon", api);
        EXPECT_EQ(dev.run({"--get_refresh"}).lines(),
                  (Lines{"[INFO] Getting refresh rate...", std::string("Refresh rate: ") + rate + " Hz"}))
            << api;
        EXPECT_EQ(dev.calls(), (std::vector<Call>{{"dumpsys", "SurfaceFlinger"}}));
    }
}

TEST(GetRefresh, PrefersTheLineOfItsOwnNameAndCutsAGluedUnit) {
    SimDevice dev("snapdragon");
    dev.set_dumpsys("SurfaceFlinger", "Refresh-rate : 30 fps\nrefresh-rate: 90\r\n  peak-refresh-rate : 120.00 Hz\n"
                                      "  refresh-rate : 60.00fps\r\nrefresh-rate : 90 fps\n");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines().back(), "Refresh rate: 60.00 Hz");
    dev.set_dumpsys("SurfaceFlinger", "Refresh-rate : 30 fps\nmax refresh-rate: 90Hz\n");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines().back(), "Refresh rate: 90 Hz");
}

TEST(GetRefresh, MissingLineOrFailedDumpIsReportedTwice) {
    SimDevice dev("snapdragon");
    dev.set_dumpsys("SurfaceFlinger", "vsync-period : 8.3 ms\nrefresh-rate 120\n");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines(),
              (Lines{"[INFO] Getting refresh rate...", "[ERROR] Refresh rate information not found",
                     "[ERROR] Refresh rate information not found"}));
    dev.fail_tool("dumpsys", 2, "no compositor");
    EXPECT_EQ(dev.run({"--get_refresh"}).lines(),
              (Lines{"[INFO] Getting refresh rate...",
                     "[ERROR] Failed to get refresh rate: Command failed: dumpsys SurfaceFlinger: no compositor",
                     "[ERROR] Failed to get refresh rate: Command failed: dumpsys SurfaceFlinger: no compositor"}));
}

}  // namespace
}  // namespace korvane::e2e
