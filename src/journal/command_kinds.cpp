#include "journal/command_kinds.h"

#include <algorithm>

#include "os/text.h"

namespace korvane {
namespace {

// A pattern is the program and its argument words: a literal must be equal,
// "$" takes any one argument as a key word, "?" any one that is not, "+-" one that starts with + or -
// (the rest is the key word), and a final "*" any further arguments; without
// it the argument count must match. `unless` rules the row out when any
// argument equals it.
struct CommandRule {
    std::string_view pattern;
    CommandKind kind;
    StateKind state = StateKind::setting;  // for CommandKind::state
    std::string_view unless = {};
};

constexpr auto kRead = CommandKind::read;
constexpr auto kState = CommandKind::state;

// clang-format off
constexpr CommandRule kRules[] = {
    {"dumpsys *",                       kRead},
    {"getprop *",                       kRead},
    {"settings get *",                  kRead},
    {"settings list *",                 kRead},
    {"cmd package list *",              kRead},
    {"cmd package query-activities *",  kRead},
    {"cmd device_config get *",         kRead},
    {"cmd device_config list *",        kRead},
    {"cmd device_config is_sync_disabled_for_tests",  kRead},
    {"cmd device_config get_sync_disabled_for_tests", kRead},
    {"cmd appops get *",                kRead},
    {"cmd deviceidle sys-whitelist",    kRead},
    {"cmd game list *",                 kRead},
    {"cmd game list-modes *",           kRead},
    {"cmd game list-configs *",         kRead},
    {"find *",                          kRead, StateKind::setting, "-exec"},
    {"settings put $ $ *",              kState, StateKind::setting},
    {"settings delete $ $",             kState, StateKind::setting},
    {"cmd device_config put $ $ *",     kState, StateKind::device_config},
    {"cmd device_config delete $ $",    kState, StateKind::device_config},
    {"setprop $ *",                     kState, StateKind::property},
    {"cmd appops set $ $ *",            kState, StateKind::app_op},
    {"cmd deviceidle sys-whitelist +-", kState, StateKind::allow_list},
    // reset applies the current mode again: the mode is what it may leave changed
    {"cmd game mode ? $",               kState, StateKind::game_mode},
    {"cmd game reset $",                kState, StateKind::game_mode},
    {"cmd device_config set_sync_disabled_for_tests ?", kState, StateKind::sync_mode},
};
// clang-format on

// How each kind of state is named, read and put back: "$1" and "$2" stand for
// the key words, "$v" for the value. An empty `remove` puts back an absent
// value with `put`. `list` reads every key of the first key word at once,
// as "KEY=VALUE" lines.
struct StateAccess {
    StateKind kind;
    size_t key_size;
    std::string_view word;   // in the journal
    std::string_view label;  // in messages
    std::string_view read;
    std::string_view put;
    std::string_view remove;
    std::string_view list = {};
};

// clang-format off
constexpr StateAccess kAccess[] = {
    {StateKind::setting, 2,       "setting",       "setting",         "settings get $1 $2",
        "settings put $1 $2 $v",           "settings delete $1 $2",           "settings list $1"},
    {StateKind::device_config, 2, "device_config", "device_config",   "cmd device_config get $1 $2",
        "cmd device_config put $1 $2 $v",  "cmd device_config delete $1 $2", "cmd device_config list $1"},
    {StateKind::property, 1,      "property",      "property",        "getprop $1",
        "setprop $1 $v",                   ""},
    {StateKind::app_op, 2,        "app_op",        "app-op",          "cmd appops get $1 $2",
        "cmd appops set $1 $2 $v",         ""},
    {StateKind::allow_list, 1,    "allow_list",    "allow-list entry", "cmd deviceidle sys-whitelist",
        "cmd deviceidle sys-whitelist +$1", "cmd deviceidle sys-whitelist -$1"},
    {StateKind::game_mode, 1,     "game_mode",     "game mode",       "cmd game list-modes $1",
        "cmd game mode $v $1",             ""},
    // read by its caller; restore_command builds the put from the pieces
    {StateKind::game_override, 2, "game_override", "game override",   "cmd game list-configs $1",
        "cmd game set --mode $2 $1",       ""},
    // 12/12L read the mode with is_sync_disabled_for_tests (device_config_sync.h)
    {StateKind::sync_mode, 0,     "device_config_sync", "device_config sync mode",
        "cmd device_config get_sync_disabled_for_tests",
        "cmd device_config set_sync_disabled_for_tests $v", ""},
};
// clang-format on

// What a listed package reads as: the allow-list holds it or not.
constexpr std::string_view kListed = "listed";
// SurfaceFlinger reads -1 as "unset"; an empty value would be a parse error.
constexpr std::string_view kUnsetSfValue = "-1";
// `cmd appops get` for an op left at its default.
constexpr std::string_view kNoOperations = "No operations.";
constexpr std::string_view kDefaultAppOp = "default";
// Android 7's cmd exits 0 for a verb the service does not know (sys-whitelist).
constexpr std::string_view kUnknownVerb = "Unknown command: ";
// 14's `cmd game list-modes`: "PKG current mode: NAME, available game modes: [...]".
constexpr std::string_view kCurrentMode = "current mode: ";
// Game modes by the names the game manager prints; 12 and 13 cannot show the
// mode, so what an undo puts back there is standard.
struct GameModeName {
    std::string_view name;
    std::string_view number;
};
constexpr GameModeName kGameModes[] = {
    {"unsupported", "1"}, {"standard", "1"}, {"performance", "2"}, {"battery", "3"}, {"custom", "4"},
};
constexpr std::string_view kStandardMode = "1";
// The game manager's answers when the package a put-back needs is gone for
// good. "not supported" is not one: the overlay that offers the mode may be
// on its way (a listener that lags, a put-back to try again).
constexpr std::string_view kGoneAnswers[] = {"is not found for user", "is not of game type"};
// `cmd game set` options for the pieces of an override.
struct OverridePiece {
    std::string_view key;
    std::string_view option;
};
constexpr OverridePiece kOverridePieces[] = {{"downscaleFactor", "--downscale"}, {"fps", "--fps"}};

const StateAccess& access_of(StateKind kind) {
    return *std::find_if(std::begin(kAccess), std::end(kAccess), [&](const StateAccess& a) { return a.kind == kind; });
}

std::optional<std::vector<std::string>> match(const CommandRule& rule, const std::string& program, const Args& args) {
    std::vector<std::string_view> words = split_whitespace(rule.pattern);
    if (words.front() != program) return std::nullopt;
    if (!rule.unless.empty() && std::find(args.begin(), args.end(), rule.unless) != args.end()) return std::nullopt;
    std::vector<std::string> key;
    size_t i = 0;
    for (size_t w = 1; w < words.size(); ++w, ++i) {
        if (words[w] == "*") return key;
        if (i >= args.size()) return std::nullopt;
        const std::string& arg = args[i];
        if (words[w] == "$") {
            key.push_back(arg);
        } else if (words[w] == "?") {
            continue;
        } else if (words[w] == "+-") {
            if (arg.size() < 2 || (arg[0] != '+' && arg[0] != '-')) return std::nullopt;
            key.push_back(arg.substr(1));
        } else if (words[w] != arg) {
            return std::nullopt;
        }
    }
    if (i != args.size()) return std::nullopt;
    return key;
}

std::vector<std::string> expand(std::string_view pattern, const StateTarget& target, std::string_view value) {
    std::vector<std::string> command;
    for (std::string_view word : split_whitespace(pattern)) {
        std::string out;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] == '$' && i + 1 < word.size()) {
                char c = word[++i];
                if (c == 'v') {
                    out += value;
                } else if (c >= '1' && c <= '9' && static_cast<size_t>(c - '1') < target.key.size()) {
                    out += target.key[static_cast<size_t>(c - '1')];
                }
                continue;
            }
            out += word[i];
        }
        command.push_back(std::move(out));
    }
    return command;
}

