// One epoll set for the whole service: each source (inotify, the event log
// pipe, a signalfd, a timerfd) is registered with its own handler, and the
// loop only waits and dispatches. Nothing here polls: epoll_wait blocks
// until a source has something.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <cstdint>

#include "os/result.h"
#include "os/unique_fd.h"

namespace korvane {

class EventLoop {
public:
    Result<void> open();
    // Calls `handler` whenever `fd` is readable (or hung up). `wakeup`: the
    // phone stays awake until the handler ran (EPOLLWAKEUP).
    Result<void> add(int fd, std::function<void()> handler, bool wakeup = false);
    void remove(int fd);
    // Waits and dispatches until stop() is called by a handler.
    Result<void> run();
    void stop() { running_ = false; }

private:
    UniqueFd epoll_;
    std::map<int, std::function<void()>> handlers_;
    bool running_ = false;
};

// A timerfd on CLOCK_MONOTONIC, which does not wake a sleeping phone. Armed
// only while something is due.
class Timer {
public:
    Result<void> open();
    // On CLOCK_BOOTTIME_ALARM, which wakes a sleeping phone (CLOCK_BOOTTIME
    // where the kernel has no alarm timers); due times are then relative.
    Result<void> open_alarm();
    // Fires once `in_ms` from now; nothing disarms it.
    void arm_in(std::optional<uint64_t> in_ms);
    int fd() const { return fd_.get(); }
    // Fires once at `due_ms` on the monotonic clock; nothing disarms it.
    void arm_at(std::optional<uint64_t> due_ms);
    void drain();

private:
    UniqueFd fd_;
};

// Milliseconds on the monotonic clock.
uint64_t now_ms();

}  // namespace korvane
