#include "journal/run_targets.h"

#include <climits>
#include <cstdlib>
#include <utility>

#include "os/text.h"

namespace korvane {

std::map<std::string, Result<void>>& settled() {
    static std::map<std::string, Result<void>> targets;
    return targets;
}

std::map<std::string, std::string>& settled_paths() {
    static std::map<std::string, std::string> paths;
    return paths;
}

std::string path_key(const std::string& path) { return str_cat(journal_path(), "\n", path); }

std::string named(const Look& look) { return look.record.node ? look.path : look.record.target_text(); }

std::map<std::string, std::string>& originals_read() {
    static std::map<std::string, std::string> read;
    return read;
}

void remember_read(const Look& look) {
    if (look.record.node) originals_read()[path_key(look.path)] = look.record.node->content;
}

std::map<std::string, JournalRecord>& with_original() {
    static std::map<std::string, JournalRecord> targets;
    return targets;
}

void settle(const Look& look, Result<void> outcome) {
    if (outcome) with_original().emplace(look.key, look.record);
    settled().emplace(look.key, std::move(outcome));
    if (look.record.node) settled_paths().emplace(path_key(look.path), look.key);
}

std::map<std::string, int>& absent_paths() {
    static std::map<std::string, int> paths;
    return paths;
}

bool held_by_path(const std::string& path) {
    JournalRecord record;
    record.node = NodeOriginal{path, current_boot_id(), 0, {}, {}};
    auto held = journal_held(record, JournalOpen::if_open);
    if (!held || !*held) return false;
    const std::string key = path_key(path);
    settled().emplace(key, success());
    settled_paths().emplace(key, key);
    // korvane's value is noted under the identity the journal knows the node by
    with_original().emplace(key, **held);
    return true;
}

Look look_at_node(const std::string& path, const struct stat& st) {
    Look look;
    NodeId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    look.key = str_cat(journal_path(), "\n", path, "\n", id.device, ":", id.inode);
    look.path = path;
    look.record.node = NodeOriginal{path, current_boot_id(), static_cast<mode_t>(st.st_mode & 07777), {}, id};
    return look;
}

Look look_at_state(const StateTarget& target) {
    Look look;
    look.key = str_cat(journal_path(), "\nstate ", describe_target(target));
    look.record.state = StateOriginal{target, std::nullopt};
    return look;
}

Result<bool> holds(Look& look, JournalOpen open) {
    auto held = journal_holds(look.record, open);
    if (!held || *held || !look.record.node) return held;
    char resolved[PATH_MAX];
    if (::realpath(look.record.node->path.c_str(), resolved) == nullptr || look.record.node->path == resolved) return false;
    look.record.node->path = resolved;
    return journal_holds(look.record, open);
}

}  // namespace korvane
