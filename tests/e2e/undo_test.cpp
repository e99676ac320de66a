// Undo and preview on the simulated phones: a restore after tuning leaves the
// phone as it was, a crash between the record and the change loses no
// original, a dry run changes nothing, and the boot service applies the
// stored mode once per boot.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "journal_reads.h"
#include "sim_device.h"

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
// (SurfaceFlinger's "unset"; a property cannot be deleted), a game's mode
// at standard, the mode of a game with none set, and the global setting that
// stores sync mode none as 0. The effects are checked
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
        if (line == "  global device_config_sync_disabled: unset -> \"0\"") continue;
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

    // korvane's own commands raise no alarm: every value is in force as its node reads back.
    RunResult status = dev.run({"--status"});
    EXPECT_EQ(status.out.find(": changed since by something else\n"), std::string::npos) << status.out;
    EXPECT_EQ(status.out.find("cannot be read: "), std::string::npos) << status.out;
    // every [OK] line, a node that shows a report among them, is one in force
    Lines said = status.lines();
    const auto in_force = std::count_if(said.begin(), said.end(), [](const std::string& l) { return starts_with(l, "[OK] "); });
    EXPECT_EQ(said.back(), "[OK] " + std::to_string(in_force - 1) +
                               " of korvane's changes in force, 0 changed since by something else, 0 reset by a reboot");

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

// Each profile as it ships (snapdragon_gki runs Android 16), and the
// releases whose tools differ.
INSTANTIATE_TEST_SUITE_P(Undo, EveryPhone,
                         ::testing::Values(Phone{"snapdragon", {}}, Phone{"snapdragon_gki", {}},
                                           Phone{"mtk_dimensity", {}}, Phone{"mtk_legacy", {}}, Phone{"mali", {}},
                                           Phone{"bare", {}}, Phone{"qc_hmp", {}}, Phone{"qc_walt4", {}},
                                           Phone{"snapdragon", 24}, Phone{"snapdragon", 26},
                                           Phone{"snapdragon", 31}, Phone{"mali", 32}, Phone{"snapdragon", 35}),
                         phone_name);

// What --status says once something other than korvane changed a target, or
// a vendor service was refused by korvane's lock, or the phone rebooted.
struct Afterwards {
    const char* name;
    std::vector<std::string> command;  // korvane's
    std::function<void(SimDevice&)> then;
    Lines lines;  // --status's lines for the targets, in this order
    int in_force, changed, rebooted;  // the summary's counts
    const char* profile = "snapdragon";
    std::optional<int> api = std::nullopt;
    std::function<void(SimDevice&)> first = [](SimDevice&) {};  // before korvane's command
};

const std::string kPolicy0Max = "/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq";
const std::string kBootId = "/proc/sys/kernel/random/boot_id";
const std::string kLegends = "com.mobile.legends";

void cmd(SimDevice& dev, const std::vector<std::string>& args) { EXPECT_EQ(dev.run_program("/system/bin/cmd", args).status, 0); }

