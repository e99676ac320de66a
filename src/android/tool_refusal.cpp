#include "android/tool_refusal.h"

namespace korvane {
namespace {

constexpr std::string_view kErrorPrefix = "Error:";

std::optional<std::string> error_line(std::string_view text) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (line.starts_with(kErrorPrefix)) return std::string(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> tool_refusal(const std::string& program, const Args& args, std::string_view out,
                                        std::string_view err) {
    if (program != "cmd" || args.empty() || args[0] != "device_config") return std::nullopt;
    if (auto line = error_line(out)) return line;
    return error_line(err);
}

}  // namespace korvane
