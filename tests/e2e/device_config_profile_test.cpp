#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "journal_reads.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

struct ProfileCommand {
    const char* command;
    const char* start;
    const char* linear_backoff;  // jobscheduler/min_linear_backoff_time_ms
    const char* soundtrigger;    // battery_saver/soundtrigger_mode
};

// clang-format off
const ProfileCommand kCommands[] = {
    {"--batt_sys", "[INFO] Applying Battery System Settings...",     "30000", "2"},
    {"--nrml_sys", "[INFO] Applying Balanced System Settings...",    "10000", "0"},
    {"--perf_sys", "[INFO] Applying Performance System Settings...", "5000",  "0"},
};
// clang-format on

const char* const kNamespaces[] = {"activity_manager", "jobscheduler", "battery_saver", "device_idle", "app_standby"};

struct Release {
    int api;
    const char* info;     // the line after the start line
    Lines effects;        // sim/diff's lines for the framework constants after a profile
};

Lines effects_on(const std::string& android, const char* device_idle_global, const char* device_idle,
                 const char* app_standby) {
    const std::string nothing = ": read by nothing on Android " + android;
    return {"activity_manager_constants: 23 values in force",
            "job_scheduler_constants" + nothing,
            "job_scheduler_quota_controller_constants" + nothing,
            "battery_saver_constants: 3 values in force while battery saver is on",
            device_idle_global ? std::string(device_idle_global) : "device_idle_constants" + nothing,
            "app_standby_constants" + nothing,
            "activity_manager: 2 values in force",
            "jobscheduler: 7 values in force",
            "battery_saver: 10 values in force while battery saver is on",
            device_idle,
            app_standby};
}

const Release kReleases[] = {
    {31, "[INFO] Android 12 reads these values from device_config: setting 46 there",
     effects_on("12", nullptr, "device_idle: 18 values in force", "app_standby: 9 values in force")},
    {32, "[INFO] Android 12L reads these values from device_config: setting 46 there",
     effects_on("12", nullptr, "device_idle: 18 values in force", "app_standby: 9 values in force")},
    {33, "[INFO] Android 13 reads these values from device_config: setting 46 there",
     effects_on("13", nullptr, "device_idle: 17 values in force", "app_standby: 10 values in force")},
    {34, "[INFO] Android 14 reads these values from device_config: setting 46 there",
     effects_on("14", nullptr, "device_idle: 17 values in force", "app_standby: 10 values in force")},
    {35, "[INFO] Android 15 reads these values from device_config: setting 29 there",
     effects_on("15", "device_idle_constants: 17 values in force",
                "device_idle: no value of the profiles takes effect there on Android 15",
                "app_standby: 10 values in force")},
    {36, "[INFO] Android 16 reads these values from device_config: setting 29 there",
     effects_on("16", "device_idle_constants: 17 values in force",
                "device_idle: no value of the profiles takes effect there on Android 16",
                "app_standby: 10 values in force")},
};

// sim/diff's Effects lines about the framework constants.
Lines constant_effects(const std::string& diff) {
    Lines lines;
    size_t at = diff.find("\nEffects:\n");
    if (at == std::string::npos) return lines;
    for (size_t start = at + 10; start < diff.size();) {
        const size_t end = diff.find('\n', start);
        const std::string line = diff.substr(start, end - start);
        if (!line.starts_with("  ")) break;
        if (line.find("_constants: ") != std::string::npos || line.find(" values in force") != std::string::npos ||
            line.find("takes effect there") != std::string::npos) {
            lines.push_back(line.substr(2));
        }
        start = end + 1;
    }
    return lines;
}

std::string listing(const SimDevice& dev, const std::string& ns) {
    return dev.run_program("/system/bin/cmd", {"device_config", "list", ns}).out;
}

std::string sync_mode(const SimDevice& dev) {
    const char* verb = dev.api() >= 33 ? "get_sync_disabled_for_tests" : "is_sync_disabled_for_tests";
    return dev.run_program("/system/bin/cmd", {"device_config", verb}).out;
}

void PrintTo(const Release& release, std::ostream* os) { *os << "api " << release.api; }
void PrintTo(const ProfileCommand& profile, std::ostream* os) { *os << profile.command; }

class SystemProfileTwins : public ::testing::TestWithParam<std::tuple<Release, ProfileCommand>> {};

