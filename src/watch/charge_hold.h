// The charge limit's hands: pauses charging with the best switch the phone
// has and resumes it, each change journaled (so that --restore puts the
// switch back) and marked in korvane's folder (so that the next --watch
// resumes a pause that a dead service left), and says what the battery did
// once the current settled.
#pragma once

#include <optional>
#include <string>

#include "charging/charge_switches.h"

namespace korvane {

class ChargeHold {
public:
    // Pauses charging; `reason` is "80 %" or "46.1 °C". False when no switch
    // stopped the charge (each tried was put back).
    bool pause(const std::string& reason);
    // Resumes charging; `reason` ends "[INFO] Charge limit: resumed <reason>".
    void resume(const std::string& reason);
    // A replug or a reboot may reset the switch: true while it still reads
    // its pause value.
    bool still_paused() const;
    bool paused() const { return held_.has_value(); }
    // The switch was reset behind our back: nothing is held any more.
    void forget() { held_.reset(); }

private:
    std::optional<ChargeSwitch> held_;
    bool said_cut_ = false;
};

// Resumes charging that a service which died left paused; says so.
void repair_left_pause();

// "[INFO] Charge limit: paused by korvane --watch (<path>)" for --status, or nothing.
std::optional<std::string> paused_switch();

}  // namespace korvane
