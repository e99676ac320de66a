#include "profiles/system_profile.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> apply_system_profile(TuningProfile) { return error("Not implemented yet"); }
Result<void> reset_system_profile() { return error("Not implemented yet"); }
}  // namespace korvane