// The tools end their answer with one newline; the value is what stands before it.
std::string_view strip_newline(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

}  // namespace

CommandClass classify_command(const std::string& program, const Args& args) {
    for (const CommandRule& rule : kRules) {
        auto key = match(rule, program, args);
        if (!key) continue;
        if (rule.kind != CommandKind::state) return {rule.kind, std::nullopt};
        return {CommandKind::state, StateTarget{rule.state, std::move(*key)}};
    }
    return {CommandKind::action, std::nullopt};
}

std::string_view state_kind_word(StateKind kind) { return access_of(kind).word; }

std::optional<StateKind> state_kind_from_word(std::string_view word) {
    for (const StateAccess& a : kAccess) {
        if (a.word == word) return a.kind;
    }
    return std::nullopt;
}

size_t state_key_size(StateKind kind) { return access_of(kind).key_size; }

std::string describe_target(const StateTarget& target) {
    std::string text(access_of(target.kind).label);
    for (const std::string& word : target.key) text += " " + word;
    return text;
}

std::vector<std::string> read_command(const StateTarget& target) {
    return expand(access_of(target.kind).read, target, "");
}

Result<std::optional<std::string>> parse_state_value(const StateTarget& target, std::string_view output) {
    using Value = std::optional<std::string>;
    switch (target.kind) {
    case StateKind::setting:
    case StateKind::device_config: {
        std::string_view value = strip_newline(output);
        if (value == "null") return Value();
        return Value(value);
    }
    case StateKind::property: {
        std::string_view value = strip_newline(output);
        if (value.empty()) return Value();
        return Value(value);
    }
    case StateKind::app_op:
        // "OP: MODE", on newer releases followed by "; time=..." details.
        for (std::string_view line : split_lines(output)) {
            line = trim(line);
            if (line == kNoOperations) return Value(kDefaultAppOp);
            const std::string prefix = target.key[1] + ": ";
            if (line.substr(0, prefix.size()) != prefix) continue;
            std::string_view mode = line.substr(prefix.size());
            mode = mode.substr(0, mode.find_first_of("; \t"));
            if (!mode.empty()) return Value(mode);
        }
        // Not knowing the mode is not knowing the original.
        return error(str_cat("unexpected answer: '", trim(output), "'"));
    case StateKind::game_mode: {
        size_t at = output.find(kCurrentMode);
        if (at != std::string_view::npos) {
            std::string_view name = output.substr(at + kCurrentMode.size());
            if (!name.empty() && name.front() == '[') name.remove_prefix(1);
            name = name.substr(0, name.find_first_of(",] \t\n"));
            for (const GameModeName& mode : kGameModes) {
                if (mode.name == name) return Value(mode.number);
            }
        }
        return error(str_cat("unexpected answer: '", trim(output), "'"));
    }
    case StateKind::game_override:
        return error("read by the caller");
    case StateKind::sync_mode: {
        std::string_view mode = trim(output);
        if (mode.empty() || mode.find_first_of(" \t\n") != std::string_view::npos) {
            return error(str_cat("unexpected answer: '", mode, "'"));
        }
        return Value(mode);
    }
    case StateKind::allow_list:
        if (output.starts_with(kUnknownVerb)) return error(str_cat("unexpected answer: '", trim(output), "'"));
        // "PKG,UID" per package on the list.
        for (std::string_view line : split_lines(output)) {
            if (trim(line.substr(0, line.find(','))) == target.key[0]) return Value(kListed);
        }
        return Value();
    }
    return Value();
}

