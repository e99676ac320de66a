// The mode the module's boot service applies at every boot.
#pragma once

#include <string_view>

#include "os/result.h"

namespace korvane {

// Stores gamemode, normalmode or batterymode in korvane_file("boot"), or
// removes it for "off"; either way clears the boot service's guard marker.
// Any other word prints an error and changes nothing.
Result<void> set_boot_mode(std::string_view mode);

}  // namespace korvane
