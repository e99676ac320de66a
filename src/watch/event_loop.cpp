#include "watch/event_loop.h"

#include <sys/epoll.h>
#include <sys/timerfd.h>

#include <cerrno>

#include "os/clock.h"
#include "os/os_error.h"

namespace korvane {

uint64_t now_ms() { return monotonic_ns() / 1000000u; }

Result<void> EventLoop::open() {
    int fd = ::epoll_create1(EPOLL_CLOEXEC);
    if (fd < 0) return error("epoll: " + os_error_text(errno));
    epoll_.reset(fd);
    return success();
}

Result<void> EventLoop::add(int fd, std::function<void()> handler, bool wakeup) {
    struct epoll_event event {};
    event.events = EPOLLIN | (wakeup ? EPOLLWAKEUP : 0u);
    event.data.fd = fd;
    if (::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd, &event) != 0) return error("epoll: " + os_error_text(errno));
    handlers_[fd] = std::move(handler);
    return success();
}

void EventLoop::remove(int fd) {
    ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr);
    handlers_.erase(fd);
}

Result<void> EventLoop::run() {
    running_ = true;
    struct epoll_event events[8];
    while (running_) {
        int n = ::epoll_wait(epoll_.get(), events, 8, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return error("epoll: " + os_error_text(errno));
        }
        for (int i = 0; i < n && running_; ++i) {
            auto handler = handlers_.find(events[i].data.fd);
            // A copy: the handler may remove its own source.
            if (handler != handlers_.end()) std::function<void()>(handler->second)();
        }
    }
    return success();
}

Result<void> Timer::open() {
    int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) return error("timerfd: " + os_error_text(errno));
    fd_.reset(fd);
    return success();
}

Result<void> Timer::open_alarm() {
    int fd = ::timerfd_create(CLOCK_BOOTTIME_ALARM, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) fd = ::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) return error("timerfd: " + os_error_text(errno));
    fd_.reset(fd);
    return success();
}

void Timer::arm_in(std::optional<uint64_t> in_ms) {
    struct itimerspec spec {};
    if (in_ms) {
        const uint64_t ns = *in_ms * 1000000u + 1;  // 0 would disarm
        spec.it_value.tv_sec = static_cast<time_t>(ns / 1000000000u);
        spec.it_value.tv_nsec = static_cast<long>(ns % 1000000000u);
    }
    ::timerfd_settime(fd_.get(), 0, &spec, nullptr);
}

void Timer::arm_at(std::optional<uint64_t> due_ms) {
    struct itimerspec spec {};
    if (due_ms) {
        // Absolute time 0 would disarm: one nanosecond stands for "now".
        const uint64_t ns = *due_ms * 1000000u;
        spec.it_value.tv_sec = static_cast<time_t>(ns / 1000000000u);
        spec.it_value.tv_nsec = static_cast<long>(ns % 1000000000u);
        if (ns == 0) spec.it_value.tv_nsec = 1;
    }
    ::timerfd_settime(fd_.get(), due_ms ? TFD_TIMER_ABSTIME : 0, &spec, nullptr);
}

void Timer::drain() {
    uint64_t expirations = 0;
    (void)!::read(fd_.get(), &expirations, sizeof expirations);
}

}  // namespace korvane
