#pragma once
// The daemon's request loop: one request at a time, until the file system is
// unmounted or the process it serves is gone.

#include "operations.h"

namespace kernelfs {

// Serves requests until an unmount, or until `watched` (a pidfd, or -1 for
// none) reports that its process ended; then unmounts. Returns 0 or 1.
int serve(fuse* fs, int watched);

// A pidfd for the process, or -1 with errno set.
int watch_process(pid_t pid);

}  // namespace kernelfs
