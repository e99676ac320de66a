#include "charging/switch_probe.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "charging/charge_reading.h"
#include "charging/charge_settle.h"
#include "charging/charge_state.h"
#include "charging/charge_switches.h"
#include "charging/charge_verdict.h"
#include "journal/dry_run.h"
#include "journal/node_change.h"
#include "os/clock.h"
#include "os/output.h"
#include "os/signals.h"
#include "os/text.h"
#include "os/time_limits.h"

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

// The release of a switch: a driver can refuse a write (EIO from the
// charger IC), so a refused one is tried once more after a poll interval.
Result<void> release(const ChargeSwitch& sw) {
    auto written = write_switch(sw, false);
    if (written) return written;
    sleep_ms(charge_poll_ms());
    return write_switch(sw, false);
}

// The error of a switch left at its bypass value, or of the first of them.
std::optional<Error> release_all(const std::vector<ChargeSwitch>& switches) {
    std::optional<Error> left;
    for (const ChargeSwitch& sw : switches) {
        auto released = release(sw);
        if (!released && !left) left = error(str_cat(sw.path, " is still at its bypass value: ", released.error()));
    }
    return left;
}

// A switch left at its bypass value (bypass still on) would keep the phone
// from charging again after every test: all go back to normal first, and
// the phone is given time to resume.
Result<void> release_switches_left_on(const std::vector<ChargeSwitch>& present, const ChargeMeter& meter) {
    if (std::none_of(present.begin(), present.end(), reads_bypass)) return {};
    out("[INFO] Bypass is on: every switch goes back to its normal value before the test");
    {
        // an interruption waits until every switch is back
        DeferredInterruption deferred;
        if (auto left = release_all(present)) return *left;
    }
    (void)wait_for_resume(meter);
    return {};
}

// Keeps what this test proved, and what it could not test of the list before.
void keep_proven(std::vector<std::string> proven, const std::vector<ChargeSwitch>& untested,
                 const std::vector<ChargeSwitch>& present) {
    for (const ChargeSwitch& sw : proven_switches(present)) {
        bool skipped = std::any_of(untested.begin(), untested.end(), [&](const ChargeSwitch& u) { return u.path == sw.path; });
        if (skipped) proven.push_back(sw.path);
    }
    if (auto kept = remember_proven(proven); !kept) {
        out("[WARN] Could not remember the proven switches: ", kept.error());
    }
}

bool is_bypass(ChargeFlow flow) { return flow == ChargeFlow::idle || flow == ChargeFlow::full; }

}  // namespace

Result<std::size_t> probe_bypass_switches() {
    std::vector<ChargeSwitch> present = list_switches();
    if (present.empty() || is_dry_run()) return present.size();
    ChargeBaseline base = take_charge_baseline(own_cut_in_force(present));
    if (!base.charger) {
        out("[INFO] Connect a charger to test each switch");
        return present.size();
    }
    if (std::any_of(present.begin(), present.end(), reads_bypass)) {
        if (auto released = release_switches_left_on(present, base.meter); !released) return error(released.error());
        base = take_charge_baseline(false);
    }
    // Only a charging phone can show what a switch does: a full battery, a
    // vendor's charge hold or a load above the charger idles or drains it
    // whatever is written, and the switches proven before stay remembered.
    if (classify_charge(base.meter, base.sample) != ChargeFlow::charging) {
        out("[INFO] The phone is not charging now ", flow_state(base.meter, base.sample),
            ": korvane can only tell what a switch does while the phone charges");
        return present.size();
    }
    std::vector<std::string> proven;
    std::vector<ChargeSwitch> untested;
    for (const ChargeSwitch& sw : present) {
        out("[INFO] Testing ", sw.path, " (", switch_kind_name(sw.kind), ")...");
        // from the enable write to the release, an interruption puts the switch back first
        DeferredInterruption deferred;
        if (auto enabled = write_switch(sw, true); !enabled) {
            out("[WARN] ", sw.path, ": not tested: ", enabled.error());
            untested.push_back(sw);
            continue;
        }
        Settled stop = wait_for_stop(base.meter);
        auto released = release(sw);
        // an interruption ends korvane here, once the line is out
        if (!released) {
            Error left = error(str_cat(sw.path, " is still at its bypass value: ", released.error()));
            if (interruption_noted()) out("[ERROR] ", left.text);
            return left;
        }
        if (interruption_noted()) out("[INFO] Interrupted: ", sw.path, " is back at its normal value");
        deferred.end();
        Settled resume = wait_for_resume(base.meter);
        if (resume.flow != ChargeFlow::charging && resume.flow != ChargeFlow::full) {
            out("[WARN] ", sw.path, ": charging did not resume");
            if (auto left = release_all(present)) return *left;
            return error(str_cat("Charging did not resume after testing ", sw.path,
                                 ": every switch is back at its normal value; unplug the charger and plug it in again"));
        }
        // an input cut stops the charge too, but it is no bypass: never remembered as one
        if (is_bypass(stop.flow)) proven.push_back(sw.path);
        out("[INFO] ", sw.path, ": ", switch_effect(base.meter, stop));
    }
    keep_proven(proven, untested, present);
    return present.size();
}

}  // namespace korvane
