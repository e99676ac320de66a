#include "thermal_nodes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace kernelfs {
namespace {

struct Heat {
    std::optional<double> skin;
    std::optional<long> cooling;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool has(const std::string& text, std::string_view word) { return text.find(word) != std::string::npos; }

Heat read_heat(const Mount& mount) {
    Heat heat;
    Text t = read_backing(mount.state + "/android/thermal");
    std::string_view rest = t.error == 0 ? std::string_view(t.text) : std::string_view();
    while (!rest.empty()) {
        std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(rest.size(), line.size() + 1));
        const size_t blank = line.find(' ');
        if (blank == std::string_view::npos) continue;
        std::string_view key = line.substr(0, blank), value = line.substr(blank + 1);
        if (key == "skin") {
            double v = 0;
            if (std::from_chars(value.data(), value.data() + value.size(), v).ec == std::errc()) heat.skin = v;
        } else if (key == "cooling") {
            long v = 0;
            if (std::from_chars(value.data(), value.data() + value.size(), v).ec == std::errc()) heat.cooling = v;
        }
    }
    return heat;
}

// The folder's own `type`, lower case; empty when unreadable.
std::string type_of(const Mount& mount, std::string_view dir) {
    Text t = read_backing(mount.backing(dir) + "/type");
    return t.error == 0 ? lower(t.text) : std::string();
}

}  // namespace

std::optional<Text> show_thermal_node(const Mount& mount, std::string_view path) {
    if (!path.starts_with("/sys/")) return std::nullopt;
    const std::string_view dir = path.substr(0, path.rfind('/'));
    const std::string_view folder = dir.substr(dir.rfind('/') + 1);
    const std::string_view name = path.substr(path.rfind('/') + 1);
    const bool zone = folder.starts_with("thermal_zone") && name == "temp";
    const bool cooling = folder.starts_with("cooling_device") && name == "cur_state";
    if (!zone && !cooling) return std::nullopt;
    const Heat heat = read_heat(mount);
    const std::string type = type_of(mount, dir);
    if (zone) {
        if (!heat.skin) return std::nullopt;
        double celsius = *heat.skin + 12;
        if (has(type, "skin")) {
            celsius = *heat.skin;
        } else if (has(type, "batt")) {
            celsius = *heat.skin - 1.5;
        } else if (has(type, "board") || has(type, "bts")) {
            celsius = *heat.skin - 0.5;
        }
        return Text{0, std::to_string(std::lround(celsius * 1000))};
    }
    const bool clocks = has(type, "cpu") || has(type, "gpu") || has(type, "devfreq") || has(type, "kgsl");
    if (!heat.cooling || !clocks) return std::nullopt;
    Text max = read_backing(mount.backing(dir) + "/max_state");
    long most = 0;
    if (max.error == 0) std::from_chars(max.text.data(), max.text.data() + max.text.size(), most);
    return Text{0, std::to_string(std::clamp(*heat.cooling, 0L, most))};
}

}  // namespace kernelfs
