// Maintenance commands on the simulated phones: the exact lines, the device
// tools called, and what really changed (caches deleted, radios off, the
// storage report's scratch file written and gone again).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

#include "journal_reads.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

// In korvane's root-only folder: never in /data/local/tmp, which the shell user owns.
const std::string kScratch = "/data/adb/korvane/io_test_nand.dat";
const std::string kUfs = "/sys/devices/platform/soc/1d84000.ufshc/health_descriptor/life_time_estimation_";
const Call kWriteDd = {"dd", "if=/dev/zero", "of=" + kScratch, "bs=4k", "count=256"};
const Call kReadDd = {"dd", "if=" + kScratch, "of=/dev/null", "bs=4k"};
const Call kFindLifeTime = {"find", "/sys/devices", "-name", "*life_time*", "-type", "f"};

// The performance verdict for two measured times, from the storage report's
// thresholds: both below 100 ms, both below 300 ms, both below 1000 ms.
std::string expected_performance(uint64_t write_ms, uint64_t read_ms) {
    uint64_t slower = std::max(write_ms, read_ms);
    if (slower < 100) return "PERFORMANCE: EXCELLENT - Fast storage performance";
    if (slower < 300) return "PERFORMANCE: GOOD - Normal storage performance";
    if (slower < 1000) return "PERFORMANCE: FAIR - Below average storage performance";
    return "PERFORMANCE: POOR - Slow storage, potential issues";
}

// The report with both measured times replaced by "<ms>" and the performance
// line, once checked against those times, by "PERFORMANCE: <verdict>": a
// loaded machine may time the test slower.
Lines report(const RunResult& r) {
    static const std::regex timing(R"(^(Write Speed \(1MB\): |Read Speed \(1MB\):  )(\d+) ms$)");
    Lines lines = r.lines();
    std::vector<uint64_t> times;
    for (std::string& line : lines) {
        std::smatch m;
        if (!std::regex_match(line, m, timing)) continue;
        times.push_back(std::stoull(m[2]));
        line = m[1].str() + "<ms> ms";
    }
    for (std::string& line : lines) {
        if (line.rfind("PERFORMANCE: ", 0) != 0) continue;
        if (times.size() == 2) {
            EXPECT_EQ(line, expected_performance(times[0], times[1])) << r.out;
        }
        line = "PERFORMANCE: <verdict>";
    }
    return lines;
}

Lines io_test_and_end() {
    return {"[INFO] Running I/O performance test...",
            "Write Speed (1MB): <ms> ms",
            "Read Speed (1MB):  <ms> ms",
            "",
            "PERFORMANCE: <verdict>",
            "",
            "[OK] NAND diagnostics completed"};
}

