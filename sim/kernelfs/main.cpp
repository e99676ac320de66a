// korvane-kernelfs: serves a simulated phone's /sys and /proc with a kernel's
// rules, over the sys/ and proc/ trees of a state folder.
//
//   korvane-kernelfs --state DIR [--uid N] [--kernel VERSION] MOUNTPOINT
//
// The mount's root holds `sys` and `proc`. The program returns once the mount
// is live and serves it from the background, one request at a time, until it
// is unmounted. --uid names whom the phone's processes run as (default root);
// --kernel the kernel version whose rules apply (default 5.10).
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel_generation.h"
#include "node_value.h"
#include "operations.h"

namespace {

int usage(const char* why) {
    std::fprintf(stderr, "korvane-kernelfs: %s\nusage: korvane-kernelfs --state DIR [--uid N] [--kernel VERSION] MOUNTPOINT\n",
                 why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    kernelfs::Mount mount;
    std::string mountpoint;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool has_value = i + 1 < argc;
        if (arg == "--state" && has_value) {
            mount.state = argv[++i];
        } else if (arg == "--uid" && has_value) {
            mount.caller = static_cast<uid_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--kernel" && has_value) {
            mount.generation = kernelfs::parse_kernel_generation(argv[++i]);
        } else if (mountpoint.empty() && arg.rfind("--", 0) != 0) {
            mountpoint = arg;
        } else {
            return usage(("bad argument: " + arg).c_str());
        }
    }
    if (mount.state.empty() || mountpoint.empty()) return usage("a state folder and a mount point are needed");
    // the daemon leaves its working folder behind when it goes to the background
    char absolute[PATH_MAX];
    if (realpath(mount.state.c_str(), absolute) == nullptr) {
        std::fprintf(stderr, "korvane-kernelfs: %s: %s\n", mount.state.c_str(), std::strerror(errno));
        return 1;
    }
    mount.state = absolute;

    fuse_args args = FUSE_ARGS_INIT(0, nullptr);
    // allow_other: a run as an unprivileged uid reaches the mount too
    for (const char* a : {"korvane-kernelfs", "-o", "allow_other,fsname=kernelfs,subtype=korvane"}) {
        fuse_opt_add_arg(&args, a);
    }
    fuse* fs = fuse_new(&args, &kernelfs::operations(), sizeof(fuse_operations), &mount);
    fuse_opt_free_args(&args);
    if (fs == nullptr) return 1;
    if (fuse_mount(fs, mountpoint.c_str()) != 0) {
        fuse_destroy(fs);
        return 1;
    }
    // the parent exits only after the child is ready: the mount is live then
    if (fuse_daemonize(0) != 0) {
        fuse_unmount(fs);
        fuse_destroy(fs);
        return 1;
    }
    int status = fuse_loop(fs);
    fuse_unmount(fs);
    fuse_destroy(fs);
    return status == 0 ? 0 : 1;
}
