#include "watch/session.h"

#include <sys/stat.h>

#include <map>

#include "android/cluster_boundaries.h"
#include "cpu/cpu_freq.h"
#include "gpu/gpu_freq.h"
#include "journal/journal.h"
#include "journal/node_change.h"
#include "os/text.h"
#include "profiles/kernel_tweaks.h"
#include "undo/report_nodes.h"

namespace korvane {
namespace {

std::optional<NodeOriginal> read_original(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    auto content = read_node(path);
    if (!content || content->empty()) return std::nullopt;
    NodeId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    return NodeOriginal{path, current_boot_id(), static_cast<mode_t>(st.st_mode & 07777), std::move(content).value(), id};
}

// A node that reads back a report rather than its value is freed, as an
// undo frees it.
Result<void> put_back(const NodeOriginal& node) {
    if (auto freed = report_node_default(node.path)) return put_node_back(node.path, *freed, node.mode);
    return put_node_back(node.path, per_boundary_original(node.path, node.content), node.mode);
}

}  // namespace

std::vector<NodeWrite> profile_writes(const AppProfile& profile) {
    std::vector<NodeWrite> writes = kernel_tweak_writes(profile.profile);
    if (profile.cpu_max) {
        for (NodeWrite& w : cpu_bound_writes(Bound::max, *profile.cpu_max)) writes.push_back(std::move(w));
    }
    if (profile.gpu_max) {
        if (auto w = gpu_max_write(*profile.gpu_max)) writes.push_back(std::move(*w));
    }
    return writes;
}

Result<size_t> open_session(const std::string& name, const std::vector<NodeWrite>& writes) {
    // One record and one write per node (the cores of a cpufreq policy reach
    // one node through their own links; a tunable may stand twice in a
    // table), at its first place and with the last value the profile gives it.
    std::vector<JournalRecord> sessions;
    std::vector<NodeWrite> made;
    std::map<std::string, size_t> by_path;
    std::map<std::pair<uint64_t, uint64_t>, size_t> by_id;
    std::vector<JournalRecord> plain;
    for (const NodeWrite& w : writes) {
        auto known = by_path.find(w.path);
        std::optional<NodeOriginal> original;
        if (known == by_path.end()) {
            original = read_original(w.path);
            if (!original) continue;  // absent on this kernel: its write would fail
            auto same = by_id.find({original->id.device, original->id.inode});
            if (same != by_id.end()) known = by_path.emplace(w.path, same->second).first;
        }
        if (known != by_path.end()) {
            sessions[known->second].session->value = w.value;
            made[known->second].value = w.value;
            continue;
        }
        JournalRecord record{original, std::nullopt, false, SessionMark{name, w.value, false}};
        JournalRecord bare{original, std::nullopt, false, std::nullopt};
        auto held = journal_holds(bare);
        if (!held) {
            journal_close();
            return error("Cannot record the session: " + held.error());
        }
        if (!*held) {
            record.session->added = true;
            plain.push_back(std::move(bare));
        }
        by_path.emplace(w.path, sessions.size());
        by_id.emplace(std::make_pair(original->id.device, original->id.inode), sessions.size());
        sessions.push_back(std::move(record));
        made.push_back(w);
    }
    plain.insert(plain.end(), sessions.begin(), sessions.end());
    Result<void> recorded = journal_append(plain);
    if (recorded) recorded = journal_sync();
    if (!recorded) {
        journal_close();
        return error("Cannot record the session: " + recorded.error());
    }
    // The journal stays locked until the writes are made: a user's command
    // meanwhile waits, and its value is not overwritten by the session's.
    std::vector<const NodeWrite*> retry;
    for (const NodeWrite& w : made) {
        if (!write_node(w.path, w.value)) retry.push_back(&w);
    }
    // A margin refused while its partner still held the old value takes now.
    for (const NodeWrite* w : retry) (void)write_node(w->path, w->value);
    journal_close();
    return sessions.size();
}

Result<void> change_session(const std::vector<NodeWrite>& writes) {
    auto taken = journal_take();
    if (!taken || !taken->has_value()) {
        journal_close();
        return error("Cannot change the session: " + (taken ? std::string("the journal holds none") : taken.error()));
    }
    std::vector<JournalLine> lines = std::move(**taken);
    std::vector<std::string> texts;
    std::string name;
    for (const JournalLine& line : lines) {
        texts.push_back(line.text);
        if (name.empty() && line.record && line.record->session) name = line.record->session->package;
    }
    if (name.empty()) {
        journal_close();
        return error("Cannot change the session: the journal holds none");
    }
    std::vector<JournalRecord> plain;
    std::vector<JournalRecord> added;
    std::vector<NodeWrite> made;
    for (const NodeWrite& w : writes) {
        auto original = read_original(w.path);
        if (!original) continue;  // absent on this kernel
        const JournalRecord bare{original, std::nullopt, false, std::nullopt};
        bool held = false;
        bool has_plain = false;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!lines[i].record || !lines[i].record->node || !lines[i].record->same_target(bare)) continue;
            JournalRecord record = *lines[i].record;
            if (record.session) {
                record.session->value = w.value;
                texts[i] = format_record(record);
                lines[i].record = record;
                held = true;
            } else if (!record.korvane_value && !of_an_earlier_boot(record)) {
                has_plain = true;
            }
        }
        // A node the profile did not cap (the GPU of a CPU-only profile)
        // joins the session; one reached twice (a policy's cores) once.
        for (JournalRecord& record : added) {
            if (!record.same_target(bare)) continue;
            record.session->value = w.value;
            held = true;
        }
        if (!held) {
            added.push_back(JournalRecord{original, std::nullopt, false, SessionMark{name, w.value, !has_plain}});
            if (!has_plain) plain.push_back(bare);
        }
        made.push_back(w);
    }
    for (const JournalRecord& record : plain) texts.push_back(format_record(record));
    for (const JournalRecord& record : added) texts.push_back(format_record(record));
    auto replaced = journal_replace(texts);
    journal_close();
    if (!replaced) return error("Cannot record the session: " + replaced.error());
    std::vector<const NodeWrite*> retry;
    for (const NodeWrite& w : made) {
        if (!write_node(w.path, w.value)) retry.push_back(&w);
    }
    for (const NodeWrite* w : retry) (void)write_node(w->path, w->value);
    return success();
}

