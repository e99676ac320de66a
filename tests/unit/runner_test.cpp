#include "sys/runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

namespace korvane {
namespace {

TEST(RunCommand, MissingProgramIsAStartFailure) {
    auto r = run_command("korvane-no-such-tool", {"a", "b"});
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), "Failed to execute command korvane-no-such-tool a b: No such file or directory (os error 2)");
}

TEST(RunCommand, EmptyArgumentListKeepsTheBlankBeforeTheColon) {
    auto r = run_command("korvane-no-such-tool", {});
    EXPECT_EQ(r.error(), "Failed to execute command korvane-no-such-tool : No such file or directory (os error 2)");
}

TEST(RunCommand, StandardErrorWithExitZeroIsSuccess) {
    EXPECT_TRUE(run_command("sh", {"-c", "echo noise >&2"}));
}

TEST(RunCommand, NonzeroExitCarriesStandardErrorUntrimmed) {
    EXPECT_EQ(run_command("sh", {"-c", "exit 1"}).error(), "Command failed: sh -c exit 1: ");
    EXPECT_EQ(run_command("sh", {"-c", "echo 'bad row' >&2; exit 3"}).error(),
              "Command failed: sh -c echo 'bad row' >&2; exit 3: bad row\n");
}

TEST(RunCommand, DeathBySignalIsAFailure) {
    EXPECT_FALSE(run_command("sh", {"-c", "kill -9 $$"}));
}

// A tool that never ends is cut off, whether it holds its streams open, has
// closed them, or left a child of its own holding them.
TEST(RunCommand, AToolThatNeverEndsIsKilledAtTheTimeLimit) {
    const char* scripts[] = {"sleep 30", "exec >&- 2>&-; sleep 30", "sleep 30 & wait"};
    ::setenv("KORVANE_TOOL_TIMEOUT", "1", 1);
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        const auto start = std::chrono::steady_clock::now();
        auto r = run_command("sh", {"-c", script});
        const auto took = std::chrono::steady_clock::now() - start;
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), std::string("Failed to execute command sh -c ") + script + ": timed out after 1 s");
        EXPECT_LT(took, std::chrono::seconds(3));
    }
    ::unsetenv("KORVANE_TOOL_TIMEOUT");
}

TEST(RunCommandOutput, KeepsTheTrailingNewline) {
    EXPECT_EQ(run_command_output("printf", {"34\n"}).value(), "34\n");
}

TEST(RunCommandOutput, ReplacesInvalidUtf8) {
    EXPECT_EQ(run_command_output("printf", {"a\\377b"}).value(), "a\xEF\xBF\xBD" "b");
}

TEST(RunCommandOutput, ArgumentsArePassedWithoutSplitting) {
    EXPECT_EQ(run_command_output("printf", {"%s|", "a b", "*", "'q'"}).value(), "a b|*|'q'|");
}

TEST(RunCommandOutput, LargeOutputOnBothStreamsDoesNotHang) {
    auto r = run_command_output("sh", {"-c", "head -c 1048576 /dev/zero | tr '\\0' e >&2 & "
                                             "head -c 1048576 /dev/zero | tr '\\0' o; wait"});
    ASSERT_TRUE(r) << r.error();
    EXPECT_EQ(r->size(), 1048576u);
}

TEST(RunCommandOutput, StandardInputIsEmpty) {
    EXPECT_EQ(run_command_output("sh", {"-c", "cat; echo end"}).value(), "end\n");
}

TEST(RunProcess, StandardInputIsEmptyEvenWhenOursIsClosed) {
    int saved = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    ASSERT_GE(saved, 0);
    ::close(STDIN_FILENO);
    auto r = run_command_output("readlink", {"/proc/self/fd/0"});
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ASSERT_TRUE(r) << r.error();
    EXPECT_EQ(*r, "/dev/null\n");
}

TEST(RunProcess, FailedExitIsSeenWhenSigchldWasIgnored) {
    auto previous = ::signal(SIGCHLD, SIG_IGN);
    auto failed = run_command("sh", {"-c", "exit 1"});
    ::signal(SIGCHLD, previous);
    EXPECT_FALSE(failed);
}

TEST(RunProcess, LeaksNoDescriptorIntoTheChild) {
    // Descriptors the test process itself lets children inherit are not ours.
    std::set<std::string> inheritable;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int fd = std::stoi(entry.path().filename().string());
        int flags = ::fcntl(fd, F_GETFD);
        if (fd > 2 && flags >= 0 && !(flags & FD_CLOEXEC)) inheritable.insert(std::to_string(fd));
    }
    auto listing = run_command_output("sh", {"-c", "exec ls -l /proc/self/fd"});
    ASSERT_TRUE(listing) << listing.error();
    std::istringstream lines(*listing);
    std::string line;
    while (std::getline(lines, line)) {
        auto arrow = line.find(" -> ");
        if (arrow == std::string::npos) continue;
        std::string fd = line.substr(line.rfind(' ', arrow - 1) + 1, arrow - line.rfind(' ', arrow - 1) - 1);
        std::string target = line.substr(arrow + 4);
        if (fd == "0" || fd == "1" || fd == "2" || inheritable.count(fd)) continue;
        EXPECT_EQ(target.rfind("/proc/", 0), 0u) << "descriptor " << fd << " leaked: " << target;
    }
}

}  // namespace
}  // namespace korvane
