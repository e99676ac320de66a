#pragma once
// Before each first change of a piece of tuning state, korvane reads its
// original with the tool (settings get, getprop, ...). Tests of what a
// command changes take those reads out; the journal's own tests check them.

#include <string>
#include <vector>

#include "sim_device.h"
#include "sys/journal/command_kinds.h"

namespace korvane::e2e {

// The line korvane prints when it turns server sync off before its first
// device_config put of a run (Android 12+).
inline const std::string kSyncOff =
    "[INFO] Server sync of device_config is off, so that these values stay; korvane --restore turns it back on";

// The calls without each read that stands right before the change it records,
// and without the sync mode's read and set before a run's first device_config put.
inline std::vector<Call> without_journal_reads(const std::vector<Call>& calls) {
    std::vector<Call> kept;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].size() >= 3 && calls[i][1] == "device_config" && calls[i][2].ends_with("_sync_disabled_for_tests")) {
            continue;
        }
        if (i + 1 < calls.size()) {
            const Call& next = calls[i + 1];
            CommandClass kind = classify_command(next[0], Args(next.begin() + 1, next.end()));
            if (kind.target && read_command(*kind.target) == calls[i]) continue;
        }
        kept.push_back(calls[i]);
    }
    return kept;
}

}  // namespace korvane::e2e
