#include "charging/bypass_charging.h"

#include <string>
#include <vector>

#include "charging/charge_nodes.h"
#include "charging/charge_reading.h"
#include "charging/charge_settle.h"
#include "charging/charge_state.h"
#include "charging/charge_switches.h"
#include "charging/charge_verdict.h"
#include "charging/switch_probe.h"
#include "journal/change_gate.h"
#include "journal/dry_run.h"
#include "os/output.h"

namespace korvane {
namespace {

constexpr ChargeUsage kBypassUsage = {
    "Usage: bypass <on|off|test>",
    "  on    : Enable bypass charging",
    "  off   : Disable bypass charging",
    "  test  : Scan and test charging paths",
};

using Switches = std::vector<ChargeSwitch>;

Switches of_kind(const Switches& present, SwitchKind kind) {
    Switches picked;
    for (const ChargeSwitch& sw : present) {
        if (sw.kind == kind) picked.push_back(sw);
    }
    return picked;
}

std::vector<PlannedChange> switch_changes(const Switches& switches) {
    std::vector<PlannedChange> planned;
    for (const ChargeSwitch& sw : switches) planned.push_back(node_change(sw.path));
    return planned;
}

std::size_t write_switches(const Switches& switches, bool enable) {
    // Every original first, with one journal flush.
    record_originals(switch_changes(switches));
    std::size_t modified = 0;
    for (const ChargeSwitch& sw : switches) {
        if (write_switch(sw, enable)) ++modified;
    }
    return modified;
}

// Proven switches alone; else bypass ones, then the driver-dependent ones
// while the phone still charges, and an input cut only when nothing else
// exists or worked: written together with a bypass, the cut would win.
struct Rounds {
    Switches first, depends, input_cut;
};

Rounds bypass_rounds() {
    Switches present = present_switches();
    Switches proven = proven_switches(present);
    return {proven.empty() ? of_kind(present, SwitchKind::bypass) : proven, of_kind(present, SwitchKind::depends),
            of_kind(present, SwitchKind::input_cut)};
}

constexpr std::string_view kOnlyCut = "[WARN] This phone can only cut the charger input: it will run on its battery while bypass is on";

std::size_t enable_bypass() {
    Rounds rounds = bypass_rounds();
    std::size_t modified = 0;
    std::string verdict;
    // a dry run has no effect to judge: it shows what a phone without a charger would get
    ChargeBaseline base;
    if (!is_dry_run()) base = take_charge_baseline();
    if (!base.charger) {
        // Nothing to judge by: the first round the phone has, no escalation.
        // A dry run shows that round too, and no verdict.
        if (!rounds.first.empty()) {
            modified = write_switches(rounds.first, true);
        } else if (!rounds.depends.empty()) {
            modified = write_switches(rounds.depends, true);
        } else if (!rounds.input_cut.empty()) {
            if (!is_dry_run()) out(kOnlyCut);
            modified = write_switches(rounds.input_cut, true);
        }
        if (!is_dry_run()) verdict = "[INFO] No charger is connected: the switches are set, and the effect shows once one is";
    } else if (rounds.first.empty() && rounds.depends.empty() && rounds.input_cut.empty()) {
        verdict = no_switch_verdict(base.meter, base.sample);
    } else {
        Settled settled{classify_charge(base.meter, base.sample), base.sample};
        for (const Switches* round : {&rounds.first, &rounds.depends, &rounds.input_cut}) {
            if (round->empty()) continue;
            modified += write_switches(*round, true);
            settled = wait_for_stop(base.meter);
            if (settled.flow != ChargeFlow::charging && settled.flow != ChargeFlow::unknown) break;
        }
        verdict = bypass_on_verdict(base.meter, settled);
    }
    out("[OK] Bypass Charging Enabled - ", modified, " paths modified");
    if (!verdict.empty()) out(verdict);
    return modified;
}

std::size_t disable_bypass() {
    Switches present = present_switches();
    ChargeBaseline base;
    if (!is_dry_run()) base = take_charge_baseline();
    std::size_t modified = write_switches(present, false);
    out("[OK] Bypass Charging Disabled - ", modified, " paths modified");
    if (base.charger) out(bypass_off_verdict(base.meter, wait_for_resume(base.meter)));
    return modified;
}

}  // namespace

std::vector<PlannedChange> bypass_off_changes() { return switch_changes(present_switches()); }

Result<std::size_t> set_bypass_charging(std::string_view state) {
    auto action = parse_charge_action(state);
    if (!action) return reject_charge_state(state, kBypassUsage);
    if (*action == ChargeAction::test) return probe_bypass_switches();
    if (*action == ChargeAction::enable) {
        out("[INFO] Enabling Bypass Charging...");
        return enable_bypass();
    }
    out("[INFO] Disabling Bypass Charging...");
    return disable_bypass();
}

}  // namespace korvane
