#include "watch/watch_instance.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "journal/korvane_files.h"
#include "os/clock.h"
#include "os/number_parse.h"
#include "os/os_error.h"
#include "os/text.h"
#include "os/write_all.h"

namespace korvane {
namespace {

// Closing a session puts a few dozen nodes back: far less than this.
constexpr uint64_t kStopWaitMs = 30000;
constexpr unsigned kStopPollMs = 20;

std::string pid_path() { return korvane_file("watch.pid"); }

std::optional<pid_t> pid_in(int fd) {
    char buffer[32];
    ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0) return std::nullopt;
    auto pid = parse_i32(trim(std::string_view(buffer, static_cast<size_t>(n))));
    if (!pid || *pid <= 0) return std::nullopt;
    return *pid;
}

// The holder's id while the lock is held; nothing when it is free.
std::optional<pid_t> holder() {
    int fd = ::open(pid_path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    UniqueFd file(fd);
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) return std::nullopt;
    if (errno != EWOULDBLOCK) return std::nullopt;
    // Held, yet no id written yet: the service is starting.
    return pid_in(fd).value_or(0);
}

}  // namespace

Result<UniqueFd> claim_watch() {
    if (auto folder = ensure_korvane_folder(); !folder) return Error{folder.error()};
    int fd = ::open(pid_path().c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return error(pid_path() + ": " + os_error_text(errno));
    UniqueFd file(fd);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return error(pid_path() + ": " + os_error_text(errno));
        return error(str_cat("korvane --watch is already running (pid ", pid_in(fd).value_or(0), ")"));
    }
    if (::ftruncate(fd, 0) != 0 || write_all(fd, std::to_string(::getpid()) + "\n") != 0) {
        return error(pid_path() + ": " + os_error_text(errno));
    }
    return file;
}

std::optional<pid_t> running_watch() { return holder(); }

Result<std::optional<pid_t>> stop_watch() {
    auto pid = holder();
    if (!pid) return std::optional<pid_t>();
    if (*pid > 0 && ::kill(*pid, SIGTERM) != 0 && errno != ESRCH) {
        return error(str_cat("Cannot stop korvane --watch (pid ", *pid, "): ", os_error_text(errno)));
    }
    const uint64_t deadline = monotonic_ns() + kStopWaitMs * 1000000u;
    while (holder()) {
        if (monotonic_ns() >= deadline) return error(str_cat("korvane --watch (pid ", *pid, ") did not stop"));
        sleep_ms(kStopPollMs);
    }
    return std::optional<pid_t>(*pid);
}

}  // namespace korvane
