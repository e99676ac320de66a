// Bypass charging: suspending battery charging through vendor charger nodes.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "journal/change_gate.h"
#include "os/result.h"

namespace korvane {

// `state` is on/1/y, off/0/n or test in any letter case. Returns the count of
// nodes modified (or found, for test); fails only on an invalid state.
Result<std::size_t> set_bypass_charging(std::string_view state);

// The switches set_bypass_charging("off") writes: every one the phone has.
// Turning bypass on has no such list: its rounds follow the charger's answer.
std::vector<PlannedChange> bypass_off_changes();

}  // namespace korvane
