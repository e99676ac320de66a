#include "android/cluster_boundaries.h"

#include <algorithm>

#include "os/node.h"
#include "os/text.h"

namespace korvane {

std::optional<size_t> cluster_boundaries() {
    // Read once: the clusters stay for the run, and both margins ask.
    static const std::optional<size_t> boundaries = []() -> std::optional<size_t> {
        auto names = list_directory("/sys/devices/system/cpu/cpufreq");
        if (!names) return std::nullopt;
        size_t policies = 0;
        for (const std::string& name : *names) policies += name.starts_with("policy") ? 1 : 0;
        if (policies < 2) return std::nullopt;
        return policies - 1;
    }();
    return boundaries;
}

bool is_per_boundary_node(std::string_view path) {
    return path.ends_with("/sched_upmigrate") || path.ends_with("/sched_downmigrate");
}

std::vector<std::string_view> node_numbers(std::string_view text) { return split_whitespace(text); }

std::string per_boundary_text(std::string_view value, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += i == 0 ? str_cat(value) : str_cat(" ", value);
    return text;
}

std::string per_boundary_original(std::string_view path, std::string_view original) {
    if (!is_per_boundary_node(path)) return std::string(original);
    std::vector<std::string_view> numbers = node_numbers(original);
    auto boundaries = cluster_boundaries();
    if (!boundaries || numbers.size() <= *boundaries) return std::string(original);
    std::string text;
    for (size_t i = 0; i < *boundaries; ++i) text += i == 0 ? str_cat(numbers[i]) : str_cat(" ", numbers[i]);
    return text;
}

bool reads_back_as_written(std::string_view path, std::string_view written, std::string_view now) {
    std::vector<std::string_view> put = node_numbers(written);
    std::vector<std::string_view> shown = node_numbers(now);
    if (put == shown) return true;
    // A GKI kernel shows more slots than the boundaries it takes.
    return is_per_boundary_node(path) && !put.empty() && put.size() < shown.size() &&
           std::equal(put.begin(), put.end(), shown.begin());
}

}  // namespace korvane
