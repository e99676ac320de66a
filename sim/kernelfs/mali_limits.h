#pragma once
// Pixel's Mali frequency limits (pixel_gpu_sysfs.c): scaling_max_freq and
// scaling_min_freq take, through kstrtoint, only a clock of the DVFS table in
// kHz (EINVAL otherwise); a max below the min drags the min down to it, a min
// above the max raises the max.

#include <string_view>

#include "node_value.h"

namespace kernelfs {

Text show_mali_limit(const Mount& mount, std::string_view path);
int store_mali_max(const Mount& mount, std::string_view path, std::string_view input);
int store_mali_min(const Mount& mount, std::string_view path, std::string_view input);

}  // namespace kernelfs
