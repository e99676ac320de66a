#include <initializer_list>

#include "maintenance/utilities.h"
#include "sys/output.h"
#include "sys/runner.h"

namespace korvane {
namespace {

constexpr const char* kGms = "com.google.android.gms";

// Prints `start`, runs `cmd` with each argument list in turn, stopping at the
// first failure, and prints `done` once all succeeded.
Result<void> run_cmd_sequence(std::string_view start, std::initializer_list<Args> steps, std::string_view done) {
    print_line(start);
    for (const Args& args : steps) {
        if (auto r = run_command("cmd", args); !r) return r;
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
