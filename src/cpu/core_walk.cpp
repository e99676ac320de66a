#include "cpu/core_walk.h"

#include "journal/node_change.h"
#include "os/text.h"

namespace korvane {

std::string core_directory(int index) { return str_cat("/sys/devices/system/cpu/cpu", index); }

int32_t walk_cores(const std::function<void(int index, const std::string& dir)>& step) {
    int32_t total = 0;
    for (int index = 0; index < kMaxCores; ++index) {
        std::string dir = core_directory(index);
        // A gap ends the walk: later cores are not looked at even if present.
        if (!path_exists(dir)) break;
        total = index + 1;
        step(index, dir);
    }
    return total;
}

}  // namespace korvane
