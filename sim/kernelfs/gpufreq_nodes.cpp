#include "gpufreq_nodes.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "driver_nodes.h"

namespace kernelfs {
namespace {

std::string sibling(const Mount& mount, std::string_view path, std::string_view name) {
    return mount.backing(path.substr(0, path.rfind('/') + 1)) + std::string(name);
}

// The kHz of each "[i] freq = N, ..." line of gpufreq_opp_dump.
std::vector<unsigned long> v1_table(const Mount& mount, std::string_view path) {
    std::vector<unsigned long> table;
    Text dump = read_backing(sibling(mount, path, "gpufreq_opp_dump"));
    constexpr std::string_view kKey = "freq = ";
    for (size_t at = dump.text.find(kKey); at != std::string::npos; at = dump.text.find(kKey, at + 1)) {
        unsigned long khz = 0;
        const char* begin = dump.text.data() + at + kKey.size();
        if (std::from_chars(begin, dump.text.data() + dump.text.size(), khz).ec == std::errc()) table.push_back(khz);
    }
    return table;
}

// kstrtouint: decimal digits with at most one newline after them.
std::optional<unsigned long> whole_number(std::string_view input) {
    if (!input.empty() && input.back() == '\n') input.remove_suffix(1);
    unsigned long value = 0;
    auto [end, ec] = std::from_chars(input.data(), input.data() + input.size(), value);
    if (input.empty() || ec != std::errc() || end != input.data() + input.size()) return std::nullopt;
    return value;
}

size_t line_count(std::string_view text) {
    size_t lines = 0;
    for (size_t at = 0; at < text.size(); ++lines) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        at = end + 1;
    }
    return lines;
}

}  // namespace

Text show_gpufreq_v1_keep(const Mount& mount, std::string_view path) {
    Text t = read_backing(mount.backing(path));
    if (t.error != 0) return t;
    auto khz = whole_number(t.text);
    if (!khz || *khz == 0) return {0, "gpufreq keep opp frequency disabled\n"};
    return {0, "gpufreq keep opp frequency enabled\nfreq = " + std::to_string(*khz) + "\n"};
}

int store_gpufreq_v1_keep(const Mount& mount, std::string_view path, std::string_view input) {
    const bool efault = driver_variant(mount, "gpufreq_v1_efault");
    auto khz = whole_number(input);
    if (khz && *khz == 0) {
        int error = write_backing(mount.backing(path), "0");
        return error != 0 ? error : efault ? EFAULT : 0;
    }
    if (khz) {
        for (unsigned long entry : v1_table(mount, path)) {
            if (entry == *khz) return write_backing(mount.backing(path), std::to_string(*khz));
        }
    }
    return efault ? EFAULT : 0;
}

Text show_gpufreq_v2_fix(const Mount& mount, std::string_view path) {
    Text t = read_backing(mount.backing(path));
    if (t.error != 0) return t;
    if (t.text.empty() || t.text == "-1") return {0, "[GPUFREQ-DEBUG] fix OPP index is disabled\n"};
    return {0, "[GPUFREQ-DEBUG] fix OPP index: " + t.text + "\n"};
}

int store_gpufreq_v2_fix(const Mount& mount, std::string_view path, std::string_view input) {
    // sscanf("%2d"): blanks, then at most two characters of a signed number
    while (!input.empty() && (input.front() == ' ' || input.front() == '\n' || input.front() == '\t')) {
        input.remove_prefix(1);
    }
    std::string_view field = input.substr(0, 2);
    int value = 0;
    std::string_view digits = field.starts_with('-') ? field.substr(1) : field;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end == digits.data()) return 0;  // nothing matched: ignored
    if (field.starts_with('-')) value = -value;
    size_t opps = line_count(read_backing(sibling(mount, path, "gpu_working_opp_table")).text);
    if (value < -1 || (value >= 0 && static_cast<size_t>(value) >= opps)) return EINVAL;
    return write_backing(mount.backing(path), std::to_string(value));
}

}  // namespace kernelfs