Lines concat(Lines head, const Lines& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST(CheckNand, UfsHealthDescriptorFillsBothBanksWithoutFind) {
    SimDevice dev("snapdragon");
    auto r = dev.run({"--check_nand"});
    Lines expected = concat({"[INFO] Starting NAND Health Diagnostics...",
                             "Device Model: 2201123G",
                             "Storage Type: UFS",
                             "",
                             "Bank A (Data):   0x01  [100% Life]",
                             "Bank B (System): 0x02  [90% Life]",
                             "",
                             "VERDICT: EXCELLENT - Storage in pristine condition",
                             "REASON: Both banks show minimal wear (95% average life)",
                             "ACTION: No action required - normal operation",
                             ""},
                            io_test_and_end());
    EXPECT_EQ(report(r), expected);
    EXPECT_EQ(dev.calls(), (std::vector<Call>{{"getprop", "ro.product.model"}, kWriteDd, kReadDd}));
    EXPECT_FALSE(dev.exists(kScratch));
}

TEST(CheckNand, EmmcLifeTimeFillsBankAAndTheFallbackBankB) {
    SimDevice dev("mtk_legacy");
    auto r = dev.run({"--check_nand"});
    Lines got = report(r);
    Lines expected = {"Storage Type: eMMC",
                      "",
                      "Bank A (Data):   0x03  [80% Life]",
                      "Bank B (System): 0x03  [80% Life]",
                      "",
                      "VERDICT: GOOD - Normal wear levels",
                      "REASON: Moderate wear detected (80% average life)",
                      "ACTION: Monitor periodically - consider reducing write-intensive operations"};
    ASSERT_GE(got.size(), 10u);
    EXPECT_EQ(Lines(got.begin() + 2, got.begin() + 10), expected);
    EXPECT_EQ(got.back(), "[OK] NAND diagnostics completed");
    EXPECT_EQ(dev.calls_of("find"), std::vector<Call>{kFindLifeTime});
}

TEST(CheckNand, FallbackReadsOnlyTheFirstFiveListedFiles) {
    SimDevice dev("bare");
    const std::string dir = "/sys/devices/platform/mmc0/";
    dev.write(dir + "none", "no code here");
    dev.write(dir + "zz", "0xZZ 0x05");
    dev.write(dir + "lower", "0x0a\n");
    dev.write(dir + "sixth", "0x01\n");
    // A find that lists these in a fixed order, the second line ending in CR LF.
    dev.remove_tool("find");
    std::string script = "#!/system/bin/mksh\nprint -r -- '";
    for (const char* name : {"none\n", "lower\r\n", "absent\n", "zz\n", "none\n", "sixth"}) script += dir + name;
    dev.write("/system/bin/find", script + "'\n", 0755);
    Lines got = report(dev.run({"--check_nand"}));
    ASSERT_GE(got.size(), 9u);
    // Bank A takes the first code whatever the file's name; a code worth 0 % still counts.
    EXPECT_EQ(Lines(got.begin() + 4, got.begin() + 9),
              (Lines{"Bank A (Data):   0x0a  [0% Life]", "Bank B (System): N/A  [0% Life]", "",
                     "VERDICT: CRITICAL - Storage degradation imminent", "REASON: Excessive wear (0% average life)"}));
}

TEST(CheckNand, NoSensorsAndFindFailingStillRunsTheIoTest) {
    SimDevice dev("bare");
    dev.fail_tool("find", 1, "find: /sys/devices: Permission denied\n");
    auto r = dev.run({"--check_nand"});
    Lines expected = concat({"[INFO] Starting NAND Health Diagnostics...",
                             "Device Model: sdk_gphone_arm64",
                             "Storage Type: Unknown",
                             "",
                             "[WARN] Failed to find life_time files: Command failed: find /sys/devices -name "
                             "*life_time* -type f: find: /sys/devices: Permission denied",
                             "",
                             "Bank A (Data):   N/A  [0% Life]",
                             "Bank B (System): N/A  [0% Life]",
                             "",
                             "VERDICT: ERROR - Could not read NAND health sensors",
                             "REASON: Health descriptor paths not found or inaccessible",
                             "ACTION: Check kernel logs for storage driver errors",
                             ""},
                            io_test_and_end());
    EXPECT_EQ(report(r), expected);
    EXPECT_EQ(dev.calls_of("dd"), (std::vector<Call>{kWriteDd, kReadDd}));
    EXPECT_FALSE(dev.exists(kScratch));
}

TEST(CheckNand, WearVerdictBoundariesFollowTheCodeTable) {
    struct Case {
        const char* a;
        const char* b;
        Lines bank_lines;
        const char* verdict;
        const char* reason;
    };
    // 0x08 is 30 %, 0x09 20 %; only upper-case 0x0A is 10 %.
    const Case cases[] = {
        {"0x01", "0x03", {"Bank A (Data):   0x01  [100% Life]", "Bank B (System): 0x03  [80% Life]"},
         "VERDICT: EXCELLENT - Storage in pristine condition", "REASON: Both banks show minimal wear (90% average life)"},
        {"0x02", "0x03", {"Bank A (Data):   0x02  [90% Life]", "Bank B (System): 0x03  [80% Life]"},
         "VERDICT: GOOD - Normal wear levels", "REASON: Moderate wear detected (85% average life)"},
        {"0x06", "0x08", {"Bank A (Data):   0x06  [50% Life]", "Bank B (System): 0x08  [30% Life]"},
         "VERDICT: FAIR - Significant wear detected", "REASON: High wear levels (40% average life)"},
        {"0x07", "0x08", {"Bank A (Data):   0x07  [40% Life]", "Bank B (System): 0x08  [30% Life]"},
         "VERDICT: CRITICAL - Storage degradation imminent", "REASON: Excessive wear (35% average life)"},
        {"0x0a", "0x0A", {"Bank A (Data):   0x0a  [0% Life]", "Bank B (System): 0x0A  [10% Life]"},
         "VERDICT: CRITICAL - Storage degradation imminent", "REASON: Excessive wear (5% average life)"},
    };
    for (const Case& c : cases) {
        SimDevice dev("snapdragon");
        dev.write(kUfs + "a", std::string(c.a) + "\n");
        dev.write(kUfs + "b", std::string("life ") + c.b + " 0x01\n");
        Lines got = report(dev.run({"--check_nand"}));
        ASSERT_GE(got.size(), 9u);
        EXPECT_EQ(Lines(got.begin() + 4, got.begin() + 6), c.bank_lines);
        EXPECT_EQ(got[7], c.verdict) << c.a << " " << c.b;
        EXPECT_EQ(got[8], c.reason);
    }
}

// A dd slowed down to each band of the verdict: the line follows the times
// the report prints.
TEST(CheckNand, PerformanceVerdictFollowsTheMeasuredTimes) {
    for (const char* delay : {"0.15", "0.4", "1.05"}) {
        SCOPED_TRACE(delay);
        SimDevice dev("snapdragon");
        dev.remove_tool("dd");
        dev.write("/system/bin/dd",
                  std::string("#!/system/bin/mksh\n[[ $1 = if=/dev/zero ]] && /usr/bin/sleep ") + delay +
                      "\nexec /usr/bin/dd \"$@\"\n",
                  0755);
        RunResult r = dev.run({"--check_nand"});
        static const std::regex write(R"(^Write Speed \(1MB\): (\d+) ms$)");
        std::smatch m;
        Lines lines = r.lines();
        auto line = std::find_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return std::regex_match(l, m, write); });
        ASSERT_NE(line, lines.end()) << r.out;
        EXPECT_GE(std::stoull(m[1]), static_cast<uint64_t>(std::stod(delay) * 1000));
        (void)report(r);  // checks the verdict against both times
    }
}

