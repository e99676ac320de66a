// Device-tool commands that may change the phone. Both runners here and in
// concurrent_runner.h first pass the change policy (change_gate.h): a command
// line that changes tuning state has its original recorded, and a dry run
// prints every command that is not a read instead of running it (success, no
// output).
#pragma once

#include <string>

#include "android/runner.h"
#include "os/result.h"

namespace korvane {

// Success when the program exits 0; otherwise "Failed to execute command ..."
// or "Command failed: ..." with the captured standard error.
Result<void> run_command(const std::string& program, const Args& args);

// The captured standard output when the program exits 0; errors as run_command.
Result<std::string> run_command_output(const std::string& program, const Args& args);

}  // namespace korvane
