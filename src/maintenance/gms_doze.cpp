#include <initializer_list>

#include "maintenance/utilities.h"
#include "sys/output.h"
#include "sys/runner.h"

namespace korvane {
namespace {

constexpr const char* kGms = "com.google.android.gms";

// Runs `cmd` with each argument list in turn and stops at the first failure.
Result<void> run_cmd_sequence(std::initializer_list<Args> steps) {
    for (const Args& args : steps) {
        if (auto r = run_command("cmd", args); !r) return r;
    }
    return success();
}

}  // namespace

Result<void> enable_gms_doze() {
    print_line("[INFO] Enabling GMS Doze...");
    // clang-format off
    auto r = run_cmd_sequence({
        {"appops", "set", kGms, "RUN_IN_BACKGROUND", "deny"},
        {"appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "deny"},
        {"deviceidle", "whitelist", kGms},
        {"deviceidle", "disable", kGms},
    });
    // clang-format on
    if (!r) return r;
    print_line("[OK] GMS Doze enabled");
    return success();
}

Result<void> revert_gms_doze() {
    print_line("[INFO] Reverting GMS Doze...");
    // clang-format off
    auto r = run_cmd_sequence({
        {"appops", "set", kGms, "RUN_IN_BACKGROUND", "allow"},
        {"appops", "set", kGms, "RUN_ANY_IN_BACKGROUND", "allow"},
        {"deviceidle", "unwhitelist", kGms},
    });
    // clang-format on
    if (!r) return r;
    print_line("[OK] GMS Doze reverted");
    return success();
}

}  // namespace korvane
