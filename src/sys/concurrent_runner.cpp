#include "sys/concurrent_runner.h"

#include <poll.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <vector>

#include "sys/journal/change_gate.h"
#include "sys/child_process.h"
#include "sys/clock.h"
#include "sys/text.h"
#include "sys/time_limits.h"
#include "sys/utf8.h"

namespace korvane {
namespace {

// A started child: its output streams until each reaches end of file, and
// the moment (monotonic nanoseconds) past which it is killed.
struct Child {
    size_t index = 0;
    StartedChild process;
    uint64_t deadline = 0;
    bool timed_out = false;
    std::string err_text;
};

// The outcome of a child whose streams have ended, as run_command words it.
Result<void> finish(Child& child, const ToolCommand& command) {
    int status = 0;
    while (::waitpid(child.process.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (child.timed_out) {
        return error(str_cat("Failed to execute command ", command_line(command.program, command.args),
                             ": timed out after ", tool_time_limit_s(), " s"));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        note_command_done(command.program, command.args);
        return success();
    }
    return error("Command failed: " + command_line(command.program, command.args) + ": " + utf8_lossy(child.err_text));
}

// Stops reading a child: it is waited for next.
void close_streams(Child& child) {
    child.process.out.reset();
    child.process.err.reset();
}

// Waits until some child's stream has something or ends, and reads it, or
// until the first deadline: a child past its own is killed, so that a tool
// that never ends cannot hold the run.
void read_some(std::vector<Child>& children) {
    std::vector<pollfd> fds;
    uint64_t first_deadline = UINT64_MAX;
    for (const Child& child : children) {
        fds.push_back({child.process.out.get(), POLLIN, 0});
        fds.push_back({child.process.err.get(), POLLIN, 0});
        first_deadline = std::min(first_deadline, child.deadline);
    }
    const uint64_t now = monotonic_ns();
    // Rounded up, so that the wait never ends just short of the deadline.
    const int wait_ms = first_deadline <= now ? 0 : static_cast<int>((first_deadline - now + 999999) / 1000000);
    const int ready = ::poll(fds.data(), fds.size(), wait_ms);
    if (ready < 0 && errno != EINTR) {
        // Polling cannot go on: stop reading, so that the children are waited for.
        for (Child& child : children) close_streams(child);
        return;
    }
    if (ready <= 0) {
        for (Child& child : children) {
            if (monotonic_ns() < child.deadline) continue;
            kill_child(child.process.pid);
            child.timed_out = true;
            close_streams(child);
        }
        return;
    }
    char buffer[16384];
    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        Child& child = children[i / 2];
        UniqueFd& stream = i % 2 == 0 ? child.process.out : child.process.err;
        const ssize_t n = read_retrying(stream.get(), buffer, sizeof buffer);
        if (n <= 0) {
            stream.reset();  // poll passes over a negative descriptor
        } else if (i % 2 == 1) {
            child.err_text.append(buffer, static_cast<size_t>(n));
        }
    }
}

}  // namespace

void run_commands_concurrently(std::span<const ToolCommand> commands, size_t width, const CommandReport& report) {
    if (width == 0) width = 1;
    reap_own_children();
    const uint64_t limit_ns = uint64_t{tool_time_limit_s()} * 1000000000u;
    std::vector<std::optional<Result<void>>> outcomes(commands.size());
    std::vector<Child> running;
    size_t next_start = 0;
    size_t next_report = 0;
    while (next_report < commands.size()) {
        while (running.size() < width && next_start < commands.size()) {
            const size_t i = next_start++;
            const ToolCommand& command = commands[i];
            auto allowed = allow_command(command.program, command.args);
            if (!allowed || !*allowed) {
                outcomes[i] = allowed ? success() : Result<void>(Error{allowed.error()});
                continue;
            }
            auto child = start_child(command.program, command.args);
            if (child) {
                running.push_back({i, std::move(child).value(), monotonic_ns() + limit_ns, false, {}});
            } else {
                outcomes[i] = error("Failed to execute command " + command_line(command.program, command.args) + ": " +
                                    child.error());
            }
        }
        if (!running.empty()) read_some(running);
        for (auto it = running.begin(); it != running.end();) {
            if (it->process.out.valid() || it->process.err.valid()) {
                ++it;
                continue;
            }
            outcomes[it->index] = finish(*it, commands[it->index]);
            it = running.erase(it);
        }
        while (next_report < commands.size() && outcomes[next_report]) {
            report(next_report, *outcomes[next_report]);
            ++next_report;
        }
    }
}

}  // namespace korvane
