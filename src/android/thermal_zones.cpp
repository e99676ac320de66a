#include "android/thermal_zones.h"

#include <algorithm>
#include <charconv>

#include <nlohmann/json.hpp>

#include "os/node.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr double kDefaultSevereSkin = 45.0;
// HotThreshold's slots: NONE, LIGHT, MODERATE, SEVERE, ...
constexpr size_t kSevereSlot = 3;

// What a zone's type names, by the words vendors use in it: MediaTek calls
// its board sensors BTS ("mtkts_bts").
struct ZoneKind {
    std::string_view word;
    std::string_view kind;
};
constexpr ZoneKind kZoneKinds[] = {{"skin", "skin"}, {"batt", "battery"}, {"board", "board"}, {"bts", "board"}};

// Cooling devices that hold the CPU or GPU clocks: cpufreq and devfreq
// cooling ("thermal-cpufreq-0", "cpufreq-cpu4", "thermal-devfreq-0"), vendor
// CPU and GPU devices ("cpu-cluster1", "gpu", "mali", "kgsl").
constexpr std::string_view kClockWords[] = {"cpu", "gpu", "devfreq", "mali", "kgsl"};

std::optional<std::string> read_trimmed(const std::string& path) {
    auto text = read_node(path);
    if (!text) return std::nullopt;
    return std::string(trim(*text));
}

std::optional<long> read_long(const std::string& path) {
    auto text = read_trimmed(path);
    if (!text) return std::nullopt;
    long value = 0;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (ec != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

std::optional<std::string_view> kind_of(std::string_view type) {
    const std::string lower = to_lower_ascii(type);
    for (const ZoneKind& k : kZoneKinds) {
        if (lower.find(k.word) != std::string::npos) return k.kind;
    }
    return std::nullopt;
}

bool holds_clocks(std::string_view type) {
    const std::string lower = to_lower_ascii(type);
    return std::any_of(std::begin(kClockWords), std::end(kClockWords),
                       [&](std::string_view w) { return lower.find(w) != std::string::npos; });
}

}  // namespace

ThermalZones read_thermal_zones(const std::string& root) {
    ThermalZones zones;
    auto listed = list_directory(root);
    if (!listed) return zones;
    std::vector<std::string> names = *listed;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string dir = root + "/" + name;
        auto type = read_trimmed(dir + "/type");
        if (!type) continue;
        if (name.starts_with("thermal_zone")) {
            auto kind = kind_of(*type);
            auto milli = read_long(dir + "/temp");
            if (!kind || !milli) continue;
            const double celsius = static_cast<double>(*milli) / 1000.0;
            if (!zones.hottest || celsius > zones.hottest->celsius) zones.hottest = ZoneTemperature{*kind, celsius};
        } else if (name.starts_with("cooling_device")) {
            auto state = read_long(dir + "/cur_state");
            if (state && *state > 0 && holds_clocks(*type)) zones.cooling.push_back(*type);
        }
    }
    return zones;
}

double severe_skin_celsius(const std::string& config) {
    auto text = read_node(config);
    if (!text) return kDefaultSevereSkin;
    const auto json = nlohmann::json::parse(*text, nullptr, false);
    if (!json.is_object() || !json.contains("Sensors") || !json["Sensors"].is_array()) return kDefaultSevereSkin;
    std::optional<double> lowest;
    for (const auto& sensor : json["Sensors"]) {
        if (!sensor.is_object()) continue;
        const auto type = sensor.find("Type");
        if (type == sensor.end() || *type != "SKIN") continue;
        const auto hot = sensor.find("HotThreshold");
        if (hot == sensor.end() || !hot->is_array() || hot->size() <= kSevereSlot) continue;
        // "NAN" marks a level the sensor does not use
        const auto& severe = (*hot)[kSevereSlot];
        if (severe.is_number() && (!lowest || severe.get<double>() < *lowest)) lowest = severe.get<double>();
    }
    return lowest.value_or(kDefaultSevereSkin);
}

}  // namespace korvane
