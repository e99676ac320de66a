#include "gpu/gpu_required.h"

#include "os/output.h"

namespace korvane {

Result<GpuInfo> detect_gpu_or_report() {
    GpuInfo gpu = detect_gpu();
    if (gpu.gpu_type.empty()) return report_error("No GPU detected");
    return gpu;
}

Error report_error(std::string text) {
    out("[ERROR] ", text);
    return error(std::move(text));
}

}  // namespace korvane
