#pragma once
// Before its first change of a piece of tuning state, korvane reads its
// original with the tool (settings get, getprop, ...); a command of several
// changes reads them all first, settings with one `settings list`. Tests of
// what a command changes take those reads out; the journal's own tests check
// them.

#include <vector>

#include "sim_device.h"
#include "sys/journal/command_kinds.h"

namespace korvane::e2e {

// The calls without each read of an original that a later call changes.
inline std::vector<Call> without_journal_reads(const std::vector<Call>& calls) {
    std::vector<Call> kept;
    for (size_t i = 0; i < calls.size(); ++i) {
        bool journal_read = false;
        for (size_t j = i + 1; j < calls.size() && !journal_read; ++j) {
            const Call& later = calls[j];
            CommandClass kind = classify_command(later[0], Args(later.begin() + 1, later.end()));
            if (!kind.target) continue;
            journal_read = read_command(*kind.target) == calls[i] ||
                           (kind.target->kind == StateKind::setting && list_command(*kind.target) == calls[i]);
        }
        if (!journal_read) kept.push_back(calls[i]);
    }
    return kept;
}

}  // namespace korvane::e2e
