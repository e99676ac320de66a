// korvane --watch on a phone whose world moves: one matrix of scenarios
// (sim/run --scenario), each row a scenario, a configuration and what the
// run must show: its lines, and every node korvane wrote back as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kConfig = "/data/adb/.config/korvane/config.json";
const std::string kGame = "com.mobile.legends";
const std::string kGameConfig = R"({"per_app": {"apps": {
    "com.mobile.legends": {"profile": "performance", "cpu_max": 100},
    "com.tencent.ig": "battery"}, "screen_off": "battery"}})";

struct Row {
    std::string name;
    std::string device = "snapdragon";
    int api = 34;
    std::string scenario;  // in the phone's seconds: the speedup divides them
    int speedup = 10;
    std::string config = kGameConfig;
    std::vector<std::string> args = {"--watch"};
    std::function<void(SimDevice&)> before = nullptr;  // a phone without cpuset, a session left open
    Lines lines;                                       // korvane's lines, in order, among others
    std::vector<std::string> in_log = {};              // texts of the driver's log (a `run`'s output)
    bool all_back = true;                              // every node korvane wrote holds its value of before
    std::function<void(SimDevice&, const RunResult&)> check = nullptr;
};

const std::string kEnter = "[INFO] com.mobile.legends in front: performance profile, CPU max 100 %";
const std::string kWatching = "[INFO] Watching 2 apps (screen off: battery)";
const std::string kStopped = "[OK] korvane --watch stopped";
const std::string kHot = "[INFO] The phone is hot (thermal status severe, skin 47.5 °C): com.mobile.legends ";
const std::string kCooled = "[INFO] The phone has cooled (thermal status light, skin 38.0 °C): com.mobile.legends ";

size_t thermal_readings(SimDevice& dev) {
    size_t n = 0;
    for (const Call& call : dev.calls_of("dumpsys")) n += std::find(call.begin(), call.end(), "thermalservice") != call.end();
    return n;
}

std::string left(const std::string& who = kGame) { return "[INFO] " + who + " left: "; }

