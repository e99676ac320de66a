// The journal of original values, korvane_file("journal"): one record per
// line (journal_record.h), appended and synced before the change it guards.
// The process holds an exclusive lock on it from its first use to its exit,
// so two runs never interleave their journal work. A run that finds it
// locked says so once and waits at most lock_time_limit_s().
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "journal/journal_record.h"
#include "os/result.h"

namespace korvane {

// The journal's path; asked for at every change, so built once per folder.
const std::string& journal_path();

// The kernel's id of the current boot, trimmed, read once; empty when it
// cannot be read.
const std::string& current_boot_id();

// Whether `record` is a node's of an earlier boot, whose original the kernel
// has reset. A record without a boot, or a run that cannot tell its boot,
// never is: such records are kept and restored like the current boot's.
bool of_an_earlier_boot(const JournalRecord& record);

// Whether a look at the journal may create it (and korvane's folder, and
// /data/adb when a root without a manager left none), only reads an existing
// one, as a dry run does, or only looks at the journal this run holds open
// already (none open: it holds nothing), which costs no system call.
enum class JournalOpen { create, existing, if_open };

// True when the journal already holds the original of `record`'s target
// (for a node: a record of the current boot). The first call opens, locks
// and reads the journal, first dropping node records of earlier boots from
// it; an absent journal opened as `existing` holds nothing.
Result<bool> journal_holds(const JournalRecord& record, JournalOpen open = JournalOpen::create);
// The record of the original that journal_holds finds, if any.
Result<std::optional<JournalRecord>> journal_held(const JournalRecord& record, JournalOpen open = JournalOpen::create);

// Appends the records with one write. They reach the disk with the next
// journal_sync, which the change gate calls before every change: a command
// that records its targets in several steps before its first change pays one
// flush. Errors name the journal and the operating-system error.
Result<void> journal_append(const std::vector<JournalRecord>& records);

// Flushes what was appended since the last flush, if anything, with one
// fdatasync; nothing when all is on disk already.
Result<void> journal_sync();

// Why the journal cannot be kept in this run, once opening or appending to
// it failed; it is not tried again. `line` is the text of the one [ERROR]
// line that says so: "Another korvane run holds the journal at <path>" when
// the wait for the lock ran out (`busy`), else "Cannot keep the undo journal
// at <path>: <cause>; nothing was changed".
struct JournalFailure {
    bool busy = false;
    std::string line;
};
std::optional<JournalFailure> journal_failure();

// One line of the journal as found: its number from 1, its text, and the
// record it holds or why it cannot be read (a torn last line, a bad checksum).
struct JournalLine {
    size_t number = 0;
    std::string text;
    Result<JournalRecord> record = error("");
};

// Locks and reads the whole journal for an undo; nothing when there is none.
// A lock held past the time limit is the JournalFailure's `line`.
Result<std::optional<std::vector<JournalLine>>> journal_take();

// One key per target and boot for korvane's values: a node by its inode and
// name when its identity is known (links to it and new mounts alike), else by
// its path; state by its name.
std::string value_key(const JournalRecord& record);

// Keeps, for the end of the command, the value korvane gave a target (the
// record's node content or state value; a node's mode as korvane left it).
void journal_note_value(JournalRecord record);

// Appends the noted values, the last one per target, as "set" records with
// one write and no flush, to the journal this run holds; nothing when the
// run holds none (it changed nothing recorded).
Result<void> journal_write_values();

// Reads the journal without locking it or changing anything, for a look
// while another run may hold it: whole lines only; nothing when there is none.
Result<std::optional<std::vector<JournalLine>>> journal_peek();

// Replaces the journal with these lines (texts without newlines).
Result<void> journal_replace(const std::vector<std::string>& lines);

// Lets go of the journal (and its lock) and forgets why it could not be
// kept, for a process that lives on between changes: its next use opens and
// reads it afresh.
void journal_close();

}  // namespace korvane
