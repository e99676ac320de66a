// The journal's guarantees where a phone makes them hard to keep: no
// /data/adb, a journal that cannot be kept, nodes whose original cannot be
// read, game modes, dry runs that must refuse as the real run does, a tool
// that never ends and a run that finds the journal locked.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "journal_reads.h"
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
            EXPECT_EQ(lines.front(), start);
            EXPECT_EQ(lines.back(), "[OK] Applied 17 kernel tweaks");
            EXPECT_EQ(lines.size(), 2u);
            EXPECT_EQ(dev.mode("/data/adb"), 0700u);
            EXPECT_EQ(dev.mode("/data/adb/korvane"), 0700u);
            // one record per node: the 17 rows reach 16 (sched_tunable_scaling takes two)
            const std::string journal = dev.read(kJournal);
            EXPECT_EQ(original_records(journal), 16) << journal;
        } else {
            EXPECT_EQ(lines, c.expected);
            EXPECT_EQ(dev.read("/proc/sys/walt/sched_boost"), original);
        }
    }
}

// What korvane did to the journal and the phone, in order, from strace's
// record of a run inside the phone: "record" (a write to the journal),
// "flush" (its fdatasync or fsync), "node" (an open of a node for writing)
// and "tool" (a tool started to change state: a put, delete or set, setprop),
// repeats of one kind counted once.
std::vector<std::string> journal_and_node_calls(const SimDevice& dev, const std::vector<std::string>& command) {
    const std::string trace = "/data/local/tmp/trace";
    std::vector<std::string> args = {"-f", "-e", "trace=openat,write,fsync,fdatasync,execve", "-o", trace, "/sim/bin/korvane"};
    args.insert(args.end(), command.begin(), command.end());
    RunResult r = dev.run_program("/usr/bin/strace", args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream lines(dev.read(trace));
    const std::regex journal_open("^\\d+ +openat\\(AT_FDCWD, \"" + kJournal + "\", .* = (\\d+)$");
    const std::regex tool_change(
        R"re(^execve\("/system/bin/(setprop"|(settings|cmd)", \[("[a-z_]+", ){1,2}"(put|delete|set|set_sync_disabled_for_tests)"))re");
    std::string fd = "none";
    std::vector<std::string> calls;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        std::string call = line.substr(line.find_first_not_of(' ', line.find(' ')));
        std::string kind;
        if (std::regex_match(line, m, journal_open)) fd = m[1];
        if (call.starts_with("write(" + fd + ",")) kind = "record";
        if (call.starts_with("fdatasync(" + fd + ")") || call.starts_with("fsync(" + fd + ")")) kind = "flush";
        if (call.starts_with("openat(AT_FDCWD, \"/") && call.find("O_WRONLY") != std::string::npos &&
            (call.find("\"/sys/") != std::string::npos || call.find("\"/proc/") != std::string::npos)) {
            kind = "node";
        }
        if (std::regex_search(call, tool_change)) kind = "tool";
        if (!kind.empty() && (calls.empty() || calls.back() != kind)) calls.push_back(kind);
    }
    return calls;
}

// The originals are on disk before the first node changes, with one flush
// for the whole profile; a repeated run has nothing new to record or flush.
TEST(JournalGuard, TheOriginalsReachTheDiskBeforeTheFirstChange) {
    SimDevice dev("snapdragon");
    // then korvane's own values, with one more write and no flush
    EXPECT_EQ(journal_and_node_calls(dev, {"--perf_kt"}), (std::vector<std::string>{"record", "flush", "node", "record"}));
    EXPECT_EQ(journal_and_node_calls(dev, {"--perf_kt"}), std::vector<std::string>{"node"});
}

// A command that changes many targets records all their originals before the
// first change, however many steps, cores or namespaces it has: one flush,
// before any node or tool changes anything (the sync mode's set included).
TEST(JournalGuard, AFirstRunFlushesTheJournalOnce) {
    const std::vector<std::vector<std::string>> commands = {
        {"--cpu_max", "50"}, {"--cpu_reset"},       {"--gpu_reset"},          {"--perf_sys"},
        {"--resetting_sys"}, {"--gms_doze_enable"}, {"--fast_charge", "on"},  {"--bypass", "off"},
        {"--sf_auto"},       {"--common_startup"},  {"--auto_setup", "gamemode"}, {"--auto_setup", "batterymode"},
        {"--downscales", "0.7"}, {"--fps_limit", "60"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(testing::PrintToString(command));
        SimDevice dev("snapdragon", 34);
        const std::vector<std::string> calls = journal_and_node_calls(dev, command);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "flush"), 1) << testing::PrintToString(calls);
        const auto change = std::find_if(calls.begin(), calls.end(), [](const auto& c) { return c == "node" || c == "tool"; });
        EXPECT_NE(std::find(calls.begin(), change, "flush"), change) << testing::PrintToString(calls);
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
        std::string command;
        std::string overlay;
        std::string mode;
        std::vector<std::string> user_set;  // the user's own `cmd game set` options
        int restored;
        int changes;  // records the undo puts back, all of them
        int lag = 0;  // `cmd game` calls after a put that still see the old overlay
    };
    const std::vector<std::string> set = {"--mode", "2", "--downscale", "0.5", "--fps", "60"};
    const Case cases[] = {
        {34, "--downscales", "mode=3,fps=30", "3", {}, 3, 11},
        {35, "--downscales", "mode=3,fps=30", "3", {}, 3, 10},
        {33, "--downscales", "mode=3,fps=30", "3", {}, 1, 11},
        // the reset deletes the user's override and, on 14, the entry that
        // held the game in performance mode: both are read before, and back
        {34, "--reset_downscale", "mode=2,downscaleFactor=0.7", "2", {}, 2, 6},
        {34, "--reset_downscale", "mode=2,downscaleFactor=0.7", "2", set, 2, 7},
        {33, "--reset_downscale", "mode=2,downscaleFactor=0.7", "2", set, 1, 7},
        // the game manager learns of the overlay put back only after a few calls
        {34, "--reset_downscale", "mode=2,downscaleFactor=0.7", "2", {}, 2, 6, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.api);
        SCOPED_TRACE(c.command + " " + testing::PrintToString(c.user_set));
        SimDevice dev("snapdragon", c.api);
        ASSERT_EQ(dev.run_program("/system/bin/cmd", {"device_config", "put", "game_overlay", game, c.overlay}).status, 0);
        ASSERT_EQ(dev.run_program("/system/bin/cmd", {"game", "mode", c.mode, game}).status, 0);
        std::vector<std::string> user_set = {"game", "set"};
        user_set.insert(user_set.end(), c.user_set.begin(), c.user_set.end());
        user_set.push_back(game);
        if (!c.user_set.empty()) {
            ASSERT_EQ(dev.run_program("/system/bin/cmd", user_set).status, 0);
        }
        const std::vector<std::string> list = {"game", c.api >= 34 ? "list-configs" : "list", game};
        const std::string configs = dev.run_program("/system/bin/cmd", list).out;
        const GameState before = dev.game_state(game);
        ASSERT_EQ(before.mode, std::stoi(c.mode));
        (void)dev.run(c.command == "--downscales" ? std::vector<std::string>{c.command, "0.7"}
                                                  : std::vector<std::string>{c.command});
        if (c.lag) std::ofstream(dev.state_dir() + "/android/overlay_lag") << c.lag;
        Lines restored = dev.run({"--restore"}).lines();
        const std::string n = std::to_string(c.changes);
        EXPECT_EQ(restored, (Lines{"[INFO] Restoring " + n + " changes...", "[OK] Restored " + n + " of " + n + " changes"}));
        EXPECT_EQ(dev.game_state(game).mode, c.restored);
        EXPECT_EQ(dev.device_config("game_overlay", game), c.overlay);
        EXPECT_EQ(dev.run_program("/system/bin/cmd", list).out, configs);
        if (c.restored == before.mode) {
            EXPECT_EQ(dev.game_state(game).downscale, before.downscale);
            EXPECT_EQ(dev.game_state(game).fps, before.fps);
        }
    }
    // What a mode needs is gone (on 15, the package is no game any more): said
    // once, then dropped rather than kept for ever.
    SimDevice dev("snapdragon", 35);
    ASSERT_EQ(dev.run_program("/system/bin/cmd", {"device_config", "put", "game_overlay", game, "mode=3"}).status, 0);
    ASSERT_EQ(dev.run_program("/system/bin/cmd", {"game", "mode", "3", game}).status, 0);
    (void)dev.run({"--downscales", "0.7"});
    dev.set_games({});
    Lines restored = dev.run({"--restore"}).lines();
    EXPECT_NE(std::find_if(restored.begin(), restored.end(), [&](const std::string& l) {
                  return l.starts_with("[WARN] Dropping game mode " + game + ", which cannot be restored: Package " +
                                       game + " is not of game type");
              }), restored.end()) << testing::PrintToString(restored);
    EXPECT_EQ(dev.run({"--restore"}).lines(), (Lines{"[INFO] Nothing to restore"}));
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

// A tool that closed its output and never ends, among others writing theirs,
// is killed at the limit by the runner that keeps four going.
TEST(JournalGuard, AToolThatClosedItsOutputIsStillCutOff) {
    SimDevice dev("snapdragon");
    dev.remove("/system/bin/cmd");
    dev.write("/system/bin/cmd",
              "#!/system/bin/mksh\n"
              "[[ \"$1 $2 $3\" = \"device_config put activity_manager\" ]] && { exec >&- 2>&-; /system/bin/sleep 600; }\n"
              "exec /sim/tools/cmd \"$@\"\n",
              0755);
    const auto start = std::chrono::steady_clock::now();
    Lines lines = run_with(dev, "KORVANE_TOOL_TIMEOUT=3", "--perf_sys").lines();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.find(": timed out after 3 s") != std::string::npos; }),
              lines.end());
}

