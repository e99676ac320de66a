#include "governor_rule.h"

#include <string>

namespace kernelfs {

bool unknown_governor(const Mount& mount, std::string_view path, std::string_view input) {
    std::string_view dir = path.substr(0, path.rfind('/'));
    if (path.substr(dir.size()) != "/scaling_governor") return false;
    Text listed = read_backing(mount.backing(dir) + "/scaling_available_governors");
    if (listed.error != 0) return false;
    // sscanf("%15s"): the first word
    while (!input.empty() && (input.front() == ' ' || input.front() == '\n' || input.front() == '\t')) {
        input.remove_prefix(1);
    }
    std::string_view name = input.substr(0, input.find_first_of(" \t\n"));
    if (name.empty()) return true;
    std::string_view rest = listed.text;
    while (!rest.empty()) {
        size_t end = rest.find_first_of(" \n");
        if (rest.substr(0, end) == name) return false;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return true;
}

}  // namespace kernelfs
