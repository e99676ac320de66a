#pragma once
// Crash injection for tests of writers that must survive being killed, and
// drivers that refuse a write: rule folders android/fail/node/RULE/ in the
// state hold `signal` (e.g. 9: the opener is killed with it) or `error` (e.g.
// 5: the open fails with EIO, as a charger IC's store can), and optionally
// `call` (only the Nth open for writing of a node, counted over the device's
// life in android/counts/node; "N+" from the Nth on) and `match` (only when
// the node's path contains this text). Rules are tried in name order.

#include <string>
#include <string_view>

namespace kernelfs {

struct WriteFault {
    int signal = 0;  // the opener is killed with it
    int error = 0;   // the open fails with it
};

// Counts one open for writing of `path`; returns what the rules do to it.
WriteFault write_fault(const std::string& state, std::string_view path);

}  // namespace kernelfs
