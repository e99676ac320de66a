#include "gpu/gpu_freq.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> set_gpu_bound(Bound, uint8_t) { return error("Not implemented yet"); }
Result<void> reset_gpu_frequencies() { return error("Not implemented yet"); }
Result<void> list_gpu_frequencies() { return error("Not implemented yet"); }
Result<void> show_gpu_info() { return error("Not implemented yet"); }
}  // namespace korvane
