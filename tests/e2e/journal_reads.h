#pragma once
// Before each first change of a piece of tuning state, korvane reads its
// original with the tool (settings get, getprop, ...). Tests of what a
// command changes take those reads out; the journal's own tests check them.

#include <vector>

#include "sim_device.h"
#include "sys/journal/command_kinds.h"

namespace korvane::e2e {

// The calls without each read of an original that a later change records:
// right before it, or among the reads a command makes before its first
// change. Before a game's reset its own configuration is read too.
inline std::vector<Call> without_journal_reads(const std::vector<Call>& calls) {
    std::vector<Call> kept;
    for (size_t i = 0; i < calls.size(); ++i) {
        bool journal_read = false;
        for (size_t j = i + 1; j < calls.size() && !journal_read; ++j) {
            const Call& later = calls[j];
            CommandClass kind = classify_command(later[0], Args(later.begin() + 1, later.end()));
            journal_read = kind.target && read_command(*kind.target) == calls[i];
            if (later.size() == 4 && later[1] == "game" && later[2] == "reset") {
                journal_read = journal_read || calls[i] == Call{"cmd", "game", "list", later[3]} ||
                               calls[i] == Call{"cmd", "game", "list-configs", later[3]};
            }
        }
        if (!journal_read) kept.push_back(calls[i]);
    }
    return kept;
}

}  // namespace korvane::e2e