// What the caller's PATH holds first is not what root runs.
TEST(JournalGuard, DeviceToolsComeFromRootsOwnSearchPath) {
    SimDevice dev("snapdragon");
    dev.write("/data/local/tmp/bin/getprop", "#!/system/bin/mksh\ntouch /data/local/tmp/planted_ran\necho 30\n", 0755);
    (void)run_with(dev, "PATH=/data/local/tmp/bin:$PATH", "--fps_limit 60");
    EXPECT_FALSE(dev.exists("/data/local/tmp/planted_ran"));
    EXPECT_EQ(dev.calls_of("getprop"), (std::vector<Call>{{"getprop", "ro.build.version.sdk"}}));
}

// Interrupted, korvane takes the tool's whole process group with it, ends by
// the signal and leaves the journal free.
TEST(JournalGuard, NoToolOutlivesAnInterruptedRun) {
    SimDevice dev("snapdragon");
    dev.remove("/system/bin/settings");
    dev.write("/system/bin/settings",
              "#!/system/bin/mksh\n/system/bin/sleep 600 & echo $! >/data/local/tmp/tool.pid; wait\n", 0755);
    RunResult r = dev.run_program("/system/bin/mksh", {"-c",
        "/sim/bin/korvane --perf_sys & k=$!; until [ -s /data/local/tmp/tool.pid ]; do sleep 0.1; done; "
        "kill -TERM $k; wait $k; echo status $?"});
    ASSERT_FALSE(r.lines().empty());
    EXPECT_EQ(r.lines().back(), "status 143");
    // The tool's own child, which no PR_SET_PDEATHSIG reaches: dead or a zombie.
    const int tool = std::stoi(dev.read("/data/local/tmp/tool.pid"));
    const std::string stat = "/proc/" + std::to_string(tool) + "/stat";
    std::string pid, name, state = "R";
    for (int i = 0; i < 50 && state != "Z"; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
        std::ifstream in(stat);
        if (!(in >> pid >> name >> state)) state = "Z";
    }
    EXPECT_EQ(state, "Z");
    if (state != "Z") ::kill(tool, SIGKILL);
    EXPECT_EQ(run_with(dev, "KORVANE_LOCK_TIMEOUT=1", "--restore").lines(), (Lines{"[INFO] Nothing to restore"}));
}

}  // namespace
}  // namespace korvane::e2e