// Each value the release reads ends at the profile's value, the reset takes
// every one of them out, and the undo brings back what a server had pushed.
TEST_P(SystemProfileTwins, InForceThenResetThenRestored) {
    const auto& [release, profile] = GetParam();
    SimDevice dev("snapdragon", release.api);
    ASSERT_EQ(dev.run_program("/system/bin/cmd", {"device_config", "put", "jobscheduler", "heavy_use_factor", "0.75"})
                  .status, 0);
    dev.clear_calls();

    EXPECT_EQ(dev.run({profile.command}).lines(), (Lines{profile.start, release.info, kSyncOff}));
    EXPECT_EQ(constant_effects(dev.diff()), release.effects);
    EXPECT_EQ(dev.device_config("jobscheduler", "min_linear_backoff_time_ms"), profile.linear_backoff);
    EXPECT_EQ(dev.device_config("battery_saver", "soundtrigger_mode"), profile.soundtrigger);
    // One listing per namespace reads the originals; no key is read alone.
    size_t lists = 0;
    for (const Call& call : dev.calls_of("cmd")) {
        EXPECT_NE(call.at(2), "get");
        if (call.at(2) == "list") ++lists;
    }
    EXPECT_EQ(lists, release.api >= 35 ? 4u : 5u);

    // A server push finds sync off and is dropped: the values stay. 12/12L
    // only say whether sync is off; korvane tells persistent by the setting.
    EXPECT_EQ(sync_mode(dev), release.api >= 33 ? "persistent\n" : "true\n");
    const std::string jobscheduler = listing(dev, "jobscheduler");
    dev.sync_device_config("jobscheduler", {"heavy_use_factor=0.5"});
    EXPECT_EQ(listing(dev, "jobscheduler"), jobscheduler);
    if (profile.command == std::string("--perf_sys")) {
        // With sync turned back on by hand the next push takes every key it
        // did not send, and --status names each of them.
        ASSERT_EQ(dev.run_program("/system/bin/cmd", {"device_config", "set_sync_disabled_for_tests", "none"}).out, "");
        dev.sync_device_config("jobscheduler");
        dev.clear_calls();
        const std::string status = dev.run({"--status"}).out;
        // One list per namespace and table, the release, the sync mode and the thermal
        // state: never one tool per record.
        EXPECT_LE(dev.calls().size(), 5u + 1 + 2 + 1) << status;
        std::istringstream pairs(jobscheduler);
        for (std::string pair; std::getline(pairs, pair);) {
            const std::string key = pair.substr(0, pair.find('='));
            const std::string was = key == "heavy_use_factor" ? "0.75" : "absent";
            EXPECT_NE(status.find("[WARN] device_config jobscheduler " + key + ": now absent; korvane set " +
                                  pair.substr(key.size() + 1) + " (was " + was + "): changed since by something else\n"),
                      std::string::npos) << key << "\n" << status;
        }
        EXPECT_NE(status.find("[WARN] device_config sync mode: now none; korvane set persistent (was none)"),
                  std::string::npos) << status;
    }

    EXPECT_EQ(dev.run({"--resetting_sys"}).lines(),
              (Lines{"[INFO] Resetting System Profile...", "[OK] System Profile Reset Complete"}));
    for (const char* ns : kNamespaces) EXPECT_EQ(listing(dev, ns), "") << ns;

    dev.clear_calls();
    (void)dev.run({"--restore"});
    // Sync goes back on only once the keys a push would delete are back.
    const std::vector<Call> calls = dev.calls_of("cmd");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), (Call{"cmd", "device_config", "set_sync_disabled_for_tests", "none"}));
    EXPECT_EQ(sync_mode(dev), release.api >= 33 ? "none\n" : "false\n");
    EXPECT_EQ(listing(dev, "jobscheduler"), "heavy_use_factor=0.75\n");
    for (const char* ns : {"activity_manager", "battery_saver", "device_idle", "app_standby"}) {
        EXPECT_EQ(listing(dev, ns), "") << ns;
    }
}

INSTANTIATE_TEST_SUITE_P(ReleasesAndProfiles, SystemProfileTwins,
                         ::testing::Combine(::testing::ValuesIn(kReleases), ::testing::ValuesIn(kCommands)),
                         [](const auto& info) {
                             return "api" + std::to_string(std::get<0>(info.param).api) + "_" +
                                    std::string(std::get<1>(info.param).command + 2);
                         });

