#include "gpu/gpu_listing.h"

#include "gpu/gpu_freq.h"
#include "gpu/gpu_required.h"
#include "journal/node_change.h"
#include "os/output.h"

namespace korvane {

std::string clean_frequency_listing(std::string_view text) {
    std::string cleaned;
    bool gap = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (gap && !cleaned.empty()) cleaned += ' ';
            gap = false;
            cleaned += c;
        } else if (c == ' ' || c == '\n') {
            gap = true;
        }
    }
    return cleaned;
}

Result<void> list_gpu_frequencies() {
    auto gpu = detect_gpu_or_report();
    if (!gpu) return drop_value(gpu);
    out("[INFO] Fetching GPU frequencies...");
    out("GPU Type: ", gpu->gpu_type);
    auto text = read_node(gpu->freq_source);
    if (!text) {
        out("Available: Error: ", text.error());
        return success();
    }
    std::string cleaned = clean_frequency_listing(*text);
    if (cleaned.empty()) {
        out("Available: No frequencies found");
    } else {
        out("Available: ", cleaned);
    }
    return success();
}

}  // namespace korvane
