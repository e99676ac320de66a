#include "android/process_info.h"

#include <fcntl.h>

#include <string>

#include "os/node.h"
#include "os/number_parse.h"
#include "os/text.h"
#include "os/unique_fd.h"
#include "os/write_all.h"

namespace korvane {

std::optional<uint32_t> status_uid(std::string_view status) {
    for (std::string_view line : split_lines(status)) {
        if (!line.starts_with("Uid:")) continue;
        std::vector<std::string_view> fields = split_whitespace(line.substr(4));
        if (fields.empty()) return std::nullopt;
        auto uid = parse_u64(fields[0]);
        if (!uid || *uid > UINT32_MAX) return std::nullopt;
        return static_cast<uint32_t>(*uid);
    }
    return std::nullopt;
}

std::optional<ProcessInfo> read_process(const std::string& proc, pid_t pid) {
    const std::string dir = str_cat(proc, "/", pid);
    auto status = read_node(dir + "/status");
    if (!status) return std::nullopt;
    auto uid = status_uid(*status);
    auto adj_text = read_node(dir + "/oom_score_adj");
    if (!uid || !adj_text) return std::nullopt;
    auto adj = parse_i32(trim(*adj_text));
    if (!adj) return std::nullopt;
    return ProcessInfo{*uid, *adj};
}

bool set_own_oom_score_adj(int32_t value) {
    // The service's own setting, not tuning: no journal, a plain write.
    UniqueFd fd(::open("/proc/self/oom_score_adj", O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    return fd.get() >= 0 && write_once(fd.get(), std::to_string(value)).error == 0;
}

}  // namespace korvane
