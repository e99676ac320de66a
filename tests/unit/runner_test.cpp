#include "journal/tool_commands.h"
#include "android/tool_refusal.h"

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

// What each runner makes of a command line: the output when it exits 0, or
// the error text. run_command fails exactly like run_command_output.
TEST(RunCommand, OutcomeOfEachKindOfRun) {
    struct Case {
        const char* program;
        Args args;
        bool ok;
        std::string text;  // the output, or the error text
    };
    const std::string missing = ": No such file or directory (os error 2)";
    const Case cases[] = {
        {"korvane-no-such-tool", {"a", "b"}, false, "Failed to execute command korvane-no-such-tool a b" + missing},
        // An empty argument list keeps the blank before the colon.
        {"korvane-no-such-tool", {}, false, "Failed to execute command korvane-no-such-tool " + missing},
        {"sh", {"-c", "echo noise >&2"}, true, ""},
        {"sh", {"-c", "exit 1"}, false, "Command failed: sh -c exit 1: "},
        // Standard error comes untrimmed.
        {"sh", {"-c", "echo 'bad row' >&2; exit 3"}, false,
         "Command failed: sh -c echo 'bad row' >&2; exit 3: bad row\n"},
        {"sh", {"-c", "kill -9 $$"}, false, "Command failed: sh -c kill -9 $$: "},
        {"printf", {"34\n"}, true, "34\n"},
        {"printf", {"a\\377b"}, true, "a\xEF\xBF\xBD" "b"},  // invalid UTF-8 replaced
        {"printf", {"%s|", "a b", "*", "'q'"}, true, "a b|*|'q'|"},  // no splitting, no globbing
        {"sh", {"-c", "cat; echo end"}, true, "end\n"},  // standard input is empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(command_line(c.program, c.args));
        auto output = run_command_output(c.program, c.args);
        auto status = run_command(c.program, c.args);
        ASSERT_EQ(output.ok(), c.ok);
        EXPECT_EQ(c.ok ? *output : output.error(), c.text);
        EXPECT_EQ(status.ok(), c.ok);
        EXPECT_EQ(status.error(), c.ok ? "" : c.text);
    }
}

// Only cmd device_config refuses with exit 0: an "Error:" line on either stream.
TEST(ToolRefusal, AnErrorLineOfDeviceConfigOnEitherStream) {
    const Args put{"device_config", "put", "ns", "key", "1"};
    const std::string refused = "Error: cannot write read-only flag";
    EXPECT_EQ(tool_refusal("cmd", put, refused + "\n", ""), refused);
    EXPECT_EQ(tool_refusal("cmd", put, "", "note\n" + refused), refused);
    EXPECT_EQ(tool_refusal("cmd", put, "Key: Error: none\n", ""), std::nullopt);  // not a line of its own
    EXPECT_EQ(tool_refusal("cmd", {"appops", "set"}, refused, ""), std::nullopt);
    EXPECT_EQ(tool_refusal("settings", put, refused, ""), std::nullopt);
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
