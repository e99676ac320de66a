#include <utility>
#include <vector>

#include "journal/change_gate.h"
#include "journal/tool_commands.h"
#include "maintenance/utilities.h"
#include "os/output.h"

namespace korvane {
namespace {

constexpr const char* kGms = "com.google.android.gms";

// Runs one `cmd` step. Android 7's cmd exits 0 even when the service does not
// know the verb (sys-whitelist there), so that answer fails the step too,
// worded as the runner words a failed command.
Result<void> run_cmd_step(const Args& args) {
    constexpr std::string_view kUnknownVerb = "Unknown command: ";
    auto output = run_command_output("cmd", args);
    if (!output) return Error{output.error()};
    if (!output->starts_with(kUnknownVerb)) return success();
    return error(str_cat("Command failed: ", command_line("cmd", args), ": ", *output));
}

// The `cmd` argument lists that turn doze for Play services on or off.
std::vector<Args> doze_steps(bool enable) {
    if (enable) {
        return {
            {"appops", "set", kGms, "RUN_IN_BACKGROUND", "deny"},
            {"appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "deny"},
            // Play services sits on the system allow-list, which `whitelist -` leaves alone.
            {"deviceidle", "sys-whitelist", str_cat("-", kGms)},
            {"deviceidle", "disable", kGms},
        };
    }
    return {
        {"appops", "set", kGms, "RUN_IN_BACKGROUND", "allow"},
        {"appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "allow"},
        {"deviceidle", "sys-whitelist", str_cat("+", kGms)},
    };
}

// Prints `start`, runs `cmd` with each argument list in turn, stopping at the
// first failure, and prints `done` once all succeeded. Every original is
// recorded first, with one journal flush for the whole sequence.
Result<void> run_doze_steps(std::string_view start, bool enable, std::string_view done) {
    print_line(start);
    record_originals(gms_doze_changes(enable));
    for (const Args& args : doze_steps(enable)) {
        if (auto r = run_cmd_step(args); !r) return r;
    }
    print_line(done);
    return success();
}

}  // namespace

std::vector<PlannedChange> gms_doze_changes(bool enable) {
    std::vector<PlannedChange> changes;
    for (Args& args : doze_steps(enable)) changes.push_back(command_change("cmd", std::move(args)));
    return changes;
}

Result<void> enable_gms_doze() { return run_doze_steps("[INFO] Enabling GMS Doze...", true, "[OK] GMS Doze enabled"); }

Result<void> revert_gms_doze() { return run_doze_steps("[INFO] Reverting GMS Doze...", false, "[OK] GMS Doze reverted"); }

}  // namespace korvane
