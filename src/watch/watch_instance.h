// One watch service at a time: the running one holds a lock on korvane's
// folder's "watch.pid", which holds its process id, for as long as it runs.
#pragma once

#include <sys/types.h>

#include <optional>

#include "os/result.h"
#include "os/unique_fd.h"

namespace korvane {

// Takes the lock and writes this process's id; the error is
// "korvane --watch is already running (pid N)" when another one holds it.
Result<UniqueFd> claim_watch();

// The process id of the running service, if one runs.
std::optional<pid_t> running_watch();

// Asks the running service to stop (SIGTERM) and waits, bounded, until it has
// put everything back and let go of its lock. The id of the one stopped;
// nothing when none ran.
Result<std::optional<pid_t>> stop_watch();

}  // namespace korvane
