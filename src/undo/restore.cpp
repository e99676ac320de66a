#include "undo/restore.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "android/boost_switch.h"
#include "android/cluster_boundaries.h"
#include "journal/change_gate.h"
#include "journal/change_policy.h"
#include "journal/journal.h"
#include "journal/node_change.h"
#include "journal/tool_commands.h"
#include "os/clock.h"
#include "os/output.h"
#include "os/text.h"
#include "undo/report_nodes.h"

namespace korvane {
namespace {

Result<void> restore_node(const NodeOriginal& node) {
    if (auto freed = report_node_default(node.path)) return put_node_back(node.path, *freed, node.mode);
    // A node that still holds its original is not written again: a vendor
    // limit node whose mode alone was changed keeps its value untouched.
    auto now = read_node(node.path);
    if (now && *now == node.content) return put_node_back(node.path, std::nullopt, node.mode);
    // Back to another boost type by way of none.
    if (now && switches_boost_type(node.path, *now, node.content)) (void)put_node_back(node.path, "0", node.mode);
    // A per-boundary margin shows more slots than a GKI kernel takes back.
    return put_node_back(node.path, per_boundary_original(node.path, node.content), node.mode);
}

// A put-back that failed because what it needs is gone for good: the answer
// that says so, reported once, and the record is dropped.
struct Gone {
    std::string reason;
};

// The game manager learns of an overlay put back through a listener that
// runs later: until then it refuses the modes only that overlay offers.
constexpr std::string_view kNotOfferedYet = " not supported by ";
constexpr int kLagRetries = 5;
constexpr unsigned kLagPauseMs = 100;

bool is_game_record(const StateTarget& target) {
    return target.kind == StateKind::game_mode || target.kind == StateKind::game_override;
}

// Newest first, as the changes were made: a game's mode recorded before its
// overlay changed goes back after it. Server sync goes last, once the keys it
// would replace are back.
bool goes_last(const JournalRecord& record) {
    return record.state && record.state->target.kind == StateKind::sync_mode;
}

// A failed put-back that may succeed once the rest are back: a node whose
// partner limit crossed it, a game's overlay, override or mode.
bool worth_another_try(const JournalRecord& record) {
    if (record.node) return true;
    const StateTarget& target = record.state->target;
    return is_game_record(target) || (target.kind == StateKind::device_config && target.key[0] == "game_overlay");
}

Result<void> restore_state(const StateOriginal& state, std::optional<Gone>& gone) {
    std::vector<std::string> command = restore_command(state.target, state.value);
    const std::string program = command[0];
    const Args args(command.begin() + 1, command.end());
    auto allowed = allow_command(program, args);
    if (!allowed) return Error{allowed.error()};
    if (!*allowed) return success();
    // The game manager answers on standard output, its refusals included.
    auto process = run_process(program, args);
    for (int retry = 0; retry < kLagRetries && process && !process->exited_zero && is_game_record(state.target) &&
                        process->out.find(kNotOfferedYet) != std::string::npos;
         ++retry) {
        sleep_ms(kLagPauseMs);
        process = run_process(program, args);
    }
    if (!process) return error("Failed to execute command " + command_line(program, args) + ": " + process.error());
    if (process->exited_zero) return success();
    if (restore_cannot_succeed(state.target, process->out)) gone = Gone{std::string(trim(process->out))};
    return error("Command failed: " + command_line(program, args) + ": " + process->err);
}

}  // namespace

Result<void> restore_changes() {
    const bool dry_run = is_dry_run(change_policy());
    set_change_policy(dry_run ? ChangePolicy::dry_run_unrecorded : ChangePolicy::unrecorded);
    auto taken = journal_take();
    if (!taken) {
        if (auto failure = journal_failure(); failure && failure->busy) return error(failure->line);
        return error("Failed to read the journal: " + taken.error());
    }

    std::vector<JournalLine> lines = taken->has_value() ? std::move(**taken) : std::vector<JournalLine>();
    std::vector<size_t> current;  // indexes of the records to put back
    for (size_t i = 0; i < lines.size(); ++i) {
        const JournalLine& line = lines[i];
        if (!line.record) {
            out("[WARN] Skipping unreadable journal line ", line.number, ": ", line.record.error());
            continue;
        }
        // The kernel reset the nodes of an earlier boot itself; korvane's own
        // values are only for --status. A session the watch service left
        // open goes back like any original: it is newer than the originals
        // the session recorded with it.
        const JournalRecord& record = *line.record;
        if (record.korvane_value) continue;
        if (of_an_earlier_boot(record)) continue;
        current.push_back(i);
    }
    std::vector<bool> failed(lines.size(), false);
    size_t restored = 0;
    if (current.empty()) {
        out("[INFO] Nothing to restore");
    } else {
        out("[INFO] Restoring ", current.size(), " changes...");
        std::vector<size_t> order(current.rbegin(), current.rend());
        std::stable_partition(order.begin(), order.end(), [&](size_t at) { return !goes_last(*lines[at].record); });
        std::vector<std::pair<size_t, Result<void>>> outcomes;  // in the order of putting back
        std::vector<std::optional<Gone>> gone(lines.size());
        auto put_back = [&](size_t at) {
            const JournalRecord& record = *lines[at].record;
            return record.node ? restore_node(*record.node) : restore_state(*record.state, gone[at]);
        };
        for (size_t at : order) outcomes.emplace_back(at, put_back(at));
        // The kernel refuses a limit that would cross its partner's present
        // value (a minimum above the maximum, WALT's up-migration margin below
        // the down one), and a game's mode waits for its overlay, whose
        // put-back may have failed once: each is tried once more when the rest
        // are back.
        for (auto& [at, done] : outcomes) {
            if (!done && !gone[at] && worth_another_try(*lines[at].record)) done = put_back(at);
        }
        for (const auto& [at, done] : outcomes) {
            if (done) {
                ++restored;
            } else if (gone[at]) {
                // Another try would fail the same way: kept, it would fail at every restore.
                out("[WARN] Dropping ", lines[at].record->target_text(), ", which cannot be restored: ", gone[at]->reason);
            } else {
                failed[at] = true;
                out("[WARN] Failed to restore ", lines[at].record->target_text(), ": ", done.error());
            }
        }
        out("[OK] Restored ", restored, " of ", current.size(), " changes");
    }
    if (dry_run || lines.empty()) return success();

    // Unreadable lines are kept for another try until an undo fully succeeds.
    const bool all_restored = restored == current.size();
    std::vector<std::string> kept;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (failed[i] || (!all_restored && !lines[i].record)) kept.push_back(lines[i].text);
    }
    if (auto replaced = journal_replace(kept); !replaced) return error("Failed to update the journal: " + replaced.error());
    return success();
}

}  // namespace korvane
