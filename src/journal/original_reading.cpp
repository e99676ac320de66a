#include "journal/original_reading.h"

#include <utility>
#include <vector>

#include "android/release_level.h"
#include "android/runner.h"
#include "journal/command_kinds.h"
#include "journal/device_config_sync.h"
#include "journal/node_change.h"
#include "journal/tool_commands.h"
#include "os/node.h"

namespace korvane {
namespace {

// A write bit and no read bit: made to be written, never read (drop_caches).
bool write_only_by_design(mode_t mode) { return (mode & 0444) == 0 && (mode & 0222) != 0; }

// Fills in a node's original. False for a node that holds nothing to put back.
Result<bool> read_node_original(JournalRecord& record) {
    NodeOriginal& node = *record.node;
    if (write_only_by_design(node.mode)) return false;
    auto content = read_node(node.path);
    if (!content) return Error{content.error()};
    // An empty value could not be written back.
    if (content->empty()) return error("it reads empty");
    node.content = std::move(content).value();
    return true;
}

Result<std::optional<std::string>> read_state_original(const StateTarget& target) {
    // Each release says the sync mode its own way.
    if (target.kind == StateKind::sync_mode) {
        auto release = known_release_level();
        if (release && *release) {
            auto mode = read_sync_mode(**release);
            if (!mode) return Error{mode.error()};
            return std::optional<std::string>(std::move(mode).value());
        }
    }
    std::vector<std::string> read = read_command(target);
    const Args args(read.begin() + 1, read.end());
    auto process = run_process(read[0], args);
    if (!process) return error("Failed to execute command " + command_line(read[0], args) + ": " + process.error());
    if (!process->exited_zero) {
        if (auto value = unreadable_state_value(target, process->out)) return std::optional<std::string>(*value);
        return error("Command failed: " + command_line(read[0], args) + ": " + process->err);
    }
    return parse_state_value(target, process->out);
}

}  // namespace

Result<bool> read_original(JournalRecord& record) {
    if (record.node) return read_node_original(record);
    auto value = read_state_original(record.state->target);
    if (!value) return Error{value.error()};
    record.state->value = std::move(value).value();
    return true;
}

}  // namespace korvane
