#include "charging/bypass_test.h"

#include <string>
#include <vector>

#include "charging/charge_reading.h"
#include "charging/charge_settle.h"
#include "charging/charge_state.h"
#include "charging/charge_switches.h"
#include "charging/charge_verdict.h"
#include "sys/dry_run.h"
#include "sys/output.h"
#include "sys/text.h"

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

void keep_proven(const std::vector<std::string>& proven) {
    if (auto kept = remember_proven(proven); !kept) {
        out("[WARN] Could not remember the proven switches: ", kept.error());
    }
}

}  // namespace

Result<std::size_t> test_bypass_switches() {
    std::vector<ChargeSwitch> present = list_switches();
    if (present.empty() || is_dry_run()) return present.size();
    ChargeBaseline base = take_charge_baseline();
    if (!base.charger) {
        out("[INFO] Connect a charger to test each switch");
        return present.size();
    }
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
