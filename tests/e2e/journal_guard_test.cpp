// The journal's guarantees where a phone makes them hard to keep: no
// /data/adb, a journal that cannot be kept, nodes whose original cannot be
// read, game modes, dry runs that must refuse as the real run does, a tool
// that never ends and a run that finds the journal locked.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kJournal = "/data/adb/korvane/journal";
const std::string kMaxFreq = "/sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq";

// korvane with environment variables, which sim/run does not pass on.
RunResult run_with(const SimDevice& dev, const std::string& env, const std::string& args) {
    return dev.run_program("/system/bin/mksh", {"-c", env + " exec /sim/bin/korvane " + args});
}

// A root without a manager has no /data/adb: it is made and the journal kept.
// Where the journal cannot be kept, each change is refused, and said once.
TEST(JournalGuard, TheJournalsFolderIsMadeOrItsFailureSaidOnce) {
    enum class Adb { missing, a_file, read_only };
    struct Case {
        const char* name;
        Adb adb;
        Lines expected;  // empty: as on a phone with /data/adb
    };
    const std::string start = "[INFO] Applying Performance Kernel Tweaks...";
    const std::string none = "[OK] Applied 0 kernel tweaks";
    const Case cases[] = {
        {"no /data/adb", Adb::missing, {}},
        {"/data/adb cannot hold a folder", Adb::a_file,
         {start,
          "[ERROR] Cannot keep the undo journal at /data/adb/korvane/journal: /data/adb/korvane: Not a directory "
          "(os error 20); nothing was changed",
          none}},
        {"/data/adb cannot be written", Adb::read_only,
         {start,
          "[ERROR] Cannot keep the undo journal at /data/adb/korvane/journal: /data/adb/korvane: Read-only file "
          "system (os error 30); nothing was changed",
          none}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimDevice dev("snapdragon");
        if (c.adb != Adb::read_only) dev.remove("/data/adb");
        if (c.adb == Adb::a_file) dev.write("/data/adb", "");
        if (c.adb == Adb::read_only) std::ofstream(dev.state_dir() + "/android/read_only_data_adb").put('\n');
        const std::string original = dev.read("/proc/sys/walt/sched_boost");
        Lines lines = dev.run({"--perf_kt"}).lines();
        if (c.expected.empty()) {
            SimDevice twin("snapdragon");
            EXPECT_EQ(lines, twin.run({"--perf_kt"}).lines());
            EXPECT_EQ(dev.mode("/data/adb"), 0700u);
            EXPECT_EQ(dev.mode("/data/adb/korvane"), 0700u);
            // as many records as on a phone with /data/adb; the nodes' identities differ
            const std::string journal = dev.read(kJournal);
            const std::string usual = twin.read(kJournal);
            EXPECT_GT(std::count(journal.begin(), journal.end(), '\n'), 0);
            EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), std::count(usual.begin(), usual.end(), '\n'));
        } else {
            EXPECT_EQ(lines, c.expected);
            EXPECT_EQ(dev.read("/proc/sys/walt/sched_boost"), original);
        }
    }
}

// A node another tool locked with chmod 000 cannot be read back, so it is
// not changed; drop_caches is made to be written only and stays an action.
TEST(JournalGuard, ANodeWhoseOriginalCannotBeReadIsLeftAsItWas) {
    SimDevice dev("snapdragon");
    const std::string original = dev.read(kMaxFreq);
    dev.chmod(kMaxFreq, 0);
    Lines lines = dev.run({"--cpu_max", "50"}).lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "[WARN] Failed to set CPU0 max freq: Could not record the original of "
                        "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq: Permission denied (os error 13)");
    EXPECT_EQ(dev.read(kMaxFreq), original);
    EXPECT_EQ(dev.mode(kMaxFreq), 0u);
    Lines ram = dev.run({"--clean_ram"}).lines();
    EXPECT_EQ(std::count_if(ram.begin(), ram.end(), [](const std::string& l) { return l.find("original") != std::string::npos; }), 0)
        << testing::PrintToString(ram);
}

