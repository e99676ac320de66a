// What the primitives do with a change to the phone (a node write, a mode
// change, a tool call that changes state). Set once by the front end, before
// the command runs; features never look at it.
#pragma once

namespace korvane {

enum class ChangePolicy {
    record,      // record the original of each tuning target first, then change it
    dry_run,     // print what would change instead of changing it; reads still run
    unrecorded,  // change without recording (the undo itself)
    dry_run_unrecorded,  // print what would change, reading no originals (a preview of the undo)
};

// True for both kinds of dry run.
inline bool is_dry_run(ChangePolicy policy) {
    return policy == ChangePolicy::dry_run || policy == ChangePolicy::dry_run_unrecorded;
}

void set_change_policy(ChangePolicy policy);
ChangePolicy change_policy();

}  // namespace korvane
