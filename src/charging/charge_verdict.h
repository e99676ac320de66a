// The lines that say what a charger switch really did, judged by the
// battery current (or, where it cannot be read, by the status alone).
#pragma once

#include <string>
#include <string_view>

#include "charging/charge_settle.h"

namespace korvane {

// What `--bypass off` says when no charger is in: the switches are normal.
inline constexpr std::string_view kNoChargerAfterOff = "[INFO] No charger is connected: charging resumes once one is";

// "(<status>, <I> mA)": what a phone that does not charge shows.
std::string flow_state(const ChargeMeter& meter, const ChargeSample& sample);

// After bypass is enabled: idle, input cut or still charging, or uncertain
// when the current and the status disagree.
std::string bypass_on_verdict(const ChargeMeter& meter, const Settled& settled);

// With a charger but no switch at all: nothing was written or waited for.
std::string no_switch_verdict(const ChargeMeter& meter, const ChargeSample& sample);

// After bypass is disabled: resumed, full, not charging yet, uncertain, or
// no charger (a supply that reads offline once the switches are normal).
std::string bypass_off_verdict(const ChargeMeter& meter, const Settled& settled);

// "bypass", "input cut", "no effect" or "uncertain" and the current, for one
// tested switch.
std::string switch_effect(const ChargeMeter& meter, const Settled& settled);

// "(<I> mA)", with the marker of an assumed sign or of the status alone.
std::string current_note(const ChargeMeter& meter, const ChargeSample& sample);

}  // namespace korvane
