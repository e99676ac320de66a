#include "journal/change_gate.h"

#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <optional>
#include <set>

#include "journal/change_policy.h"
#include "journal/command_kinds.h"
#include "journal/device_config_sync.h"
#include "journal/journal.h"
#include "journal/original_reading.h"
#include "journal/run_targets.h"
#include "journal/tool_commands.h"
#include "os/node.h"
#include "os/os_error.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

Error not_recorded(std::string_view target, std::string_view cause) {
    return error(str_cat("Could not record the original of ", target, ": ", cause));
}

// The journal's own failure is said once, as its own line, even where the
// caller drops the refusal silently (a table row).
void tell_journal_failure() {
    static std::string told;  // the journal it was said for
    if (auto failure = journal_failure(); failure && told != journal_path()) {
        told = journal_path();
        out("[ERROR] ", failure->line);
    }
}

Error journal_refusal(std::string_view target, std::string_view cause) {
    tell_journal_failure();
    return not_recorded(target, cause);
}

// Only a node the kernel says is not there may be tried for real in a dry
// run: the open then fails before anything changes. A stat refused for
// another reason (a security policy) proves nothing.
bool surely_missing(int err) { return err == ENOENT || err == ENOTDIR; }




// Whether the change may go ahead for its original: recorded now or before.
// In a dry run the journal is only read, and an original is read but not
// written down, so that the same refusals show.
Result<void> record_once(Look& look, JournalOpen open) {
    const std::string target = look.record.target_text();
    if (auto known = settled().find(look.key); known != settled().end()) return known->second;
    auto held = holds(look, open);
    if (!held) return journal_refusal(target, held.error());
    bool original = true;
    if (!*held) {
        auto read = read_original(look.record);
        if (!read) return not_recorded(target, read.error());
        if (*read) remember_read(look);
        original = *read;
        if (*read && open == JournalOpen::create) {
            if (auto appended = journal_append({look.record}); !appended) return journal_refusal(target, appended.error());
        }
    }
    settle(look, success());
    if (!original) with_original().erase(look.key);
    return success();
}

JournalOpen journal_open() {
    return change_policy() == ChangePolicy::dry_run ? JournalOpen::existing : JournalOpen::create;
}

// Records a node's original before its first change; false for a node that
// is not there, which is let through: the change fails on its own, and a dry
// run tries it for real, which creates nothing.
Result<bool> pass_node(const std::string& path) {
    const std::string key = path_key(path);
    if (auto known = settled_paths().find(key); known != settled_paths().end()) {
        if (auto outcome = settled().find(known->second); outcome != settled().end()) {
            if (!outcome->second) return Error{outcome->second.error()};
            return true;
        }
    }
    if (absent_paths().count(key) != 0) return false;
    if (held_by_path(path)) return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (surely_missing(errno)) return false;
        return not_recorded(path, os_error_text(errno));
    }
    // A folder holds no value: the write fails on its own.
    if (S_ISDIR(st.st_mode)) return true;
    Look look = look_at_node(path, st);
    if (auto recorded = record_once(look, journal_open()); !recorded) return Error{recorded.error()};
    return true;
}

// Whether a dry run shows the change (true) or tries it for real (false),
// having read its original as the recording run would.
Result<bool> dry_run_shows(const std::string& path, ChangePolicy policy) {
    if (policy == ChangePolicy::dry_run) return pass_node(path);
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 || !surely_missing(errno);
}

bool needs_record(ChangePolicy policy) { return policy == ChangePolicy::record || policy == ChangePolicy::dry_run; }

// The change is made (true) unless the check refused it.
Result<bool> made(Result<bool> checked) {
    if (!checked) return checked;
    return true;
}

// Made as well, once every original recorded so far is on disk: records are
// appended unflushed, so that all a command records before its first change
// costs one flush, taken here.
Result<bool> made_synced(Result<bool> checked, std::string_view target) {
    if (!checked) return checked;
    if (auto synced = journal_sync(); !synced) return journal_refusal(target, synced.error());
    return true;
}

}  // namespace

std::optional<std::string> original_read(const std::string& path) {
    auto read = originals_read().find(path_key(path));
    if (read == originals_read().end()) return std::nullopt;
    return read->second;
}

Result<bool> allow_node_write(const std::string& path, std::string_view value, bool locks) {
    const ChangePolicy policy = change_policy();
    if (policy == ChangePolicy::unrecorded) return true;
    if (policy == ChangePolicy::record) {
        Result<bool> allowed = made_synced(pass_node(path), path);
        // Written now: the original no longer says what the node holds.
        originals_read().erase(path_key(path));
        return allowed;
    }
    auto shows = dry_run_shows(path, policy);
    if (!shows || !*shows) return made(std::move(shows));
    out("[DRY] write '", one_line(value), "' to ", path);
    if (locks && can_change_mode(path)) out("[DRY] set mode 0444 on ", path);
    return false;
}

Result<bool> allow_mode_change(const std::string& path, mode_t mode) {
    const ChangePolicy policy = change_policy();
    if (policy == ChangePolicy::unrecorded) return true;
    if (policy == ChangePolicy::record) return made_synced(pass_node(path), path);
    auto shows = dry_run_shows(path, policy);
    // A node whose mode cannot change fails as it would.
    if (!shows || !*shows || !can_change_mode(path)) return made(std::move(shows));
    out("[DRY] set mode ", octal_mode(mode), " on ", path);
    return false;
}

