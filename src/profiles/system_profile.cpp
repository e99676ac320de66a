#include "profiles/system_profile.h"

#include <string>
#include <vector>

#include "journal/change_gate.h"
#include "journal/concurrent_runner.h"
#include "journal/tool_commands.h"
#include "os/output.h"
#include "profiles/device_config_profile.h"
#include "profiles/system_settings_table.h"

namespace korvane {
namespace {

// The six globals' originals are read with one `settings list global` and
// recorded before the first of them changes, with one journal flush. False
// when one could not be recorded, which refuses its change.
bool record_globals(const std::vector<ToolCommand>& commands) {
    std::vector<PlannedChange> planned;
    for (const ToolCommand& command : commands) planned.push_back(command_change(command.program, command.args));
    return record_originals(planned);
}

}  // namespace

Result<void> apply_system_profile(TuningProfile profile) {
    out("[INFO] Applying ", profile_title(profile), " System Settings...");
    std::vector<ToolCommand> puts;
    for (const GlobalSetting& setting : global_settings()) {
        puts.push_back({"settings", {"put", "global", std::string(setting.name), setting_value(setting, profile)}});
    }
    // The device_config half is recorded now too, for one flush for both
    // halves; not when a refused global is to end the profile unchanged.
    const PreparedTwins twins =
        record_globals(puts) ? prepare_profile_twins(phone_release(), TwinChange::put) : PreparedTwins{};
    for (const ToolCommand& put : puts) {
        // Settings stored before a failure stay stored; nothing is rolled back.
        Result<void> stored = run_command(put.program, put.args);
        if (!stored) return stored;
    }
    // The globals still act in part on Android 12+; the rest is read from
    // device_config there. A failed put there is a warning: the globals stand.
    put_profile_twins(twins, profile);
    return success();
}

Result<void> reset_system_profile() {
    out("[INFO] Resetting System Profile...");
    std::vector<ToolCommand> deletes;
    for (const GlobalSetting& setting : global_settings()) {
        deletes.push_back({"settings", {"delete", "global", std::string(setting.name)}});
    }
    (void)record_globals(deletes);
    const PreparedTwins twins = prepare_profile_twins(phone_release(), TwinChange::remove);
    // Each delete stands alone: one that fails must not keep the others stored.
    for (const ToolCommand& command : deletes) (void)run_command(command.program, command.args);
    delete_profile_twins(twins);
    out("[OK] System Profile Reset Complete");
    return success();
}

}  // namespace korvane
