#include "frequency_limits.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace kernelfs {
namespace {

unsigned long clamp(unsigned long v, const Limits& now) {
    return std::max(now.hardware_min, std::min(v, now.hardware_max));
}

// __resolve_freq: RELATION_H picks the highest listed frequency at or below
// the value, RELATION_L the lowest at or above; with none, the nearest end.
unsigned long resolve(unsigned long v, const std::vector<unsigned long>& listed, Bound relation) {
    if (listed.empty()) return v;
    auto [lowest, highest] = std::minmax_element(listed.begin(), listed.end());
    std::optional<unsigned long> best;
    for (unsigned long f : listed) {
        if (relation == Bound::max && f <= v && (!best || f > *best)) best = f;
        if (relation == Bound::min && f >= v && (!best || f < *best)) best = f;
    }
    return best.value_or(relation == Bound::max ? *lowest : *highest);
}

// The limits a write asks for: the written bound takes the value, the other
// stays; EINVAL when the input holds no frequency.
LimitChange requested(const Limits& now, Bound bound, std::string_view input) {
    auto value = parse_frequency(input);
    if (!value) return {EINVAL};
    return {0, bound == Bound::min ? *value : now.min, bound == Bound::max ? *value : now.max};
}

}  // namespace

std::optional<unsigned long> parse_frequency(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) {
        text.remove_prefix(1);
    }
    // the kernel's vsscanf takes no sign for %u: "-1" and "+1" match nothing
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    uint32_t value = 0;  // %u wraps like the kernel's unsigned int
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value;
}

LimitChange cpufreq_limit_write(const Limits& now, Bound bound, std::string_view input,
                                KernelGeneration generation) {
    LimitChange asked = requested(now, bound, input);
    if (asked.error != 0) return asked;
    unsigned long min = asked.min, max = asked.max;
    if (generation == KernelGeneration::v4) {
        // cpufreq_set_policy compares the request with the other limit first
        if (min > max) return {EINVAL};
        return {0, clamp(min, now), clamp(max, now)};
    }
    // later kernels take every request and let the maximum win
    min = clamp(min, now);
    max = clamp(max, now);
    if (generation == KernelGeneration::v5_15) {
        min = resolve(min, now.listed, Bound::min);
        max = resolve(max, now.listed, Bound::max);
    }
    return {0, std::min(min, max), max};
}

}  // namespace kernelfs
