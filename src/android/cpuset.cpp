#include "android/cpuset.h"

#include "os/node.h"
#include "os/number_parse.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr const char* kDefaultMount = "/dev/cpuset";

}  // namespace

std::optional<std::string> cpuset_mount_in(std::string_view proc_mounts) {
    for (std::string_view line : split_lines(proc_mounts)) {
        // <source> <mount point> <type> <options> <dump> <pass>
        std::vector<std::string_view> fields = split_whitespace(line);
        if (fields.size() < 4) continue;
        bool cpuset = fields[2] == "cpuset";
        if (fields[2] == "cgroup") {
            std::string_view options = fields[3];
            for (size_t start = 0; start <= options.size();) {
                size_t comma = options.find(',', start);
                if (comma == std::string_view::npos) comma = options.size();
                cpuset = cpuset || options.substr(start, comma - start) == "cpuset";
                start = comma + 1;
            }
        }
        if (cpuset) return std::string(fields[1]);
    }
    return std::nullopt;
}

std::optional<std::string> find_cpuset() {
    std::string mount = kDefaultMount;
    if (auto mounts = read_node("/proc/mounts")) {
        if (auto found = cpuset_mount_in(*mounts)) mount = *found;
    }
    if (!is_directory(mount + "/top-app")) return std::nullopt;
    return mount;
}

std::vector<pid_t> parse_pids(std::string_view text) {
    std::vector<pid_t> pids;
    for (std::string_view line : split_lines(text)) {
        auto pid = parse_i32(trim(line));
        if (pid && *pid > 0) pids.push_back(*pid);
    }
    return pids;
}

}  // namespace korvane
