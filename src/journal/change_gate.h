// The one place where the primitives ask the change policy what to do with a
// change before making it. Each check returns true when the change is to be
// made, false when a dry run printed it instead, or an error (context ": "
// cause) when the original of a tuning target could not be recorded, in which
// case the change must not be made. A dry run reads originals as a recording
// run would and returns the same refusals.
//
// An original is recorded before the first change of its target only: a
// node's identity is the device and inode its path leads to, so two links to
// one node (the cores of a cpufreq policy) are one target. A node that cannot
// be read, or reads empty, is refused ("Could not record the original of
// <node>: <cause>"); one that is write-only by design (a write bit and no
// read bit, like drop_caches) is an action, changed unrecorded. When the
// journal itself cannot be kept, the first refused change also prints the
// JournalFailure line (journal.h) as one "[ERROR] " line, once per run.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/tool_commands.h"
#include "journal/journal_record.h"
#include "os/result.h"

namespace korvane {

// A write of `value` into a node; `locks` when the writer then sets 0444.
Result<bool> allow_node_write(const std::string& path, std::string_view value, bool locks);

// A change of a node's mode.
Result<bool> allow_mode_change(const std::string& path, mode_t mode);

// A device-tool command line; reads are always allowed.
Result<bool> allow_command(const std::string& program, const Args& args);

// The removal of a file that is no tuning state (a scratch file, korvane's
// own files): never recorded.
bool allow_removal(const std::string& path);

// A write of one of korvane's own files: never recorded.
bool allow_file_write(const std::string& path, std::string_view text);

// After a change was made: notes the value korvane gave its target, when
// the journal holds the target's original, for the journal's "set" record
// (journal_write_values). `locked`: the writer set 0444 afterwards.
void note_node_written(const std::string& path, std::string_view value, bool locked);
void note_command_done(const std::string& program, const Args& args);
// A mode change alone: the "set" record holds an empty content and the mode.
void note_node_mode(const std::string& path, mode_t mode);
// The error (ENOENT, ENOTDIR) with which record_originals found the node at
// `path` absent in this run, or 0: a write there fails with it, unopened.
int absent_node_error(const std::string& path);

// A change a command is about to make: to the node at `node`, or else by the
// device-tool command line `program` `args`, or else of state whose original
// the caller has read itself (`known`).
struct PlannedChange {
    std::string node;
    std::string program;
    Args args;
    std::optional<StateOriginal> known = std::nullopt;
};
PlannedChange node_change(std::string path);
PlannedChange command_change(std::string program, Args args);
PlannedChange known_change(StateOriginal original);

// Records the originals of every target that the changes about to be made
// will touch and the journal does not hold yet: each original is read first,
// then all records are appended with one write. The command then makes its
// changes through the primitives as usual; the first of them flushes the
// journal once (journal_sync), and the others find their targets recorded and
// on disk. A command that changes more than one target calls this (or
// records its state originals) before its first change, so that it costs one
// flush however many targets it has.
// Settings and device_config keys of one namespace are read with one `list`
// call. A target whose original cannot be recorded is not refused here: its
// own change is refused later with the reason. Nothing outside a recording
// run; targets given twice, read-only commands and actions are passed over.
// Records are appended in the order of the changes. False when an original
// could not be recorded, so that one of these changes will be refused.
//
//   record_originals({node_change(a), node_change(b)});
//   write_node(a, "1"); write_node(b, "0");
bool record_originals(const std::vector<PlannedChange>& changes);

// What the node at `path` held when this run read its original for the
// journal, or nothing when this run did not read it (the journal held it
// already, nothing is recorded) or has written the node since. A command
// that would not write a value the node holds already asks here before it
// reads the node itself.
std::optional<std::string> original_read(const std::string& path);

}  // namespace korvane
