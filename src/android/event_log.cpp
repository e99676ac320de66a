#include "android/event_log.h"

#include <optional>

#include "os/text.h"

namespace korvane {
namespace {

constexpr std::string_view kResumedTags[] = {"wm_set_resumed_activity", "am_set_resumed_activity"};
constexpr std::string_view kScreenTag = "power_screen_state";

// The payload between the brackets after `tag`, when the line carries the
// tag as its own word (followed by "(" or ":" as the formats print it).
std::optional<std::string_view> payload_of(std::string_view line, std::string_view tag) {
    size_t at = line.find(tag);
    if (at == std::string_view::npos) return std::nullopt;
    if (at > 0 && line[at - 1] != '/' && line[at - 1] != ' ') return std::nullopt;
    size_t after = at + tag.size();
    if (after >= line.size() || (line[after] != '(' && line[after] != ':' && line[after] != ' ')) return std::nullopt;
    size_t open = line.find('[', after);
    size_t close = line.rfind(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    return line.substr(open + 1, close - open - 1);
}

}  // namespace

EventLine parse_event_line(std::string_view line) {
    for (std::string_view tag : kResumedTags) {
        auto payload = payload_of(line, tag);
        if (!payload) continue;
        // user, component "pkg/.Activity", reason
        size_t comma = payload->find(',');
        size_t slash = payload->find('/', comma == std::string_view::npos ? 0 : comma);
        if (comma == std::string_view::npos || slash == std::string_view::npos) return {};
        std::string_view package = trim(payload->substr(comma + 1, slash - comma - 1));
        if (package.empty()) return {};
        return {EventLine::Kind::resumed, std::string(package), false};
    }
    if (auto payload = payload_of(line, kScreenTag)) {
        std::string_view first = trim(payload->substr(0, payload->find(',')));
        if (first == "1") return {EventLine::Kind::screen, {}, true};
        if (first == "0") return {EventLine::Kind::screen, {}, false};
    }
    return {};
}

Args event_log_args() {
    // -T 1: the newest matching entry, then only what comes; no replay of
    // the whole buffer at start.
    return {"-b", "events", "-v", "brief", "-T", "1", "-s", "wm_set_resumed_activity", "am_set_resumed_activity",
            std::string(kScreenTag)};
}

}  // namespace korvane
