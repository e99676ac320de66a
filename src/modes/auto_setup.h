// One-shot setup modes that run a fixed sequence of the other operations.
#pragma once

#include <string_view>

namespace korvane {

// Runs gamemode, normalmode or batterymode; every outcome is printed.
void auto_setup(std::string_view mode);

}  // namespace korvane
