#include "android/packages_list.h"

#include "os/node.h"
#include "os/number_parse.h"
#include "os/text.h"

namespace korvane {

PackageMap parse_packages_list(std::string_view text) {
    PackageMap packages;
    for (std::string_view line : split_lines(text)) {
        const size_t blank = line.find(' ');
        if (blank == 0 || blank == std::string_view::npos) continue;
        const size_t end = line.find(' ', blank + 1);
        std::string_view uid_text = line.substr(blank + 1, end == std::string_view::npos ? end : end - blank - 1);
        auto uid = parse_u64(uid_text);
        if (!uid || uid_text.front() == '+' || *uid > UINT32_MAX) continue;
        packages[static_cast<uint32_t>(*uid)].emplace_back(line.substr(0, blank));
    }
    return packages;
}

Result<PackageMap> read_packages_list() {
    auto text = read_node(kPackagesListPath);
    if (!text) return error(str_cat(kPackagesListPath, ": ", text.error()));
    return parse_packages_list(*text);
}

bool is_app_uid(uint32_t uid) {
    const uint32_t app_id = uid % 100000;
    return app_id >= 10000 && app_id <= 19999;
}

}  // namespace korvane
