#include <initializer_list>

#include "maintenance/utilities.h"
#include "sys/output.h"
#include "sys/runner.h"

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

// Prints `start`, runs `cmd` with each argument list in turn, stopping at the
// first failure, and prints `done` once all succeeded.
Result<void> run_cmd_sequence(std::string_view start, std::initializer_list<Args> steps, std::string_view done) {
    print_line(start);
    for (const Args& args : steps) {
        if (auto r = run_cmd_step(args); !r) return r;
    }
    print_line(done);
    return success();
}

}  // namespace

Result<void> enable_gms_doze() {
    // clang-format off
    return run_cmd_sequence("[INFO] Enabling GMS Doze...", {
        {"appops", "set", kGms, "RUN_IN_BACKGROUND", "deny"},
        {"appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "deny"},
        // Play services sits on the system allow-list, which `whitelist -` leaves alone.
        {"deviceidle", "sys-whitelist", str_cat("-", kGms)},
        {"deviceidle", "disable", kGms},
    }, "[OK] GMS Doze enabled");
    // clang-format on
}

Result<void> revert_gms_doze() {
    // clang-format off
    return run_cmd_sequence("[INFO] Reverting GMS Doze...", {
        {"appops", "set", kGms, "RUN_IN_BACKGROUND", "allow"},
        {"appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "allow"},
        {"deviceidle", "sys-whitelist", str_cat("+", kGms)},
    }, "[OK] GMS Doze reverted");
    // clang-format on
}

}  // namespace korvane