// A failing put warns and the profile goes on; a namespace that cannot be
// listed keeps all its values; the lines keep the namespaces' order.
TEST(SystemProfileTwinsE2e, FailuresWarnInTheFixedOrder) {
    const std::string heavy = "[WARN] Failed to set device_config jobscheduler/heavy_use_factor: Command failed: cmd "
                              "device_config put jobscheduler heavy_use_factor 1.0: no such key";
    const std::string prediction = "[WARN] Failed to set device_config app_standby/prediction_timeout: Command "
                                   "failed: cmd device_config put app_standby prediction_timeout 86400000: denied";
    auto skipping = [](const std::string& ns) {
        return "[WARN] Skipping device_config " + ns + ": Command failed: cmd device_config list " + ns + ": ";
    };
    // Android 16 refuses a read-only flag with an "Error:" line and exit 0
    const std::string read_only = "[WARN] Failed to set device_config jobscheduler/moderate_use_factor: Command "
                                  "failed: cmd device_config put jobscheduler moderate_use_factor 0.8: Error: cannot "
                                  "write read-only flag";
    const std::string stuck = "[WARN] Failed to set device_config battery_saver/location_mode: Failed to execute "
                              "command cmd device_config put battery_saver location_mode 0: timed out after 1 s";
    struct Case {
        std::vector<std::string> unlisted;
        Lines warnings;
        int api = 34;
        const char* read_only_flag = "";
        bool stuck_put = false;  // one put never ends: it is cut off at the time limit, the others finish
    };
    const Case cases[] = {
        {{"battery_saver"}, {heavy, "", skipping("battery_saver"), prediction, ""}},
        {{"activity_manager", "app_standby"}, {skipping("activity_manager"), heavy, "", skipping("app_standby")}},
        {{}, {heavy, "", read_only, prediction, ""}, 36, "jobscheduler/moderate_use_factor"},
        {{}, {heavy, "", stuck, prediction, ""}, 34, "", true},
    };
    for (const Case& c : cases) {
        SimDevice dev("snapdragon", c.api);
        std::ofstream(dev.state_dir() + "/android/read_only_flags") << c.read_only_flag << "\n";
        for (const std::string& ns : c.unlisted) dev.fail_tool("cmd", 255, "", {.args_contain = "list " + ns});
        dev.fail_tool("cmd", 1, "no such key\n", {.args_contain = "put jobscheduler heavy_use_factor"});
        dev.fail_tool("cmd", 1, "denied\n", {.args_contain = "put app_standby prediction_timeout"});
        if (c.stuck_put) {
            dev.remove("/system/bin/cmd");
            dev.write("/system/bin/cmd",
                      "#!/system/bin/mksh\n[[ \"$*\" == *'put battery_saver location_mode'* ]] && /system/bin/sleep 600\n"
                      "exec /sim/tools/cmd \"$@\"\n", 0755);
        }
        Lines expected{"[INFO] Applying Performance System Settings...",
                       c.api == 34 ? "[INFO] Android 14 reads these values from device_config: setting 46 there"
                                   : "[INFO] Android 16 reads these values from device_config: setting 29 there"};
        expected.insert(expected.end(), c.warnings.begin(), c.warnings.end());
        // sync goes off before the first put, after the skip lines of the namespaces before it
        expected.insert(expected.begin() + 2 + (c.unlisted.empty() || c.unlisted[0] != "activity_manager" ? 0 : 1),
                        kSyncOff);
        // korvane with a time limit of one second, which sim/run does not pass on
        const auto start = std::chrono::steady_clock::now();
        const RunResult r =
            c.stuck_put ? dev.run_program("/system/bin/mksh", {"-c", "KORVANE_TOOL_TIMEOUT=1 exec /sim/bin/korvane --perf_sys"})
                        : dev.run({"--perf_sys"});
        EXPECT_EQ(r.lines(), expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        for (const std::string& ns : c.unlisted) EXPECT_EQ(listing(dev, ns), "") << ns;
        if (c.api == 34) {
            EXPECT_EQ(dev.device_config("jobscheduler", "moderate_use_factor"), "0.8");
            EXPECT_EQ(dev.device_config("device_idle", "idle_to"), "86400000");
        } else {
            EXPECT_EQ(dev.device_config("jobscheduler", "moderate_use_factor"), std::nullopt);  // kept as built
        }
    }
}

// Before Android 12 the globals are all there is.
TEST(SystemProfileTwinsE2e, NothingMoreBeforeAndroidTwelve) {
    SimDevice dev("snapdragon", 30);
    EXPECT_EQ(dev.run({"--perf_sys"}).lines(), Lines{"[INFO] Applying Performance System Settings..."});
    EXPECT_EQ(dev.run({"--resetting_sys"}).lines(),
              (Lines{"[INFO] Resetting System Profile...", "[OK] System Profile Reset Complete"}));
    for (const Call& call : dev.calls_of("cmd")) EXPECT_NE(call.at(1), "device_config");
}

}  // namespace
}  // namespace korvane::e2e
