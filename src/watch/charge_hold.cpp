#include "watch/charge_hold.h"

#include <vector>

#include "charging/charge_nodes.h"
#include "charging/charge_reading.h"
#include "charging/charge_settle.h"
#include "journal/change_gate.h"
#include "journal/change_policy.h"
#include "journal/korvane_files.h"
#include "os/output.h"
#include "os/text.h"
#include "watch/watch_log.h"

namespace korvane {
namespace {

// The switch a pause holds, one path: read by the next start and by --status.
constexpr std::string_view kPausedFile = "charge_limit_paused";

using Switches = std::vector<ChargeSwitch>;

// Proven switches first, then bypass ones, the driver-dependent ones, and an
// input cut last: for a limit a cut is sound (the battery drains slowly to
// the resume level and charges again).
Switches candidates() {
    Switches present = present_switches();
    Switches picked = proven_switches(present);
    for (SwitchKind kind : {SwitchKind::bypass, SwitchKind::depends, SwitchKind::input_cut}) {
        for (const ChargeSwitch& sw : present) {
            if (sw.kind != kind) continue;
            bool known = false;
            for (const ChargeSwitch& p : picked) known = known || p.path == sw.path;
            if (!known) picked.push_back(sw);
        }
    }
    return picked;
}

// A recorded write: the switch's original goes into the journal, flushed
// before the write, so that --restore puts it back even when the service is
// gone. The service's other writes are its sessions' own.
bool pause_switch(const ChargeSwitch& sw) {
    set_change_policy(ChangePolicy::record);
    record_originals({node_change(sw.path)});
    const bool written = set_switch(sw, true);
    set_change_policy(ChangePolicy::unrecorded);
    return written;
}

std::string what_it_does(const ChargeMeter& meter, const Settled& settled) {
    const long ma = charging_ma(meter, settled.sample);
    switch (settled.flow) {
    case ChargeFlow::idle:
    case ChargeFlow::full: return str_cat("bypass: the charger powers the phone, the battery rests, ", ma, " mA");
    case ChargeFlow::discharging: return "input cut: the phone runs on its battery";
    case ChargeFlow::charging: return str_cat("still charging, ", ma, " mA");
    case ChargeFlow::unknown: break;
    }
    return "the current does not tell";
}

std::optional<ChargeSwitch> stored_switch() {
    auto text = read_stored_file(kPausedFile);
    if (!text) return std::nullopt;
    const std::string path(trim(*text));
    for (const ChargeSwitch& sw : present_switches()) {
        if (sw.path == path) return sw;
    }
    return std::nullopt;
}

}  // namespace

bool ChargeHold::pause(const std::string& reason) {
    Switches tried = candidates();
    if (tried.empty()) {
        watch_out("[WARN] Charge limit: this phone has no charger switch; charging goes on");
        return false;
    }
    ChargeBaseline base = take_charge_baseline(own_cut_in_force(present_switches()));
    const bool charging = classify_charge(base.meter, base.sample) == ChargeFlow::charging;
    for (const ChargeSwitch& sw : tried) {
        if (sw.kind == SwitchKind::input_cut && !said_cut_) {
            watch_out("[WARN] Charge limit: this phone can only cut the charger input: it runs on its battery while paused");
            said_cut_ = true;
        }
        // Marked before the write: a service killed between the two still leaves it found.
        (void)store_file(kPausedFile, sw.path + "\n");
        if (!pause_switch(sw)) continue;
        // Not charging before (full, a load above the charger): nothing to judge by.
        if (!charging) {
            held_ = sw;
            watch_out("[INFO] Charge limit: paused at ", reason, " (", sw.path, ")");
            return true;
        }
        Settled settled = wait_for_stop(base.meter);
        if (settled.flow == ChargeFlow::charging) {
            (void)set_switch(sw, false);  // it does not stop the charge: the next one is tried
            continue;
        }
        held_ = sw;
        watch_out("[INFO] Charge limit: paused at ", reason, " (", what_it_does(base.meter, settled), ")");
        return true;
    }
    (void)remove_stored_file(kPausedFile);
    watch_out("[WARN] Charge limit: no switch stopped the charge at ", reason);
    return false;
}

void ChargeHold::resume(const std::string& reason) {
    if (!held_) return;
    const ChargeSwitch sw = *held_;
    held_.reset();
    (void)set_switch(sw, false);
    (void)remove_stored_file(kPausedFile);
    ChargeBaseline base = take_charge_baseline(false);
    if (!base.charger) {
        watch_out("[INFO] Charge limit: resumed ", reason, " (no charger is connected)");
        return;
    }
    Settled settled = wait_for_resume(base.meter);
    watch_out("[INFO] Charge limit: resumed ", reason, " (", charging_ma(base.meter, settled.sample), " mA)");
}

bool ChargeHold::still_paused() const { return held_ && reads_bypass(*held_); }

void repair_left_pause() {
    auto sw = stored_switch();
    if (!sw) {
        (void)remove_stored_file(kPausedFile);
        return;
    }
    // --restore may have put it back already.
    const bool left = reads_bypass(*sw);
    if (left) (void)set_switch(*sw, false);
    (void)remove_stored_file(kPausedFile);
    if (left) watch_out("[INFO] Charge limit: resumed charging left paused (", sw->path, ")");
}

std::optional<std::string> paused_switch() {
    auto sw = stored_switch();
    if (!sw || !reads_bypass(*sw)) return std::nullopt;
    return str_cat("[INFO] Charge limit: paused by korvane --watch (", sw->path, ")");
}

}  // namespace korvane
