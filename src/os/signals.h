#pragma once

namespace korvane {

// A caller that stops reading must not cut an operation short: from now on,
// writes to a closed pipe fail quietly (and are dropped) instead of killing
// the process. Children get the default back before they start.
void ignore_broken_pipes();

// Ctrl-C, `timeout` or a caller's kill (SIGINT, SIGTERM, SIGHUP) must not
// leave a tool running in its own process group, nor the journal locked: the
// running tools' groups are killed, and korvane ends by the signal itself,
// which releases the journal's lock with its descriptor. A signal the caller
// had ignored stays ignored.
void end_with_tools_on_interruption();

// While one lives, SIGINT, SIGTERM and SIGHUP are only noted, so that the
// holder can put back what must not stay (a charger switch under test)
// before korvane ends; it asks interruption_noted() between its steps. end()
// (or the destructor) gives the signals their handlers back and then ends
// korvane with a noted one, as if it had come then. Signals the caller had
// ignored stay ignored.
class DeferredInterruption {
public:
    DeferredInterruption();
    ~DeferredInterruption() { end(); }
    DeferredInterruption(const DeferredInterruption&) = delete;
    DeferredInterruption& operator=(const DeferredInterruption&) = delete;
    void end();

private:
    bool active_ = false;
};

// True once a deferred interruption was noted.
bool interruption_noted();

}  // namespace korvane
