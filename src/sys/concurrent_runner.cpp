#include "sys/concurrent_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "sys/change_gate.h"
#include "sys/os_error.h"
#include "sys/unique_fd.h"
#include "sys/utf8.h"

namespace korvane {
namespace {

// A started child: its output streams until each reaches end of file.
struct Child {
    size_t index = 0;
    pid_t pid = -1;
    UniqueFd out;
    UniqueFd err;
    std::string err_text;
};

ssize_t read_retrying(int fd, char* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool place_fd(int fd, int target) {
    if (fd == target) return ::fcntl(fd, F_SETFD, 0) == 0;
    return ::dup2(fd, target) >= 0;
}

// Runs in the forked child: only async-signal-safe calls from here to exec.
[[noreturn]] void exec_child(char* const argv[], int null_fd, int out_fd, int err_fd, int report_fd) {
    ::signal(SIGPIPE, SIG_DFL);
    if (place_fd(null_fd, STDIN_FILENO) && place_fd(out_fd, STDOUT_FILENO) && place_fd(err_fd, STDERR_FILENO)) {
        ::execvp(argv[0], argv);
    }
    int e = errno;
    (void)!::write(report_fd, &e, sizeof e);
    ::_exit(127);
}

Result<void> make_pipe(UniqueFd& read_end, UniqueFd& write_end) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return error(os_error_text(errno));
    read_end.reset(fds[0]);
    write_end.reset(fds[1]);
    return success();
}

// Starts the command; fails with the operating-system error text when it
// cannot be started. Waits only until the child has exec'd.
Result<Child> start(const ToolCommand& command, size_t index) {
    std::vector<char*> argv;
    argv.reserve(command.args.size() + 2);
    argv.push_back(const_cast<char*>(command.program.c_str()));
    for (const std::string& arg : command.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    UniqueFd null_fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!null_fd.valid()) return error(os_error_text(errno));
    Child child;
    child.index = index;
    UniqueFd out_write, err_write, report_read, report_write;
    const std::pair<UniqueFd*, UniqueFd*> pipes[] = {
        {&child.out, &out_write}, {&child.err, &err_write}, {&report_read, &report_write}};
    for (auto [read_end, write_end] : pipes) {
        if (auto made = make_pipe(*read_end, *write_end); !made) return Error{made.error()};
    }
    child.pid = ::fork();
    if (child.pid < 0) return error(os_error_text(errno));
    if (child.pid == 0) exec_child(argv.data(), null_fd.get(), out_write.get(), err_write.get(), report_write.get());
    out_write.reset();
    err_write.reset();
    report_write.reset();
    int exec_errno = 0;
    if (read_retrying(report_read.get(), reinterpret_cast<char*>(&exec_errno), sizeof exec_errno) ==
        static_cast<ssize_t>(sizeof exec_errno)) {
        while (::waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error(os_error_text(exec_errno));
    }
    return child;
}

// The outcome of a child whose streams have ended, as run_command words it.
Result<void> finish(Child& child, const ToolCommand& command) {
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return success();
    return error("Command failed: " + command_line(command.program, command.args) + ": " + utf8_lossy(child.err_text));
}

// Waits until some child's stream has something or ends, and reads it. A
// time limit on the tools would bound this wait and stop the children past it.
void read_some(std::vector<Child>& children) {
    std::vector<pollfd> fds;
    for (const Child& child : children) {
        fds.push_back({child.out.get(), POLLIN, 0});
        fds.push_back({child.err.get(), POLLIN, 0});
    }
    if (::poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) return;  // the caller comes back
        // Polling cannot go on: stop reading, so that the children are waited for.
        for (Child& child : children) {
            child.out.reset();
            child.err.reset();
        }
        return;
    }
    char buffer[16384];
    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        Child& child = children[i / 2];
        UniqueFd& stream = i % 2 == 0 ? child.out : child.err;
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
    // As in run_process: an inherited SIG_IGN would let the kernel reap the
    // children before waitpid could report their exit.
    struct sigaction child_action {};
    if (::sigaction(SIGCHLD, nullptr, &child_action) == 0 && child_action.sa_handler == SIG_IGN) {
        ::signal(SIGCHLD, SIG_DFL);
    }
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
            auto child = start(command, i);
            if (child) {
                running.push_back(std::move(child).value());
            } else {
                outcomes[i] = error("Failed to execute command " + command_line(command.program, command.args) + ": " +
                                    child.error());
            }
        }
        if (!running.empty()) read_some(running);
        for (auto it = running.begin(); it != running.end();) {
            if (it->out.valid() || it->err.valid()) {
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