std::optional<std::string> unreadable_state_value(const StateTarget& target, std::string_view output) {
    if (target.kind == StateKind::game_mode && output.starts_with(kUnknownVerb)) return std::string(kStandardMode);
    return std::nullopt;
}

std::optional<std::vector<std::string>> list_command(const StateTarget& target) {
    const StateAccess& access = access_of(target.kind);
    if (access.list.empty()) return std::nullopt;
    return expand(access.list, target, "");
}

std::optional<std::string> listed_value(const StateTarget& target, std::string_view output) {
    const std::string prefix = target.key.back() + "=";
    for (std::string_view line : split_lines(output)) {
        if (line.starts_with(prefix)) return std::string(line.substr(prefix.size()));
    }
    return std::nullopt;
}

std::optional<std::optional<std::string>> value_given(const std::string& program, const Args& args) {
    using Value = std::optional<std::string>;
    CommandClass kind = classify_command(program, args);
    if (kind.kind != CommandKind::state) return std::nullopt;
    const bool removes = std::find(args.begin(), args.end(), "delete") != args.end();
    switch (kind.target->kind) {
    case StateKind::setting:
        if (removes) return Value();
        return Value(args[3]);
    case StateKind::device_config:
        if (removes) return Value();
        return Value(args[4]);
    case StateKind::property:
        return Value(args[1]);
    case StateKind::app_op:
        return Value(args[4]);
    case StateKind::allow_list:
        if (args[2][0] == '-') return Value();
        return Value(kListed);
    case StateKind::game_mode:
        // reset applies whatever mode is current: no value of korvane's own
        if (args[1] != "mode") return std::nullopt;
        return Value(args[2]);
    case StateKind::sync_mode:
        return Value(args[2]);
    case StateKind::game_override:  // put back whole by the caller, never set by korvane
        return std::nullopt;
    }
    return std::nullopt;
}

std::vector<std::string> restore_command(const StateTarget& target, const std::optional<std::string>& value) {
    const StateAccess& access = access_of(target.kind);
    if (target.kind == StateKind::game_override) {
        std::vector<std::string> command = {"cmd", "game", "set", "--mode", target.key[1]};
        std::string_view pieces = value ? std::string_view(*value) : std::string_view();
        while (!pieces.empty()) {
            const std::string_view piece = pieces.substr(0, pieces.find(','));
            pieces.remove_prefix(std::min(pieces.size(), piece.size() + 1));
            const size_t eq = piece.find('=');
            for (const OverridePiece& known : kOverridePieces) {
                if (eq != std::string_view::npos && piece.substr(0, eq) == known.key) {
                    command.emplace_back(known.option);
                    command.emplace_back(piece.substr(eq + 1));
                }
            }
        }
        command.push_back(target.key[0]);
        return command;
    }
    if (value) return expand(access.put, target, *value);
    if (!access.remove.empty()) return expand(access.remove, target, "");
    bool sf = target.kind == StateKind::property && target.key[0].starts_with("debug.sf.");
    return expand(access.put, target, sf ? kUnsetSfValue : "");
}

bool restore_cannot_succeed(const StateTarget& target, std::string_view answer) {
    if (target.kind != StateKind::game_mode && target.kind != StateKind::game_override) return false;
    return std::any_of(std::begin(kGoneAnswers), std::end(kGoneAnswers),
                       [&](std::string_view gone) { return answer.find(gone) != std::string_view::npos; });
}

}  // namespace korvane
