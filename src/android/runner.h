// Starting device tools. Programs are found through root's own search path
// and get their arguments one per slot: no shell, no quoting, no splitting.
// A tool that changes the phone runs through the journal's gate
// (journal/tool_commands.h); what is here asks no gate.
#pragma once

#include <string>

#include "os/child_process.h"
#include "os/result.h"

namespace korvane {

// Where root finds device tools on Android, whatever PATH the caller left:
// a root shell opened by an app may keep the app's PATH, and a `cmd` of the
// app's own must never run as root.
inline constexpr const char* kRootToolPath =
    "/product/bin:/apex/com.android.runtime/bin:/apex/com.android.art/bin:/system_ext/bin:/system/bin:"
    "/system/xbin:/odm/bin:/vendor/bin:/vendor/xbin";

// For unit tests, whose tools are this machine's: find them through PATH.
void find_tools_through_path_for_tests();

// The search path a device tool is started with (start_child): kRootToolPath,
// or null (the caller's PATH) for unit tests.
const char* tool_search_path();

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

// The program and its arguments as the runner's error texts show them: the
// program, a blank, the arguments joined by blanks.
std::string command_line(const std::string& program, const Args& args);

// The captured standard output when the program exits 0; otherwise "Failed
// to execute command ..." or "Command failed: ..." with the captured standard
// error. Asks no gate: for the reads of the floors below the journal.
Result<std::string> tool_output(const std::string& program, const Args& args);

}  // namespace korvane
