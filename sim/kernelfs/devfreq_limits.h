#pragma once
// An Adreno devfreq's max_freq and min_freq (drivers/devfreq/devfreq.c), in
// Hz, read with sscanf("%lu"). 4.x stores the value, 0 meaning the table's
// fastest (max) or slowest (min) frequency, and refuses a max below the min
// or a min above the max. 5.4+ keeps a PM QoS request in kHz (rounded up; 0
// means no limit) and shows the range the requests leave within the OPP
// table, the min lowered to the max where they cross.

#include <string_view>

#include "frequency_limits.h"
#include "node_value.h"

namespace kernelfs {

// 0 or the errno; `now` holds the shown limits and the OPP table.
int write_devfreq_limit(const Mount& mount, std::string_view dir, Bound bound, std::string_view input,
                        const Limits& now);

}  // namespace kernelfs
