#include "gpu/gpu_report.h"

#include "gpu/gpu_freq.h"
#include "gpu/gpu_info.h"
#include "journal/node_change.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

const char* existence(bool exists) { return exists ? "Exists" : "Not found"; }

}  // namespace

std::vector<std::string_view> sample_lines(std::string_view text) {
    std::vector<std::string_view> lines = split_lines(text);
    // Only a carriage return before a line feed is a line end here; one that
    // ends the text stays part of its line.
    if (!text.empty() && text.back() == '\r') {
        lines.back() = text.substr(text.size() - lines.back().size() - 1);
    }
    if (lines.size() > kSampleLines) lines.resize(kSampleLines);
    return lines;
}

Result<void> show_gpu_info() {
    GpuInfo gpu = detect_gpu();
    out("[INFO] Fetching GPU information...");
    out("Type: ", gpu.gpu_type);
    out("Path: ", gpu.path);
    out("Freq Source: ", gpu.freq_source);
    out("Max Node: ", gpu.max_node);
    out("Min Node: ", gpu.min_node);
    if (gpu.gpu_type.empty()) {
        out("Status: No GPU detected");
        return error("No GPU detected");
    }
    out("GPU Path: ", existence(path_exists(gpu.path)));
    const bool source_exists = path_exists(gpu.freq_source);
    out("Freq Source: ", existence(source_exists));
    if (!source_exists) return success();
    auto text = read_node(gpu.freq_source);
    if (!text) {
        out("Read Error: ", text.error());
        return success();
    }
    out("Sample frequencies:");
    for (std::string_view line : sample_lines(*text)) out("  ", line);
    return success();
}

}  // namespace korvane
