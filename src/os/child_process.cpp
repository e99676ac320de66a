#include "os/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

#include "os/clock.h"
#include "os/os_error.h"
#include "os/time_limits.h"

extern char** environ;

namespace korvane {
namespace {

// The tools running now, for an interruption to reach: a handler reads them.
constexpr size_t kTrackedChildren = 16;
std::atomic<pid_t> g_running[kTrackedChildren];

void track(pid_t pid) {
    for (auto& slot : g_running) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid)) return;
    }
    // Past the slots the child still dies with us (PR_SET_PDEATHSIG).
}

void untrack(pid_t pid) {
    for (auto& slot : g_running) {
        pid_t held = pid;
        if (slot.compare_exchange_strong(held, 0)) return;
    }
}

struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

Result<Pipe> make_pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return error(os_error_text(errno));
    return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// The caller's environment with PATH replaced by `search_path`.
std::vector<std::string> tool_environment(const char* search_path) {
    std::vector<std::string> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "PATH=", 5) != 0) env.emplace_back(*entry);
    }
    env.push_back(std::string("PATH=") + search_path);
    return env;
}

// Puts `fd` at `target` for the exec. When our caller left `target` closed,
// the descriptor was opened there already, close-on-exec, and dup2 would
// leave that flag set: clear it instead.
bool place_fd(int fd, int target) {
    if (fd == target) return ::fcntl(fd, F_SETFD, 0) == 0;
    return ::dup2(fd, target) >= 0;
}

// Runs in the forked child: only async-signal-safe calls from here to exec.
[[noreturn]] void exec_child(char* const argv[], char** envp, pid_t parent, int null_fd, int out_fd, int err_fd,
                             int report_fd) {
    // Caught signals would run korvane's handler here until the exec; ignored
    // ones survive it, and the tools expect the defaults.
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) ::signal(sig, SIG_DFL);
    // A service that takes its signals through a signalfd blocks them; the
    // tool must not inherit that.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    int e = 0;
    // Dies with korvane, even when korvane is killed outright; korvane may
    // have died already, before the request.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) {
        e = ::getppid() != parent ? ESRCH : errno;
    } else {
        ::setpgid(0, 0);
        if (place_fd(null_fd, STDIN_FILENO) && place_fd(out_fd, STDOUT_FILENO) && place_fd(err_fd, STDERR_FILENO)) {
            if (envp) environ = envp;
            ::execvp(argv[0], argv);
        }
        e = errno;
    }
    (void)!::write(report_fd, &e, sizeof e);
    ::_exit(127);
}

ssize_t read_retrying(int fd, char* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

void reap_blocking(WatchedChild& child) {
    while (::waitpid(child.process.pid, &child.status, 0) < 0 && errno == EINTR) {
    }
    untrack(child.process.pid);
    child.ended = true;
    child.process.out.reset();
    child.process.err.reset();
}

// Reads what came on each ready stream; end of file or an error closes it.
void take_output(std::span<WatchedChild> children, const std::vector<pollfd>& fds, const std::vector<size_t>& owners) {
    char buffer[16384];
    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        WatchedChild& child = children[owners[i]];
        const bool is_out = fds[i].fd == child.process.out.get();
        UniqueFd& stream = is_out ? child.process.out : child.process.err;
        const ssize_t n = read_retrying(stream.get(), buffer, sizeof buffer);
        if (n > 0) {
            (is_out ? child.out : child.err).append(buffer, static_cast<size_t>(n));
        } else {
            stream.reset();
        }
    }
}

}  // namespace

