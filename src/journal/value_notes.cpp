// korvane's own values, noted after each change for the journal's "set"
// records (journal_note_value), under the record of the target's original.
#include <utility>
#include <vector>

#include "journal/change_gate.h"
#include "journal/change_policy.h"
#include "journal/command_kinds.h"
#include "journal/journal.h"
#include "journal/run_targets.h"

namespace korvane {

namespace {

// The journal's record of the node at `path` whose original this run holds,
// to note korvane's value under; none outside a recording run.
std::optional<JournalRecord> recorded_node(const std::string& path) {
    if (change_policy() != ChangePolicy::record) return std::nullopt;
    auto key = settled_paths().find(path_key(path));
    if (key == settled_paths().end()) return std::nullopt;
    auto target = with_original().find(key->second);
    if (target == with_original().end()) return std::nullopt;
    return target->second;
}

// A game's reset deletes what `cmd game set` made for it: korvane's value of
// each override the journal holds for the game is none.
void note_overrides_gone(const std::string& game) {
    std::vector<JournalRecord> gone;
    for (const auto& [key, record] : with_original()) {
        if (record.state && record.state->target.kind == StateKind::game_override && record.state->target.key[0] == game) {
            gone.push_back(record);
        }
    }
    for (JournalRecord& record : gone) {
        record.state->value.reset();
        journal_note_value(std::move(record));
    }
}

}  // namespace

void note_node_written(const std::string& path, std::string_view value, bool locked) {
    auto record = recorded_node(path);
    if (!record) return;
    record->node->content = std::string(value);
    // /proc/sys keeps its table's mode whatever korvane asks.
    if (locked && can_change_mode(path)) record->node->mode = 0444;
    journal_note_value(std::move(*record));
}

void note_node_mode(const std::string& path, mode_t mode) {
    auto record = recorded_node(path);
    if (!record) return;
    // Only its mode changed: no content of korvane's own.
    record->node->content.clear();
    record->node->mode = mode;
    journal_note_value(std::move(*record));
}

void note_command_done(const std::string& program, const Args& args) {
    if (change_policy() != ChangePolicy::record) return;
    CommandClass kind = classify_command(program, args);
    if (kind.kind != CommandKind::state) return;
    auto value = value_given(program, args);
    if (!value) {
        if (kind.target->kind == StateKind::game_mode) note_overrides_gone(kind.target->key[0]);
        return;
    }
    Look look = look_at_state(*kind.target);
    if (with_original().count(look.key) == 0) return;
    look.record.state->value = std::move(*value);
    journal_note_value(std::move(look.record));
}

}  // namespace korvane
