#include "sys/runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "sys/change_gate.h"
#include "sys/clock.h"
#include "sys/os_error.h"
#include "sys/text.h"
#include "sys/time_limits.h"
#include "sys/unique_fd.h"
#include "sys/utf8.h"

namespace korvane {
namespace {

struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

Result<Pipe> make_pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return error(os_error_text(errno));
    return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

ssize_t read_retrying(int fd, char* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Puts `fd` at `target` for the exec. When our caller left `target` closed,
// the descriptor was opened there already, close-on-exec, and dup2 would
// leave that flag set: clear it instead.
bool place_fd(int fd, int target) {
    if (fd == target) return ::fcntl(fd, F_SETFD, 0) == 0;
    return ::dup2(fd, target) >= 0;
}

// Runs in the forked child: only async-signal-safe calls from here to exec.
[[noreturn]] void exec_child(const char* file, char* const argv[], int null_fd, int out_fd, int err_fd,
                             int report_fd) {
    // Ignored signals survive exec; the tools expect the default SIGPIPE.
    ::signal(SIGPIPE, SIG_DFL);
    // Its own process group, so that a time limit kills what it started too.
    ::setpgid(0, 0);
    if (!place_fd(null_fd, STDIN_FILENO) || !place_fd(out_fd, STDOUT_FILENO) || !place_fd(err_fd, STDERR_FILENO)) {
        int e = errno;
        (void)!::write(report_fd, &e, sizeof e);
        ::_exit(127);
    }
    ::execvp(file, argv);
    int e = errno;
    (void)!::write(report_fd, &e, sizeof e);
    ::_exit(127);
}

// Reads both pipes until both reach end of file, so that a child filling one
// of them never blocks while we wait on the other. False when the deadline
// (monotonic nanoseconds) came first.
bool drain(int out_fd, int err_fd, std::string& out, std::string& err, uint64_t deadline) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    char buffer[16384];
    int open_count = 2;
    while (open_count > 0) {
        const uint64_t now = monotonic_ns();
        if (now >= deadline) return false;
        // Rounded up, so that the wait never ends just short of the deadline.
        const int wait_ms = static_cast<int>((deadline - now + 999999) / 1000000);
        int ready = ::poll(fds, 2, wait_ms);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return true;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = read_retrying(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;  // end of file or a read error: this stream is done
                --open_count;
            }
        }
    }
    return true;
}

// Waits for the child's exit until the deadline; false when it came first.
// Its streams have ended, so it is usually gone already or within moments:
// the pauses start short.
bool wait_until(pid_t pid, int& status, uint64_t deadline) {
    constexpr long kLongestPauseNs = 50000000;
    for (long pause_ns = 100000;; pause_ns = pause_ns < kLongestPauseNs ? pause_ns * 2 : kLongestPauseNs) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) return true;
        if (monotonic_ns() >= deadline) return false;
        timespec pause{0, pause_ns};
        ::nanosleep(&pause, nullptr);
    }
}

}  // namespace

std::string command_line(const std::string& program, const Args& args) {
    std::string line = program + " ";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0) line += ' ';
        line += args[i];
    }
    return line;
}

Result<ProcessOutput> run_process(const std::string& program, const Args& args) {
    // With SIGCHLD ignored (a disposition our caller can hand down through
    // exec) the kernel reaps children itself and waitpid can no longer report
    // a failed exit: take the default back.
    struct sigaction child_action {};
    if (::sigaction(SIGCHLD, nullptr, &child_action) == 0 && child_action.sa_handler == SIG_IGN) {
        ::signal(SIGCHLD, SIG_DFL);
    }
    // Everything the child needs is prepared before fork.
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    UniqueFd null_fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!null_fd.valid()) return error(os_error_text(errno));
    auto out_pipe = make_pipe();
    if (!out_pipe) return Error{out_pipe.error()};
    auto err_pipe = make_pipe();
    if (!err_pipe) return Error{err_pipe.error()};
    // Carries the exec failure's errno back; close-on-exec closes it on success.
    auto report_pipe = make_pipe();
    if (!report_pipe) return Error{report_pipe.error()};

    pid_t pid = ::fork();
    if (pid < 0) return error(os_error_text(errno));
    if (pid == 0) {
        exec_child(program.c_str(), argv.data(), null_fd.get(), out_pipe.value().write.get(),
                   err_pipe.value().write.get(), report_pipe.value().write.get());
    }

    null_fd.reset();
    out_pipe.value().write.reset();
    err_pipe.value().write.reset();
    report_pipe.value().write.reset();

    int exec_errno = 0;
    ssize_t reported = read_retrying(report_pipe.value().read.get(), reinterpret_cast<char*>(&exec_errno),
                                     sizeof exec_errno);

    const unsigned limit_s = tool_time_limit_s();
    const uint64_t deadline = monotonic_ns() + uint64_t{limit_s} * 1000000000u;
    std::string out;
    std::string err;
    bool in_time = true;
    if (reported != static_cast<ssize_t>(sizeof exec_errno)) {
        in_time = drain(out_pipe.value().read.get(), err_pipe.value().read.get(), out, err, deadline);
    }

    int status = 0;
    if (in_time) in_time = wait_until(pid, status, deadline);
    if (!in_time) {
        // A tool stuck in a binder call while the system boots would hold
        // the journal's lock, and every later run behind it, forever.
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
    while (!in_time && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (reported == static_cast<ssize_t>(sizeof exec_errno)) return error(os_error_text(exec_errno));
    if (!in_time) return error(str_cat("timed out after ", limit_s, " s"));

    ProcessOutput result;
    result.exited_zero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.out = utf8_lossy(out);
    result.err = utf8_lossy(err);
    return result;
}

Result<std::string> run_command_output(const std::string& program, const Args& args) {
    auto allowed = allow_command(program, args);
    if (!allowed) return Error{allowed.error()};
    if (!*allowed) return std::string();
    auto process = run_process(program, args);
    if (!process) {
        return error("Failed to execute command " + command_line(program, args) + ": " + process.error());
    }
    if (!process->exited_zero) {
        return error("Command failed: " + command_line(program, args) + ": " + process->err);
    }
    return std::move(process.value().out);
}

Result<void> run_command(const std::string& program, const Args& args) {
    return drop_value(run_command_output(program, args));
}

}  // namespace korvane
