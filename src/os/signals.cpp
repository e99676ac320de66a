#include "os/signals.h"

#include <signal.h>

#include <csignal>

#include "os/child_process.h"

namespace korvane {
namespace {

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

}  // namespace korvane
