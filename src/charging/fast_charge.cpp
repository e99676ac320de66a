#include "charging/fast_charge.h"

#include <string>
#include <vector>

#include "charging/charge_nodes.h"
#include "charging/charge_state.h"
#include "journal/change_gate.h"
#include "journal/node_change.h"
#include "os/output.h"

namespace korvane {
namespace {

constexpr ChargeUsage kFastChargeUsage = {
    "Usage: fast_charge <on|off|test>",
    "  on    : Enable force fast charge",
    "  off   : Disable force fast charge",
    "  test  : Scan and test charging paths",
};

std::size_t scan_fast_charge_paths() {
    out("[INFO] Scanning for fast charging paths...");
    std::size_t found = 0;
    for (std::string_view path : kFastChargeNodes) {
        if (show_charge_path(std::string(path))) ++found;
    }
    out("[INFO] Found ", found, " fast charging paths");
    return found;
}

std::size_t write_fast_charge_nodes(std::string_view value) {
    // Every original first, with one journal flush; absent nodes are passed over.
    record_originals(fast_charge_changes());
    std::size_t modified = 0;
    for (std::string_view node : kFastChargeNodes) {
        std::string path(node);
        if (!path_exists(path)) continue;
        auto written = write_node(path, value);
        if (written) {
            ++modified;
        } else {
            out("[WARN] Failed to write to ", path, ": ", written.error());
        }
    }
    return modified;
}

}  // namespace

std::vector<PlannedChange> fast_charge_changes() {
    std::vector<PlannedChange> changes;
    for (std::string_view node : kFastChargeNodes) changes.push_back(node_change(std::string(node)));
    return changes;
}

Result<std::size_t> set_fast_charge(std::string_view state) {
    auto action = parse_charge_action(state);
    if (!action) return reject_charge_state(state, kFastChargeUsage);
    if (*action == ChargeAction::test) return scan_fast_charge_paths();

    bool enable = *action == ChargeAction::enable;
    out(enable ? "[INFO] Enabling Force Fast Charge..." : "[INFO] Disabling Force Fast Charge...");
    // as echo writes them: a common force_fast_charge driver takes a write
    // only when its second byte is a newline, and ignores others with success
    std::size_t modified = write_fast_charge_nodes(enable ? "1\n" : "0\n");
    out(enable ? "[OK] Fast Charge Enabled - " : "[OK] Fast Charge Disabled - ", modified, " paths modified");
    return modified;
}

}  // namespace korvane
