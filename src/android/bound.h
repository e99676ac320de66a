#pragma once

namespace korvane {

// Which end of a frequency range a command sets; shared by CPU and GPU control.
enum class Bound { min, max };

}  // namespace korvane
