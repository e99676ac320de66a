#include "journal/node_change.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "android/cluster_boundaries.h"
#include "journal/change_policy.h"
#include "journal/tool_commands.h"
#include "root_only.h"
#include "temp_dir.h"

namespace korvane {
namespace {

using testing::mode_of;
using testing::slurp;
using testing::TempDir;
using Numbers = std::vector<uint64_t>;

// What --status takes for a node still holding korvane's value.
TEST(ReadBack, ComparedAsTheKernelShowsTheValue) {
    struct Case {
        const char* path;
        const char* written;
        const char* now;
        bool same;
    };
    const Case cases[] = {
        {"/proc/sys/kernel/sched_latency_ns", "10000000", "10000000\n", true},
        {"/proc/sys/kernel/sched_latency_ns", "10000000", "9000000\n", false},
        {"/proc/sys/kernel/sched_latency_ns", "1", "1\t1\n", false},  // extra slots only on a margin node
        {"/proc/sys/kernel/sched_upmigrate", "90 95", "90\t95\n", true},
        {"/proc/sys/walt/sched_upmigrate", "95 95", "95\t95\t95\n", true},   // GKI shows every slot
        {"/proc/sys/walt/sched_upmigrate", "95 95", "90\t95\t95\n", false},
    };
    for (const Case& c : cases) EXPECT_EQ(reads_back_as_written(c.path, c.written, c.now), c.same) << c.path << " " << c.now;
}

TEST(WriteNode, WritesTheBytesAndLocksTheNode) {
    TempDir dir;
    std::string node = dir.write("scaling_max_freq", "1800000\n", 0644);
    ASSERT_TRUE(write_node(node, "902400"));
    EXPECT_EQ(slurp(node), "902400");
    EXPECT_EQ(mode_of(node), 0444u);
}

TEST(WriteNode, NeverCreatesAMissingNode) {
    TempDir dir;
    auto r = write_node(dir.file("absent"), "1");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), "Failed to write to " + dir.file("absent") + ": No such file or directory (os error 2)");
    EXPECT_FALSE(path_exists(dir.file("absent")));
}

TEST(WriteNode, OtherErrorsAreReportedWithoutFallback) {
    TempDir dir;
    // A directory refuses the open with EISDIR, not EACCES: no shell attempt.
    ::mkdir(dir.file("sub").c_str(), 0755);
    auto r = write_node(dir.file("sub"), "1");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), "Failed to write to " + dir.file("sub") + ": Is a directory (os error 21)");
}

// Runs write_node as an unprivileged user so that the kernel refuses a 0444
// file with EACCES; a fake sh first on PATH records what it was asked to run.
struct FallbackRun {
    std::string output;    // what write_node printed
    std::string shell_args;  // what the fake sh received, one argument per line
    std::string result;    // "ok" or the error text
    std::string node;      // the node's content afterwards
    mode_t node_mode = 0;  // and its mode
};

// Nobody, the unprivileged user the run switches to.
constexpr uid_t kNobody = 65534;

FallbackRun run_fallback(const std::string& value, const std::string& node_name, const std::string& sh_body,
                         uid_t node_owner = 0) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    std::string node = dir.write(node_name, "old", 0444);
    if (::chown(node.c_str(), node_owner, node_owner) != 0) ADD_FAILURE() << "chown " << node;
    ::mkdir(dir.file("bin").c_str(), 0755);
    dir.write("bin/sh", "#!/bin/bash\nprintf '%s\\n' \"$@\" > " + dir.file("args") + "\n" + sh_body, 0755);
    std::string output_file = dir.file("output");
    std::string result_file = dir.file("result");

    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(3);
        set_change_policy(ChangePolicy::unrecorded);  // the journal is not what these runs check
        ::setenv("PATH", (dir.file("bin") + ":/usr/bin:/bin").c_str(), 1);
        if (!std::freopen(output_file.c_str(), "w", stdout)) ::_exit(4);
        auto r = write_node(node, value);
        FILE* f = std::fopen(result_file.c_str(), "w");
        if (!f) ::_exit(5);
        std::fputs(r ? "ok" : r.error().c_str(), f);
        std::fclose(f);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return {slurp(output_file), slurp(dir.file("args")), slurp(result_file), slurp(node), mode_of(node)};
}

