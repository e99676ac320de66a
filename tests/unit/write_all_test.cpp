// Writes that a file answers with fewer bytes than offered: the writers stop
// instead of asking again, since a node that took nothing takes nothing forever.
#include "os/write_all.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "journal/change_policy.h"
#include "journal/node_change.h"
#include "temp_dir.h"

namespace korvane {
namespace {

using testing::slurp;
using testing::TempDir;

// A file that takes nothing, and counts how often it was asked.
int g_calls = 0;
ssize_t takes_nothing(int, const void*, size_t) {
    ++g_calls;
    return 0;
}
ssize_t takes_two(int, const void*, size_t) {
    ++g_calls;
    return 2;
}
ssize_t interrupted_then_all(int, const void*, size_t size) {
    if (++g_calls == 1) {
        errno = EINTR;
        return -1;
    }
    return static_cast<ssize_t>(size);
}

struct WriterCase {
    const char* name;
    WriteCall call;
    int write_all_error;  // write_all's answer to "123456"
    int write_all_calls;
    size_t once_taken;  // write_once's count for the same text
    int once_calls;
};

const WriterCase kWriters[] = {
    {"takes_nothing", takes_nothing, EIO, 1, 0, 1},
    {"takes_two_per_call", takes_two, 0, 3, 2, 1},
    {"interrupted_once", interrupted_then_all, 0, 2, 6, 2},
};

class Writers : public ::testing::TestWithParam<WriterCase> {};

TEST_P(Writers, StopOnNothingTakenAndWriteOnceNeverAsksAgain) {
    const WriterCase& c = GetParam();
    g_calls = 0;
    EXPECT_EQ(write_all(-1, "123456", c.call), c.write_all_error);
    EXPECT_EQ(g_calls, c.write_all_calls);
    g_calls = 0;
    WriteOutcome once = write_once(-1, "123456", c.call);
    EXPECT_EQ(once.error, 0);
    EXPECT_EQ(once.taken, c.once_taken);
    EXPECT_EQ(g_calls, c.once_calls);
}

INSTANTIATE_TEST_SUITE_P(Files, Writers, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

// A file size limit makes a real file take only part of a write: the node
// writer must report that, not write the rest (which the limit would refuse
// with EFBIG, changing the error).
struct LimitCase {
    const char* name;
    rlim_t limit;
    const char* value;
    const char* error_tail;  // after "Failed to write to <path>: "
    const char* left;        // the file afterwards
};

const LimitCase kLimits[] = {
    {"part_taken", 2, "902400", "only 2 of 6 bytes were taken", "90"},
    {"all_taken", 5, "1\n", "", "1\n"},
    {"refused", 0, "1", "File too large (os error 27)", ""},
};

class ShortNodeWrite : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ShortNodeWrite, EndsWithTheCountTheNodeTook) {
    const LimitCase& c = GetParam();
    TempDir dir;
    std::string node = dir.write("sched_upmigrate", "95\t85", 0644);
    std::string result_file = dir.file("result");
    pid_t pid = ::fork();
    if (pid == 0) {
        set_change_policy(ChangePolicy::unrecorded);  // the journal would meet the limit too
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{c.limit, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
        auto r = write_node(node, c.value);
        limit.rlim_cur = RLIM_INFINITY;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(4);
        FILE* f = std::fopen(result_file.c_str(), "w");
        if (!f) ::_exit(5);
        std::fputs(r ? "ok" : r.error().c_str(), f);
        std::fclose(f);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string expected = *c.error_tail ? "Failed to write to " + node + ": " + c.error_tail : "ok";
    EXPECT_EQ(slurp(result_file), expected);
    EXPECT_EQ(slurp(node), c.left);
}

INSTANTIATE_TEST_SUITE_P(Limits, ShortNodeWrite, ::testing::ValuesIn(kLimits),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvane
