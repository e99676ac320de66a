// Starting device tools. Programs are found through root's own search path
// (child_process.h) and get their arguments one per slot: no shell, no
// quoting, no splitting.
#pragma once

#include <string>
#include <vector>

#include "sys/result.h"

namespace korvane {

using Args = std::vector<std::string>;

// What a finished child left behind. Both streams are decoded as UTF-8 with
// invalid sequences replaced, and never trimmed.
struct ProcessOutput {
    // False for a nonzero exit code, for death by a signal and for a tool
    // that said it refused (tool_refusal.h), whose line `err` then holds.
    bool exited_zero = false;
    std::string out;
    std::string err;
};

// Runs `program` with `args`: standard input from /dev/null, standard output
// and standard error each on a pipe, drained together until both end, then the
// child is waited for. Fails when the program cannot be started (the
// operating-system error text alone, for the caller to wrap) and when it has
// not ended within tool_time_limit_s() ("timed out after 60 s"): then it and
// the processes it started in its process group are killed.
Result<ProcessOutput> run_process(const std::string& program, const Args& args);

// Both runners first pass the change policy (change_gate.h): a command line
// that changes tuning state has its original recorded, and a dry run prints
// every command that is not a read instead of running it (success, no output).

// The program and its arguments as the runner's error texts show them: the
// program, a blank, the arguments joined by blanks.
std::string command_line(const std::string& program, const Args& args);

// Success when the program exits 0; otherwise "Failed to execute command ..."
// or "Command failed: ..." with the captured standard error.
Result<void> run_command(const std::string& program, const Args& args);

// The captured standard output when the program exits 0; errors as run_command.
Result<std::string> run_command_output(const std::string& program, const Args& args);

}  // namespace korvane
