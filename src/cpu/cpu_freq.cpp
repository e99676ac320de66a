#include "cpu/cpu_freq.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> set_cpu_bound(Bound, uint8_t) { return error("Not implemented yet"); }
Result<void> reset_cpu_frequencies() { return error("Not implemented yet"); }
Result<void> disable_cpu_limits() { return error("Not implemented yet"); }
Result<void> list_cpu_frequencies() { return error("Not implemented yet"); }
}  // namespace korvane
