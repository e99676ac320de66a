// The lines that say what a charger switch really did, judged by the
// battery current (or, where it cannot be read, by the status alone).
#pragma once

#include <string>

#include "charging/charge_settle.h"

namespace korvane {

// After bypass is enabled: idle, input cut or still charging.
std::string bypass_on_verdict(const ChargeMeter& meter, const Settled& settled);

// With a charger but no switch at all: nothing was written or waited for.
std::string no_switch_verdict(const ChargeMeter& meter, const ChargeSample& sample);

// After bypass is disabled: resumed, full, or not charging yet.
std::string bypass_off_verdict(const ChargeMeter& meter, const Settled& settled);

// "bypass", "input cut" or "no effect" and the current, for one tested switch.
std::string switch_effect(const ChargeMeter& meter, const Settled& settled);

// "(<I> mA)", with the marker of an assumed sign or of the status alone.
std::string current_note(const ChargeMeter& meter, const ChargeSample& sample);

}  // namespace korvane