// A game's mode comes back after the undo: as it was from 14 on, which can
// show it, and standard on 12 and 13, which cannot.
TEST(JournalGuard, AGamesModeComesBack) {
    const std::string game = "com.mobile.legends";
    struct Case {
        int api;
        int restored;
    };
    for (const Case c : {Case{34, 3}, Case{35, 3}, Case{33, 1}}) {
        SCOPED_TRACE(c.api);
        SimDevice dev("snapdragon", c.api);
        ASSERT_EQ(dev.run_program("/system/bin/cmd", {"device_config", "put", "game_overlay", game, "mode=3,fps=30"}).status, 0);
        ASSERT_EQ(dev.run_program("/system/bin/cmd", {"game", "mode", "3", game}).status, 0);
        ASSERT_EQ(dev.game_state(game).mode, 3);
        (void)dev.run({"--downscales", "0.7"});
        ASSERT_EQ(dev.game_state(game).mode, 2);
        Lines restored = dev.run({"--restore"}).lines();
        EXPECT_TRUE(restored.back().starts_with("[OK] Restored ")) << testing::PrintToString(restored);
        EXPECT_EQ(dev.game_state(game).mode, c.restored);
        EXPECT_EQ(dev.device_config("game_overlay", game), "mode=3,fps=30");
    }
}

// A dry run does the journal's reads and refuses where the real run does;
// it shows no mode change that /proc/sys would refuse.
TEST(JournalGuard, ADryRunRefusesWhereTheRealRunDoes) {
    struct Case {
        std::optional<int> api;
        std::vector<std::string> command;
        bool lock_a_node;  // chmod 000 on policy0's scaling_max_freq first
    };
    const Case cases[] = {
        {24, {"--gms_doze_enable"}, false},
        {std::nullopt, {"--cpu_max", "50"}, true},
        {std::nullopt, {"--perf_kt"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command[0]);
        SimDevice dev("snapdragon", c.api);
        SimDevice twin("snapdragon", c.api);
        if (c.lock_a_node) {
            dev.chmod(kMaxFreq, 0);
            twin.chmod(kMaxFreq, 0);
        }
        std::vector<std::string> args = {"--dry-run"};
        args.insert(args.end(), c.command.begin(), c.command.end());
        Lines dry = dev.run(args).lines();
        Lines own;
        std::copy_if(dry.begin(), dry.end(), std::back_inserter(own), [](const std::string& l) { return !l.starts_with("[DRY] "); });
        EXPECT_EQ(own, twin.run(c.command).lines());
        for (const std::string& line : dry) {
            EXPECT_FALSE(line.starts_with("[DRY] set mode") && line.find(" /proc/sys/") != std::string::npos) << line;
        }
    }
    SimDevice android7("snapdragon", 24);
    Lines dry = android7.run({"--dry-run", "--gms_doze_enable"}).lines();
    EXPECT_EQ(dry, (Lines{"[INFO] Enabling GMS Doze...",
                          "[DRY] run cmd appops set com.google.android.gms RUN_IN_BACKGROUND deny",
                          "[ERROR] Could not record the original of app-op com.google.android.gms "
                          "RUN_ANY_IN_BACKGROUND: unexpected answer: ''"}));
}

// A tool that never ends is cut off at the time limit; a run that meanwhile
// finds the journal locked waits, says so once, and gives up.
TEST(JournalGuard, AStuckToolIsCutOffAndAWaitingRunGivesUp) {
    SimDevice dev("snapdragon");
    dev.remove("/system/bin/settings");
    dev.write("/system/bin/settings", "#!/system/bin/mksh\n/system/bin/sleep 600\n", 0755);
    const auto start = std::chrono::steady_clock::now();
    auto stuck = std::async(std::launch::async, [&] { return run_with(dev, "KORVANE_TOOL_TIMEOUT=6", "--perf_sys"); });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    Lines waiting = run_with(dev, "KORVANE_LOCK_TIMEOUT=1", "--perf_kt").lines();
    EXPECT_EQ(waiting, (Lines{"[INFO] Applying Performance Kernel Tweaks...",
                              "[INFO] Waiting for another korvane run to finish...",
                              "[ERROR] Another korvane run holds the journal at /data/adb/korvane/journal",
                              "[OK] Applied 0 kernel tweaks"}));
    Lines cut = stuck.get().lines();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_FALSE(cut.empty());
    EXPECT_EQ(cut.back(), "[ERROR] Could not record the original of setting global activity_manager_constants: "
                          "Failed to execute command settings list global: timed out after 6 s");
    // The lock went with the run: the next one gets it at once.
    Lines after = run_with(dev, "KORVANE_LOCK_TIMEOUT=1", "--restore").lines();
    EXPECT_EQ(after, (Lines{"[INFO] Nothing to restore"}));
}

}  // namespace
}  // namespace korvane::e2e
