// Undo and preview on the simulated phones: a restore after tuning leaves the
// phone as it was, a crash between the record and the change loses no
// original, a dry run changes nothing, and the boot service applies the
// stored mode once per boot.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim_device.h"
#include "sys/journal/command_kinds.h"

namespace korvane::e2e {
namespace {

const std::string kJournal = "/data/adb/korvane/journal";

// The tuning a user tries before changing their mind: every kernel profile,
// CPU and GPU caps, charging, a system profile, the game and display tuning
// and doze.
const std::vector<std::vector<std::string>> kTuning = {
    {"--perf_kt"},          {"--batt_kt"},      {"--nrml_kt"},       {"--common_startup"},
    {"--cpu_max", "50"},    {"--cpu_min", "30"}, {"--disable_cpu_limit"}, {"--gpu_max", "50"},
    {"--gpu_min", "20"},    {"--bypass", "on"},  {"--fast_charge", "on"}, {"--perf_sys"},
    {"--downscales", "0.7"}, {"--fps_limit", "60"}, {"--sf_auto"},     {"--gms_doze_enable"},
};

bool starts_with(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// What sim/diff still reports against the pristine phone, less what an undo
// leaves by design: its journal, debug.sf.* properties at -1
// (SurfaceFlinger's "unset"; a property cannot be deleted) and a game's mode
// at standard, the mode of a game with none set. The effects are checked
// through the accessors.
std::vector<std::string> unexplained_changes(const SimDevice& dev) {
    std::vector<std::string> left;
    std::istringstream diff(dev.diff());
    std::string section;
    for (std::string line; std::getline(diff, line);) {
        if (starts_with(line, "Device-tool calls")) break;
        if (line == "Nothing changed on the device.") continue;
        if (!starts_with(line, " ")) {
            section = line;
            continue;
        }
        if (section == "Effects:") continue;
        if (starts_with(line, "  /proc/sys/kernel/random/boot_id:")) continue;  // a reboot's, not ours
        if (line == "  /proc/self: created") continue;  // lent to a sanitized build's runtime
        if (starts_with(line, "  /data/adb/korvane/")) continue;
        if (section == "System properties:" && starts_with(line, "  debug.sf.") &&
            line.ends_with(": unset -> \"-1\"")) {
            continue;
        }
        if (section == "Game modes:" && line.ends_with(": unset -> \"1\"")) continue;
        left.push_back(section + line);
    }
    return left;
}

struct Phone {
    const char* profile;
    std::optional<int> api;
};

std::string phone_name(const ::testing::TestParamInfo<Phone>& info) {
    return std::string(info.param.profile) + (info.param.api ? "_api" + std::to_string(*info.param.api) : "");
}

class EveryPhone : public ::testing::TestWithParam<Phone> {};

TEST_P(EveryPhone, RestoreAfterTuningLeavesThePhoneAsItWas) {
    SimDevice dev(GetParam().profile, GetParam().api);
    const DozeState doze = dev.doze();
    const GameState game = dev.game_state("com.tencent.ig");
    for (const auto& command : kTuning) (void)dev.run(command);
    ASSERT_TRUE(dev.exists(kJournal));

    RunResult r = dev.run({"--restore"});
    Lines lines = r.lines();
    ASSERT_GE(lines.size(), 2u) << r.out;
    EXPECT_TRUE(starts_with(lines.front(), "[INFO] Restoring ")) << r.out;
    const std::string count = lines.front().substr(17, lines.front().find(' ', 17) - 17);
    EXPECT_EQ(lines.back(), "[OK] Restored " + count + " of " + count + " changes") << r.out;
    EXPECT_EQ(lines.size(), 2u) << r.out;

    EXPECT_EQ(unexplained_changes(dev), std::vector<std::string>{}) << dev.diff();
    EXPECT_EQ(dev.read(kJournal), "");
    EXPECT_EQ(dev.doze().system_listed, doze.system_listed);
    EXPECT_EQ(dev.doze().applies, doze.applies);
    GameState after = dev.game_state("com.tencent.ig");
    EXPECT_EQ(after.downscale, game.downscale);
    EXPECT_EQ(after.fps, game.fps);
    EXPECT_EQ(dev.surfaceflinger_abort(), std::nullopt);
    EXPECT_EQ(dev.run({"--restore"}).lines(), Lines{"[INFO] Nothing to restore"});
}

// Each profile as it ships, and the releases whose tools differ.
INSTANTIATE_TEST_SUITE_P(Undo, EveryPhone,
                         ::testing::Values(Phone{"snapdragon", {}}, Phone{"snapdragon_gki", {}},
                                           Phone{"mtk_dimensity", {}}, Phone{"mtk_legacy", {}}, Phone{"mali", {}},
                                           Phone{"bare", {}}, Phone{"qc_hmp", {}}, Phone{"qc_walt4", {}},
                                           Phone{"snapdragon", 24}, Phone{"snapdragon", 26},
                                           Phone{"snapdragon", 31}, Phone{"mali", 32}, Phone{"snapdragon", 35}),
                         phone_name);

// The journal holds the true original: a second change of the same target
// is not recorded again, and records are read and written as plain lines.
TEST(Undo, OnlyTheFirstChangeOfATargetIsRecorded) {
    SimDevice dev("snapdragon");
    const std::string node = "/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq";
    const std::string original = dev.read(node);
    (void)dev.run({"--cpu_max", "80"});
    (void)dev.run({"--cpu_max", "20"});
    (void)dev.run({"--perf_sys"});
    (void)dev.run({"--batt_sys"});
    std::string journal = dev.read(kJournal);
    EXPECT_EQ(dev.mode(kJournal), 0600u);
    EXPECT_EQ(dev.mode("/data/adb/korvane"), 0700u);
    // one record per cpufreq policy (three clusters), per setting and per
    // device_config key that Android 14 reads
    EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 3 + 6 + 46) << journal;
    EXPECT_NE(journal.find(" device_config jobscheduler heavy_use_factor -\n"), std::string::npos) << journal;
    EXPECT_NE(journal.find(" " + node + " =" + original + "\\n\n"), std::string::npos) << journal;
    EXPECT_NE(journal.find(" setting global activity_manager_constants -\n"), std::string::npos) << journal;
    (void)dev.run({"--restore"});
    EXPECT_EQ(dev.read(node), original);
    EXPECT_EQ(dev.setting("global", "activity_manager_constants"), std::nullopt);
}

// A reboot resets the kernel: its node records are dropped, the framework's
// are restored, and a node changed after the reboot is recorded anew.
TEST(Undo, NodeRecordsOfAnEarlierBootAreDropped) {
    SimDevice dev("snapdragon");
    const std::string node = "/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq";
    (void)dev.run({"--cpu_max", "20"});
    (void)dev.run({"--fps_limit", "60"});
    dev.reboot();
    const std::string after_boot = dev.read(node);
    (void)dev.run({"--cpu_max", "50"});
    RunResult r = dev.run({"--restore"});
    EXPECT_EQ(r.lines().size(), 2u) << r.out;
    EXPECT_EQ(dev.read(node), after_boot);
    EXPECT_EQ(unexplained_changes(dev), std::vector<std::string>{}) << dev.diff();
    EXPECT_EQ(dev.read(kJournal), "");
}

// A 4.x kernel refuses a maximum below the present minimum: the original
// maximum, capped below the minimum set later, goes back once the minimum has.
TEST(Undo, ALimitRefusedForItsPartnerIsRestoredAfterIt) {
    SimDevice dev("mtk_legacy");
    const std::string max = "/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq";
    dev.write(max, "1313000");
    (void)dev.run({"--cpu_min", "10"});
    (void)dev.run({"--cpu_max", "100"});
    (void)dev.run({"--cpu_min", "90"});
    RunResult r = dev.run({"--restore"});
    EXPECT_EQ(r.lines().size(), 2u) << r.out;
    EXPECT_EQ(dev.read(max), "1313000");
    EXPECT_EQ(dev.read(kJournal), "");
}

// Unreadable lines are named and kept until an undo fully succeeds.
TEST(Undo, TornAndCorruptLinesAreReportedAndSkipped) {
    SimDevice dev("snapdragon");
    (void)dev.run({"--perf_sys"});
    const std::string records = dev.read(kJournal);
    dev.write(kJournal, "0000beef setting global x =1\n" + records + "5a5a torn", 0600);
    RunResult r = dev.run({"--restore"});
    Lines lines = r.lines();
    ASSERT_GE(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0], "[WARN] Skipping unreadable journal line 1: checksum mismatch");
    // six settings and Android 14's 46 device_config keys
    EXPECT_EQ(lines[1], "[WARN] Skipping unreadable journal line 54: torn line");
    EXPECT_EQ(lines.back(), "[OK] Restored 52 of 52 changes");
    EXPECT_EQ(dev.read(kJournal), "");
    EXPECT_EQ(unexplained_changes(dev), std::vector<std::string>{}) << dev.diff();
}

// How many node write-opens or calls of a tool the phone has seen so far.
int count_so_far(const SimDevice& dev, const std::string& counter) {
    std::ifstream in(dev.state_dir() + "/android/counts/" + counter);
    int count = 0;
    in >> count;
    return count;
}

// Without a place for the original there is no change: each fails with why.
TEST(Undo, NoChangeWithoutItsOriginal) {
    SimDevice dev("snapdragon");
    dev.write("/data/adb/korvane", "");  // a file where the folder belongs
    const std::string node = "/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq";
    const std::string original = dev.read(node);
    const std::string why = "/data/adb/korvane/journal: Not a directory (os error 20)";
    const std::string once =
        "[ERROR] Cannot keep the undo journal at /data/adb/korvane/journal: Not a directory (os error 20); nothing was changed";
    Lines lines = dev.run({"--cpu_max", "50"}).lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], once);
    EXPECT_EQ(lines[2], "[WARN] Failed to set CPU0 max freq: Could not record the original of "
                        "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq: " + why);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), once), 1);
    EXPECT_EQ(lines.back(), "[ERROR] Failed to set CPU max frequency on any core");
    EXPECT_EQ(dev.read(node), original);
    EXPECT_EQ(dev.run({"--gms_doze_enable"}).lines(),
              (Lines{"[INFO] Enabling GMS Doze...", once,
                     "[ERROR] Could not record the original of app-op com.google.android.gms RUN_IN_BACKGROUND: " + why}));
    EXPECT_EQ(dev.calls(), std::vector<Call>{});
}