// clang-format off
const Afterwards kAfterwards[] = {
    {"sysctl_rewritten", {"--perf_kt"}, [](SimDevice& d) { d.vendor_write("/proc/sys/walt/sched_boost", "0"); },
     {"[WARN] /proc/sys/walt/sched_boost: now 0; korvane set 1 (was 0): changed since by something else"}, 15, 1, 0},
    {"unlocked_node_rewritten", {"--cpu_max", "50"}, [](SimDevice& d) {
         d.chmod(kPolicy0Max, 0644);
         d.vendor_write(kPolicy0Max, "300000"); },
     {"[WARN] " + kPolicy0Max + ": now 307200; korvane set 1075200 (was 1785600): changed since by something else"}, 2, 1, 0},
    {"locked_node_refuses", {"--cpu_max", "50"}, [](SimDevice& d) {
         EXPECT_NE(d.vendor_write(kPolicy0Max, "300000").status, 0);
         EXPECT_NE(d.diff().find("vendor write " + kPolicy0Max + " 300000: refused: Permission denied"),
                   std::string::npos); },
     {"[OK] " + kPolicy0Max + ": 1075200 (korvane's; was 1785600)"}, 3, 0, 0},
    // a thermal cap lowers what a locked policy shows; the most recent change first
    {"locked_node_shows_a_cap", {"--cpu_max", "50"}, [](SimDevice& d) { d.write(kPolicy0Max, "1000000", 0444); },
     {"[OK] /sys/devices/system/cpu/cpufreq/policy7/scaling_max_freq: 1958400 (korvane's; was 2995200)",
      "[OK] /sys/devices/system/cpu/cpufreq/policy4/scaling_max_freq: 1651200 (korvane's; was 2496000)",
      "[OK] " + kPolicy0Max + ": 1075200 (set; the node shows 1000000)"}, 3, 0, 0},
    {"report_node", {"--gpu_max", "50"}, [](SimDevice&) {},
     {"[OK] /proc/gpufreqv2/fix_target_opp_index: 16 (set; the node shows [GPUFREQ-DEBUG] fix OPP index: 16)"}, 1, 0, 0, "mtk_dimensity"},
    {"setting_rewritten", {"--perf_sys"}, [](SimDevice& d) {
         (void)d.run_program("/system/bin/settings", {"put", "global", "device_idle_constants", "inactive_to=1"}); },
     {"[WARN] setting global device_idle_constants: now inactive_to=1; korvane set light_after_inactive_to=7200000,"
      "light_pre_idle_to=7200000,light_idle_to=3600000,light_idle_fa... (was absent): changed since by something else"}, 52, 1, 0},
    {"rebooted", {"--perf_kt"}, [](SimDevice& d) { d.reboot(); },
     {"[INFO] /proc/sys/walt/sched_boost: 0 again: reset by a reboot"}, 0, 0, 16},
    {"recorded_without_a_boot", {"--cpu_max", "50"}, [](SimDevice& d) { d.write(kBootId, "0f1e2d3c\n", 0444); },
     {"[OK] " + kPolicy0Max + ": 1075200 (korvane's; was 1785600)"}, 3, 0, 0,
     "snapdragon", std::nullopt, [](SimDevice& d) { d.remove(kBootId); }},
    // 12 says only that sync is off: until_reboot, as the setting is not 1
    {"sync_until_reboot_on_12", {"--perf_sys"}, [](SimDevice&) {},
     {"[OK] device_config sync mode: persistent (korvane's; was until_reboot)"}, 53, 0, 0, "snapdragon", 31,
     [](SimDevice& d) { cmd(d, {"device_config", "set_sync_disabled_for_tests", "until_reboot"}); }},
    {"sync_persistent_on_12L", {"--perf_sys"}, [](SimDevice&) {},
     {"[INFO] device_config sync mode: now persistent; korvane's value unknown (was persistent)"}, 52, 0, 0, "snapdragon", 32,
     [](SimDevice& d) { cmd(d, {"device_config", "set_sync_disabled_for_tests", "persistent"}); }},
    {"game_mode_on_13", {"--downscales", "0.7"}, [](SimDevice&) {},
     {"[INFO] game mode " + kLegends + ": cannot be read on Android 13; korvane set 2 (was 1)"}, 6, 0, 0, "snapdragon", 33},
    {"game_mode_on_14", {"--downscales", "0.7"}, [](SimDevice&) {},
     {"[OK] game mode " + kLegends + ": 2 (korvane's; was 1)"}, 10, 0, 0, "snapdragon", 34},
    {"user_override_reset", {"--reset_downscale"}, [](SimDevice&) {},
     {"[OK] game override " + kLegends + " 2: absent (korvane's; was downscaleFactor=0.5,fps=60)"}, 2, 0, 0, "snapdragon", 34,
     [](SimDevice& d) {
         cmd(d, {"device_config", "put", "game_overlay", kLegends, "mode=2,downscaleFactor=0.7"});
         cmd(d, {"game", "set", "--mode", "2", "--downscale", "0.5", "--fps", "60", kLegends}); }},
};
// clang-format on

class StatusAfterwards : public ::testing::TestWithParam<Afterwards> {};

TEST_P(StatusAfterwards, NamesWhatChangedSince) {
    SimDevice dev(GetParam().profile, GetParam().api);
    GetParam().first(dev);
    (void)dev.run(GetParam().command);
    GetParam().then(dev);
    Lines status = dev.run({"--status"}).lines();
    auto at = std::search(status.begin(), status.end(), GetParam().lines.begin(), GetParam().lines.end());
    EXPECT_NE(at, status.end()) << testing::PrintToString(status);
    EXPECT_EQ(status.back(), "[OK] " + std::to_string(GetParam().in_force) + " of korvane's changes in force, " +
                                 std::to_string(GetParam().changed) + " changed since by something else, " +
                                 std::to_string(GetParam().rebooted) + " reset by a reboot");
}

