// Starting programs as child processes and watching them to their end,
// shared by the runner that waits for one tool and the one that keeps a few
// running at once, so that both keep one time-limit rule.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "os/result.h"
#include "os/unique_fd.h"

namespace korvane {

// A program's arguments, one per slot: no shell, no quoting, no splitting.
using Args = std::vector<std::string>;

// A started tool: its process (the leader of its own process group, so that a
// time limit reaches what it started too) and the read ends of its standard
// output and standard error.
struct StartedChild {
    pid_t pid = -1;
    UniqueFd out;
    UniqueFd err;
};

// Forks and execs `program` with `args` found through `search_path` (which
// the child gets as its PATH; the caller's own PATH when null), standard
// input from /dev/null. The child dies
// with korvane (PR_SET_PDEATHSIG). Returns once the exec has happened; when it
// cannot, the child is reaped and the error is the operating-system error
// text alone.
Result<StartedChild> start_child(const std::string& program, const Args& args, const char* search_path);

// A running tool as watch_children follows it: what it wrote, and how it ended.
struct WatchedChild {
    size_t tag = 0;  // the caller's own
    StartedChild process;
    uint64_t deadline = 0;  // monotonic nanoseconds
    std::string out;
    std::string err;
    bool ended = false;
    bool timed_out = false;  // killed at its deadline
    int status = 0;          // waitpid's, once ended without timing out
    long pause_ns = 0;       // between looks for the exit once its streams are closed
};

// Starts a tool to be watched (as start_child), its deadline
// tool_time_limit_s() from now.
Result<WatchedChild> start_watched(const std::string& program, const Args& args, const char* search_path,
                                   size_t tag = 0);

// Waits until one of the children not yet ended writes, closes its streams,
// ends, or reaches its deadline, and takes what happened in. Every child past
// its deadline is killed with its process group and reaped then, whether or
// not its streams are still open, and whatever the others are doing.
void watch_children(std::span<WatchedChild> children);

// With SIGCHLD ignored (a disposition our caller can hand down through exec)
// the kernel reaps children itself and waitpid can no longer report a failed
// exit: takes the default back.
void reap_own_children();

// Kills the process groups of every tool still running; async-signal-safe,
// for the handler of an interruption (signals.h).
void kill_running_children();

}  // namespace korvane
