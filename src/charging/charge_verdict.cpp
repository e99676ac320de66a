#include "charging/charge_verdict.h"

#include <cstdlib>

#include "os/text.h"

namespace korvane {

std::string current_note(const ChargeMeter& meter, const ChargeSample& sample) {
    if (!sample.current_ma) return "(from the charging status only; it can be wrong on this phone)";
    std::string note = str_cat("(", charging_ma(meter, sample), " mA)");
    if (meter.sign_assumed) note += " (sign assumed: the battery was not charging before)";
    return note;
}

std::string flow_state(const ChargeMeter& meter, const ChargeSample& sample) {
    std::string status = sample.status.empty() ? "status unknown" : sample.status;
    if (!sample.current_ma) return str_cat("(", status, ", current unknown)");
    return str_cat("(", status, ", ", charging_ma(meter, sample), " mA)");
}

std::string bypass_on_verdict(const ChargeMeter& meter, const Settled& settled) {
    std::string note = current_note(meter, settled.sample);
    if (std::string doubt = flow_doubt(meter, settled.sample); !doubt.empty()) {
        return str_cat("[WARN] Uncertain after 10 s ", note, ": ", doubt);
    }
    switch (settled.flow) {
    case ChargeFlow::idle:
    case ChargeFlow::full:
        return "[OK] Bypass active: the charger powers the phone and the battery is idle " + note;
    case ChargeFlow::discharging:
        return "[WARN] Charging stopped by cutting the charger input: the phone runs on its battery " + note;
    case ChargeFlow::charging:
    case ChargeFlow::unknown:
        break;
    }
    if (!settled.sample.current_ma) return "[WARN] The phone still charges after 10 s: no switch of this phone stopped it " + note;
    return str_cat("[WARN] The phone still charges after 10 s (", charging_ma(meter, settled.sample),
                   " mA): no switch of this phone stopped it",
                   meter.sign_assumed ? " (sign assumed: the battery was not charging before)" : "");
}

std::string no_switch_verdict(const ChargeMeter& meter, const ChargeSample& sample) {
    return "[WARN] The phone still charges: it has no charger switch that korvane knows " + current_note(meter, sample);
}

std::string bypass_off_verdict(const ChargeMeter& meter, const Settled& settled) {
    if (settled.sample.online == false) return std::string(kNoChargerAfterOff);
    if (std::string doubt = flow_doubt(meter, settled.sample); !doubt.empty()) {
        return str_cat("[WARN] Uncertain after 15 s ", current_note(meter, settled.sample), ": ", doubt);
    }
    if (settled.flow == ChargeFlow::full) return "[OK] Charging resumed: the battery is full";
    // the sign matters no more: a resumed charge is told by its size and status
    if (settled.flow == ChargeFlow::charging && settled.sample.current_ma) {
        long ma = charging_ma(meter, settled.sample);
        // with an assumed sign the status told the flow: charging is positive
        return str_cat("[OK] Charging resumed (", meter.sign_assumed ? std::labs(ma) : ma, " mA)");
    }
    if (settled.flow == ChargeFlow::charging) return "[OK] Charging resumed " + current_note(meter, settled.sample);
    if (!settled.sample.current_ma) {
        return "[WARN] The phone does not charge yet after 15 s: unplug the charger and plug it in again " +
               current_note(meter, settled.sample);
    }
    return str_cat("[WARN] The phone does not charge yet after 15 s (", charging_ma(meter, settled.sample),
                   " mA): unplug the charger and plug it in again");
}

std::string switch_effect(const ChargeMeter& meter, const Settled& settled) {
    std::string note = current_note(meter, settled.sample);
    switch (settled.flow) {
    case ChargeFlow::idle:
    case ChargeFlow::full: return "bypass " + note;
    case ChargeFlow::discharging: return "input cut " + note;
    case ChargeFlow::charging:
    case ChargeFlow::unknown: break;
    }
    if (std::string doubt = flow_doubt(meter, settled.sample); !doubt.empty()) return str_cat("uncertain ", note, ": ", doubt);
    return "no effect " + note;
}

}  // namespace korvane
