#include "modes/setup_steps.h"

#include <cmath>
#include <limits>

#include "charging/bypass_charging.h"
#include "charging/fast_charge.h"
#include "cpu/cpu_freq.h"
#include "display/downscaling.h"
#include "display/surfaceflinger.h"
#include "gpu/gpu_freq.h"
#include "maintenance/utilities.h"
#include "os/output.h"
#include "profiles/kernel_tweaks.h"
#include "profiles/system_profile.h"

namespace korvane {
namespace {

using Ctx = const SetupContext&;

const char* on_off(bool on) { return on ? "on" : "off"; }

Result<void> system_profile(Ctx c) { return apply_system_profile(c.profile); }
Result<void> kernel_tweaks(Ctx c) { return apply_kernel_tweaks(c.profile); }
Result<void> gpu_reset(Ctx) { return reset_gpu_frequencies(); }
Result<void> cpu_reset(Ctx) { return reset_cpu_frequencies(); }
Result<void> ram_clean(Ctx) { return clean_ram(); }
Result<void> gms_doze_enable(Ctx) { return enable_gms_doze(); }
Result<void> gms_doze_revert(Ctx) { return revert_gms_doze(); }
Result<void> bypass_configured(Ctx c) {
    return drop_value(set_bypass_charging(on_off(c.config.battery_saving.bypass_charging)));
}
Result<void> bypass_off(Ctx) { return drop_value(set_bypass_charging("off")); }
Result<void> fast_charge(Ctx c) { return drop_value(set_fast_charge(on_off(c.config.battery_saving.fast_charge))); }
Result<void> surfaceflinger(Ctx) { return optimize_surfaceflinger(); }

using Plan = std::vector<PlannedChange>;
Plan kernel_nodes(Ctx c) { return kernel_tweak_changes(c.profile); }
Plan gpu_bounds(Ctx) { return gpu_reset_changes(); }
Plan cpu_bounds(Ctx) { return cpu_reset_changes(); }
Plan doze_on(Ctx) { return gms_doze_changes(true); }
Plan doze_off(Ctx) { return gms_doze_changes(false); }
Plan fast_charge_nodes(Ctx) { return fast_charge_changes(); }
Plan bypass_off_nodes(Ctx) { return bypass_off_changes(); }
Plan bypass_configured_nodes(Ctx c) { return c.config.battery_saving.bypass_charging ? Plan{} : bypass_off_changes(); }

// A scale of 1.0 takes the downscaling off; no positive scale means none was
// configured, and writing a zero factor into every game would break them.
Result<void> downscaling(Ctx c) {
    double scale = c.config.downscaling.scale;
    if (!(scale > 0.0)) {
        out("[INFO] Downscaling skipped: no positive scale configured");
    } else if (std::fabs(scale - 1.0) <= std::numeric_limits<double>::epsilon()) {
        auto games = reset_downscaling();
        if (games) {
            out("[OK] Downscaling reset for ", *games, " games (scale = 1.0)");
        } else {
            out("[ERROR] Downscaling reset: ", games.error());
        }
    } else {
        auto games = apply_downscaling(c.scale);
        if (games) {
            out("[OK] Downscaling (", c.scale, "x) applied to ", *games, " games");
        } else {
            out("[ERROR] Downscaling: ", games.error());
        }
    }
    return success();
}

// clang-format off
constexpr SetupStep kGameSteps[] = {
    {Gate::always,          "System settings",  system_profile,    nullptr},
    {Gate::always,          "Kernel tweaks",    kernel_tweaks,     kernel_nodes},
    {Gate::always,          "GPU reset",        gpu_reset,         gpu_bounds},
    {Gate::always,          "CPU reset",        cpu_reset,         cpu_bounds},
    {Gate::clear_ram,       "RAM clean",        ram_clean,         nullptr},
    {Gate::gms_auto,        "GMS Doze enable",  gms_doze_enable,   doze_on},
    {Gate::no_gms_auto,     "GMS Doze disable", gms_doze_revert,   doze_off},
    {Gate::always,          "Bypass charging",  bypass_configured, bypass_configured_nodes},
    {Gate::always,          "Fast charge",      fast_charge,       fast_charge_nodes},
    {Gate::always,          "",                 downscaling,       nullptr},
    {Gate::surface_flinger, "SurfaceFlinger",   surfaceflinger,    nullptr},
};

constexpr SetupStep kNormalSteps[] = {
    {Gate::always,          "System settings",  system_profile,    nullptr},
    {Gate::always,          "Kernel tweaks",    kernel_tweaks,     kernel_nodes},
    {Gate::always,          "GPU reset",        gpu_reset,         gpu_bounds},
    {Gate::always,          "CPU reset",        cpu_reset,         cpu_bounds},
    {Gate::always,          "Bypass charging",  bypass_off,        bypass_off_nodes},
    {Gate::always,          "GMS Doze",         gms_doze_revert,   doze_off},
    {Gate::always,          "",                 downscaling,       nullptr},
    {Gate::always,          "Fast charge",      fast_charge,       fast_charge_nodes},
    {Gate::surface_flinger, "SurfaceFlinger",   surfaceflinger,    nullptr},
};

constexpr SetupStep kBatterySteps[] = {
    {Gate::always,          "System settings",  system_profile,    nullptr},
    {Gate::always,          "Kernel tweaks",    kernel_tweaks,     kernel_nodes},
    {Gate::always,          "GPU reset",        gpu_reset,         gpu_bounds},
    {Gate::always,          "CPU reset",        cpu_reset,         cpu_bounds},
    {Gate::always,          "Bypass charging",  bypass_off,        bypass_off_nodes},
    {Gate::always,          "GMS Doze",         gms_doze_enable,   doze_on},
    {Gate::always,          "",                 downscaling,       nullptr},
    {Gate::always,          "Fast charge",      fast_charge,       fast_charge_nodes},
    {Gate::surface_flinger, "SurfaceFlinger",   surfaceflinger,    nullptr},
};

constexpr SetupMode kModes[] = {
    {"gamemode",    "Game Mode",    TuningProfile::performance, kGameSteps},
    {"normalmode",  "Normal Mode",  TuningProfile::balanced,    kNormalSteps},
    {"batterymode", "Battery Mode", TuningProfile::battery,     kBatterySteps},
};
// clang-format on

}  // namespace

std::span<const SetupMode> setup_modes() { return kModes; }

bool gate_open(Gate gate, const KorvaneConfig& config) {
    switch (gate) {
        case Gate::always: return true;
        case Gate::clear_ram: return config.utility_tool.clear_ram;
        case Gate::gms_auto: return config.utility_tool.gms_auto;
        case Gate::no_gms_auto: return !config.utility_tool.gms_auto;
        case Gate::surface_flinger: return config.utility_tool.surface_flinger;
    }
    return false;
}

}  // namespace korvane
