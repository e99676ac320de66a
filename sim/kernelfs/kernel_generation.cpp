#include "kernel_generation.h"

#include <charconv>

namespace kernelfs {

KernelGeneration parse_kernel_generation(std::string_view version) {
    int major = 0, minor = 0;
    const char* end = version.data() + version.size();
    auto [dot, bad_major] = std::from_chars(version.data(), end, major);
    if (bad_major != std::errc() || dot == end || *dot != '.') return KernelGeneration::v5_4;
    if (std::from_chars(dot + 1, end, minor).ec != std::errc()) return KernelGeneration::v5_4;
    if (major < 5) return KernelGeneration::v4;
    if (major == 5 && minor < 13) return KernelGeneration::v5_4;
    return KernelGeneration::v5_15;
}

}  // namespace kernelfs