TEST(WriteNode, OwnerUnlocksItsOwnLockWithoutTheShell) {
    KORVANE_SKIP_UNLESS_ROOT();
    // As on sysfs, where a 0444 node refuses even root until a write bit is back.
    FallbackRun run = run_fallback("902400", "scaling_max_freq", "exit 1\n", kNobody);
    EXPECT_EQ(run.result, "ok");
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.shell_args, "");
    EXPECT_EQ(run.node, "902400");
    EXPECT_EQ(run.node_mode, 0444u);
}

TEST(WriteNode, PermissionRefusalGoesThroughTheShellOnce) {
    KORVANE_SKIP_UNLESS_ROOT();
    FallbackRun run = run_fallback("1", "sched_boost", "exit 0\n");
    EXPECT_NE(run.output.find("[WARN] Permission denied for "), std::string::npos);
    EXPECT_NE(run.output.find("/sched_boost, trying shell fallback...\n"), std::string::npos);
    EXPECT_EQ(run.shell_args.substr(0, 3), "-c\n");
    EXPECT_NE(run.shell_args.find("echo '1' > /"), std::string::npos);
    EXPECT_EQ(run.result, "ok");
    EXPECT_EQ(run.node_mode, 0444u);  // a node it does not own stays as it was
}

TEST(WriteNode, FailingShellFallbackCarriesItsStandardError) {
    KORVANE_SKIP_UNLESS_ROOT();
    FallbackRun run = run_fallback("1", "node", "echo 'sh: cannot create' >&2\nexit 2\n");
    EXPECT_EQ(run.result.rfind("Shell fallback failed for /", 0), 0u) << run.result;
    EXPECT_NE(run.result.find("/node: sh: cannot create\n"), std::string::npos) << run.result;
}

TEST(ShellWriteCommand, KeepsOrdinaryTextsAsTheyAre) {
    EXPECT_EQ(shell_write_command("1", "/proc/sys/kernel/sched_boost"), "echo '1' > /proc/sys/kernel/sched_boost");
    // echo's own newline stands for the value's: the node gets "1\n", not "1\n\n"
    EXPECT_EQ(shell_write_command("1\n", "/sys/kernel/fast_charge/force_fast_charge"),
              "echo '1' > /sys/kernel/fast_charge/force_fast_charge");
    TempDir dir;
    for (const char* value : {"1\n", "1"}) {
        const std::string node = dir.write("force_fast_charge", "0");
        ASSERT_TRUE(run_process("sh", {"-c", shell_write_command(value, node)}).value().exited_zero);
        EXPECT_EQ(slurp(node), "1\n");
    }
    EXPECT_EQ(shell_write_command("0 1", "/sys/devices/platform/soc/soc:google,charger/charge_disable"),
              "echo '0 1' > /sys/devices/platform/soc/soc:google,charger/charge_disable");
}

TEST(ShellWriteCommand, QuotesWhatCouldRunASecondCommand) {
    EXPECT_EQ(shell_write_command("1'; reboot; '", "/a"), "echo '1'\\''; reboot; '\\''' > /a");
    EXPECT_EQ(shell_write_command("1", "/a;reboot"), "echo '1' > '/a;reboot'");
    EXPECT_EQ(shell_write_command("1", "/it's"), "echo '1' > '/it'\\''s'");
}

TEST(ReadNode, ReturnsTheContentUntouchedOrTheError) {
    TempDir dir;
    EXPECT_EQ(read_node(dir.write("list", " 1 2 \n")).value(), " 1 2 \n");
    EXPECT_EQ(read_node(dir.file("absent")).error(), "No such file or directory (os error 2)");
    EXPECT_EQ(read_node(dir.write("bad", "\xFF")).error(), "stream did not contain valid UTF-8");
}

