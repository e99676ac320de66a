#pragma once
// MediaTek GPU frequency pins. gpufreq v1's gpufreq_opp_freq
// (mt_gpufreq_opp_freq_proc_write) takes a kHz value equal to an entry of its
// table, or 0 to free the pin; anything else is ignored, with the whole count
// on older drivers and EFAULT on mt6768-style ones (variant
// "gpufreq_v1_efault"), which answer EFAULT for 0 too after freeing the pin.
// gpufreqv2's fix_target_opp_index reads its input with sscanf("%2d"): -1
// frees, 0..n-1 pins, other numbers are EINVAL, and junk is ignored.

#include <string_view>

#include "node_value.h"

namespace kernelfs {

Text show_gpufreq_v1_keep(const Mount& mount, std::string_view path);
int store_gpufreq_v1_keep(const Mount& mount, std::string_view path, std::string_view input);

Text show_gpufreq_v2_fix(const Mount& mount, std::string_view path);
int store_gpufreq_v2_fix(const Mount& mount, std::string_view path, std::string_view input);

}  // namespace kernelfs
