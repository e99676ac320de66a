#include "sys/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "sys/os_error.h"

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

// Puts `fd` at `target` for the exec. When our caller left `target` closed,
// the descriptor was opened there already, close-on-exec, and dup2 would
// leave that flag set: clear it instead.
bool place_fd(int fd, int target) {
    if (fd == target) return ::fcntl(fd, F_SETFD, 0) == 0;
    return ::dup2(fd, target) >= 0;
}

// Runs in the forked child: only async-signal-safe calls from here to exec.
[[noreturn]] void exec_child(char* const argv[], int null_fd, int out_fd, int err_fd, int report_fd) {
    // Ignored signals survive exec; the tools expect the default SIGPIPE.
    ::signal(SIGPIPE, SIG_DFL);
    ::setpgid(0, 0);
    if (place_fd(null_fd, STDIN_FILENO) && place_fd(out_fd, STDOUT_FILENO) && place_fd(err_fd, STDERR_FILENO)) {
        ::execvp(argv[0], argv);
    }
    int e = errno;
    (void)!::write(report_fd, &e, sizeof e);
    ::_exit(127);
}

}  // namespace

Result<StartedChild> start_child(const std::string& program, const Args& args) {
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

    StartedChild child;
    child.pid = ::fork();
    if (child.pid < 0) return error(os_error_text(errno));
    if (child.pid == 0) {
        exec_child(argv.data(), null_fd.get(), out_pipe.value().write.get(), err_pipe.value().write.get(),
                   report_pipe.value().write.get());
    }
    int exec_errno = 0;
    report_pipe.value().write.reset();
    if (read_retrying(report_pipe.value().read.get(), reinterpret_cast<char*>(&exec_errno), sizeof exec_errno) ==
        static_cast<ssize_t>(sizeof exec_errno)) {
        while (::waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error(os_error_text(exec_errno));
    }
    child.out = std::move(out_pipe.value().read);
    child.err = std::move(err_pipe.value().read);
    return child;
}

ssize_t read_retrying(int fd, char* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

void kill_child(pid_t pid) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
}

void reap_own_children() {
    struct sigaction child_action {};
    if (::sigaction(SIGCHLD, nullptr, &child_action) == 0 && child_action.sa_handler == SIG_IGN) {
        ::signal(SIGCHLD, SIG_DFL);
    }
}

}  // namespace korvane
