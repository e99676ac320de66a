// What a device-tool command line does to the phone: only reads it, changes a
// piece of tuning state that can be read back and put back, or acts in a way
// that is not undone (kills apps, drops caches, switches radios). One table
// serves the dry run (which runs only reads) and the journal (which records
// the original of tuning state).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/tool_commands.h"

namespace korvane {

enum class CommandKind { read, state, action };

// The kinds of tuning state a tool changes, each read and put back its own way.
// A game_override is what `cmd game set` made for one mode of a game {package,
// mode}, its value the pieces it set ("downscaleFactor=0.5,fps=60"), read by
// the caller from the game manager's listing and put back with `cmd game set`.
enum class StateKind { setting, device_config, property, app_op, allow_list, game_mode, game_override, sync_mode };

// A piece of tuning state: its kind and the words that name it, e.g.
// setting {"global", "low_power"} or app_op {"com.google.android.gms", "RUN_IN_BACKGROUND"}.
struct StateTarget {
    StateKind kind;
    std::vector<std::string> key;
    bool operator==(const StateTarget&) const = default;
};

struct CommandClass {
    CommandKind kind = CommandKind::action;
    std::optional<StateTarget> target;  // set for CommandKind::state
};

// Classifies by the first matching row of the table; a command line no row
// matches is an action.
CommandClass classify_command(const std::string& program, const Args& args);

// The journal's word for a state kind ("setting", "device_config", ...) and back.
std::string_view state_kind_word(StateKind kind);
std::optional<StateKind> state_kind_from_word(std::string_view word);

// How many words name a target of the kind.
size_t state_key_size(StateKind kind);

// How a person names the target in a message, e.g. "setting global low_power".
std::string describe_target(const StateTarget& target);

// The command that reads the target's current value.
std::vector<std::string> read_command(const StateTarget& target);

// The target's value in the read command's output: nothing when the state is
// absent (an unset setting, an empty property, a package off the allow-list);
// an error when the answer does not say.
Result<std::optional<std::string>> parse_state_value(const StateTarget& target, std::string_view output);

// The value to record when the read command failed with `output` because the
// release cannot show the state (12 and 13 have no `cmd game list-modes`: the
// game goes back to standard mode 1); nothing when that failure is an error.
std::optional<std::string> unreadable_state_value(const StateTarget& target, std::string_view output);

// The command that lists every key of the target's first key word at once
// (`settings list NS`, `cmd device_config list NS`), for reading many
// originals with one call; nothing for kinds that have none.
std::optional<std::vector<std::string>> list_command(const StateTarget& target);

// The target's value in the list command's "KEY=VALUE" lines; nothing when
// the key is not listed (absent).
std::optional<std::string> listed_value(const StateTarget& target, std::string_view output);

// The value a state-changing command line gives its target (nothing inside:
// absent); nothing when the line names no value of its own (`cmd game reset`).
std::optional<std::optional<std::string>> value_given(const std::string& program, const Args& args);

// The command that puts `value` (nothing: absent) back.
std::vector<std::string> restore_command(const StateTarget& target, const std::optional<std::string>& value);

// Whether the failed put-back's answer (the tool's standard output) says that
// the package it needs is gone for good (no longer installed, or no game), so
// that another try cannot succeed.
bool restore_cannot_succeed(const StateTarget& target, std::string_view answer);

}  // namespace korvane
