// Starting one device tool as a child process, shared by the runner that
// waits for one tool and the one that keeps a few running at once.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "sys/result.h"
#include "sys/runner.h"
#include "sys/unique_fd.h"

namespace korvane {

// A started tool: its process (the leader of its own process group, so that a
// time limit reaches what it started too) and the read ends of its standard
// output and standard error.
struct StartedChild {
    pid_t pid = -1;
    UniqueFd out;
    UniqueFd err;
};

// Forks and execs `program` with `args` found through PATH, standard input
// from /dev/null. Returns once the exec has happened; when it cannot, the
// child is reaped and the error is the operating-system error text alone.
Result<StartedChild> start_child(const std::string& program, const Args& args);

// read(2), retried on EINTR.
ssize_t read_retrying(int fd, char* buffer, size_t size);

// Kills the child and its process group, past its time limit.
void kill_child(pid_t pid);

// With SIGCHLD ignored (a disposition our caller can hand down through exec)
// the kernel reaps children itself and waitpid can no longer report a failed
// exit: takes the default back.
void reap_own_children();

}  // namespace korvane
