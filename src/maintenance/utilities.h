// One-shot maintenance: memory, cache, GMS doze, Do Not Disturb, network.
#pragma once

#include <string_view>
#include <vector>

#include "journal/change_gate.h"
#include "os/result.h"

namespace korvane {

// Kills background apps, syncs and drops the kernel caches. Each failed step
// is reported with a "[WARN] " line; always succeeds.
Result<void> clean_ram();

// Deletes every "cache" directory below shared storage and app data, walking
// the trees itself so that an app cannot redirect the removal with a link.
// Each failed step is reported with a "[WARN] " line; always succeeds.
Result<void> clear_app_cache();

// Restricts Google Play services in the background and takes it off the
// system's idle allow-list, so that doze applies to it (Android 9 and later;
// older releases refuse the step). Stops at the first failing command and
// returns its error text; steps already done stay done.
Result<void> enable_gms_doze();

// Allows Google Play services in the background again and puts it back on
// the system's idle allow-list. Stops at the first failing command and
// returns its error text.
Result<void> revert_gms_doze();

// The commands enable_gms_doze (`enable`) or revert_gms_doze runs.
std::vector<PlannedChange> gms_doze_changes(bool enable);

// "Y" (any case) turns Do Not Disturb on in priority mode, "N" turns it off;
// anything else is an "Invalid mode: <mode as typed>" error.
Result<void> set_dnd(std::string_view mode);

// Turns Wi-Fi and mobile data off, trying both; fails when either failed.
Result<void> disable_network();

}  // namespace korvane