Result<bool> allow_command(const std::string& program, const Args& args) {
    CommandClass kind = classify_command(program, args);
    if (kind.kind == CommandKind::read) return true;
    const ChangePolicy policy = change_policy();
    if (policy == ChangePolicy::unrecorded) return true;
    // A server sync would delete the key again: sync goes off first.
    if (needs_record(policy) && kind.target && kind.target->kind == StateKind::device_config && args[1] == "put") {
        keep_device_config_sync_off();
    }
    if (needs_record(policy) && kind.kind == CommandKind::state) {
        Look look = look_at_state(*kind.target);
        if (auto recorded = record_once(look, journal_open()); !recorded) return Error{recorded.error()};
        if (policy == ChangePolicy::record) return made_synced(true, look.record.target_text());
    }
    if (policy == ChangePolicy::record) return true;
    std::string line = "[DRY] run " + program;
    for (const std::string& arg : args) line += " " + arg;
    print_line(one_line(line));
    return false;
}

bool allow_removal(const std::string& path) {
    if (!is_dry_run(change_policy())) return true;
    out("[DRY] remove ", path);
    return false;
}

bool allow_file_write(const std::string& path, std::string_view text) {
    if (!is_dry_run(change_policy())) return true;
    out("[DRY] write '", one_line(text), "' to ", path);
    return false;
}

int absent_node_error(const std::string& path) {
    if (absent_paths().empty()) return 0;
    auto absent = absent_paths().find(path_key(path));
    return absent == absent_paths().end() ? 0 : absent->second;
}

PlannedChange node_change(std::string path) { return PlannedChange{std::move(path), {}, {}}; }

PlannedChange command_change(std::string program, Args args) {
    return PlannedChange{{}, std::move(program), std::move(args)};
}

PlannedChange known_change(StateOriginal original) { return PlannedChange{{}, {}, {}, std::move(original)}; }

bool record_originals(const std::vector<PlannedChange>& changes) {
    if (change_policy() != ChangePolicy::record) return true;
    std::vector<Look> looks;
    std::set<std::string> seen;
    for (const PlannedChange& change : changes) {
        Look look;
        if (change.known) {
            look = look_at_state(change.known->target);
            look.record.state->value = change.known->value;
            look.known = true;
        } else if (!change.node.empty()) {
            if (held_by_path(change.node)) continue;
            struct stat st {};
            if (::stat(change.node.c_str(), &st) != 0) {
                if (surely_missing(errno)) absent_paths().emplace(path_key(change.node), errno);
                continue;  // its change says why
            }
            if (S_ISDIR(st.st_mode)) continue;
            look = look_at_node(change.node, st);
        } else {
            CommandClass kind = classify_command(change.program, change.args);
            if (kind.kind != CommandKind::state) continue;
            look = look_at_state(*kind.target);
        }
        // Two links to one node are one target.
        const std::string once = look.record.node ? str_cat(look.record.node->id.device, ":", look.record.node->id.inode)
                                                  : look.key;
        if (settled().count(look.key) != 0 || !seen.insert(once).second) continue;
        auto held = holds(look, JournalOpen::create);
        if (!held) return false;  // each change is refused with the journal's failure
        if (*held) {
            settle(look, success());
            continue;
        }
        looks.push_back(std::move(look));
    }

    // One list per namespace where it saves calls.
    std::map<std::vector<std::string>, size_t> per_list;
    for (const Look& look : looks) {
        if (look.record.state && !look.known) {
            if (auto list = list_command(look.record.state->target)) ++per_list[*list];
        }
    }
    std::map<std::vector<std::string>, Result<std::string>> listed;
    for (const auto& [list, count] : per_list) {
        if (count > 1) listed.emplace(list, run_command_output(list[0], Args(list.begin() + 1, list.end())));
    }

    std::vector<JournalRecord> records;
    std::vector<const Look*> recorded;
    bool all = true;
    for (Look& look : looks) {
        const std::string target = named(look);
        Result<bool> read = false;
        auto list = look.record.state ? list_command(look.record.state->target) : std::nullopt;
        auto answer = list ? listed.find(*list) : listed.end();
        if (look.known) {
            read = true;
        } else if (answer != listed.end() && answer->second) {
            look.record.state->value = listed_value(look.record.state->target, *answer->second);
            read = true;
        } else if (answer != listed.end()) {
            // A tool that could not list its namespace is not asked once per key.
            read = Error{answer->second.error()};
        } else {
            read = read_original(look.record);
        }
        if (!read) {
            settle(look, not_recorded(target, read.error()));
            all = false;
        } else if (!*read) {
            settle(look, success());
            with_original().erase(look.key);  // an action holds nothing to put back
        } else {
            remember_read(look);
            records.push_back(look.record);
            recorded.push_back(&look);
        }
    }
    auto appended = journal_append(records);
    for (const Look* look : recorded) {
        settle(*look, appended ? success() : not_recorded(named(*look), appended.error()));
    }
    if (!appended) tell_journal_failure();
    return all && appended;
}

}  // namespace korvane
