// Recording the originals of several pieces of tuning state at once, read by
// the caller in one go (a whole device_config namespace from one listing),
// before the first of them changes. The change gate then finds each one
// recorded and reads nothing more.
#pragma once

#include <vector>

#include "journal/journal_record.h"
#include "os/result.h"

namespace korvane {

// Appends the originals the journal does not hold yet, in one write; the
// first change flushes them with the rest (journal_sync). Does nothing unless changes are recorded (not in a dry run, not in
// the undo). An error is "Could not record the originals: " and the cause:
// then none of these targets may change.
Result<void> record_state_originals(const std::vector<StateOriginal>& originals);

}  // namespace korvane
