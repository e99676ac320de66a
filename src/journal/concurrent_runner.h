// Running a batch of independent tool commands a few at a time, for the
// commands whose cost is the tool's start-up and its service's answer (one
// `cmd device_config put` per key) rather than work on this side.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "journal/tool_commands.h"
#include "os/result.h"

namespace korvane {

struct ToolCommand {
    std::string program;
    Args args;
};

// Called once per command, in the commands' order, as soon as that command
// and every one before it have finished; `outcome` is what run_command
// would have returned for it.
using CommandReport = std::function<void(size_t index, const Result<void>& outcome)>;

// Runs every command, at most `width` at a time (at least one), each started
// as run_command starts it: through the change policy first (change_gate.h),
// then with standard input from /dev/null and both output streams drained.
// Commands are started in order; a change policy that refuses one fails only
// that one.
void run_commands_concurrently(std::span<const ToolCommand> commands, size_t width, const CommandReport& report);

}  // namespace korvane
