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

// Probes the interfaces in a fixed order; never fails, never caches.
GpuInfo detect_gpu();

// True when a platform device name is valid UTF-8 and its lower-case form
// contains ".mali".
bool is_mali_platform_name(std::string_view name);

}  // namespace korvane