Result<std::optional<ClosedSession>> close_session() {
    auto taken = journal_take();
    if (!taken) {
        journal_close();
        return error("Cannot read the journal: " + taken.error());
    }
    if (!taken->has_value()) {
        journal_close();
        return std::optional<ClosedSession>();
    }
    const std::vector<JournalLine>& lines = **taken;
    ClosedSession closed;
    std::vector<bool> drop(lines.size(), false);
    bool any = false;
    for (size_t i = lines.size(); i-- > 0;) {
        if (!lines[i].record || !lines[i].record->session) continue;
        any = true;
        drop[i] = true;
        const JournalRecord& record = *lines[i].record;
        const NodeOriginal& node = *record.node;
        closed.name = record.session->package;
        auto now = read_node(node.path);
        bool back = false;
        if (!now) {
            closed.failed.push_back(node.path + ": " + now.error());
        } else if (report_node_default(node.path) || reads_back_as_written(node.path, record.session->value, *now)) {
            auto put = put_back(node);
            if (put) {
                back = true;
            } else {
                closed.failed.push_back(node.path + ": " + put.error());
            }
        } else if (reads_back_as_written(node.path, node.content, *now)) {
            back = true;  // never changed (a refused write), or put back by someone
        } else {
            closed.kept.push_back(node.path);
        }
        if (!back) continue;
        ++closed.restored;
        if (!record.session->added) continue;
        // The plain original the session added goes with it: the node is back.
        JournalRecord bare{record.node, std::nullopt, false, std::nullopt};
        for (size_t j = 0; j < i; ++j) {
            const auto& other = lines[j].record;
            if (other && !other->session && !other->korvane_value && other->same_target(bare) && !drop[j]) {
                drop[j] = true;
                break;
            }
        }
    }
    if (!any) {
        journal_close();
        return std::optional<ClosedSession>();
    }
    std::vector<std::string> kept_lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!drop[i]) kept_lines.push_back(lines[i].text);
    }
    auto replaced = journal_replace(kept_lines);
    journal_close();
    if (!replaced) return error("Cannot update the journal: " + replaced.error());
    return std::optional<ClosedSession>(std::move(closed));
}

std::optional<OpenSession> peek_open_session() {
    auto peeked = journal_peek();
    if (!peeked || !peeked->has_value()) return std::nullopt;
    std::optional<OpenSession> open;
    for (const JournalLine& line : **peeked) {
        if (!line.record || !line.record->session) continue;
        if (!open) open = OpenSession{line.record->session->package, 0};
        ++open->nodes;
    }
    return open;
}

}  // namespace korvane
