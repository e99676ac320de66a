// One line of the journal of original values: what a target held before
// korvane first changed it. A line reads, fields separated by one blank:
//
//   <checksum> node <boot id> [<device>:<inode>] <mode> <path> <value>
//   <checksum> <state kind> <key word>... <value>
//   <checksum> set <either of the above, with the value korvane last gave>
//   <checksum> watch <package> <value given> <0|1> <a node record as above>
//
// e.g. "8c1f03aa setting global low_power =0". The checksum is eight hex
// digits over the rest of the line, so a torn or damaged line is never taken
// for a record. The value is "=" and the text, or "-" when the target was
// absent. Every field is escaped: "\\" for a backslash, "\s" a blank, "\t",
// "\n" and "\r", "\xHH" for other control bytes, and "\e" for an empty field.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "journal/command_kinds.h"
#include "os/result.h"

namespace korvane {

// What the file system calls one node within a boot: the same node reached
// through different links (the cores of one cpufreq policy) has one identity.
// Both zero: unknown (a record written without it), matched by path alone.
struct NodeId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool known() const { return device != 0 || inode != 0; }
    bool operator==(const NodeId&) const = default;
};

struct NodeOriginal {
    std::string path;  // as the change named it
    std::string boot_id;
    mode_t mode = 0;
    std::string content;
    NodeId id;
    bool operator==(const NodeOriginal&) const = default;
};

// A node of an open per-app session of the watch service: the app, the value
// the session gave the node (the record's own value is what the node held
// when the session began), and whether the session also recorded the node's
// plain original because the journal held none.
struct SessionMark {
    std::string package;
    std::string value;
    bool added = false;
    bool operator==(const SessionMark&) const = default;
};

struct StateOriginal {
    StateTarget target;
    std::optional<std::string> value;
    bool operator==(const StateOriginal&) const = default;
};

// Exactly one of the two is set.
struct JournalRecord {
    std::optional<NodeOriginal> node;
    std::optional<StateOriginal> state;
    // The value (and a node's mode) korvane last gave the target, not its
    // original: written after the command, unsynced, so a crash may lose it.
    bool korvane_value = false;
    // Set for a session's node: no original of the undo, but what the
    // session puts back when it ends.
    std::optional<SessionMark> session;
    bool operator==(const JournalRecord&) const = default;

    // The same target: the same node (the same known identity, or the same
    // path), or the same state key.
    bool same_target(const JournalRecord& other) const;
    // The target as messages name it: a node's path, or e.g. "setting global low_power".
    std::string target_text() const;
};

// The line for a record, without the newline.
std::string format_record(const JournalRecord& record);

// The record a line holds (without its newline), or an error saying why the
// line cannot be read.
Result<JournalRecord> parse_record(std::string_view line);

// Permission bits as four octal digits, e.g. "0644": the journal's mode
// field and the dry run's "set mode" lines.
std::string octal_mode(mode_t mode);

// The checksum and a blank put before a line's fields, and the field
// escaping, exposed for tests.
std::string sign_body(std::string_view body);
std::string escape_field(std::string_view text);
Result<std::string> unescape_field(std::string_view text);

}  // namespace korvane
