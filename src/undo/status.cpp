#include "undo/status.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "android/cluster_boundaries.h"
#include "android/release_level.h"
#include "android/thermal_state.h"
#include "display/game_override.h"
#include "journal/command_kinds.h"
#include "journal/device_config_sync.h"
#include "journal/journal.h"
#include "journal/node_change.h"
#include "journal/tool_commands.h"
#include "os/os_error.h"
#include "os/output.h"
#include "os/text.h"
#include "profiles/device_config_twins.h"
#include "undo/report_nodes.h"

namespace korvane {
namespace {

// Long values (a framework constants list) are cut in the line.
constexpr size_t kLongestShownValue = 96;

using Value = std::optional<std::string>;

// A value as one short part of a line: "absent", or the text without its
// line end, control characters shown as escapes.
std::string shown(const Value& value) {
    if (!value) return "absent";
    std::string_view text = *value;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::string line = one_line(text);
    if (line.size() > kLongestShownValue) line = line.substr(0, kLongestShownValue - 3) + "...";
    return line;
}

// One target of the journal: its original, the value korvane last gave it
// when the journal kept it, and where its latest line stands.
struct Target {
    JournalRecord original;
    std::optional<JournalRecord> korvanes;
    size_t latest = 0;
};

// Records of one boot; a record without a boot (its run could not read the
// id) belongs with any record that is not of an earlier boot, as for undo.
bool same_boot(const JournalRecord& a, const JournalRecord& b) {
    return !a.node || !b.node || a.node->boot_id == b.node->boot_id || (!of_an_earlier_boot(a) && !of_an_earlier_boot(b));
}

std::vector<Target> gather(const std::vector<JournalLine>& lines) {
    std::vector<Target> targets;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].record) {
            out("[WARN] Skipping unreadable journal line ", lines[i].number, ": ", lines[i].record.error());
            continue;
        }
        const JournalRecord& record = *lines[i].record;
        if (record.session) continue;  // the watch service's, shown with it
        auto held = std::find_if(targets.begin(), targets.end(), [&](const Target& t) {
            return (t.original.same_target(record) && same_boot(t.original, record)) ||
                   value_key(t.original) == value_key(record);
        });
        if (record.korvane_value) {
            if (held == targets.end()) continue;  // its original went with an undo
            held->korvanes = record;
            held->latest = i;
        } else if (held == targets.end()) {
            targets.push_back({record, std::nullopt, i});
        }
    }
    std::stable_sort(targets.begin(), targets.end(), [](const Target& a, const Target& b) { return a.latest > b.latest; });
    return targets;
}

// A target as it reads now; `unshown` where the release cannot show it at all
// (a game's mode on 12 and 13).
struct Reading {
    Value value;
    bool unshown = false;
};

// Reads the state targets now, each tool at most once per namespace, table
// or command line.
class StateReader {
public:
    Result<Reading> read(const StateTarget& target) {
        if (auto list = list_command(target)) {
            auto at = lists_.find(*list);
            if (at == lists_.end()) at = lists_.emplace(*list, run_command_output((*list)[0], tail(*list))).first;
            const Result<std::string>& listing = at->second;
            if (!listing) return Error{listing.error()};
            return Reading{listed_value(target, *listing)};
        }
        if (target.kind == StateKind::property) return property(target.key[0]);
        if (target.kind == StateKind::sync_mode) return sync_mode();
        if (target.kind == StateKind::game_override) return game_override(target);
        std::vector<std::string> command = read_command(target);
        auto at = reads_.find(command);
        if (at == reads_.end()) at = reads_.emplace(command, run_process(command[0], tail(command))).first;
        const Result<ProcessOutput>& answer = at->second;
        if (!answer) return error(answer.error());
        if (!answer->exited_zero) {
            if (unreadable_state_value(target, answer->out)) return Reading{std::nullopt, true};
            return error(str_cat("Command failed: ", command_line(command[0], tail(command)), ": ", trim(answer->err)));
        }
        auto value = parse_state_value(target, answer->out);
        if (!value) return Error{value.error()};
        return Reading{*value};
    }

private:
    static Args tail(const std::vector<std::string>& command) { return Args(command.begin() + 1, command.end()); }

    // One `getprop` lists them all as "[NAME]: [VALUE]".
    Result<Reading> property(const std::string& name) {
        if (!properties_) properties_ = run_command_output("getprop", {});
        if (!*properties_) return Error{properties_->error()};
        const std::string prefix = "[" + name + "]: [";
        for (std::string_view line : split_lines(**properties_)) {
            if (!line.starts_with(prefix) || !line.ends_with("]")) continue;
            std::string_view value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
            if (value.empty()) return Reading{};
            return Reading{Value(value)};
        }
        return Reading{};
    }

    Result<Reading> sync_mode() {
        auto release = known_release();
        if (!release) return Error{release.error()};
        auto mode = read_sync_mode(*release);
        if (!mode) return Error{mode.error()};
        return Reading{Value(*mode)};
    }

