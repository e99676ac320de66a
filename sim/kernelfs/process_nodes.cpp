#include "process_nodes.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "backing.h"

namespace kernelfs {

bool is_process_path(std::string_view path) {
    constexpr std::string_view proc = "/proc/";
    if (!path.starts_with(proc)) return false;
    std::string_view rest = path.substr(proc.size());
    std::string_view id = rest.substr(0, rest.find('/'));
    return !id.empty() && id.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::string> lent_host_entry(const Mount& mount, std::string_view path) {
    if (!is_process_path(path)) return std::nullopt;
    auto name_at = path.find('/', 6);
    if (name_at == std::string_view::npos || path.find('/', name_at + 1) != std::string_view::npos) return std::nullopt;
    std::string own = mount.backing(path);
    if (access(own.c_str(), F_OK) == 0) return std::nullopt;
    Text host = read_backing(mount.backing(path.substr(0, name_at)) + "/.host");
    while (!host.text.empty() && host.text.back() == '\n') host.text.pop_back();
    if (host.error != 0 || host.text.empty()) return std::nullopt;
    return "/sim/hostproc/" + host.text + std::string(path.substr(name_at));
}

int process_write_error(std::string_view path, std::string_view input) {
    if (!path.ends_with("/oom_score_adj")) return 0;
    // oom_adj_write: kstrtoint of the stripped text, then the range
    while (!input.empty() && (input.back() == '\n' || input.back() == ' ')) input.remove_suffix(1);
    while (!input.empty() && input.front() == ' ') input.remove_prefix(1);
    int value = 0;
    auto [ptr, ec] = std::from_chars(input.data(), input.data() + input.size(), value);
    if (input.empty() || ec != std::errc() || ptr != input.data() + input.size()) return EINVAL;
    return value < -1000 || value > 1000 ? EINVAL : 0;
}

}  // namespace kernelfs
