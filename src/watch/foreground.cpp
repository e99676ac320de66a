#include "watch/foreground.h"

#include "android/process_info.h"

namespace korvane {

std::set<std::string> foreground_packages(const std::vector<pid_t>& pids, const std::string& proc,
                                          const PackageMap& packages) {
    std::set<std::string> found;
    for (pid_t pid : pids) {
        auto info = read_process(proc, pid);
        if (!info || !is_app_uid(info->uid) || info->oom_score_adj != 0) continue;
        auto named = packages.find(info->uid);
        if (named == packages.end()) continue;
        found.insert(named->second.begin(), named->second.end());
    }
    return found;
}

std::optional<std::string> the_one(const std::set<std::string>& packages) {
    if (packages.size() != 1) return std::nullopt;
    return *packages.begin();
}

}  // namespace korvane