// A preview of the undo shows what it would put back and keeps the journal.
TEST(Undo, ADryRunOfTheRestoreKeepsTheJournal) {
    SimDevice dev("snapdragon");
    (void)dev.run({"--cpu_max", "50"});
    const std::string journal = dev.read(kJournal);
    Lines lines = dev.run({"--dry-run", "--restore"}).lines();
    const std::string policy7 = "/sys/devices/system/cpu/cpufreq/policy7/scaling_max_freq";
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "[INFO] Restoring 3 changes...");
    EXPECT_EQ(lines[1], "[DRY] write '2995200\\n' to " + policy7);  // the content as read, its newline shown
    EXPECT_EQ(lines[2], "[DRY] set mode 0644 on " + policy7);
    EXPECT_EQ(lines[7], "[OK] Restored 3 of 3 changes");
    EXPECT_EQ(dev.read(kJournal), journal);
}

struct Crash {
    std::vector<std::string> command;
    const char* tool;  // nullptr: the kernel kills at a node write
    int steps;         // node write-opens or tool calls to strike, one run each
};

// Killed at each step, between the record of an original and its change:
// the next restore still finds every original, including one recorded by an
// earlier, finished command.
TEST(Undo, ACrashAtAnyStepLosesNoOriginal) {
    const Crash crashes[] = {
        {{"--cpu_min", "60"}, nullptr, 4},       {{"--perf_kt"}, nullptr, 4},
        {{"--bypass", "on"}, nullptr, 1},        {{"--gpu_max", "50"}, nullptr, 1},
        {{"--perf_sys"}, "settings", 4},         {{"--sf_auto"}, "setprop", 3},
        {{"--gms_doze_enable"}, "cmd", 6},       {{"--downscales", "0.7"}, "cmd", 6},
    };
    for (const Crash& crash : crashes) {
        for (int step = 1; step <= crash.steps; ++step) {
            SCOPED_TRACE(crash.command[0] + " killed at step " + std::to_string(step));
            SimDevice dev("snapdragon");
            (void)dev.run({"--cpu_max", "80"});
            (void)dev.run({"--batt_sys"});
            const int at = count_so_far(dev, crash.tool ? crash.tool : "node") + step;
            if (crash.tool) {
                dev.kill_on_tool_call(crash.tool, {.on_call = at}, SIGKILL);
            } else {
                dev.kill_on_node_write(SIGKILL, {.on_call = at});
            }
            EXPECT_EQ(dev.run(crash.command).status, 128 + SIGKILL);
            RunResult r = dev.run({"--restore"});
            EXPECT_EQ(r.lines().size(), 2u) << r.out;
            EXPECT_EQ(unexplained_changes(dev), std::vector<std::string>{}) << dev.diff();
        }
    }
}

