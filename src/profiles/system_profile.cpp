#include "profiles/system_profile.h"

#include "profiles/device_config_profile.h"
#include "profiles/system_settings_table.h"
#include "sys/output.h"
#include "sys/runner.h"

namespace korvane {

Result<void> apply_system_profile(TuningProfile profile) {
    out("[INFO] Applying ", profile_title(profile), " System Settings...");
    for (const GlobalSetting& setting : global_settings()) {
        // Settings stored before a failure stay stored; nothing is rolled back.
        Result<void> stored =
            run_command("settings", {"put", "global", std::string(setting.name), setting_value(setting, profile)});
        if (!stored) return stored;
    }
    // The globals still act in part on Android 12+; the rest is read from
    // device_config there. A failed put there is a warning: the globals stand.
    put_profile_twins(phone_release(), profile);
    return success();
}

Result<void> reset_system_profile() {
    out("[INFO] Resetting System Profile...");
    for (const GlobalSetting& setting : global_settings()) {
        // Each delete stands alone: one that fails must not keep the others stored.
        (void)run_command("settings", {"delete", "global", std::string(setting.name)});
    }
    delete_profile_twins(phone_release());
    out("[OK] System Profile Reset Complete");
    return success();
}

}  // namespace korvane
