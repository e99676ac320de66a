// `--bypass test`: lists the switches with their kinds and, with a charger
// connected, tries each alone, judged by the battery current.
#pragma once

#include <cstddef>

#include "os/result.h"

namespace korvane {

// Returns the count of switches found. Fails when a switch left the phone
// unable to charge; every switch is put back first.
Result<std::size_t> probe_bypass_switches();

}  // namespace korvane