// `want` appears in `lines` in order, each as a prefix of a line.
::testing::AssertionResult in_order(const Lines& lines, const Lines& want) {
    size_t at = 0;
    for (const std::string& w : want) {
        while (at < lines.size() && lines[at].rfind(w, 0) != 0) ++at;
        if (at == lines.size()) {
            std::string all;
            for (const std::string& l : lines) all += l + "\n";
            return ::testing::AssertionFailure() << "missing in order: " << w << "\n" << all;
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

size_t count_prefixed(const Lines& lines, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

std::string scaling_max(SimDevice& dev) {
    return dev.read("/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq");
}

const std::string kLimitConfig = R"({"charge_limit": {"pause": 80, "resume": 75, "max_temp": 45, "resume_temp": 40}})";
const std::string kMtkSwitch = "/sys/devices/platform/charger/bypass_charger";  // the first bypass of the table
const std::string kPaused80 = "[INFO] Charge limit: paused at 80 % (bypass: the charger powers the phone, the battery rests, ";

// Writes korvane made (a refused open of a locked node is none).
size_t writes_to(SimDevice& dev, const std::string& path) {
    size_t n = 0;
    for (const NodeWrite& w : dev.node_writes()) n += w.writer != "driver" && w.path == path && w.outcome == "ok";
    return n;
}

// clang-format off
const Row kRows[] = {
    {.name = "EnterAndLeaveOnAndroid10", .api = 29, .scenario = "1 top com.mobile.legends\n10 top launcher\n14 end\n",
     .lines = {kWatching, kEnter, left(), kStopped}},
    {.name = "EnterAndLeaveOnAndroid12", .api = 31, .scenario = "1 top com.mobile.legends\n10 top launcher\n14 end\n",
     .lines = {kWatching, kEnter, left(), kStopped}},
    {.name = "EnterAndLeaveOnAndroid14", .api = 34, .scenario = "1 top com.mobile.legends\n10 top launcher\n14 end\n",
     .lines = {kWatching, kEnter, left(), kStopped}},
    {.name = "ShadeAndRecentsSwitchNothing",
     .scenario = "1 top com.mobile.legends\n6 top systemui\n6.5 top com.mobile.legends\n7 top launcher\n"
                 "7.5 top com.mobile.legends\n12 end\n",
     .lines = {kWatching, kEnter, left(), kStopped},
     .check = [](SimDevice&, const RunResult& r) {
         EXPECT_EQ(count_prefixed(r.lines(), kEnter), 1u);
         EXPECT_EQ(count_prefixed(r.lines(), left()), 1u);
     }},
    {.name = "ScreenOffAndOnInAGame",
     .scenario = "1 top com.mobile.legends\n5 screen off\n10 screen on\n15 end\n",
     .lines = {kWatching, kEnter, left(), "[INFO] Screen off: battery profile", "[INFO] Screen on: ", kEnter, left(), kStopped}},
    {.name = "TwoAppsOneAfterTheOther",
     .scenario = "1 top com.mobile.legends\n6 top com.tencent.ig\n12 end\n",
     .lines = {kWatching, kEnter, left(), "[INFO] com.tencent.ig in front: battery profile", left("com.tencent.ig"), kStopped}},
    {.name = "AUserCapDuringTheSessionIsKept",
     .scenario = "1 top com.mobile.legends\n5 run --cpu_max 50\n10 top launcher\n14 end\n",
     .lines = {kWatching, kEnter, left(), "[INFO] kept: /sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq was changed during the session", kStopped},
     .all_back = false,
     .check = [](SimDevice& dev, const RunResult&) {
         const std::string kept = scaling_max(dev);
         EXPECT_EQ(dev.run({"--restore"}).status, 0);
         EXPECT_NE(scaling_max(dev), kept);  // the user's cap goes with an undo, to what was there before
     }},
    {.name = "SigkillInASessionIsRepairedByTheNextWatch",
     .scenario = "3 end\n",
     .before = [](SimDevice& dev) {
         (void)dev.run_scenario("1 top com.mobile.legends\n6 kill\n7 end\n", {"--watch"});
     },
     .lines = {"[INFO] Closed the session of com.mobile.legends left open: ", kWatching, kStopped}},
    {.name = "RestoreWhileWatching",
     .scenario = "1 top com.mobile.legends\n6 run --restore\n9 end\n",
     .lines = {kWatching, kEnter, left(), kStopped},
     .in_log = {"[INFO] Stopped korvane --watch (pid "}},
    {.name = "BadEntriesAreNamedAndLeftOut",
     .scenario = "1 top com.mobile.legends\n8 end\n",
     .config = R"({"per_app": {"apps": {"com.mobile.legends": "turbo", "com.tencent.ig": {"profile": "battery", "cpu_max": 101},
                  "com.not.installed": "battery"}, "settle_ms": 1000}})",
     .lines = {"[WARN] per_app: com.mobile.legends: unknown profile \"turbo\"",
               "[WARN] per_app: com.tencent.ig: cpu_max 101 is not a percent from 0 to 100",
               "[WARN] per_app: com.not.installed is not installed", "[INFO] Watching 0 apps (screen off: no change)", kStopped},
     .all_back = false},
    {.name = "ABadChargeLimitIsNamedAndTheRestRuns",
     .scenario = "1 top com.mobile.legends\n10 top launcher\n14 end\n",
     .config = R"({"charge_limit": {"pause": 75, "resume": 80}, "per_app": {"apps": {
                  "com.mobile.legends": {"profile": "performance", "cpu_max": 100}}, "screen_off": "battery"}})",
     .lines = {"[ERROR] charge_limit: resume 80 is not below pause 75", "[INFO] Watching 1 apps (screen off: battery)",
               kEnter, left(), kStopped}},
    {.name = "AChargeLimitAloneStartsTheService",
     .scenario = "2 end\n",
     .config = R"({"charge_limit": {"pause": 80, "resume": 75}})",
     .lines = {"[INFO] Watching 0 apps (screen off: no change)", kStopped},
     .all_back = false},
    {.name = "ChargeLimitHoldsTheBandOnABypassPhone", .device = "mtk_dimensity",
     .scenario = "1 capacity 70\n10 capacity 79\n20 capacity 80\n40 capacity 79\n50 capacity 77\n60 capacity 75\n"
                 "80 capacity 78\n100 end\n",
     .config = kLimitConfig,
     .lines = {kPaused80, "[INFO] Charge limit: resumed at 75 % (2100 mA)", kStopped},
     .check = [](SimDevice& dev, const RunResult& r) { EXPECT_EQ(writes_to(dev, kMtkSwitch), 2u) << r.out; }},  // none inside the band
    {.name = "ChargeLimitOnAnInputCutOnlyPhone", .device = "qc_walt4",
     .scenario = "1 capacity 79\n10 capacity 80\n40 capacity 75\n70 end\n",
     .config = kLimitConfig,
     .lines = {"[WARN] Charge limit: this phone can only cut the charger input: it runs on its battery while paused",
               "[INFO] Charge limit: paused at 80 % (input cut: the phone runs on its battery)",
               "[INFO] Charge limit: resumed at 75 % (", kStopped}},
    {.name = "ChargeLimitTemperatureHold", .device = "mtk_dimensity",
     .scenario = "1 capacity 60\n5 temp 30\n10 temp 46.1\n40 temp 41\n50 temp 39.5\n80 end\n",
     .config = kLimitConfig,
     .lines = {"[INFO] Charge limit: paused at 46.1 °C (bypass: ", "[INFO] Charge limit: resumed at 39.5 °C (", kStopped},
     .check = [](SimDevice& dev, const RunResult&) { EXPECT_EQ(writes_to(dev, kMtkSwitch), 2u); }},
    {.name = "ChargeLimitSigkillWhilePausedIsRepairedByTheNextWatch", .device = "mtk_dimensity",
     .scenario = "5 end\n",
     .config = kLimitConfig,
     .before = [](SimDevice& dev) {
         (void)dev.run_scenario("1 capacity 85\n40 kill\n45 end\n", {"--watch"});
         EXPECT_EQ(dev.read(kMtkSwitch), "1");
         dev.write("/sys/class/power_supply/battery/capacity", "70");
     },
     .lines = {"[INFO] Charge limit: resumed charging left paused (" + kMtkSwitch + ")", kStopped},
     .check = [](SimDevice& dev, const RunResult&) { EXPECT_EQ(dev.read(kMtkSwitch), "0"); }},
    {.name = "ChargeLimitRestoreAfterASigkillWhilePaused", .device = "mtk_dimensity",
     .scenario = "5 end\n",
     .config = kLimitConfig,
     .before = [](SimDevice& dev) {
         (void)dev.run_scenario("1 capacity 85\n40 kill\n45 end\n", {"--watch"});
         EXPECT_EQ(dev.read(kMtkSwitch), "1");
         EXPECT_EQ(dev.run({"--restore"}).status, 0);
         EXPECT_EQ(dev.read(kMtkSwitch), "0");  // the journal held its original
         dev.write("/sys/class/power_supply/battery/capacity", "70");
     },
     .lines = {"[INFO] Watching 0 apps", kStopped},
     .all_back = false,  // the watch found nothing to put back
     .check = [](SimDevice&, const RunResult& r) {
         EXPECT_EQ(count_prefixed(r.lines(), "[INFO] Charge limit: resumed charging left paused"), 0u);
     }},
    {.name = "ChargeLimitRestoreWhilePaused", .device = "mtk_dimensity",
     .scenario = "1 capacity 85\n40 run --restore\n60 end\n",
     .config = kLimitConfig,
     .lines = {"[INFO] Charge limit: paused at 85 % (bypass: ", "[INFO] Charge limit: resumed as korvane --watch stops (", kStopped},
     .in_log = {"[INFO] Stopped korvane --watch (pid "},
     .check = [](SimDevice& dev, const RunResult&) { EXPECT_EQ(dev.read(kMtkSwitch), "0"); }},
    {.name = "ChargeLimitSetAgainAfterAReplugResetTheSwitch", .device = "mtk_dimensity",
     .scenario = "1 capacity 85\n30 plug usb\n60 end\n",
     .config = kLimitConfig,
     .lines = {"[INFO] Charge limit: paused at 85 % (bypass: ", "[INFO] Charge limit: paused at 85 % (bypass: ", kStopped}},
    {.name = "ChargeLimitQuietFirmwareCaughtByTheAlarm", .device = "snapdragon",
     .scenario = "1 screen off\n2 capacity 80\n90 end\n",
     .config = kLimitConfig,
     .lines = {"[INFO] Charge limit: paused at 80 % (input cut: the phone runs on its battery)", kStopped},
     .in_log = {"(no uevent: the firmware is quiet with the screen off)"}},
    {.name = "PhoneWithoutCpusetFollowsTheEventLog",
     .scenario = "1 top com.mobile.legends\n10 top launcher\n14 end\n",
     .before = [](SimDevice& dev) { dev.remove("/dev/cpuset"); },
     .lines = {kWatching, kEnter, left(), kStopped}},
    {.name = "ASecondWatchIsRefused",
     .scenario = "1 run --watch\n3 end\n",
     .lines = {kWatching, kStopped},
     .in_log = {"[ERROR] korvane --watch is already running (pid "},
     .all_back = false},
    // Readings every 30 s: two at severe step down to 70 %, a third holds
    // there; at light the caps come back a step each 60 s.
    {.name = "HotGameStepsDownAndBackUp",
     .scenario = "1 top com.mobile.legends\n10 thermal severe skin 47.5\n100 thermal light skin 38\n270 top launcher\n276 end\n",
     .speedup = 20,
     .lines = {kWatching, kEnter, kHot + "CPU max 85 %, GPU max 85 %", kHot + "CPU max 70 %, GPU max 70 %",
               kCooled + "CPU max 85 %, GPU max 85 %", kCooled + "CPU max 100 %, GPU max 100 %", left(), kStopped},
     .check = [](SimDevice&, const RunResult& r) { EXPECT_EQ(count_prefixed(r.lines(), kHot), 2u); }},
    {.name = "GameOnAHotPhoneStartsAStepDown",
     .scenario = "1 top com.mobile.legends\n6 top launcher\n10 end\n",
     .before = [](SimDevice& dev) { dev.set_heat({.status = 4, .skin = 47.5}); },
     .lines = {kWatching, kEnter, "[INFO] The phone is hot (thermal status critical, skin 47.5 °C): com.mobile.legends CPU max 85 %",
               left(), kStopped}},
    // Read at the start and every 30 s of the session only: two readings.
    {.name = "GameAtLightNeverStepsAndReadsOnlyWhilePlayed",
     .scenario = "1 top com.mobile.legends\n2 thermal light skin 38\n40 top launcher\n70 end\n",
     .lines = {kWatching, kEnter, left(), kStopped},
     .check = [](SimDevice& dev, const RunResult& r) {
         EXPECT_EQ(count_prefixed(r.lines(), "[INFO] The phone"), 0u);
         EXPECT_EQ(thermal_readings(dev), 2u);
     }},
    {.name = "ScreenOffStopsTheReadings",
     .scenario = "1 top com.mobile.legends\n10 screen off\n75 end\n",
     .config = R"({"per_app": {"apps": {"com.mobile.legends": {"profile": "performance", "gpu_max": 90}}}})",
     .lines = {"[INFO] Watching 1 apps (screen off: no change)", "[INFO] com.mobile.legends in front: performance profile, GPU max 90 %",
               kStopped},
     .check = [](SimDevice& dev, const RunResult&) { EXPECT_EQ(thermal_readings(dev), 1u); }},
    // The phone keeps the scenario's heat: a one-shot command after it sees a hot phone.
    {.name = "ThePhoneKeepsTheScenariosHeat",
     .scenario = "0 thermal severe skin 47.5\n1 end\n",
     .args = {"--status"},
     .lines = {"[INFO] "},
     .all_back = false,
     .check = [](SimDevice& dev, const RunResult&) {
         EXPECT_TRUE(in_order(dev.run({"--cpu_max", "90"}).lines(),
                              {"[WARN] The phone is hot (thermal status severe, skin 47.5 °C): its thermal service "
                               "keeps the clocks below what korvane sets until it cools"}));
     }},
};
// clang-format on

