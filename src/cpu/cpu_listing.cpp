// The listing shows each core's words as they stand: unparsed and unsorted.
#include "cpu/core_walk.h"
#include "cpu/cpu_freq.h"
#include "journal/node_change.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

std::string join_words(std::string_view text) {
    std::string joined;
    for (std::string_view word : split_whitespace(text)) {
        if (!joined.empty()) joined += ' ';
        joined += word;
    }
    return joined;
}

}  // namespace

Result<void> list_cpu_frequencies() {
    out("[INFO] Fetching CPU frequencies...");
    walk_cores([](int index, const std::string& dir) {
        auto text = read_node(dir + "/cpufreq/scaling_available_frequencies");
        if (!text) {
            out("cpu", index, ": Not available");
            return;
        }
        std::string words = join_words(*text);
        if (!words.empty()) out("cpu", index, ": ", words);
    });
    return success();
}

}  // namespace korvane
