// Forced fast charging through vendor flag nodes.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "journal/change_gate.h"
#include "os/result.h"

namespace korvane {

// Same states and result as set_bypass_charging.
Result<std::size_t> set_fast_charge(std::string_view state);

// The flag nodes set_fast_charge("on" or "off") writes.
std::vector<PlannedChange> fast_charge_changes();

}  // namespace korvane