TEST(CheckNand, FailingModelQueryEndsTheReport) {
    SimDevice dev("snapdragon");
    dev.fail_tool("getprop", 1, "getprop: service unavailable\n");
    auto r = dev.run({"--check_nand"});
    EXPECT_EQ(r.out,
              "[INFO] Starting NAND Health Diagnostics...\n"
              "[ERROR] Command failed: getprop ro.product.model: getprop: service unavailable\n\n");
    EXPECT_EQ(dev.calls().size(), 1u);
}

TEST(CheckNand, FailingWriteIsReportedAndTheReadStillRuns) {
    SimDevice dev("snapdragon");
    dev.fail_tool("dd", 1, "dd: Read-only file system\n", {.on_call = 1});
    Lines got = dev.run({"--check_nand"}).lines();
    auto write = std::find(got.begin(), got.end(), "[INFO] Running I/O performance test...") + 1;
    ASSERT_LT(write + 2, got.end());
    EXPECT_EQ(*write, "Write test failed: Command failed: dd if=/dev/zero of=" + kScratch +
                          " bs=4k count=256: dd: Read-only file system");
    EXPECT_EQ(write[1], "");  // the tool's own newline
    // Nothing was written, so the read fails on the missing file.
    EXPECT_EQ(write[2].rfind("Read test failed: Command failed: dd if=" + kScratch + " of=/dev/null bs=4k: ", 0), 0u);
    // Failed runs time nothing: no speed and no verdict.
    EXPECT_EQ(Lines(got.end() - 4, got.end()), (Lines{"", "PERFORMANCE: not measured (write and read tests failed)",
                                                        "", "[OK] NAND diagnostics completed"}));
    EXPECT_EQ(dev.calls_of("dd"), (std::vector<Call>{kWriteDd, kReadDd}));

    SimDevice read_fails("snapdragon");
    read_fails.fail_tool("dd", 1, "dd: I/O error\n", {.on_call = 2});
    got = read_fails.run({"--check_nand"}).lines();
    EXPECT_EQ(Lines(got.end() - 7, got.end()),
              (Lines{"[INFO] Running I/O performance test...", "Read test failed: Command failed: dd if=" + kScratch +
                     " of=/dev/null bs=4k: dd: I/O error", "", "", "PERFORMANCE: not measured (read test failed)", "",
                     "[OK] NAND diagnostics completed"}));
}

