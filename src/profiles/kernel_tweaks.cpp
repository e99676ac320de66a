#include "profiles/kernel_tweaks.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> apply_kernel_tweaks(TuningProfile) { return error("Not implemented yet"); }
Result<void> apply_common_tweaks() { return error("Not implemented yet"); }
}  // namespace korvane
