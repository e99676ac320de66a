#pragma once

namespace korvane {

// The profile selector shared by the kernel tweaks, the system settings and
// auto setup.
enum class TuningProfile { battery, balanced, performance };

}  // namespace korvane
