#include "sys/change_gate.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>

#include "sys/change_policy.h"
#include "sys/command_kinds.h"
#include "sys/journal.h"
#include "sys/node.h"
#include "sys/output.h"

namespace korvane {
namespace {

// A value or command line as one line of output: a node's content read back
// ends with a newline, and a setting's value may hold one, either of which
// would split the line.
std::string one_line(std::string_view value) {
    std::string text;
    for (char c : value) {
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else {
            text += c;
        }
    }
    return text;
}

// Only a node the kernel says is not there may be tried for real in a dry
// run: the open then fails before anything changes. A stat refused for
// another reason (a security policy) proves nothing, and the write's
// fallbacks (the unlock, the shell) would change the node.
bool surely_missing(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

Error not_recorded(std::string_view target, std::string_view cause) {
    return error(str_cat("Could not record the original of ", target, ": ", cause));
}

// Appends the record unless the journal already holds its target's original.
// `read_original` fills the record in and is run only when it is needed; it
// returns false for a target that holds no state to put back.
template <typename ReadOriginal>
Result<void> record_once(JournalRecord& record, ReadOriginal read_original) {
    auto held = journal_holds(record);
    if (!held) return not_recorded(record.target_text(), held.error());
    if (*held) return success();
    auto read = read_original(record);
    if (!read) return not_recorded(record.target_text(), read.error());
    if (!*read) return success();
    if (auto appended = journal_append(record); !appended) return not_recorded(record.target_text(), appended.error());
    return success();
}

// Cores that share a cpufreq policy reach the same node through different
// links: the resolved path names the one target. A node that does not exist
// or cannot be read holds no state to put back (drop_caches is write-only).
Result<void> record_node(const std::string& path) {
    // Nodes whose original this run has seen to: a later write to them (a
    // sibling core's, the second bound of a reset) costs no reads.
    static std::set<std::string> settled;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return success();
    std::string canonical = resolved;
    if (settled.count(canonical) != 0) return success();
    JournalRecord record;
    record.node = NodeOriginal{canonical, current_boot_id(), 0, {}};
    // The original is read only for a target the journal does not hold yet.
    auto recorded = record_once(record, [](JournalRecord& r) -> Result<bool> {
        auto content = read_node(r.node->path);
        struct stat st {};
        if (!content || ::stat(r.node->path.c_str(), &st) != 0) return false;
        r.node->mode = st.st_mode & 07777;
        r.node->content = std::move(content).value();
        return true;
    });
    if (recorded) settled.insert(canonical);
    return recorded;
}

Result<void> record_state(const StateTarget& target) {
    JournalRecord record;
    record.state = StateOriginal{target, std::nullopt};
    return record_once(record, [](JournalRecord& r) -> Result<bool> {
        std::vector<std::string> read = read_command(r.state->target);
        auto answer = run_command_output(read[0], Args(read.begin() + 1, read.end()));
        if (!answer) return Error{answer.error()};
        auto value = parse_state_value(r.state->target, *answer);
        if (!value) return Error{value.error()};
        r.state->value = std::move(value).value();
        return true;
    });
}

Result<bool> allowed(Result<void> recorded) {
    if (!recorded) return Error{recorded.error()};
    return true;
}

}  // namespace

Result<bool> allow_node_write(const std::string& path, std::string_view value, bool locks) {
    switch (change_policy()) {
    case ChangePolicy::unrecorded: return true;
    case ChangePolicy::dry_run:
        // The attempt on a missing node creates nothing and fails as it would.
        if (surely_missing(path)) return true;
        out("[DRY] write '", one_line(value), "' to ", path);
        if (locks) out("[DRY] set mode 0444 on ", path);
        return false;
    case ChangePolicy::record: break;
    }
    return allowed(record_node(path));
}

Result<bool> allow_mode_change(const std::string& path, mode_t mode) {
    switch (change_policy()) {
    case ChangePolicy::unrecorded: return true;
    case ChangePolicy::dry_run:
        if (surely_missing(path)) return true;
        out("[DRY] set mode ", octal_mode(mode), " on ", path);
        return false;
    case ChangePolicy::record: break;
    }
    return allowed(record_node(path));
}

Result<bool> allow_command(const std::string& program, const Args& args) {
    CommandClass kind = classify_command(program, args);
    if (kind.kind == CommandKind::read) return true;
    switch (change_policy()) {
    case ChangePolicy::unrecorded: return true;
    case ChangePolicy::dry_run: {
        std::string line = "[DRY] run " + program;
        for (const std::string& arg : args) line += " " + arg;
        print_line(one_line(line));
        return false;
    }
    case ChangePolicy::record: break;
    }
    if (kind.kind == CommandKind::action) return true;
    return allowed(record_state(*kind.target));
}

bool allow_removal(const std::string& path) {
    if (change_policy() != ChangePolicy::dry_run) return true;
    out("[DRY] remove ", path);
    return false;
}

bool allow_file_write(const std::string& path, std::string_view text) {
    if (change_policy() != ChangePolicy::dry_run) return true;
    out("[DRY] write '", one_line(text), "' to ", path);
    return false;
}

}  // namespace korvane