// A command that changes several targets records them all, with one flush,
// before its first change: killed at that change, it leaves as many originals
// in the journal as a whole run does.
TEST(Undo, EveryOriginalIsRecordedBeforeTheFirstChange) {
    struct Row {
        std::optional<int> api;
        std::vector<std::string> command;
        const char* tool;  // nullptr: the kernel kills at the first node write
    };
    const Row rows[] = {
        {{}, {"--cpu_max", "50"}, nullptr},  {{}, {"--cpu_reset"}, nullptr}, {{}, {"--gpu_reset"}, nullptr},
        {{}, {"--sf_auto"}, "setprop"},      {32, {"--fps_limit", "60"}, "settings"},
    };
    auto records = [](const SimDevice& dev) {
        const std::string journal = dev.exists(kJournal) ? dev.read(kJournal) : "";
        return std::count(journal.begin(), journal.end(), '\n');
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command[0]);
        SimDevice whole("snapdragon", row.api);
        (void)whole.run(row.command);
        ASSERT_GT(records(whole), 1);
        SimDevice killed("snapdragon", row.api);
        if (row.tool) {
            killed.kill_on_tool_call(row.tool, {.args_contain = std::string(row.tool) == "settings" ? "put" : ""}, SIGKILL);
        } else {
            killed.kill_on_node_write(SIGKILL, {.on_call = 1});
        }
        EXPECT_EQ(killed.run(row.command).status, 128 + SIGKILL);
        EXPECT_EQ(records(killed), records(whole));
    }
}

