#pragma once
// Crash injection for tests of writers that must survive being killed: rule
// folders android/fail/node/RULE/ in the state hold `signal` (e.g. 9) and
// optionally `call` (only the Nth open for writing of a node, counted over the
// device's life in android/counts/node) and `match` (only when the node's
// path contains this text). Rules are tried in name order.

#include <string>
#include <string_view>

namespace kernelfs {

// Counts one open for writing of `path`; returns the signal the opener is to
// be killed with, or 0.
int crash_signal(const std::string& state, std::string_view path);

}  // namespace kernelfs
