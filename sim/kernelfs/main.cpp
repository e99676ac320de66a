// korvane-kernelfs: serves a simulated phone's /sys and /proc with a kernel's
// rules, over the sys/ and proc/ trees of a state folder.
//
//   korvane-kernelfs --state DIR [--uid N] [--kernel VERSION] [--family NAME] [--hz N] [--while PID] MOUNTPOINT
//
// The mount's root holds `sys` and `proc`. The program creates MOUNTPOINT,
// returns once the mount is live, and serves it from the background, one
// request at a time, until it is unmounted or the process PID has ended; then
// it unmounts and removes MOUNTPOINT itself, so the caller waits for nothing.
// --uid names whom the phone's processes run as (default root); --kernel the
// kernel version whose rules apply (default 5.10); --family the kernel family
// whose scheduler tunables it has (kernel_family.h; default none); --hz its
// tick rate (CONFIG_HZ; default 250). On failure it prints one line saying why
// and exits with status 1.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel_generation.h"
#include "node_value.h"
#include "serve.h"

namespace {

// libfuse's last complaint, for the one line a failed mount prints.
std::string last_fuse_message;

void keep_fuse_message(fuse_log_level, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    last_fuse_message = text;
    while (!last_fuse_message.empty() && last_fuse_message.back() == '\n') last_fuse_message.pop_back();
}

int fail(const std::string& what, const std::string& why) {
    std::fprintf(stderr, "korvane-kernelfs: %s: %s\n", what.c_str(), why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    kernelfs::Mount mount;
    std::string mountpoint;
    int watched = -1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool has_value = i + 1 < argc;
        if (arg == "--state" && has_value) {
            mount.state = argv[++i];
        } else if (arg == "--uid" && has_value) {
            mount.caller = static_cast<uid_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--kernel" && has_value) {
            mount.generation = kernelfs::parse_kernel_generation(argv[++i]);
        } else if (arg == "--family" && has_value) {
            mount.family = kernelfs::parse_kernel_family(argv[++i]);
        } else if (arg == "--hz" && has_value) {
            mount.hz = static_cast<int>(std::strtol(argv[++i], nullptr, 10));
        } else if (arg == "--while" && has_value) {
            watched = kernelfs::watch_process(static_cast<pid_t>(std::strtol(argv[++i], nullptr, 10)));
            if (watched < 0) return fail("cannot watch process " + std::string(argv[i]), std::strerror(errno));
        } else if (mountpoint.empty() && arg.rfind("--", 0) != 0) {
            mountpoint = arg;
        } else {
            return fail("bad argument", arg + " (usage: --state DIR [--uid N] [--kernel VERSION] [--while PID] "
                                              "MOUNTPOINT)");
        }
    }
    if (mount.state.empty() || mountpoint.empty()) return fail("usage", "--state DIR ... MOUNTPOINT");
    // the daemon leaves its working folder for "/" when it goes to the background
    char absolute[PATH_MAX];
    if (realpath(mount.state.c_str(), absolute) == nullptr) return fail(mount.state, std::strerror(errno));
    mount.state = absolute;

    std::string what = "cannot mount the phone's /sys and /proc (FUSE) on " + mountpoint;
    if (access("/dev/fuse", F_OK) != 0) return fail(what, "/dev/fuse is missing");
    if (mkdir(mountpoint.c_str(), 0755) != 0 && errno != EEXIST) return fail(what, std::strerror(errno));
    // the unmount and the removal happen after the move to "/" as well
    if (realpath(mountpoint.c_str(), absolute) == nullptr) return fail(what, std::strerror(errno));
    mountpoint = absolute;
    fuse_set_log_func(keep_fuse_message);
    fuse_args args = FUSE_ARGS_INIT(0, nullptr);
    // allow_other: a run as an unprivileged uid reaches the mount too
    for (const char* a : {"korvane-kernelfs", "-o", "allow_other,fsname=kernelfs,subtype=korvane"}) {
        fuse_opt_add_arg(&args, a);
    }
    fuse* fs = fuse_new(&args, &kernelfs::operations(), sizeof(fuse_operations), &mount);
    fuse_opt_free_args(&args);
    if (fs == nullptr || fuse_mount(fs, mountpoint.c_str()) != 0) {
        if (fs != nullptr) fuse_destroy(fs);
        rmdir(mountpoint.c_str());
        return fail(what, last_fuse_message.empty() ? "libfuse gave no reason" : last_fuse_message);
    }
    // the parent exits only after the child is ready: the mount is live then
    if (fuse_daemonize(0) != 0) {
        fuse_unmount(fs);
        fuse_destroy(fs);
        rmdir(mountpoint.c_str());
        return fail(what, "cannot go to the background");
    }
    int status = kernelfs::serve(fs, watched);
    fuse_destroy(fs);
    rmdir(mountpoint.c_str());
    return status;
}
