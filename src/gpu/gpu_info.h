// Which GPU frequency interface the device offers, and where its nodes are.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

struct GpuInfo {
    std::string gpu_type;  // empty when no interface was found
    std::string path;
    std::string freq_source;
    std::string min_node;
    std::string max_node;
};

// The two MTK kinds, driven by an OPP index rather than a listed frequency.
inline bool is_mtk_v2(const GpuInfo& gpu) { return gpu.gpu_type == "mtk_v2"; }
inline bool is_mtk(const GpuInfo& gpu) { return is_mtk_v2(gpu) || gpu.gpu_type == "mtk_v1"; }

// Probes the interfaces in a fixed order; never fails, never caches.
GpuInfo detect_gpu();

// True when a platform device name is valid UTF-8 and its lower-case form
// contains ".mali".
bool is_mali_platform_name(std::string_view name);

}  // namespace korvane
