#include "android/thermal_service.h"

#include <charconv>
#include <string>

#include "os/number_parse.h"
#include "os/text.h"

namespace korvane {
namespace {

// android.os.Temperature's TYPE_SKIN.
constexpr int kSkinType = 3;

constexpr std::string_view kLevelNames[] = {"none", "light", "moderate", "severe", "critical", "emergency", "shutdown"};

// The text after `key` up to the next ',' or '}', trimmed.
std::string_view field(std::string_view line, std::string_view key) {
    const size_t at = line.find(key);
    if (at == std::string_view::npos) return {};
    std::string_view rest = line.substr(at + key.size());
    return trim(rest.substr(0, rest.find_first_of(",}")));
}

std::optional<double> parse_celsius(std::string_view text) {
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < -100 || value > 300) return std::nullopt;
    return value;
}

// A temperature line of either format, when it is the skin's.
std::optional<double> skin_of(std::string_view line) {
    const bool later = line.starts_with("Temperature{");
    const std::string_view type = later ? field(line, "mType=") : field(line, "Type: ");
    if (parse_i32(type) != kSkinType) return std::nullopt;
    return parse_celsius(later ? field(line, "mValue=") : field(line, "Value: "));
}

}  // namespace

ServiceThermal parse_thermal_service(std::string_view dump) {
    std::optional<int32_t> status;
    bool ready = false;
    bool overridden = false;
    bool hal_1_0 = false;
    // the HAL's current list where the dump has one, else the service's cache
    std::optional<double> cached, current;
    std::optional<double>* list = nullptr;
    for (std::string_view raw : split_lines(dump)) {
        const std::string_view line = trim(raw);
        if (line == "IsStatusOverride: true") overridden = true;
        if (line.starts_with("Thermal Status: ")) status = parse_i32(line.substr(16));
        if (line == "HAL Ready: true") ready = true;
        if (line.starts_with("ThermalHAL 1.0 ")) hal_1_0 = true;
        if (line.ends_with(':')) {
            list = line == "Cached temperatures:" ? &cached : line == "Current temperatures from HAL:" ? &current : nullptr;
        } else if (auto skin = skin_of(line); skin && list != nullptr && (!*list || *skin > **list)) {
            *list = skin;
        }
    }
    ServiceThermal seen;
    seen.skin = current ? current : cached;
    if (status && *status >= 0 && *status <= 6 && ready && !overridden && !hal_1_0) {
        seen.level = static_cast<ThermalLevel>(*status);
    }
    return seen;
}

std::string_view thermal_level_name(ThermalLevel level) { return kLevelNames[static_cast<size_t>(level)]; }

}  // namespace korvane
