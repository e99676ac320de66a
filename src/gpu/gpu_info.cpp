#include "gpu/gpu_info.h"

// Placeholder until this feature is built.
namespace korvane {
GpuInfo detect_gpu() { return {}; }
}  // namespace korvane