// A link the shell user plants where the scratch file used to be: nothing
// of korvane's opens it, and dd writes its megabyte in korvane's own folder.
TEST(CheckNand, LinkPlantedInTheShellFolderIsNeverFollowed) {
    SimDevice dev("snapdragon");
    const std::string target = "/data/system/packages.list";
    const std::string planted = "/data/local/tmp/io_test_nand.dat";
    std::string before = dev.read(target);
    dev.symlink(target, planted);
    // A dd that also notes the size of the file it is about to read and the
    // mode of its folder.
    dev.remove_tool("dd");
    dev.write("/system/bin/dd",
              "#!/system/bin/mksh\n"
              "if [[ $1 = if=/data/* ]]; then f=${1#if=}\n"
              "  /usr/bin/stat -c %s \"$f\" >/data/scratch_size; /usr/bin/stat -c %a \"${f%/*}\" >>/data/scratch_size\n"
              "fi\n"
              "exec /usr/bin/dd \"$@\"\n",
              0755);
    Lines got = report(dev.run({"--check_nand"}));
    EXPECT_EQ(dev.read(target), before);
    EXPECT_TRUE(dev.exists(planted));
    EXPECT_EQ(dev.read("/data/scratch_size"), "1048576\n700\n");
    EXPECT_FALSE(dev.exists(kScratch));
    EXPECT_NE(std::find(got.begin(), got.end(), "Read Speed (1MB):  <ms> ms"), got.end());
}

TEST(CheckNand, FolderAtTheScratchPathIsNeverRemovedRecursively) {
    SimDevice dev("snapdragon");
    dev.write(kScratch + "/keep", "data");
    Lines got = report(dev.run({"--check_nand"}));
    EXPECT_EQ(dev.read(kScratch + "/keep"), "data");
    auto write = std::find(got.begin(), got.end(), "[INFO] Running I/O performance test...") + 1;
    ASSERT_LT(write, got.end());
    EXPECT_EQ(write->rfind("Write test failed: Command failed: dd if=/dev/zero of=" + kScratch, 0), 0u) << *write;
}

TEST(CleanRam, KillsSyncsAndDropsCaches) {
    SimDevice dev("snapdragon");
    auto r = dev.run({"--clean_ram"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Cleaning RAM...", "[INFO] Apps killed", "[INFO] Sync completed",
                                "[INFO] Caches dropped", "[OK] RAM cleared"}));
    EXPECT_EQ(dev.calls(), (std::vector<Call>{{"am", "kill-all"}, {"sync"}}));
    EXPECT_EQ(dev.read("/proc/sys/vm/drop_caches"), "3");
    EXPECT_EQ(dev.mode("/proc/sys/vm/drop_caches"), 0200u);  // a sysctl keeps its mode
}

TEST(CleanRam, FailedStepsAreWarningsAndTheCommandStillSucceeds) {
    SimDevice dev("snapdragon");
    dev.fail_tool("am", 255, "Unknown command: kill-all\n");
    dev.chmod("/proc/sys/vm/drop_caches", 0444);
    auto r = dev.run({"--clean_ram"}, kShellUid);
    Lines got = r.lines();
    ASSERT_EQ(got.size(), 8u) << r.out;
    EXPECT_EQ(got[1], "[WARN] Failed to kill apps: Command failed: am kill-all: Unknown command: kill-all");
    EXPECT_EQ(got[2], "");
    EXPECT_EQ(got[3], "[INFO] Sync completed");
    EXPECT_EQ(got[4], "[WARN] Permission denied for /proc/sys/vm/drop_caches, trying shell fallback...");
    EXPECT_EQ(got[5].rfind("[WARN] Failed to drop caches: Shell fallback failed for /proc/sys/vm/drop_caches: ", 0),
              0u);
    EXPECT_EQ(got.back(), "[OK] RAM cleared");
}

TEST(ClearAppCache, DeletesEveryCacheFolderAndNothingElse) {
    SimDevice dev("snapdragon");
    dev.write("/storage/emulated/0/Android/data/com.whatsapp/cache/img.bin", "x");
    dev.write("/storage/emulated/0/Download/cache.txt", "a file named like it");
    auto r = dev.run({"--clear_cache_app"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Cleaning app cache...", "[INFO] External cache cleaned",
                                "[INFO] Data cache cleaned", "[OK] App cache cleaned"}));
    EXPECT_EQ(dev.calls(), std::vector<Call>{});  // korvane walks the trees itself: no find, no rm
    EXPECT_FALSE(dev.exists("/storage/emulated/0/Android/data/com.whatsapp/cache"));
    EXPECT_TRUE(dev.exists("/storage/emulated/0/Android/data/com.whatsapp"));
    EXPECT_TRUE(dev.exists("/storage/emulated/0/Download/cache.txt"));
    EXPECT_FALSE(dev.exists("/data/data/com.tencent.ig/cache"));
    EXPECT_FALSE(dev.exists("/data/data/com.whatsapp/cache"));
    EXPECT_TRUE(dev.exists("/data/data/com.whatsapp/shared_prefs/com.whatsapp_preferences.xml"));
}

