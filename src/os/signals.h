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

}  // namespace korvane