    // Found as the recording found it: the game's listed configuration
    // against its overlay; absent when no override of the mode is left.
    Result<Reading> game_override(const StateTarget& target) {
        auto release = known_release();
        if (!release) return Error{release.error()};
        auto overlay = read({StateKind::device_config, {"game_overlay", target.key[0]}});
        if (!overlay) return overlay;
        auto overrides = read_overrides(*release, target.key[0], overlay->value.value_or(""));
        if (!overrides) return Error{overrides.error()};
        for (const GameOverride& o : *overrides) {
            if (o.mode == target.key[1]) return Reading{Value(o.pieces)};
        }
        return Reading{};
    }

    static Result<int32_t> known_release() {
        auto release = known_release_level();
        if (!release) return Error{release.error()};
        if (!*release) return error("unknown Android release");
        return **release;
    }

    std::map<std::vector<std::string>, Result<std::string>> lists_;
    std::map<std::vector<std::string>, Result<ProcessOutput>> reads_;
    std::optional<Result<std::string>> properties_;
};

enum class Verdict { in_force, shows_other, changed };

// A node korvane locked and that is still locked has not been written since:
// what it shows is the kernel's own reading of korvane's value.
Verdict judge_node(const NodeOriginal& set, const std::string& now) {
    if (reads_back_as_written(set.path, set.content, now)) return Verdict::in_force;
    if (report_node_default(set.path)) return Verdict::shows_other;
    struct stat st {};
    if (set.mode == 0444 && ::stat(set.path.c_str(), &st) == 0 && (st.st_mode & 07777) == 0444) return Verdict::shows_other;
    return Verdict::changed;
}

}  // namespace

Result<void> show_status() {
    // first, so that the summary stays the last line
    print_line(thermal_status_line(read_thermal_state()));
    auto peeked = journal_peek();
    if (!peeked) return error("Failed to read the journal: " + peeked.error());
    std::vector<Target> targets = gather(peeked->has_value() ? **peeked : std::vector<JournalLine>());
    if (targets.empty()) {
        out("[INFO] korvane has changed nothing");
        return success();
    }

    StateReader states;
    size_t in_force = 0;
    size_t changed = 0;
    size_t rebooted = 0;
    for (const Target& t : targets) {
        const std::string name = t.original.target_text();
        const Value original = t.original.node ? Value(t.original.node->content) : t.original.state->value;
        if (of_an_earlier_boot(t.original)) {
            out("[INFO] ", name, ": ", shown(original), " again: reset by a reboot");
            ++rebooted;
            continue;
        }
        // A node whose mode alone korvane changed (a vendor limit locked
        // away) is judged by its mode: its value is no longer for reading.
        if (t.korvanes && t.korvanes->node && t.korvanes->node->content.empty()) {
            struct stat st {};
            if (::stat(t.original.node->path.c_str(), &st) != 0) {
                out("[WARN] ", name, ": cannot be read: ", os_error_text(errno));
                continue;
            }
            const std::string was = "mode " + octal_mode(t.original.node->mode);
            const std::string set = "mode " + octal_mode(t.korvanes->node->mode);
            if ((st.st_mode & 07777) == t.korvanes->node->mode) {
                out("[OK] ", name, ": ", set, " (korvane's; was ", was, ")");
                ++in_force;
            } else {
                out("[WARN] ", name, ": now mode ", octal_mode(st.st_mode), "; korvane set ", set, " (was ", was,
                    "): changed since by something else");
                ++changed;
            }
            continue;
        }
        Result<Reading> now = error("");
        if (t.original.node) {
            auto content = read_node(t.original.node->path);
            now = content ? Result<Reading>(Reading{Value(*content)}) : Result<Reading>(Error{content.error()});
        } else {
            now = states.read(t.original.state->target);
        }
        if (!now) {
            out("[WARN] ", name, ": cannot be read: ", now.error());
            continue;
        }
        if (now->unshown) {
            auto release = known_release_level();
            const std::string on = release && *release ? " on Android " + release_name(**release) : "";
            const std::string set = t.korvanes ? "; korvane set " + shown(t.korvanes->state->value) : "";
            out("[INFO] ", name, ": cannot be read", on, set, " (was ", shown(original), ")");
            continue;
        }
        if (!t.korvanes) {
            out("[INFO] ", name, ": now ", shown(now->value), "; korvane's value unknown (was ", shown(original), ")");
            continue;
        }
        const Value set = t.korvanes->node ? Value(t.korvanes->node->content) : t.korvanes->state->value;
        Verdict verdict = Verdict::changed;
        if (t.korvanes->node) {
            verdict = judge_node(*t.korvanes->node, *now->value);
        } else if (now->value == set) {
            verdict = Verdict::in_force;
        }
        if (verdict == Verdict::changed) {
            out("[WARN] ", name, ": now ", shown(now->value), "; korvane set ", shown(set), " (was ", shown(original),
                "): changed since by something else");
            ++changed;
        } else if (verdict == Verdict::shows_other) {
            out("[OK] ", name, ": ", shown(set), " (set; the node shows ", shown(now->value), ")");
            ++in_force;
        } else {
            out("[OK] ", name, ": ", shown(set), " (korvane's; was ", shown(original), ")");
            ++in_force;
        }
    }
    out("[OK] ", in_force, " of korvane's changes in force, ", changed, " changed since by something else, ", rebooted,
        " reset by a reboot");
    return success();
}

}  // namespace korvane
