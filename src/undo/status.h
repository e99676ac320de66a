// `--status`: what korvane changed, what still holds and what something else
// changed since, from the journal and each target as it is now.
#pragma once

#include "os/result.h"

namespace korvane {

// Prints one line per recorded target, most recent change first:
//   "[OK] <target>: <value> (korvane's; was <original>)"
//   "[OK] <target>: <value> (set; the node shows <now>)"  (a node that never reads back its value)
//   "[WARN] <target>: now <now>; korvane set <value> (was <original>): changed since by something else"
//   "[INFO] <target>: <original> again: reset by a reboot"  (a node record of an earlier boot)
//   "[INFO] <target>: now <now>; korvane's value unknown (was <original>)"
//   "[INFO] <target>: cannot be read on Android <N>; korvane set <value> (was <original>)"
//       (a game's mode where the release cannot show it)
//   "[WARN] <target>: cannot be read: <cause>"
// then "[OK] N of korvane's changes in force, M changed since by something
// else, K reset by a reboot"; "[INFO] korvane has changed nothing" for an
// empty journal. A record without a boot is of this boot, as for undo.
// Changes and records nothing; reads the journal without its
// lock, each node once, and each settings table and device_config namespace
// with one list.
Result<void> show_status();

}  // namespace korvane