// What the walk cannot read or remove is its root's warning; the other
// folders are cleaned all the same.
TEST(ClearAppCache, APartThatCannotBeReadOrRemovedIsItsRootsWarning) {
    SimDevice missing_storage("snapdragon");
    missing_storage.remove("/storage/emulated/0");
    EXPECT_EQ(missing_storage.run({"--clear_cache_app"}).lines(),
              (Lines{"[INFO] Cleaning app cache...",
                     "[WARN] Failed to clean external cache: /storage/emulated/0: "
                     "No such file or directory (os error 2)",
                     "[INFO] Data cache cleaned", "[OK] App cache cleaned"}));
    EXPECT_FALSE(missing_storage.exists("/data/data/com.whatsapp/cache"));

    // Unprivileged, a folder without permissions cannot be read, and a cache
    // in a folder without a write bit cannot be removed.
    SimDevice locked("snapdragon");
    locked.chmod("/data/data/com.whatsapp", 0);
    locked.chmod("/storage/emulated/0/Android/data/com.spotify.music", 0555);
    EXPECT_EQ(locked.run({"--clear_cache_app"}, kShellUid).lines(),
              (Lines{"[INFO] Cleaning app cache...",
                     "[WARN] Failed to clean external cache: /storage/emulated/0/Android/data/com.spotify.music/cache: "
                     "Permission denied (os error 13)",
                     "[WARN] Failed to clean data cache: /data/data/com.whatsapp: Permission denied (os error 13)",
                     "[OK] App cache cleaned"}));
    EXPECT_FALSE(locked.exists("/data/data/com.tencent.ig/cache"));
    EXPECT_FALSE(locked.exists("/storage/emulated/0/Android/data/com.whatsapp/cache"));
    locked.chmod("/data/data/com.whatsapp", 0755);
    EXPECT_TRUE(locked.exists("/data/data/com.whatsapp/cache"));
}

// An app's chain of 20,000 nested folders: under its files, with a cache 10
// and one 100 levels down, and under its cache itself, which goes as far as
// the limit lets it. The walk cleans what lies within 64 levels, says once
// what it left, and neither its stack nor its descriptors grow with the chain.
TEST(ClearAppCache, AFolderChainDeeperThanTheLimitIsCleanedDownToIt) {
    struct Chain {
        const char* top;    // level 2 under /data/data
        const char* mark;   // put at levels 10 and 100, gone after the run
    };
    for (const Chain& row : {Chain{"files", "cache"}, Chain{"cache", "f"}}) {
        SCOPED_TRACE(row.top);
        SimDevice dev("snapdragon");
        const std::string top = std::string("/data/data/com.deep.app/") + row.top;
        const std::string host_top = dev.host_path(top);
        std::filesystem::create_directories(host_top);
        int fd = ::open(host_top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 2; level < 20000 && fd >= 0; ++level) {
            if (level == 10 || level == 100) {
                const std::string mark = row.mark;
                if (mark == "cache") ::mkdirat(fd, "cache", 0755);
                const std::string file = mark == "cache" ? "cache/f" : "f";
                ::close(::openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            }
            ::mkdirat(fd, "d", 0755);
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
        }
        ASSERT_GE(fd, 0);
        ::close(fd);
        std::string level10 = top;
        for (int level = 3; level <= 10; ++level) level10 += "/d";
        ASSERT_TRUE(dev.exists(level10 + "/" + row.mark));
        auto r = dev.run({"--clear_cache_app"});
        EXPECT_EQ(r.lines(), (Lines{"[INFO] Cleaning app cache...", "[INFO] External cache cleaned",
                                    "[WARN] Skipped folders deeper than 64 levels under /data/data",
                                    "[INFO] Data cache cleaned", "[OK] App cache cleaned"}));
        EXPECT_FALSE(dev.exists(level10 + "/" + row.mark));
        // the folders that hold what lies beyond the limit stay
        EXPECT_TRUE(dev.exists(level10));
        EXPECT_FALSE(dev.exists("/data/data/com.whatsapp/cache"));
        // GNU rm walks any depth; the state folder's own removal would not.
        EXPECT_EQ(std::system(("rm -rf '" + host_top + "'").c_str()), 0);
    }
}

// A folder of the name elsewhere, which root must never reach through an app's folder.
const std::string kVictim = "/data/adb/victim";

// An app swaps its folders for links to another cache while the cleaning
// runs, again and again: a path resolved twice would sooner or later lead
// root's removal there.
TEST(ClearAppCache, LinksSwappedInDuringTheRunAreNeverFollowed) {
    SimDevice dev("snapdragon");
    dev.write(kVictim + "/cache/keep", "precious");
    const std::string app = "/data/data/com.evil.app/";
    constexpr int kFolders = 40;
    for (int i = 0; i < kFolders; ++i) {
        const std::string folder = app + "f" + std::to_string(i);
        for (int file = 0; file < 20; ++file) dev.write(folder + "/cache/" + std::to_string(file), "x");
        dev.symlink(kVictim, folder + "_link");
    }
    std::atomic<bool> done = false;
    std::thread swapper([&] {
        while (!done) {
            for (int i = 0; i < kFolders; ++i) {
                const std::string folder = dev.host_path(app + "f" + std::to_string(i));
                ::renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, (folder + "_link").c_str(), RENAME_EXCHANGE);
            }
        }
    });
    for (int run = 0; run < 3; ++run) (void)dev.run({"--clear_cache_app"});
    done = true;
    swapper.join();
    EXPECT_EQ(dev.read(kVictim + "/cache/keep"), "precious");
}

