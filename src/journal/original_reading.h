// Reading the original of a tuning target before its first change: a node's
// content, or a piece of state through its device tool.
#pragma once

#include <optional>
#include <string>

#include "journal/journal_record.h"
#include "os/result.h"

namespace korvane {

// Fills in the record's original. False for a node that holds nothing to put
// back (write-only by design, like drop_caches); an error when it cannot be
// read, or a node reads empty.
Result<bool> read_original(JournalRecord& record);

}  // namespace korvane
