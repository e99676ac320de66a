// Undo: puts back every original value the journal holds.
#pragma once

#include "os/result.h"

namespace korvane {

// Restores the journal's records newest first and keeps only those that
// failed (and, after any failure, the lines that could not be read). Prints
// its progress; a missing or empty journal is "Nothing to restore". Records
// nothing itself.
Result<void> restore_changes();

}  // namespace korvane
