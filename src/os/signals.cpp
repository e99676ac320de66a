#include "os/signals.h"

#include <signal.h>

#include <csignal>

#include "os/child_process.h"

namespace korvane {
namespace {

volatile std::sig_atomic_t noted_signal = 0;
struct sigaction saved_actions[3];
constexpr int kInterruptions[3] = {SIGINT, SIGTERM, SIGHUP};

void note_interruption(int sig) { noted_signal = sig; }

void on_interruption(int sig) {
    kill_running_children();
    // Ends with the signal's own status, as an uncaught one would.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
    sigset_t own;
    sigemptyset(&own);
    sigaddset(&own, sig);
    ::sigprocmask(SIG_UNBLOCK, &own, nullptr);
}

}  // namespace

void ignore_broken_pipes() { std::signal(SIGPIPE, SIG_IGN); }

void end_with_tools_on_interruption() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = on_interruption;
        sigemptyset(&action.sa_mask);
        // Another interruption waits until this one has done its work.
        for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, other);
        ::sigaction(sig, &action, nullptr);
    }
}

DeferredInterruption::DeferredInterruption() {
    noted_signal = 0;
    for (int i = 0; i < 3; ++i) {
        struct sigaction action {};
        action.sa_handler = note_interruption;
        sigemptyset(&action.sa_mask);
        for (int other : kInterruptions) sigaddset(&action.sa_mask, other);
        ::sigaction(kInterruptions[i], nullptr, &saved_actions[i]);
        if (saved_actions[i].sa_handler == SIG_IGN) continue;
        ::sigaction(kInterruptions[i], &action, nullptr);
    }
    active_ = true;
}

void DeferredInterruption::end() {
    if (!active_) return;
    active_ = false;
    for (int i = 0; i < 3; ++i) {
        if (saved_actions[i].sa_handler != SIG_IGN) ::sigaction(kInterruptions[i], &saved_actions[i], nullptr);
    }
    if (noted_signal != 0) ::raise(noted_signal);
}

bool interruption_noted() { return noted_signal != 0; }

}  // namespace korvane
