#include "journal/state_originals.h"

#include "journal/change_policy.h"
#include "journal/journal.h"

namespace korvane {

Result<void> record_state_originals(const std::vector<StateOriginal>& originals) {
    if (change_policy() != ChangePolicy::record) return success();
    std::vector<JournalRecord> missing;
    for (const StateOriginal& original : originals) {
        JournalRecord record;
        record.state = original;
        auto held = journal_holds(record);
        if (!held) return error("Could not record the originals: " + held.error());
        if (!*held) missing.push_back(std::move(record));
    }
    if (auto appended = journal_append(missing); !appended) {
        return error("Could not record the originals: " + appended.error());
    }
    return success();
}

}  // namespace korvane
