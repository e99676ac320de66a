// Server sync of device_config (Android 12 and later): a push from the
// server replaces a whole namespace and deletes every key it did not send,
// korvane's among them. Sync is turned off before korvane's first put of a
// run, its mode recorded as an original so that the undo turns it back on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "os/result.h"

namespace korvane {

// The first release with server sync, and the mode that keeps korvane's values.
inline constexpr int32_t kFirstSyncRelease = 31;
inline constexpr std::string_view kSyncKept = "persistent";

// The verb that reads the mode on `release`: is_sync_disabled_for_tests on
// 12/12L, get_sync_disabled_for_tests from 13.
std::string sync_mode_read_verb(int32_t release);

// The current mode word ("none", "persistent", "until_reboot"); an error
// with the runner's text, or the answer when it is none of them. 12/12L
// answer "true" or "false": true is persistent when the global setting
// device_config_sync_disabled reads 1, else until_reboot.
Result<std::string> read_sync_mode(int32_t release);

// Reads the mode and records it now, before the command's first change, so
// that its record shares the command's one journal flush; what it finds waits
// for keep_device_config_sync_off, which then reads nothing more.
void record_device_config_sync_mode();

// Called by the change gate before a device_config put, in a recording run or
// a dry run; does its work once per run. On 12+: reads the mode, records it
// in the journal, and unless it is persistent sets it so, printing "[INFO]
// Server sync of device_config is off, so that these values stay; korvane
// --restore turns it back on" (a dry run shows the command as "[DRY] run").
// The set is a change the gate lets through only once the journal holding
// the mode's original is on disk. A mode that cannot be read or recorded, or
// a refused set, is one "[WARN]" line: the puts go on. Nothing on 11 and earlier or an unknown release.
void keep_device_config_sync_off();

}  // namespace korvane