// A dry run's step that it skipped is its "[DRY]" lines and nothing more: no
// time, verdict or "done" line measured from what did not run.
TEST(MaintenanceDryRun, SkippedStepsReportNoResults) {
    struct Case {
        std::vector<std::string> command;
        Lines tail;  // from this line to the end, "[DRY] set mode" lines aside
    };
    const std::string storage = "/storage/emulated/0/Android/data/";
    const Case cases[] = {
        {{"--clean_ram"},
         {"[INFO] Cleaning RAM...", "[DRY] run am kill-all", "[DRY] run sync",
          "[DRY] write '3' to /proc/sys/vm/drop_caches", "[OK] RAM cleared"}},
        {{"--check_nand"},
         {"[INFO] Running I/O performance test...", "[DRY] remove " + kScratch,
          "[DRY] run dd if=/dev/zero of=" + kScratch + " bs=4k count=256",
          "[DRY] run dd if=" + kScratch + " of=/dev/null bs=4k", "[DRY] remove " + kScratch,
          "[OK] NAND diagnostics completed"}},
        {{"--disable_network"},
         {"[INFO] Disabling network connections...", "[DRY] run svc wifi disable", "[DRY] run svc data disable",
          "[OK] Network connections disabled"}},
        // Sorted: the walk lists folders in the file system's order.
        {{"--clear_cache_app"},
         {"[DRY] remove /data/data/com.android.chrome/cache",
          "[DRY] remove /data/data/com.google.android.youtube/cache",
          "[DRY] remove /data/data/com.instagram.android/cache", "[DRY] remove /data/data/com.mobile.legends/cache",
          "[DRY] remove /data/data/com.spotify.music/cache", "[DRY] remove /data/data/com.tencent.ig/cache",
          "[DRY] remove /data/data/com.whatsapp/cache", "[DRY] remove " + storage + "com.android.chrome/cache",
          "[DRY] remove " + storage + "com.google.android.youtube/cache",
          "[DRY] remove " + storage + "com.mobile.legends/cache", "[DRY] remove " + storage + "com.spotify.music/cache",
          "[DRY] remove " + storage + "com.tencent.ig/cache", "[INFO] Cleaning app cache...",
          "[OK] App cache cleaned"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command[0]);
        SimDevice dev("snapdragon");
        std::vector<std::string> args = {"--dry-run"};
        args.insert(args.end(), c.command.begin(), c.command.end());
        Lines got = dev.run(args).lines();
        std::erase_if(got, [](const std::string& line) { return line.starts_with("[DRY] set mode "); });
        if (c.command[0] == "--clear_cache_app") std::sort(got.begin(), got.end());
        auto from = std::find(got.begin(), got.end(), c.tail[0]);
        EXPECT_EQ(Lines(from, got.end()), c.tail);
        EXPECT_TRUE(dev.exists("/data/data/com.whatsapp/cache"));
        EXPECT_FALSE(dev.exists("/data/adb/korvane"));
    }
}

const std::string kGms = "com.google.android.gms";

// Play services is on the system allow-list, out of doze's reach: the enable
// takes it off and the revert puts it back, on every release that can.
TEST(GmsDoze, EnableThenRevertFromAndroid9) {
    struct Release {
        const char* profile;
        int api;
    };
    for (const Release& release : {Release{"mtk_legacy", 28}, Release{"mali", 33}, Release{"snapdragon", 34},
                                   Release{"snapdragon", 35}, Release{"snapdragon_gki", 36}}) {
        SCOPED_TRACE(release.api);
        SimDevice dev(release.profile, release.api);
        ASSERT_TRUE(dev.doze().system_listed);
        ASSERT_FALSE(dev.doze().applies);
        auto r = dev.run({"--gms_doze_enable"});
        EXPECT_EQ(r.lines(), (Lines{"[INFO] Enabling GMS Doze...", "[OK] GMS Doze enabled"}));
        EXPECT_EQ(without_journal_reads(dev.calls()),
                  (std::vector<Call>{{"cmd", "appops", "set", kGms, "RUN_IN_BACKGROUND", "deny"},
                                                  {"cmd", "appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "deny"},
                                                  {"cmd", "deviceidle", "sys-whitelist", "-" + kGms},
                                                  {"cmd", "deviceidle", "disable", kGms}}));
        EXPECT_EQ(dev.appop(kGms, "RUN_ANY_IN_BACKGROUND"), "deny");
        DozeState doze = dev.doze();
        EXPECT_FALSE(doze.system_listed);
        EXPECT_TRUE(doze.deep_enabled);
        EXPECT_TRUE(doze.applies);

        dev.clear_calls();
        r = dev.run({"--gms_doze_revert"});
        EXPECT_EQ(r.lines(), (Lines{"[INFO] Reverting GMS Doze...", "[OK] GMS Doze reverted"}));
        EXPECT_EQ(without_journal_reads(dev.calls()),
                  (std::vector<Call>{{"cmd", "appops", "set", kGms, "RUN_IN_BACKGROUND", "allow"},
                                                  {"cmd", "appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "allow"},
                                                  {"cmd", "deviceidle", "sys-whitelist", "+" + kGms}}));
        EXPECT_EQ(dev.appop(kGms, "RUN_IN_BACKGROUND"), "allow");
        doze = dev.doze();
        EXPECT_TRUE(doze.system_listed);
        EXPECT_FALSE(doze.user_listed);
        EXPECT_FALSE(doze.applies);
    }
}

// Android 7 and 8 cannot take Play services off the allow-list, and say so:
// both fail on the newer app-op first, whose original they cannot tell (8's
// cmd fails; 7's exits 0 and answers nothing), so nothing is changed for it:
// the older app-op, read and recorded with it, is the last call.
TEST(GmsDoze, Android7And8ReportTheStepTheyCannotDo) {
    const std::string unknown_op = "Error: Unknown operation string: RUN_ANY_IN_BACKGROUND";
    const std::string op = "app-op " + kGms + " RUN_ANY_IN_BACKGROUND";
    SimDevice android8("snapdragon", 26);
    EXPECT_EQ(android8.run({"--gms_doze_enable"}).lines(),
              (Lines{"[INFO] Enabling GMS Doze...",
                     "[ERROR] Could not record the original of " + op + ": Command failed: cmd appops get " + kGms +
                         " RUN_ANY_IN_BACKGROUND: " + unknown_op,
                     ""}));
    EXPECT_EQ(android8.calls().back(), (Call{"cmd", "appops", "set", kGms, "RUN_IN_BACKGROUND", "deny"}));

    SimDevice android7("mtk_legacy", 24);
    for (const bool enable : {true, false}) {
        EXPECT_EQ(android7.run({enable ? "--gms_doze_enable" : "--gms_doze_revert"}).lines(),
                  (Lines{enable ? "[INFO] Enabling GMS Doze..." : "[INFO] Reverting GMS Doze...",
                         "[ERROR] Could not record the original of " + op + ": unexpected answer: ''"}));
        EXPECT_EQ(android7.calls().back(),
                  (Call{"cmd", "appops", "set", kGms, "RUN_IN_BACKGROUND", enable ? "deny" : "allow"}));
    }
    EXPECT_FALSE(android7.doze().applies);
    EXPECT_EQ(android7.appop(kGms, "RUN_ANY_IN_BACKGROUND"), std::nullopt);
}

TEST(GmsDoze, StopsAtTheFirstFailingStep) {
    struct Case {
        const char* command;
        int code;
        const char* err;
        const char* fails;  // the arguments of the step made to fail
        std::string out;
        size_t changes;  // the state-changing calls made, the failing one included
        const char* kept;  // RUN_IN_BACKGROUND after the run, when a step before the failure set it
    };
    const Case cases[] = {
        {"--gms_doze_enable", 1, "Security exception\n", "appops set",
         "[INFO] Enabling GMS Doze...\n[ERROR] Command failed: cmd appops set " + kGms +
             " RUN_IN_BACKGROUND deny: Security exception\n\n",
         1, nullptr},
        {"--gms_doze_revert", 2, "", "RUN_ANY_IN_BACKGROUND allow",
         "[INFO] Reverting GMS Doze...\n[ERROR] Command failed: cmd appops set " + kGms +
             " RUN_ANY_IN_BACKGROUND allow: \n",
         2, "allow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        SimDevice dev("snapdragon");
        dev.fail_tool("cmd", c.code, c.err, {.args_contain = c.fails});
        EXPECT_EQ(dev.run({c.command}).out, c.out);
        // the originals of all steps are read first: only the changes count
        auto changes = [](const Call& call) {
            if (call.size() < 4) return false;
            return call[2] == "set" || call[2] == "sys-whitelist" || call[2] == "disable";
        };
        const std::vector<Call> calls = dev.calls();
        EXPECT_EQ(static_cast<size_t>(std::count_if(calls.begin(), calls.end(), changes)), c.changes);
        if (c.kept != nullptr) {
            EXPECT_EQ(dev.appop(kGms, "RUN_IN_BACKGROUND"), c.kept);
        }
    }
}

TEST(SetDnd, EitherCaseSwitchesIt) {
    SimDevice dev("snapdragon");
    auto on = dev.run({"--set_dnd", "y"});
    EXPECT_EQ(on.lines(), Lines{"[OK] Do Not Disturb enabled (priority mode)"});
    EXPECT_EQ(dev.setting("global", "zen_mode"), "1");
    auto off = dev.run({"--set_dnd", "N"});
    EXPECT_EQ(off.lines(), Lines{"[OK] Do Not Disturb disabled"});
    EXPECT_EQ(dev.setting("global", "zen_mode"), "0");
    EXPECT_EQ(dev.calls(), (std::vector<Call>{{"cmd", "notification", "set_dnd", "priority"},
                                              {"cmd", "notification", "set_dnd", "off"}}));
}

TEST(SetDnd, OtherWordsAreInvalidAndShownAsTyped) {
    SimDevice dev("snapdragon");
    for (const std::string mode : {"yes", " Y", ""}) {
        auto r = dev.run({"--set_dnd", mode});
        EXPECT_EQ(r.lines(), (Lines{"[ERROR] Invalid mode: " + mode, "Usage: set_dnd <Y/N>",
                                    "[ERROR] Invalid mode: " + mode}));
    }
    EXPECT_TRUE(dev.calls().empty());
}

TEST(SetDnd, FailureNamesTheDirection) {
    SimDevice dev("snapdragon");
    dev.fail_tool("cmd", 255, "boom\n");
    auto on = dev.run({"--set_dnd", "Y"});
    EXPECT_EQ(on.out, "[ERROR] Failed to enable DND: Command failed: cmd notification set_dnd priority: boom\n\n");
    auto off = dev.run({"--set_dnd", "n"});
    EXPECT_EQ(off.out, "[ERROR] Failed to disable DND: Command failed: cmd notification set_dnd off: boom\n\n");
}

TEST(DisableNetwork, TurnsBothRadiosOff) {
    SimDevice dev("snapdragon");
    auto r = dev.run({"--disable_network"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Disabling network connections...", "[INFO] WiFi disabled",
                                "[INFO] Mobile data disabled", "[OK] Network connections disabled"}));
    EXPECT_EQ(dev.calls(), (std::vector<Call>{{"svc", "wifi", "disable"}, {"svc", "data", "disable"}}));
    EXPECT_EQ(dev.setting("global", "wifi_on"), "0");
    EXPECT_EQ(dev.setting("global", "mobile_data"), "0");
}

TEST(DisableNetwork, OneRadioFailingStillTriesTheOther) {
    SimDevice dev("snapdragon");
    dev.fail_tool("svc", 1, "", {.args_contain = "wifi"});
    auto r = dev.run({"--disable_network"});
    EXPECT_EQ(r.lines(), (Lines{"[INFO] Disabling network connections...",
                                "[WARN] Failed to disable WiFi: Command failed: svc wifi disable: ",
                                "[INFO] Mobile data disabled", "[ERROR] Failed to disable network connections"}));
    EXPECT_EQ(dev.setting("global", "wifi_on"), "1");
    EXPECT_EQ(dev.setting("global", "mobile_data"), "0");
}

}  // namespace
}  // namespace korvane::e2e
