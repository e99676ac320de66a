#include "mali_limits.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <string>

namespace kernelfs {
namespace {

std::string sibling(const Mount& mount, std::string_view path, std::string_view name) {
    return mount.backing(path.substr(0, path.rfind('/') + 1)) + std::string(name);
}

// kstrtoint: an optional sign, decimal digits, at most one newline after.
bool parse_int(std::string_view input, long& value) {
    if (!input.empty() && input.back() == '\n') input.remove_suffix(1);
    if (!input.empty() && input.front() == '+') input.remove_prefix(1);
    auto [end, ec] = std::from_chars(input.data(), input.data() + input.size(), value);
    return !input.empty() && ec == std::errc() && end == input.data() + input.size() && value >= INT32_MIN &&
           value <= INT32_MAX;
}

bool in_table(const Mount& mount, std::string_view path, long khz) {
    std::string_view rest;
    Text table = read_backing(sibling(mount, path, "available_frequencies"));
    for (rest = table.text; !rest.empty();) {
        long entry = 0;
        auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), entry);
        if (ec == std::errc() && entry == khz) return true;
        size_t blank = rest.find(' ');
        if (blank == std::string_view::npos) break;
        rest.remove_prefix(blank + 1);
    }
    return false;
}

long stored(const Mount& mount, std::string_view path, std::string_view name) {
    long value = 0;
    Text t = read_backing(sibling(mount, path, name));
    std::from_chars(t.text.data(), t.text.data() + t.text.size(), value);
    return value;
}

int store(const Mount& mount, std::string_view path, std::string_view input, bool max) {
    long khz = 0;
    if (!parse_int(input, khz) || !in_table(mount, path, khz)) return EINVAL;
    const char* other = max ? "scaling_min_freq" : "scaling_max_freq";
    long partner = stored(mount, path, other);
    if (max ? khz < partner : khz > partner) {
        if (int error = write_backing(sibling(mount, path, other), std::to_string(khz)); error != 0) return error;
    }
    return write_backing(mount.backing(path), std::to_string(khz));
}

}  // namespace

Text show_mali_limit(const Mount& mount, std::string_view path) {
    Text t = read_backing(mount.backing(path));
    if (t.error == 0) t.text += '\n';
    return t;
}

int store_mali_max(const Mount& mount, std::string_view path, std::string_view input) {
    return store(mount, path, input, true);
}

int store_mali_min(const Mount& mount, std::string_view path, std::string_view input) {
    return store(mount, path, input, false);
}

}  // namespace kernelfs
