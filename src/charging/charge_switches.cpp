#include "charging/charge_switches.h"

#include "journal/korvane_files.h"
#include "journal/node_change.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr std::string_view kProvenFile = "charging";

}  // namespace

std::string_view switch_kind_name(SwitchKind kind) {
    switch (kind) {
    case SwitchKind::bypass: return "bypass";
    case SwitchKind::input_cut: return "input cut";
    case SwitchKind::depends: return "depends on the driver";
    }
    return "";
}

std::vector<ChargeSwitch> present_switches() {
    std::vector<ChargeSwitch> present;
    for (const BypassNode& node : kBypassNodes) {
        std::string path(node.path);
        if (path_exists(path)) present.push_back({path, node.enable, node.disable, node.kind});
    }
    std::string mtk(kMtkBatteryCmdPath);
    if (path_exists(mtk)) present.push_back({mtk, kMtkBypassEnable, kMtkBypassDisable, kMtkBypassKind, true});
    return present;
}

Result<void> write_switch(const ChargeSwitch& sw, bool enable) {
    std::string_view value = enable ? sw.enable : sw.disable;
    // The MediaTek node takes a command, not a setting: it is not locked.
    return sw.command_node ? write_file(sw.path, value) : write_node(sw.path, value);
}

bool set_switch(const ChargeSwitch& sw, bool enable) {
    auto written = write_switch(sw, enable);
    if (written) return true;
    if (sw.command_node) {
        out("[WARN] Failed to write to MTK battery cmd: ", written.error());
    } else {
        out("[WARN] Failed to write ", enable ? sw.enable : sw.disable, " to ", sw.path, ": ", written.error());
    }
    return false;
}

bool reads_bypass(const ChargeSwitch& sw) {
    auto shown = read_node(sw.path);
    return shown && trim(*shown) == sw.enable;
}

bool own_cut_in_force(const std::vector<ChargeSwitch>& present) {
    for (const ChargeSwitch& sw : present) {
        if (sw.kind == SwitchKind::input_cut && reads_bypass(sw)) return true;
    }
    return false;
}

std::vector<ChargeSwitch> proven_switches(const std::vector<ChargeSwitch>& present) {
    std::vector<ChargeSwitch> proven;
    auto text = read_stored_file(kProvenFile);
    if (!text) return proven;
    for (std::string_view line : split_lines(*text)) {
        for (const ChargeSwitch& sw : present) {
            if (sw.path == trim(line)) proven.push_back(sw);
        }
    }
    return proven;
}

Result<void> remember_proven(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += path + "\n";
    return store_file(kProvenFile, text);
}

}  // namespace korvane
