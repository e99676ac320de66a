#include "gpu/gpu_info.h"

#include "journal/node_change.h"
#include "os/text.h"
#include "os/utf8.h"

namespace korvane {
namespace {

// Node names appended to the interface's base directory; empty: no such node.
struct GpuLayout {
    const char* gpu_type;
    const char* freq_source;
    const char* min_node;
    const char* max_node;
};

// clang-format off
constexpr GpuLayout kMtkV2   = {"mtk_v2",        "/gpu_working_opp_table",    "",                  "/fix_target_opp_index"};
constexpr GpuLayout kMtkV1   = {"mtk_v1",        "/gpufreq_opp_dump",         "",                  "/gpufreq_opp_freq"};
constexpr GpuLayout kAdreno  = {"adreno",        "/available_frequencies",    "/min_freq",         "/max_freq"};
constexpr GpuLayout kGeneric = {"sysfs_generic", "",                          "/gpu_min_clock",    "/gpu_max_clock"};
constexpr GpuLayout kMali    = {"mali",          "/available_frequencies",    "/scaling_min_freq", "/scaling_max_freq"};
// clang-format on

constexpr const char* kMtkV2Dir = "/proc/gpufreqv2";
constexpr const char* kMtkV1Dir = "/proc/gpufreq";
constexpr const char* kAdrenoDir = "/sys/class/kgsl/kgsl-3d0/devfreq";
constexpr const char* kGenericDir = "/sys/kernel/gpu";
constexpr const char* kPlatformDir = "/sys/devices/platform";

std::string node_in(const std::string& dir, const char* name) {
    return *name == '\0' ? std::string() : dir + name;
}

GpuInfo make_info(const GpuLayout& layout, const std::string& dir) {
    return {layout.gpu_type, dir, node_in(dir, layout.freq_source), node_in(dir, layout.min_node),
            node_in(dir, layout.max_node)};
}

GpuInfo generic_info() {
    GpuInfo info = make_info(kGeneric, kGenericDir);
    for (const char* name : {"/gpu_available_frequencies", "/gpu_freq_table"}) {
        if (path_exists(kGenericDir + std::string(name))) {
            info.freq_source = kGenericDir + std::string(name);
            break;
        }
    }
    return info;
}

GpuInfo scan_platform_for_mali() {
    auto entries = list_directory(kPlatformDir);
    if (!entries) return {};
    // The listing's own order decides between several Mali devices.
    for (const std::string& name : *entries) {
        if (!is_mali_platform_name(name)) continue;
        GpuInfo info = make_info(kMali, str_cat(kPlatformDir, "/", name));
        if (path_exists(info.freq_source)) return info;
    }
    return {};
}

}  // namespace

bool is_mali_platform_name(std::string_view name) {
    if (!is_valid_utf8(name)) return false;
    std::string lower = to_lower_ascii(name);
    // U+0130 is the one non-ASCII letter whose lower case ("i" and a combining
    // dot) can complete ".mali"; every other one stays outside ASCII.
    for (size_t at = lower.find("\xC4\xB0"); at != std::string::npos; at = lower.find("\xC4\xB0", at)) {
        lower.replace(at, 2, "i\xCC\x87");
    }
    return lower.find(".mali") != std::string::npos;
}

GpuInfo detect_gpu() {
    // Directory tests and existence tests differ on purpose: a plain file at
    // the mtk_v2 or adreno path is no interface, anything at the others is.
    if (is_directory(kMtkV2Dir)) return make_info(kMtkV2, kMtkV2Dir);
    if (path_exists(str_cat(kMtkV1Dir, kMtkV1.freq_source))) return make_info(kMtkV1, kMtkV1Dir);
    if (is_directory(kAdrenoDir)) return make_info(kAdreno, kAdrenoDir);
    if (path_exists(kGenericDir)) return generic_info();
    return scan_platform_for_mali();
}

}  // namespace korvane
