#include "charging/switch_probe.h"

#include <algorithm>
#include <string>
#include <vector>

#include "charging/charge_reading.h"
#include "charging/charge_settle.h"
#include "charging/charge_state.h"
#include "charging/charge_switches.h"
#include "charging/charge_verdict.h"
#include "journal/dry_run.h"
#include "journal/node_change.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

std::vector<ChargeSwitch> list_switches() {
    out("[INFO] Scanning for charging test paths...");
    std::vector<ChargeSwitch> present = present_switches();
    for (const ChargeSwitch& sw : present) {
        show_charge_path(sw.path);
        out("    Kind: ", switch_kind_name(sw.kind));
    }
    out("[INFO] Found ", present.size(), " bypass charging paths");
    return present;
}

// A switch left at its bypass value (bypass still on) would keep the phone
// from charging again after every test: all go back to normal first. True
// when one did, and the phone was given time to resume.
bool release_switches_left_on(const std::vector<ChargeSwitch>& present, const ChargeMeter& meter) {
    const bool left_on = std::any_of(present.begin(), present.end(), [](const ChargeSwitch& sw) {
        auto shown = read_node(sw.path);
        return shown && trim(*shown) == sw.enable;
    });
    if (!left_on) return false;
    out("[INFO] Bypass is on: every switch goes back to its normal value before the test");
    for (const ChargeSwitch& sw : present) write_switch(sw, false);
    (void)wait_for_resume(meter);
    return true;
}

void keep_proven(const std::vector<std::string>& proven) {
    if (auto kept = remember_proven(proven); !kept) {
        out("[WARN] Could not remember the proven switches: ", kept.error());
    }
}

}  // namespace

Result<std::size_t> probe_bypass_switches() {
    std::vector<ChargeSwitch> present = list_switches();
    if (present.empty() || is_dry_run()) return present.size();
    ChargeBaseline base = take_charge_baseline();
    if (!base.charger) {
        out("[INFO] Connect a charger to test each switch");
        return present.size();
    }
    if (release_switches_left_on(present, base.meter)) base = take_charge_baseline();
    // only a phone that charged before can prove a switch: a full or resting
    // battery idles whatever is written
    const bool charging = classify_charge(base.meter, base.sample) == ChargeFlow::charging;
    std::vector<std::string> proven;
    for (const ChargeSwitch& sw : present) {
        out("[INFO] Testing ", sw.path, " (", switch_kind_name(sw.kind), ")...");
        write_switch(sw, true);
        Settled stop = wait_for_stop(base.meter);
        write_switch(sw, false);
        Settled resume = wait_for_resume(base.meter);
        if (resume.flow != ChargeFlow::charging && resume.flow != ChargeFlow::full) {
            out("[WARN] ", sw.path, ": charging did not resume");
            for (const ChargeSwitch& other : present) write_switch(other, false);
            keep_proven(proven);
            return error(str_cat("Charging did not resume after testing ", sw.path,
                                 ": every switch is back at its normal value; unplug the charger and plug it in again"));
        }
        if (charging && (stop.flow == ChargeFlow::idle || stop.flow == ChargeFlow::full)) proven.push_back(sw.path);
        out("[INFO] ", sw.path, ": ", switch_effect(base.meter, stop));
    }
    keep_proven(proven);
    return present.size();
}

}  // namespace korvane
