// The journal of original values, korvane_file("journal"): one record per
// line (journal_record.h), appended and synced before the change it guards.
// The process holds an exclusive lock on it from its first use to its exit,
// so two runs never interleave their journal work.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sys/journal_record.h"
#include "sys/result.h"

namespace korvane {

// The journal's path.
std::string journal_path();

// The kernel's id of the current boot, trimmed, read once; "unknown" when
// it cannot be read.
const std::string& current_boot_id();

// True when the journal already holds the original of `record`'s target
// (for a node: a record of the current boot). The first call opens (creating
// it and its folder when missing), locks and reads the journal, first
// dropping node records of earlier boots from it.
Result<bool> journal_holds(const JournalRecord& record);

// Appends the record and syncs it to disk. Errors name the journal and the
// operating-system error.
Result<void> journal_append(const JournalRecord& record);

// Appends the records in one write and syncs them to disk once: a command
// that knows its targets up front pays one flush for all of them.
Result<void> journal_append_all(const std::vector<JournalRecord>& records);

// One line of the journal as found: its number from 1, its text, and the
// record it holds or why it cannot be read (a torn last line, a bad checksum).
struct JournalLine {
    size_t number = 0;
    std::string text;
    Result<JournalRecord> record = error("");
};

// Locks and reads the whole journal for an undo; nothing when there is none.
Result<std::optional<std::vector<JournalLine>>> journal_take();

// Replaces the journal with these lines (texts without newlines).
Result<void> journal_replace(const std::vector<std::string>& lines);

}  // namespace korvane
