#include "journal/concurrent_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace korvane {
namespace {

struct Reported {
    std::vector<size_t> order;
    std::vector<std::string> errors;
};

Reported run_all(const std::vector<ToolCommand>& commands, size_t width) {
    Reported reported;
    run_commands_concurrently(commands, width, [&](size_t i, const Result<void>& outcome) {
        reported.order.push_back(i);
        reported.errors.push_back(outcome ? "" : outcome.error());
    });
    return reported;
}

// A later command that ends first still waits for the earlier ones to be reported.
TEST(ConcurrentRunner, ReportsInOrderWithRunCommandsWording) {
    const std::vector<ToolCommand> commands{
        {"sh", {"-c", "sleep 0.2; echo slow >&2; exit 2"}},
        {"sh", {"-c", "exit 0"}},
        {"korvane-no-such-tool", {"x"}},
        {"sh", {"-c", "printf 'out%.0s' 1 2 3; exit 0"}},
        {"sh", {"-c", "kill -9 $$"}},
    };
    const Reported r = run_all(commands, 4);
    EXPECT_EQ(r.order, (std::vector<size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(r.errors, (std::vector<std::string>{
                            "Command failed: sh -c sleep 0.2; echo slow >&2; exit 2: slow\n", "",
                            "Failed to execute command korvane-no-such-tool x: No such file or directory (os error 2)",
                            "", "Command failed: sh -c kill -9 $$: "}));
}

// A tool that never ends, leaves a child holding its streams, or has closed
// them, is killed at the time limit while the others finish, and while
// another keeps writing.
TEST(ConcurrentRunner, AToolThatNeverEndsIsKilledAtTheTimeLimit) {
    ::setenv("KORVANE_TOOL_TIMEOUT", "1", 1);
    const auto start = std::chrono::steady_clock::now();
    const Reported r = run_all({{"sleep", {"30"}},
                                {"sh", {"-c", "exit 0"}},
                                {"sh", {"-c", "sleep 30 & wait"}},
                                {"sh", {"-c", "exec >&- 2>&-; sleep 30"}},
                                {"sh", {"-c", "while :; do echo x; sleep 0.01; done"}}},
                               4);
    const auto took = std::chrono::steady_clock::now() - start;
    ::unsetenv("KORVANE_TOOL_TIMEOUT");
    const std::string timed_out = ": timed out after 1 s";
    EXPECT_EQ(r.errors, (std::vector<std::string>{
                            "Failed to execute command sleep 30" + timed_out, "",
                            "Failed to execute command sh -c sleep 30 & wait" + timed_out,
                            "Failed to execute command sh -c exec >&- 2>&-; sleep 30" + timed_out,
                            "Failed to execute command sh -c while :; do echo x; sleep 0.01; done" + timed_out}));
    EXPECT_LT(took, std::chrono::seconds(4));
}

TEST(ConcurrentRunner, RunsUpToWidthAtOnce) {
    const std::vector<ToolCommand> sleeps(8, ToolCommand{"sleep", {"0.2"}});
    auto timed = [&](size_t width) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run_all(sleeps, width).order.size(), 8u);
        return std::chrono::steady_clock::now() - start;
    };
    // Four at a time: two rounds of 0.2 s; one at a time: eight.
    EXPECT_LT(timed(4), std::chrono::milliseconds(1200));
    EXPECT_GE(timed(1), std::chrono::milliseconds(1600));
    EXPECT_EQ(run_all({}, 4).order.size(), 0u);
}

}  // namespace
}  // namespace korvane
