// Changes of kernel nodes: writes, mode changes and removals of the small
// files under /sys and /proc that every tuning command changes. Every change
// made here first passes the change policy (change_gate.h): its original is
// recorded, or a dry run prints it instead. Reading nodes is os/node.h.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "os/node.h"
#include "os/result.h"

namespace korvane {

// Writes `value` byte for byte (no newline added) into the existing node at
// `path` with one open, one write and one close, then sets the node's mode to
// 0444 (the outcome of that change is ignored). A missing node is an error,
// never created. When the kernel refuses with EACCES (sysfs does so for a
// node without write bits, root included), gives the owner its write bit
// back, retries once and locks the node again, printing nothing. When that
// cannot be done, prints a warning and retries once through
// `sh -c "echo '<value>' > <path>"`, quoted so that neither text can run a
// second command. A node that takes only part of the value (or nothing)
// fails with "only <k> of <n> bytes were taken", never written again.
Result<void> write_node(const std::string& path, std::string_view value);

// Writes `text` into the existing file at `path` with one open, write and
// close: no mode change and no shell fallback. The error is the
// operating-system error text alone.
Result<void> write_file(const std::string& path, std::string_view text);

// Puts a node back as it was: `content` (if any) with one open-write-close,
// unlocking the node like write_node when the kernel refuses (no shell), then
// `mode` when the node's mode differs from it. The error is the
// operating-system error text alone.
Result<void> put_node_back(const std::string& path, std::optional<std::string_view> content, mode_t mode);

// Sets the permission bits of `path`, retrying when interrupted. The error is
// the operating-system error text alone.
Result<void> change_mode(const std::string& path, mode_t mode);

// Removes the single directory entry at `path` (never a tree). The error is
// the operating-system error text alone.
Result<void> remove_file(const std::string& path);

// The shell text of the write fallback, exposed for tests.
std::string shell_write_command(std::string_view value, std::string_view path);

}  // namespace korvane
