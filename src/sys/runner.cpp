#include "sys/runner.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "sys/journal/change_gate.h"
#include "sys/child_process.h"
#include "sys/clock.h"
#include "sys/os_error.h"
#include "sys/text.h"
#include "sys/time_limits.h"
#include "sys/unique_fd.h"
#include "sys/utf8.h"

namespace korvane {
namespace {

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
    reap_own_children();
    auto child = start_child(program, args);
    if (!child) return Error{child.error()};
    const pid_t pid = child->pid;

    const unsigned limit_s = tool_time_limit_s();
    const uint64_t deadline = monotonic_ns() + uint64_t{limit_s} * 1000000000u;
    std::string out;
    std::string err;
    bool in_time = drain(child->out.get(), child->err.get(), out, err, deadline);

    int status = 0;
    if (in_time) in_time = wait_until(pid, status, deadline);
    if (!in_time) {
        // A tool stuck in a binder call while the system boots would hold
        // the journal's lock, and every later run behind it, forever.
        kill_child(pid);
    }
    while (!in_time && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
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
    note_command_done(program, args);
    return std::move(process.value().out);
}

Result<void> run_command(const std::string& program, const Args& args) {
    return drop_value(run_command_output(program, args));
}

}  // namespace korvane
