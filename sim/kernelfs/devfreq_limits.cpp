#include "devfreq_limits.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

#include "qos_requests.h"

namespace kernelfs {
namespace {

constexpr unsigned long kNoLimitKhz = INT32_MAX;  // PM_QOS_MAX_FREQUENCY_DEFAULT_VALUE

std::optional<unsigned long> scan_ulong(std::string_view input) {
    while (!input.empty() && (input.front() == ' ' || input.front() == '\t' || input.front() == '\n')) {
        input.remove_prefix(1);
    }
    unsigned long value = 0;
    if (std::from_chars(input.data(), input.data() + input.size(), value).ec != std::errc()) return std::nullopt;
    return value;
}

// The written limit, and the other one when it moved.
int store_shown(const Mount& mount, std::string_view dir, Bound bound, const Limits& now, unsigned long min,
                unsigned long max) {
    std::string base = mount.backing(dir) + "/";
    const bool max_written = bound == Bound::max;
    int error = write_backing(base + (max_written ? "max_freq" : "min_freq"), std::to_string(max_written ? max : min));
    if (error != 0 || (max_written ? min == now.min : max == now.max)) return error;
    return write_backing(base + (max_written ? "min_freq" : "max_freq"), std::to_string(max_written ? min : max));
}

}  // namespace

int write_devfreq_limit(const Mount& mount, std::string_view dir, Bound bound, std::string_view input,
                        const Limits& now) {
    auto value = scan_ulong(input);
    if (!value) return EINVAL;
    unsigned long opp_min = now.listed.empty() ? 0 : *std::min_element(now.listed.begin(), now.listed.end());
    unsigned long opp_max = now.listed.empty() ? ~0UL : *std::max_element(now.listed.begin(), now.listed.end());
    const bool max = bound == Bound::max;
    if (mount.generation == KernelGeneration::v4) {
        if (*value == 0) value = max ? opp_max : opp_min;
        if (max ? *value < now.min : *value > now.max) return EINVAL;
        return store_shown(mount, dir, bound, now, max ? now.min : *value, max ? *value : now.max);
    }
    unsigned long khz = *value == 0 ? (max ? kNoLimitKhz : 0) : (*value + 999) / 1000;
    if (int error = write_request(mount, dir, max ? "max_freq" : "min_freq", khz); error != 0) return error;
    unsigned long min_khz = read_request(mount, dir, "min_freq").value_or(0);
    unsigned long max_khz = read_request(mount, dir, "max_freq").value_or(kNoLimitKhz);
    unsigned long shown_max = std::min(opp_max, max_khz * 1000);
    unsigned long shown_min = std::min(std::max(opp_min, min_khz * 1000), shown_max);
    return store_shown(mount, dir, bound, now, shown_min, shown_max);
}

}  // namespace kernelfs
