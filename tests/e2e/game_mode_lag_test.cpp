// The game manager learns of a game_overlay put through a listener that runs
// later: `cmd game mode 2` right after the put may still be refused. korvane
// asks again up to five times, 100 ms apart, and reports a game it never got
// into mode 2.
#include <gtest/gtest.h>

#include <fstream>

#include "journal_reads.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kLegends = "com.mobile.legends";

// The next `calls` game manager calls after a put still see the old overlay;
// the journal reads every game's mode before the first put, so that all of
// them are korvane's asks for mode 2.
void listener_lag(const SimDevice& dev, int calls) {
    std::ofstream(dev.state_dir() + "/android/overlay_lag") << calls;
}

struct LagCase {
    const char* name;
    int lag;
    std::vector<std::string> args;
    Lines lines;
    int legends_mode_2_calls;
    int legends_mode;  // in force afterwards
};

const std::string kRefusedLegends =
    "[WARN] Game mode 2 is not available for com.mobile.legends: Game mode: 2 not supported by com.mobile.legends";

// The Dimensity phone (Android 13) and its five games, com.tencent.ig among
// them though no game to the game manager, which sets it silently.
const LagCase kCases[] = {
    {"downscale_in_time", 3, {"--downscales", "0.7"},
     {"[INFO] Applying downscaling factor 0.7...", kSyncOff, "[OK] Downscaling factor 0.7 applied to 5 games"}, 4, 2},
    {"fps_in_time", 5, {"--fps_limit", "60"}, {"[INFO] Setting FPS limit to 60...", kSyncOff, "[OK] FPS limit set to 60"}, 6, 2},
    {"downscale_never", 7, {"--downscales", "0.7"},
     {"[INFO] Applying downscaling factor 0.7...", kSyncOff,
      "[WARN] Game mode 2 is not available for com.tencent.ig: Game mode: 2 not supported by com.tencent.ig",
      kRefusedLegends,
      "[WARN] Game mode 2 is not available for com.miHoYo.GenshinImpact: Game mode: 2 not supported by "
      "com.miHoYo.GenshinImpact",
      "[WARN] Game mode 2 is not available for com.tencent.iglite: Game mode: 2 not supported by com.tencent.iglite",
      "[WARN] Game mode 2 is not available for com.supercell.clashofclans: Game mode: 2 not supported by "
      "com.supercell.clashofclans",
      "[OK] Downscaling factor 0.7 applied to 0 games"},
     6, 1},
};

class GameModeLagE2e : public ::testing::TestWithParam<LagCase> {};

TEST_P(GameModeLagE2e, ModeTwoIsAskedAgainWhileTheListenerLags) {
    const LagCase& c = GetParam();
    SimDevice dev("mtk_dimensity");
    listener_lag(dev, c.lag);
    EXPECT_EQ(dev.run(c.args).lines(), c.lines);
    const std::vector<Call> calls = dev.calls_of("cmd");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), Call{"cmd", "game", "mode", "2", kLegends}),
              c.legends_mode_2_calls);
    EXPECT_EQ(dev.game_state(kLegends).mode, c.legends_mode);
}

INSTANTIATE_TEST_SUITE_P(Listener, GameModeLagE2e, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GameModeLagE2e, AGameNeverInModeTwoLeavesNoCapCounted) {
    SimDevice dev("mtk_dimensity");
    dev.set_games({kLegends});
    dev.set_dumpsys("game", "*Dump GameManagerService*\n\n[Name:" + kLegends + " Modes: {}]\n");
    listener_lag(dev, 7);
    auto lines = dev.run({"--fps_limit", "60"}).lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "[ERROR] Failed to set FPS limit");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "[WARN] Game mode 2 is not available for com.mobile.legends: Game mode: 2 not supported by "
                        "com.mobile.legends"),
              lines.end());
}

}  // namespace
}  // namespace korvane::e2e
