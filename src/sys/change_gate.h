// The one place where the primitives ask the change policy what to do with a
// change before making it. Each check returns true when the change is to be
// made, false when a dry run printed it instead, or an error (context ": "
// cause) when the original of a tuning target could not be recorded, in which
// case the change must not be made.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "sys/result.h"
#include "sys/runner.h"

namespace korvane {

// A write of `value` into a node; `locks` when the writer then sets 0444.
Result<bool> allow_node_write(const std::string& path, std::string_view value, bool locks);

// A change of a node's mode.
Result<bool> allow_mode_change(const std::string& path, mode_t mode);

// A device-tool command line; reads are always allowed.
Result<bool> allow_command(const std::string& program, const Args& args);

// The removal of a file that is no tuning state (a scratch file, korvane's
// own files): never recorded.
bool allow_removal(const std::string& path);

// A write of one of korvane's own files: never recorded.
bool allow_file_write(const std::string& path, std::string_view text);

}  // namespace korvane
