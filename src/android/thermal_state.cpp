#include "android/thermal_state.h"

#include <cstdio>

#include "android/runner.h"
#include "os/output.h"

namespace korvane {
namespace {

std::string celsius_text(double celsius) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", celsius);
    return text;
}

std::string level_text(const ThermalState& state) {
    if (state.level) return std::string(thermal_level_name(*state.level));
    return state.from_zones ? "below severe" : "unknown";
}

std::string temperature_text(const ThermalState& state) {
    if (!state.temperature) return "";
    return str_cat(", ", state.temperature->kind, " ", celsius_text(state.temperature->celsius), " °C");
}

std::string cooling_list(const ThermalState& state) {
    std::string list;
    for (const std::string& type : state.cooling) list += (list.empty() ? "" : ", ") + type;
    return list;
}

}  // namespace

ThermalState combine_thermal_state(const std::optional<std::string>& service_dump, const ThermalPaths& paths) {
    ThermalState state;
    const ThermalZones zones = read_thermal_zones(paths.zones);
    state.cooling = zones.cooling;
    if (service_dump) {
        const ServiceThermal service = parse_thermal_service(*service_dump);
        if (service.level) {
            state.level = service.level;
            if (service.skin) state.temperature = ZoneTemperature{"skin", *service.skin};
            return state;
        }
    }
    // No status to trust: the zones that name the skin, battery or board.
    if (!zones.hottest) return state;
    state.from_zones = true;
    state.severe_at = severe_skin_celsius(paths.hal_config);
    state.temperature = zones.hottest;
    if (zones.hottest->celsius >= state.severe_at) state.level = ThermalLevel::severe;
    return state;
}

ThermalState read_thermal_state() {
    // One call on every release: before 10 there is no such service, and
    // dumpsys says so on standard error alone, leaving nothing to parse.
    std::optional<std::string> dump;
    if (auto text = tool_output("dumpsys", {"thermalservice"})) dump = std::move(*text);
    return combine_thermal_state(dump, ThermalPaths{});
}

bool phone_is_hot(const ThermalState& state) {
    return (state.level && *state.level >= ThermalLevel::severe) || !state.cooling.empty();
}

std::string thermal_condition_text(const ThermalState& state) {
    return str_cat("thermal status ", level_text(state), temperature_text(state));
}

std::string thermal_status_line(const ThermalState& state) {
    const std::string source =
        state.from_zones ? str_cat(" (thermal zones, severe at ", celsius_text(state.severe_at), " °C)")
        : state.level    ? std::string(" (thermal service)")
                         : std::string();
    const std::string cooling =
        state.cooling.empty() ? ", no CPU or GPU cooling device active" : ", cooling active on " + cooling_list(state);
    return str_cat("[INFO] Thermal status ", level_text(state), source, temperature_text(state), cooling);
}

void warn_if_phone_hot() {
    const ThermalState state = read_thermal_state();
    if (!phone_is_hot(state)) return;
    // a cooling device can hold the clocks while the status is still low
    const bool by_cooling = !state.level || *state.level < ThermalLevel::severe;
    out("[WARN] The phone is hot (thermal status ", level_text(state), temperature_text(state),
        by_cooling ? ", cooling active on " + cooling_list(state) : std::string(),
        "): its thermal service keeps the clocks below what korvane sets until it cools");
}

}  // namespace korvane
