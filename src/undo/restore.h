// Undo: puts back every original value the journal holds.
#pragma once

#include "os/result.h"

namespace korvane {

// Restores the journal's records newest first (server sync last), tries a failed node or game record
// once more when the rest are back, and keeps only those that failed (and,
// after any failure, the lines that could not be read). A record is dropped
// only when the game manager says its package is gone. Prints its progress;
// a missing or empty journal is "Nothing to restore". Records nothing itself.
Result<void> restore_changes();

}  // namespace korvane
