#include "charging/bypass_charging.h"

#include <algorithm>
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
#include "journal/korvane_files.h"
#include "os/output.h"
#include "os/text.h"

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
        if (set_switch(sw, enable)) ++modified;
    }
    return modified;
}

// Proven switches alone; else bypass ones, then the driver-dependent ones
// while the phone still charges, and an input cut only when nothing else
// exists or worked: written together with a bypass, the cut would win.
struct Rounds {
    Switches first, depends, input_cut;
};

Rounds bypass_rounds(const Switches& present) {
    Switches proven = proven_switches(present);
    return {proven.empty() ? of_kind(present, SwitchKind::bypass) : proven, of_kind(present, SwitchKind::depends),
            of_kind(present, SwitchKind::input_cut)};
}

constexpr std::string_view kOnlyCut = "[WARN] This phone can only cut the charger input: it will run on its battery while bypass is on";

// Kept while bypass is on when the phone charged as it was turned on: only
// then does `--bypass off` wait for the charge to come back.
constexpr std::string_view kChargedBefore = "bypass_charged";

// Nothing to judge by (no charger, or a phone that does not charge): the
// first round the phone has, no escalation.
std::size_t write_first_round(const Rounds& rounds, bool warn_cut) {
    if (!rounds.first.empty()) return write_switches(rounds.first, true);
    if (!rounds.depends.empty()) return write_switches(rounds.depends, true);
    if (rounds.input_cut.empty()) return 0;
    if (warn_cut) out(kOnlyCut);
    return write_switches(rounds.input_cut, true);
}

std::size_t enable_bypass() {
    Switches present = present_switches();
    Rounds rounds = bypass_rounds(present);
    std::size_t modified = 0;
    std::string verdict;
    // a dry run has no effect to judge: it shows what a phone without a charger would get
    ChargeBaseline base;
    if (!is_dry_run()) base = take_charge_baseline(own_cut_in_force(present));
    const ChargeFlow before = classify_charge(base.meter, base.sample);
    if (!base.charger) {
        modified = write_first_round(rounds, !is_dry_run());
        if (!is_dry_run()) verdict = "[INFO] No charger is connected: the switches are set, and the effect shows once one is";
    } else if (rounds.first.empty() && rounds.depends.empty() && rounds.input_cut.empty()) {
        verdict = no_switch_verdict(base.meter, base.sample);
    } else if (before != ChargeFlow::charging) {
        // a full battery, a vendor's charge hold or a load above the charger:
        // no switch can show what it does now. Bypass on already keeps what
        // the phone did before it.
        if (std::none_of(present.begin(), present.end(), reads_bypass)) (void)remove_stored_file(kChargedBefore);
        modified = write_first_round(rounds, true);
        verdict = str_cat("[INFO] The phone is not charging now ", flow_state(base.meter, base.sample),
                          ": the switches are set, and their effect shows once it charges");
    } else {
        (void)store_file(kChargedBefore, "charging\n");
        Settled settled{before, base.sample};
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
    if (is_dry_run()) {
        std::size_t modified = write_switches(present, false);
        out("[OK] Bypass Charging Disabled - ", modified, " paths modified");
        return modified;
    }
    ChargeBaseline base = take_charge_baseline(own_cut_in_force(present));
    const bool was_on = std::any_of(present.begin(), present.end(), reads_bypass);
    const bool charged_before = read_stored_file(kChargedBefore).has_value();
    std::size_t modified = write_switches(present, false);
    if (charged_before) (void)remove_stored_file(kChargedBefore);
    out("[OK] Bypass Charging Disabled - ", modified, " paths modified");
    if (!base.charger) {
        out(kNoChargerAfterOff);
    } else if (was_on && charged_before) {
        out(bypass_off_verdict(base.meter, wait_for_resume(base.meter)));
    } else {
        // korvane stopped no charge: what the phone does now is all there is
        ChargeSample now = read_charge_sample(base.meter);
        ChargeFlow flow = classify_charge(base.meter, now);
        if (flow == ChargeFlow::charging) {
            out(bypass_off_verdict(base.meter, {flow, now}));
        } else {
            out("[INFO] The phone is not charging now ", flow_state(base.meter, now));
        }
    }
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
