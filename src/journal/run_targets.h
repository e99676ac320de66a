// What one run knows of the targets it changes: which are recorded or held
// already, under which key each node path was settled, what was read of each
// original, and which nodes were found absent. Shared by the change gate's
// files only; nothing outside src/journal includes it.
#pragma once

#include <sys/stat.h>

#include <map>
#include <string>
#include <string_view>

#include "journal/journal.h"
#include "journal/journal_record.h"
#include "os/result.h"

namespace korvane {

// /proc/sys refuses every chmod: no mode change is shown or noted there.
inline constexpr std::string_view kSysctlRoot = "/proc/sys/";
inline bool can_change_mode(const std::string& path) { return !path.starts_with(kSysctlRoot); }

// A target of a change as the journal sees it.
struct Look {
    std::string key;
    std::string path;  // a node's path as the change names it
    JournalRecord record;
    bool known = false;  // the original came with the change
};

// What this run knows of a target, by a key of its journal, path and
// identity: recorded or held already (success), or refused by
// record_originals (the refusal, given to the change when it comes).
std::map<std::string, Result<void>>& settled();

// The key each node path was settled under in this run, so that a change
// after record_originals costs no second look at its node.
std::map<std::string, std::string>& settled_paths();

std::string path_key(const std::string& path);

// The target as its change names it: a node by the path the change gave.
std::string named(const Look& look);

// What this run read of each node's original, by the path its change names.
std::map<std::string, std::string>& originals_read();
void remember_read(const Look& look);

// The targets of this run that have an original in the journal, by key: what
// names them when korvane's value is noted.
std::map<std::string, JournalRecord>& with_original();

void settle(const Look& look, Result<void> outcome);

// The nodes record_originals found absent, with the error that said so:
// their changes fail with it, with no second look.
std::map<std::string, int>& absent_paths();

// A node recorded in this boot under the very path a change names needs no
// look at the node: the journal this run holds open is asked by path alone.
// Otherwise (a link to a recorded node, a journal not open yet) the node is
// looked at and known by its identity.
bool held_by_path(const std::string& path);

Look look_at_node(const std::string& path, const struct stat& st);
Look look_at_state(const StateTarget& target);

// Whether the journal holds the target. A node is known by its identity or
// its path; only when neither is in the journal is its path resolved, which
// finds a record made through another link when the identity cannot tell
// (a file system mounted anew since, as the simulated phone's is per run).
// The record then names the node by its own path rather than a link's, so
// the undo and its preview show the policy, not the core that reached it.
Result<bool> holds(Look& look, JournalOpen open);

}  // namespace korvane