// The row's name, not a dump of its bytes, in gtest's messages.
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class Watch : public ::testing::TestWithParam<Row> {};

TEST_P(Watch, Scenario) {
    const Row& row = GetParam();
    // Ten times faster than a phone by default: the settle time is 200 ms.
    setenv("KORVANE_WATCH_SPEEDUP", std::to_string(row.speedup).c_str(), 1);
    SimDevice dev(row.device, row.api);
    dev.write(kConfig, row.config, 0600);
    // What the nodes held before anything ran.
    SimDevice pristine(row.device, row.api);
    if (row.before) row.before(dev);
    RunResult r = dev.run_scenario(row.scenario, row.args);
    EXPECT_TRUE(in_order(r.lines(), row.lines));
    std::string log;
    for (const std::string& line : dev.scenario_log()) log += line + "\n";
    for (const std::string& text : row.in_log) EXPECT_NE(log.find(text), std::string::npos) << text << "\n" << log;
    if (row.all_back) {
        // Tunables only: not the service's own cgroup and oom_score_adj.
        std::set<std::string> written;
        for (const NodeWrite& w : dev.node_writes()) {
            const bool own = w.path.rfind("/proc/self", 0) == 0 || (w.path.size() > 6 && std::isdigit(static_cast<unsigned char>(w.path[6])));
            if (w.writer != "driver" && (w.path.rfind("/sys/", 0) == 0 || (w.path.rfind("/proc/", 0) == 0 && !own))) written.insert(w.path);
        }
        EXPECT_FALSE(written.empty()) << r.out;
        for (const std::string& path : written) EXPECT_EQ(dev.read(path), pristine.read(path)) << path << "\n" << r.out;
    }
    if (row.check) row.check(dev, r);
}

INSTANTIATE_TEST_SUITE_P(Rows, Watch, ::testing::ValuesIn(kRows), [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace korvane::e2e
