#pragma once
// The FUSE operations of the mount: every request is answered for the one
// identity the Mount names, whatever uid the kernel reports (an unprivileged
// run is a user namespace whose ids all map to this machine's root).

#define FUSE_USE_VERSION 31
#include <fuse.h>

namespace kernelfs {

// The operations; fuse_new's user data must be a Mount.
const fuse_operations& operations();

}  // namespace kernelfs
