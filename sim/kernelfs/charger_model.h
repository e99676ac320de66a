#pragma once
// The phone's charger as its real driver behaves (../shared/platform.md,
// "Charging switches and how to see what they did"). The profile's `charger`
// file in the state names the switches, each with its effect (bypass: the
// battery idles while the charger powers the phone; input_cut: the phone
// drains its battery; none), its settling delays and quirks, and the phone's
// sign, unit and status behaviour; `charger_use` in the state adds a load and
// a vendor's charge hold. `charger_state` keeps the cable (sim/run
// --charger) and when each switch was turned on and off; a read of
// current_now, status, online or present is worked out from them at the
// moment it is made.

#include <optional>
#include <string_view>

#include "node_value.h"

namespace kernelfs {

// What a power_supply node (or a switch that shows what was applied) shows
// now, or nothing for a node the charger does not drive (or a phone without
// a charger file). `offset` is where the read starts: 0 opens a new round
// trip to the firmware, which can fail.
std::optional<Text> show_charger_node(const Mount& mount, std::string_view path, size_t offset);

// Called around every write: notes when a switch of the profile turns on or
// off. `before` is the node's value before the write.
bool is_charger_switch(const Mount& mount, std::string_view path);
void note_switch_write(const Mount& mount, std::string_view path, std::string_view before);

}  // namespace kernelfs