bool is_dry_line(const std::string& line) { return starts_with(line, "[DRY] "); }

// Results of steps that a dry run skips: it prints the step's [DRY] lines instead.
const std::set<std::string> kSkippedResults = {
    "[INFO] Apps killed",          "[INFO] Sync completed",   "[INFO] Caches dropped",
    "[INFO] External cache cleaned", "[INFO] Data cache cleaned", "[INFO] WiFi disabled",
    "[INFO] Mobile data disabled",
};

// Each command previewed: its own lines as a real run prints them on the same
// phone, the [DRY] lines in place of its changes, and no change made.
TEST(Undo, ADryRunChangesNothing) {
    const std::vector<std::vector<std::string>> extra = {
        {"--cpu_reset"}, {"--gpu_reset"},  {"--bypass", "off"}, {"--resetting_sys"}, {"--reset_downscale"},
        {"--reset_fps"}, {"--clean_ram"}, {"--clear_cache_app"}, {"--set_dnd", "Y"}, {"--disable_network"},
        {"--gms_doze_revert"}, {"--check_nand"}, {"--auto_setup", "gamemode"}, {"--on_boot", "gamemode"},
        {"--restore"},
    };
    for (const char* profile : {"snapdragon", "mtk_dimensity"}) {
        SimDevice dev(profile);
        for (const auto* list : {&kTuning, &extra}) {
            for (const auto& command : *list) {
                SCOPED_TRACE(std::string(profile) + " " + command[0]);
                std::vector<std::string> args = {"--dry-run"};
                args.insert(args.end(), command.begin(), command.end());
                Lines dry = dev.run(args).lines();
                Lines own;
                std::copy_if(dry.begin(), dry.end(), std::back_inserter(own), [](const auto& l) { return !is_dry_line(l); });
                if (command[0] == "--check_nand") continue;  // its timings differ from run to run
                SimDevice twin(profile);
                Lines real = twin.run(command).lines();
                std::erase_if(real, [](const std::string& line) { return kSkippedResults.count(line) != 0; });
                // A dry run puts no overlay, so it cannot know that the game
                // manager would refuse a game mode 2: it counts the game in.
                const bool refused_mode = std::any_of(real.begin(), real.end(), [](const std::string& l) {
                    return l.starts_with("[WARN] Game mode 2 is not available for ");
                });
                if (!refused_mode) {
                    EXPECT_EQ(own, real);
                }
                // Whatever the real run changed, the dry run showed.
                if (!unexplained_changes(twin).empty()) {
                    EXPECT_GT(std::count_if(dry.begin(), dry.end(), is_dry_line), 0);
                }
            }
        }
        // Only the tools' reads ran, the journal's reads of originals among them.
        for (const Call& call : dev.calls()) {
            EXPECT_EQ(classify_command(call[0], Args(call.begin() + 1, call.end())).kind, CommandKind::read)
                << testing::PrintToString(call);
        }
        EXPECT_EQ(unexplained_changes(dev), std::vector<std::string>{}) << dev.diff();
        EXPECT_FALSE(dev.exists("/data/adb/korvane"));
    }

    SimDevice dev("snapdragon");
    const std::string policy0 = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
    Lines lines = dev.run({"--dry-run", "--cpu_max", "50"}).lines();
    ASSERT_EQ(lines.size(), 2u + 16u);
    EXPECT_EQ(lines[0], "[INFO] Setting CPU Max to 50%...");
    EXPECT_TRUE(starts_with(lines[1], "[DRY] write '") && lines[1].ends_with("' to " + policy0)) << lines[1];
    EXPECT_EQ(lines[2], "[DRY] set mode 0444 on " + policy0);
    EXPECT_EQ(lines.back(), "[OK] CPU Max applied to 8/8 cores");
    lines = dev.run({"--dry-run", "--gms_doze_enable"}).lines();
    EXPECT_EQ(lines, (Lines{"[INFO] Enabling GMS Doze...",
                            "[DRY] run cmd appops set com.google.android.gms RUN_IN_BACKGROUND deny",
                            "[DRY] run cmd appops set com.google.android.gms RUN_ANY_IN_BACKGROUND deny",
                            "[DRY] run cmd deviceidle sys-whitelist -com.google.android.gms",
                            "[DRY] run cmd deviceidle disable com.google.android.gms", "[OK] GMS Doze enabled"}));
    EXPECT_EQ(dev.run({"--dry-run"}).err_lines(), (Lines{"Error: Missing argument", "Usage: --dry-run <command> [value]"}));
}

}  // namespace
}  // namespace korvane::e2e
