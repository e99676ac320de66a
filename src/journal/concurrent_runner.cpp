#include "journal/concurrent_runner.h"

#include <sys/wait.h>

#include <optional>
#include <vector>

#include "android/tool_refusal.h"
#include "journal/change_gate.h"
#include "os/child_process.h"
#include "os/text.h"
#include "os/time_limits.h"
#include "os/utf8.h"

namespace korvane {
namespace {

// The outcome of an ended child, as run_command words it.
Result<void> outcome_of(const WatchedChild& child, const ToolCommand& command) {
    if (child.timed_out) {
        return error(str_cat("Failed to execute command ", command_line(command.program, command.args),
                             ": timed out after ", tool_time_limit_s(), " s"));
    }
    std::string err = utf8_lossy(child.err);
    if (WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0) {
        auto refusal = tool_refusal(command.program, command.args, utf8_lossy(child.out), err);
        if (!refusal) {
            note_command_done(command.program, command.args);
            return success();
        }
        if (err.find(*refusal) == std::string::npos) err += *refusal;
    }
    return error("Command failed: " + command_line(command.program, command.args) + ": " + err);
}

}  // namespace

void run_commands_concurrently(std::span<const ToolCommand> commands, size_t width, const CommandReport& report) {
    if (width == 0) width = 1;
    reap_own_children();
    std::vector<std::optional<Result<void>>> outcomes(commands.size());
    std::vector<WatchedChild> running;
    size_t next_start = 0;
    size_t next_report = 0;
    while (next_report < commands.size()) {
        while (running.size() < width && next_start < commands.size()) {
            const size_t i = next_start++;
            const ToolCommand& command = commands[i];
            auto allowed = allow_command(command.program, command.args);
            if (!allowed || !*allowed) {
                outcomes[i] = allowed ? success() : Result<void>(Error{allowed.error()});
                continue;
            }
            auto child = start_watched(command.program, command.args, tool_search_path(), i);
            if (child) {
                running.push_back(std::move(child).value());
            } else {
                outcomes[i] = error("Failed to execute command " + command_line(command.program, command.args) + ": " +
                                    child.error());
            }
        }
        if (!running.empty()) watch_children(running);
        for (auto it = running.begin(); it != running.end();) {
            if (!it->ended) {
                ++it;
                continue;
            }
            outcomes[it->tag] = outcome_of(*it, commands[it->tag]);
            it = running.erase(it);
        }
        while (next_report < commands.size() && outcomes[next_report]) {
            report(next_report, *outcomes[next_report]);
            ++next_report;
        }
    }
}

}  // namespace korvane