INSTANTIATE_TEST_SUITE_P(Undo, StatusAfterwards, ::testing::ValuesIn(kAfterwards),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Undo, StatusChangesNothingAndWaitsForNoLock) {
    SimDevice dev("snapdragon");
    EXPECT_EQ(dev.run({"--status"}).lines(),
              (Lines{"[INFO] Thermal status none (thermal service), skin 33.5 °C, no CPU or GPU cooling device active",
                     "[INFO] korvane has changed nothing"}));
    EXPECT_FALSE(dev.exists("/data/adb/korvane"));
    (void)dev.run({"--cpu_max", "50"});
    const std::string journal = dev.read(kJournal);
    (void)dev.run({"--cpu_max", "50"});
    EXPECT_EQ(dev.read(kJournal), journal);  // a repeated command finds its values written down
    // another run holds the journal and is in the middle of a line
    const int fd = ::open(dev.host_path(kJournal).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    ASSERT_EQ(::write(fd, "0badc0de node", 13), 13);
    EXPECT_EQ(dev.run({"--status"}).lines().back(),
              "[OK] 3 of korvane's changes in force, 0 changed since by something else, 0 reset by a reboot");
    ::close(fd);
    EXPECT_EQ(dev.read(kJournal), journal + "0badc0de node");
}

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
    // and the sync mode; besides them, korvane's values ("set" lines)
    Lines originals;
    for (std::istringstream in(journal); std::getline(in, journal);) {
        if (journal.substr(8, 5) != " set ") originals.push_back(journal);
    }
    journal = dev.read(kJournal);
    EXPECT_EQ(originals.size(), 3u + 6 + 46 + 1) << journal;
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

// A run that cannot read the boot id cannot tell a new boot: it drops no
// record, and its own records, without a boot, are kept and restored.
TEST(Undo, AnUnreadableBootIdKeepsTheUndo) {
    SimDevice dev("snapdragon");
    const std::string boot_id = "/proc/sys/kernel/random/boot_id";
    const std::string id = dev.read(boot_id);
    (void)dev.run({"--cpu_max", "20"});
    dev.remove(boot_id);
    (void)dev.run({"--perf_kt"});
    (void)dev.run({"--cpu_min", "30"});
    dev.write(boot_id, id, 0444);
    RunResult r = dev.run({"--restore"});
    ASSERT_GE(r.lines().size(), 2u) << r.out;
    EXPECT_EQ(r.lines().size(), 2u) << r.out;
    EXPECT_EQ(unexplained_changes(dev), std::vector<std::string>{}) << dev.diff();
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
    // six settings, Android 14's 46 device_config keys and the sync mode, then korvane's values of them
    EXPECT_EQ(lines[1], "[WARN] Skipping unreadable journal line " +
                            std::to_string(std::count(records.begin(), records.end(), '\n') + 2) + ": torn line");
    EXPECT_EQ(lines.back(), "[OK] Restored 53 of 53 changes");
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
    // only the thermal state was read, before the raise
    EXPECT_EQ(dev.calls(), (std::vector<Call>{{"dumpsys", "thermalservice"}}));
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

// Instead of a crash: every node write of the command cut to two bytes by a
// file size limit, or a reboot between the earlier commands and this one.
enum class Twist { none, short_writes, reboot_first };

struct Crash {
    std::vector<std::string> command;
    const char* tool;  // nullptr: the kernel kills at a node write
    int steps;         // node write-opens or tool calls to strike, one run each
    Twist twist = Twist::none;
};

// Killed at each step, between the record of an original and its change:
// the next restore still finds every original, including one recorded by an
// earlier, finished command. Node writes that fail half-way are put back as
// well; the node records of an earlier boot leave the journal unrestored.
TEST(Undo, ACrashAtAnyStepLosesNoOriginal) {
    const Crash crashes[] = {
        {{"--cpu_min", "60"}, nullptr, 4},       {{"--perf_kt"}, nullptr, 4},
        {{"--bypass", "on"}, nullptr, 1},        {{"--gpu_max", "50"}, nullptr, 1},
        {{"--perf_sys"}, "settings", 4},         {{"--sf_auto"}, "setprop", 3},
        {{"--gms_doze_enable"}, "cmd", 6},       {{"--downscales", "0.7"}, "cmd", 6},
        {{"--cpu_max", "40"}, nullptr, 1, Twist::short_writes},
        {{"--cpu_max", "40"}, nullptr, 1, Twist::reboot_first},
    };
    const std::string policy0 = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
    for (const Crash& crash : crashes) {
        for (int step = 1; step <= crash.steps; ++step) {
            const char* twists[] = {"", ", writes cut short", ", after a reboot"};
            SCOPED_TRACE(crash.command[0] + " killed at step " + std::to_string(step) +
                         twists[static_cast<int>(crash.twist)]);
            SimDevice dev("snapdragon");
            (void)dev.run({"--cpu_max", "80"});
            (void)dev.run({"--batt_sys"});
            const std::string boot = dev.read("/proc/sys/kernel/random/boot_id");
            const int at = count_so_far(dev, crash.tool ? crash.tool : "node") + step;
            if (crash.twist == Twist::short_writes) {
                // the journal holds these nodes already, so only the nodes meet the limit
                std::vector<std::string> args = {"--fsize=2", "/sim/bin/korvane"};
                args.insert(args.end(), crash.command.begin(), crash.command.end());
                Lines lines = dev.run_program("/usr/bin/prlimit", args).lines();
                ASSERT_GE(lines.size(), 2u);
                EXPECT_EQ(lines[1], "[WARN] Failed to set CPU0 max freq: Failed to write to " + policy0 +
                                        ": only 2 of 6 bytes were taken");
            } else if (crash.twist == Twist::reboot_first) {
                dev.reboot();
                EXPECT_EQ(dev.run(crash.command).status, 0);
                const std::string journal = dev.read(kJournal);
                EXPECT_EQ(journal.find(" node " + boot.substr(0, boot.find('\n')) + " "), std::string::npos) << journal;
            } else {
                if (crash.tool) {
                    dev.kill_on_tool_call(crash.tool, {.on_call = at}, SIGKILL);
                } else {
                    dev.kill_on_node_write(SIGKILL, {.on_call = at});
                }
                EXPECT_EQ(dev.run(crash.command).status, 128 + SIGKILL);
            }
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
        return original_records(dev.exists(kJournal) ? dev.read(kJournal) : "");
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

// What the battery current showed after a charger switch: a dry run switches nothing.
bool is_charge_verdict(const std::string& line) {
    for (const char* verdict : {"[OK] Bypass active: ", "[WARN] Charging stopped by ", "[WARN] The phone still charges ",
                                "[INFO] No charger is connected: ", "[OK] Charging resumed", "[WARN] The phone does not charge "}) {
        if (starts_with(line, verdict)) return true;
    }
    return false;
}

// Results of steps that a dry run skips: it prints the step's [DRY] lines instead.
const std::set<std::string> kSkippedResults = {
    "[INFO] Apps killed",          "[INFO] Sync completed",   "[INFO] Caches dropped",
    "[INFO] External cache cleaned", "[INFO] Data cache cleaned", "[INFO] WiFi disabled",
    "[INFO] Mobile data disabled", kSyncOff,  // the dry run shows the sync mode's set as a [DRY] run
};

// The device-tool calls that only read, by their first words; the allow-list
// read is `cmd deviceidle sys-whitelist` alone, its +/- forms change it.
const std::vector<Call> kReadCalls = {
    {"dumpsys"},         {"getprop"},
    {"settings", "get"}, {"settings", "list"},
    {"cmd", "package", "list"},
    {"cmd", "device_config", "get"}, {"cmd", "device_config", "list"},
    {"cmd", "device_config", "is_sync_disabled_for_tests"}, {"cmd", "device_config", "get_sync_disabled_for_tests"},
    {"cmd", "appops", "get"},
    {"cmd", "game", "list-modes"},   {"cmd", "game", "list-configs"}, {"cmd", "game", "list"},
    {"find", "/sys/devices", "-name"},
};

bool is_read(const Call& call) {
    if (call == Call{"cmd", "deviceidle", "sys-whitelist"}) return true;
    return std::any_of(kReadCalls.begin(), kReadCalls.end(), [&](const Call& read) {
        return call.size() >= read.size() && std::equal(read.begin(), read.end(), call.begin());
    });
}

std::string joined(const Call& call) {
    std::string text;
    for (const std::string& word : call) text += (text.empty() ? "" : " ") + word;
    return text;
}

// A node of the phone as sim/diff names it: links resolved (cpu0/cpufreq is policy0).
std::string resolved(const SimDevice& dev, const std::string& path) {
    const std::string state = std::filesystem::weakly_canonical(dev.state_dir()).string();
    return std::filesystem::weakly_canonical(dev.host_path(path)).string().substr(state.size());
}

// What a dry run names as its changes: "node PATH" for each write, mode
// change and removal, "run TOOL ARGS" for each tool it would run.
std::set<std::string> dry_targets(const SimDevice& dev, const Lines& dry) {
    static const std::regex node(R"(^\[DRY\] (write '.*' to|set mode [0-7]+ on|remove) (/.*)$)");
    std::set<std::string> targets;
    std::smatch m;
    for (const std::string& line : dry) {
        if (starts_with(line, "[DRY] run ")) targets.insert(line.substr(6));
        if (std::regex_match(line, m, node)) targets.insert("node " + resolved(dev, m[2]));
    }
    return targets;
}

// What a real run changed: the nodes sim/diff reports (less the journal) and
// every tool call that is not a read.
std::set<std::string> real_targets(const SimDevice& dev) {
    std::set<std::string> targets;
    std::istringstream diff(dev.diff());
    std::string section;
    for (std::string line; std::getline(diff, line);) {
        if (!starts_with(line, " ")) section = line;
        if (section == "Files and nodes:" && starts_with(line, "  /") && !starts_with(line, "  /data/adb/korvane/")) {
            std::string path = line.substr(2, line.find(": ") - 2);
            if (path.ends_with("/")) path.pop_back();  // a folder
            if (path == "/proc/self") continue;           // lent to a sanitized build's runtime
            targets.insert("node " + path);
        }
    }
    for (const Call& call : dev.calls()) {
        if (!is_read(call)) targets.insert("run " + joined(call));
    }
    return targets;
}

// A dry run puts no overlay, so it cannot know that the game manager would
// refuse a game mode 2: where the real run warns, it counts the game in.
Lines as_a_dry_run_tells(Lines real) {
    std::erase_if(real, [](const std::string& line) { return kSkippedResults.count(line) != 0 || is_charge_verdict(line); });
    const auto refused = std::erase_if(
        real, [](const std::string& l) { return starts_with(l, "[WARN] Game mode 2 is not available for "); });
    static const std::regex games(R"(^(\[OK\] .* applied to )(\d+)( games)$)");
    std::smatch m;
    for (std::string& line : real) {
        if (std::regex_match(line, m, games)) line = m[1].str() + std::to_string(std::stoul(m[2]) + refused) + m[3].str();
    }
    return real;
}

// Each command previewed: its own lines as a real run prints them on a twin
// phone, a [DRY] line for each node and tool call the real run changed, and
// no change made: only reads ran.
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
                if (command[0] == "--check_nand") continue;  // its timings differ from run to run
                Lines own;
                std::copy_if(dry.begin(), dry.end(), std::back_inserter(own), [](const auto& l) { return !is_dry_line(l); });
                SimDevice twin(profile);
                EXPECT_EQ(own, as_a_dry_run_tells(twin.run(command).lines()));
                // a node written with the value it holds is no change to sim/diff
                const std::set<std::string> shown = dry_targets(dev, dry), made = real_targets(twin);
                std::vector<std::string> unshown, unmade;
                std::ranges::set_difference(made, shown, std::back_inserter(unshown));
                std::ranges::set_difference(shown, made, std::back_inserter(unmade));
                std::erase_if(unmade, [](const std::string& t) { return starts_with(t, "node "); });
                EXPECT_EQ(unshown, std::vector<std::string>{});
                EXPECT_EQ(unmade, std::vector<std::string>{});
            }
        }
        for (const Call& call : dev.calls()) EXPECT_TRUE(is_read(call)) << joined(call);
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
