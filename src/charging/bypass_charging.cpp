#include "charging/bypass_charging.h"

#include <string>
#include <vector>

#include "charging/charge_nodes.h"
#include "charging/charge_state.h"
#include "sys/journal/change_gate.h"
#include "sys/node.h"
#include "sys/output.h"

namespace korvane {
namespace {

constexpr ChargeUsage kBypassUsage = {
    "Usage: bypass <on|off|test>",
    "  on    : Enable bypass charging",
    "  off   : Disable bypass charging",
    "  test  : Scan and test charging paths",
};

std::size_t scan_bypass_paths() {
    out("[INFO] Scanning for charging test paths...");
    std::size_t found = 0;
    for (const BypassNode& node : kBypassNodes) {
        if (show_charge_path(std::string(node.path))) ++found;
    }
    if (show_charge_path(std::string(kMtkBatteryCmdPath))) ++found;
    out("[INFO] Found ", found, " bypass charging paths");
    return found;
}

std::size_t write_bypass_nodes(ChargeAction action) {
    bool enable = action == ChargeAction::enable;
    // Every original first, with one journal flush; absent nodes are passed over.
    std::vector<PlannedChange> planned;
    for (const BypassNode& node : kBypassNodes) planned.push_back(node_change(std::string(node.path)));
    planned.push_back(node_change(std::string(kMtkBatteryCmdPath)));
    record_originals(planned);
    std::size_t modified = 0;
    for (const BypassNode& node : kBypassNodes) {
        std::string path(node.path);
        if (!path_exists(path)) continue;
        std::string_view value = enable ? node.enable : node.disable;
        auto written = write_node(path, value);
        if (written) {
            ++modified;
        } else {
            out("[WARN] Failed to write ", value, " to ", path, ": ", written.error());
        }
    }
    // The MediaTek node takes a command, not a setting: it is not locked.
    std::string mtk(kMtkBatteryCmdPath);
    if (path_exists(mtk)) {
        auto written = write_file(mtk, enable ? kMtkBypassEnable : kMtkBypassDisable);
        if (written) {
            ++modified;
        } else {
            out("[WARN] Failed to write to MTK battery cmd: ", written.error());
        }
    }
    return modified;
}

}  // namespace

Result<std::size_t> set_bypass_charging(std::string_view state) {
    auto action = parse_charge_action(state);
    if (!action) return reject_charge_state(state, kBypassUsage);
    if (*action == ChargeAction::test) return scan_bypass_paths();

    bool enable = *action == ChargeAction::enable;
    out(enable ? "[INFO] Enabling Bypass Charging..." : "[INFO] Disabling Bypass Charging...");
    std::size_t modified = write_bypass_nodes(*action);
    out(enable ? "[OK] Bypass Charging Enabled - " : "[OK] Bypass Charging Disabled - ", modified,
        " paths modified");
    return modified;
}

}  // namespace korvane