TEST(PathChecks, DistinguishExistenceFromDirectories) {
    TempDir dir;
    std::string file = dir.write("f", "");
    EXPECT_TRUE(path_exists(file));
    EXPECT_FALSE(is_directory(file));
    EXPECT_TRUE(is_directory(dir.path()));
    EXPECT_FALSE(path_exists(dir.file("absent")));
}

TEST(ParseFreqList, SplitsAtBlanksAndCommasOnly) {
    EXPECT_EQ(parse_freq_list("300000 400000\n"), (Numbers{300000, 400000}));
    EXPECT_EQ(parse_freq_list("a, 5,,+7 -1"), (Numbers{5, 7}));
    EXPECT_EQ(parse_freq_list("1\t2 3"), Numbers{3});  // a tab does not split
    EXPECT_EQ(parse_freq_list("18446744073709551615 18446744073709551616"), Numbers{18446744073709551615u});
    EXPECT_EQ(parse_freq_list(""), Numbers{});
    EXPECT_EQ(parse_freq_list("5 5"), (Numbers{5, 5}));
}

TEST(IndexAtPercent, SelectsByPosition) {
    EXPECT_EQ(index_at_percent(4, 50), 2u);
    EXPECT_EQ(index_at_percent(4, 99), 3u);
    EXPECT_EQ(index_at_percent(4, 1), 0u);
    EXPECT_EQ(index_at_percent(8, 0), 0u);
    EXPECT_EQ(index_at_percent(8, 50), 4u);
    EXPECT_EQ(index_at_percent(8, 87), 6u);
    EXPECT_EQ(index_at_percent(8, 88), 7u);
    EXPECT_EQ(index_at_percent(8, 255), 7u);
    EXPECT_EQ(index_at_percent(1, 99), 0u);
}

TEST(FreqAtPercent, SortsBeforeSelecting) {
    TempDir dir;
    std::string node = dir.write("freqs", "1200000 300000 900000 600000 \n");
    EXPECT_EQ(freq_at_percent(node, 50), "900000");
    EXPECT_EQ(freq_at_percent(node, 0), "300000");
    EXPECT_EQ(freq_at_percent(node, 255), "1200000");
    EXPECT_EQ(freq_at_percent(dir.write("dup", "5 5 1"), 34), "5");
    EXPECT_EQ(freq_at_percent(dir.write("empty", " \n"), 50), std::nullopt);
    EXPECT_EQ(freq_at_percent(dir.file("absent"), 50), std::nullopt);
}

TEST(FindHexCode, LooksOnlyAtTheFirstOccurrence) {
    EXPECT_EQ(find_hex_code("0x0B 0x01"), "0x0B");
    EXPECT_EQ(find_hex_code("0xZZ 0x01"), "");
    EXPECT_EQ(find_hex_code("life 0x0a\n"), "0x0a");
    EXPECT_EQ(find_hex_code("0x1"), "");
    EXPECT_EQ(find_hex_code("none"), "");
}

TEST(ChangeMode, ReportsTheOsError) {
    TempDir dir;
    std::string node = dir.write("limit", "1");
    ASSERT_TRUE(change_mode(node, 0));
    EXPECT_EQ(mode_of(node), 0u);
    EXPECT_EQ(change_mode(dir.file("absent"), 0).error(), "No such file or directory (os error 2)");
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(WriteNode, OperationNotPermittedPrintsNoPermissionWarning) {
    // A sealed memory file refuses writes with EPERM, like a kernel node that
    // rejects a value for lack of privilege rather than of access rights.
    int fd = ::memfd_create("sealed", MFD_ALLOW_SEALING | MFD_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "abc", 3), 3);
    ASSERT_EQ(::fcntl(fd, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW), 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    ::testing::internal::CaptureStdout();
    auto r = write_node(path, "1");
    std::string printed = ::testing::internal::GetCapturedStdout();
    ::close(fd);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), "Failed to write to " + path + ": Operation not permitted (os error 1)");
    EXPECT_EQ(printed, "");
}

}  // namespace
}  // namespace korvane