Result<StartedChild> start_child(const std::string& program, const Args& args, const char* search_path) {
    // Everything the child needs is prepared before fork.
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env_text;
    std::vector<char*> envp;
    if (search_path != nullptr) {
        env_text = tool_environment(search_path);
        for (std::string& entry : env_text) envp.push_back(entry.data());
        envp.push_back(nullptr);
    }

    UniqueFd null_fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!null_fd.valid()) return error(os_error_text(errno));
    auto out_pipe = make_pipe();
    if (!out_pipe) return Error{out_pipe.error()};
    auto err_pipe = make_pipe();
    if (!err_pipe) return Error{err_pipe.error()};
    // Carries the exec failure's errno back; close-on-exec closes it on success.
    auto report_pipe = make_pipe();
    if (!report_pipe) return Error{report_pipe.error()};

    const pid_t parent = ::getpid();
    StartedChild child;
    child.pid = ::fork();
    if (child.pid < 0) return error(os_error_text(errno));
    if (child.pid == 0) {
        exec_child(argv.data(), envp.empty() ? nullptr : envp.data(), parent, null_fd.get(),
                   out_pipe.value().write.get(), err_pipe.value().write.get(), report_pipe.value().write.get());
    }
    track(child.pid);
    int exec_errno = 0;
    report_pipe.value().write.reset();
    if (read_retrying(report_pipe.value().read.get(), reinterpret_cast<char*>(&exec_errno), sizeof exec_errno) ==
        static_cast<ssize_t>(sizeof exec_errno)) {
        while (::waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        untrack(child.pid);
        return error(os_error_text(exec_errno));
    }
    child.out = std::move(out_pipe.value().read);
    child.err = std::move(err_pipe.value().read);
    return child;
}

Result<WatchedChild> start_watched(const std::string& program, const Args& args, const char* search_path,
                                   size_t tag) {
    auto started = start_child(program, args, search_path);
    if (!started) return Error{started.error()};
    WatchedChild child;
    child.tag = tag;
    child.process = std::move(started).value();
    child.deadline = monotonic_ns() + uint64_t{tool_time_limit_s()} * 1000000000u;
    return child;
}

void watch_children(std::span<WatchedChild> children) {
    constexpr long kFirstPauseNs = 100000;
    constexpr long kLongestPauseNs = 50000000;
    std::vector<pollfd> fds;
    std::vector<size_t> owners;
    uint64_t wake = UINT64_MAX;
    const uint64_t now = monotonic_ns();
    for (size_t i = 0; i < children.size(); ++i) {
        WatchedChild& child = children[i];
        if (child.ended) continue;
        wake = std::min(wake, child.deadline);
        for (const UniqueFd* stream : {&child.process.out, &child.process.err}) {
            if (!stream->valid()) continue;
            fds.push_back({stream->get(), POLLIN, 0});
            owners.push_back(i);
        }
        // Its streams have ended, so it is usually gone already or within
        // moments: the looks for its exit start close together.
        if (!child.process.out.valid() && !child.process.err.valid()) {
            child.pause_ns = child.pause_ns == 0 ? kFirstPauseNs : std::min(child.pause_ns * 2, kLongestPauseNs);
            wake = std::min(wake, now + static_cast<uint64_t>(child.pause_ns));
        }
    }
    if (wake == UINT64_MAX) return;
    const uint64_t wait_ns = wake > now ? wake - now : 0;
    const timespec timeout{static_cast<time_t>(wait_ns / 1000000000u), static_cast<long>(wait_ns % 1000000000u)};
    if (::ppoll(fds.data(), fds.size(), &timeout, nullptr) > 0) take_output(children, fds, owners);

    for (WatchedChild& child : children) {
        if (child.ended) continue;
        if (!child.process.out.valid() && !child.process.err.valid()) {
            const pid_t done = ::waitpid(child.process.pid, &child.status, WNOHANG);
            if (done == child.process.pid || (done < 0 && errno != EINTR)) {
                untrack(child.process.pid);
                child.ended = true;
                continue;
            }
        }
        if (monotonic_ns() >= child.deadline) {
            // A tool stuck in a binder call while the system boots would hold
            // the journal's lock, and every later run behind it, forever.
            ::kill(-child.process.pid, SIGKILL);
            ::kill(child.process.pid, SIGKILL);
            child.timed_out = true;
            reap_blocking(child);
        }
    }
}

void reap_own_children() {
    struct sigaction child_action {};
    if (::sigaction(SIGCHLD, nullptr, &child_action) == 0 && child_action.sa_handler == SIG_IGN) {
        ::signal(SIGCHLD, SIG_DFL);
    }
}

void kill_running_children() {
    for (auto& slot : g_running) {
        const pid_t pid = slot.load();
        if (pid <= 0) continue;
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
}

}  // namespace korvane
