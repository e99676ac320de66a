// Bypass charging: suspending battery charging through vendor charger nodes.
#pragma once

#include <cstddef>
#include <string_view>

#include "sys/result.h"

namespace korvane {

// `state` is on/1/y, off/0/n or test in any letter case. Returns the count of
// nodes modified (or found, for test); fails only on an invalid state.
Result<std::size_t> set_bypass_charging(std::string_view state);

}  // namespace korvane
