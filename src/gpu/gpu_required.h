// Shared start and failure style of the GPU commands.
#pragma once

#include <string>

#include "gpu/gpu_info.h"
#include "os/result.h"

namespace korvane {

// Detects the GPU; without one prints "[ERROR] No GPU detected" and fails
// with "No GPU detected".
Result<GpuInfo> detect_gpu_or_report();

// Prints "[ERROR] " and `text`, and fails with `text`.
Error report_error(std::string text);

}  // namespace korvane
