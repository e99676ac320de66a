#include "android/runner.h"

#include <sys/wait.h>

#include "android/tool_refusal.h"
#include "os/text.h"
#include "os/time_limits.h"
#include "os/utf8.h"

namespace korvane {
namespace {
bool g_tools_through_path = false;
}  // namespace

void find_tools_through_path_for_tests() { g_tools_through_path = true; }

const char* tool_search_path() { return g_tools_through_path ? nullptr : kRootToolPath; }

std::string command_line(const std::string& program, const Args& args) {
    std::string line = program + " ";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0) line += ' ';
        line += args[i];
    }
    return line;
}

Result<ProcessOutput> run_process(const std::string& program, const Args& args) {
    reap_own_children();
    auto started = start_watched(program, args, tool_search_path());
    if (!started) return Error{started.error()};
    WatchedChild& child = started.value();
    while (!child.ended) watch_children(std::span<WatchedChild>(&child, 1));
    if (child.timed_out) return error(str_cat("timed out after ", tool_time_limit_s(), " s"));

    ProcessOutput result;
    result.exited_zero = WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0;
    result.out = utf8_lossy(child.out);
    result.err = utf8_lossy(child.err);
    if (result.exited_zero) {
        if (auto refusal = tool_refusal(program, args, result.out, result.err)) {
            result.exited_zero = false;
            // Said on standard output, it would be missing from the error text.
            if (result.err.find(*refusal) == std::string::npos) result.err += *refusal;
        }
    }
    return result;
}

Result<std::string> tool_output(const std::string& program, const Args& args) {
    auto process = run_process(program, args);
    if (!process) {
        return error("Failed to execute command " + command_line(program, args) + ": " + process.error());
    }
    if (!process->exited_zero) {
        return error("Command failed: " + command_line(program, args) + ": " + process->err);
    }
    return std::move(process.value().out);
}

}  // namespace korvane
