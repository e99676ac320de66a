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
#include "profiles/kernel_tweaks.h"
#include "profiles/system_profile.h"
#include "sys/output.h"

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
    {Gate::always,          "System settings",  system_profile},
    {Gate::always,          "Kernel tweaks",    kernel_tweaks},
    {Gate::always,          "GPU reset",        gpu_reset},
    {Gate::always,          "CPU reset",        cpu_reset},
    {Gate::clear_ram,       "RAM clean",        ram_clean},
    {Gate::gms_auto,        "GMS Doze enable",  gms_doze_enable},
    {Gate::no_gms_auto,     "GMS Doze disable", gms_doze_revert},
    {Gate::always,          "Bypass charging",  bypass_configured},
    {Gate::always,          "Fast charge",      fast_charge},
    {Gate::always,          "",                 downscaling},
    {Gate::surface_flinger, "SurfaceFlinger",   surfaceflinger},
};

constexpr SetupStep kNormalSteps[] = {
    {Gate::always,          "System settings",  system_profile},
    {Gate::always,          "Kernel tweaks",    kernel_tweaks},
    {Gate::always,          "GPU reset",        gpu_reset},
    {Gate::always,          "CPU reset",        cpu_reset},
    {Gate::always,          "Bypass charging",  bypass_off},
    {Gate::always,          "GMS Doze",         gms_doze_revert},
    {Gate::always,          "",                 downscaling},
    {Gate::always,          "Fast charge",      fast_charge},
    {Gate::surface_flinger, "SurfaceFlinger",   surfaceflinger},
};

constexpr SetupStep kBatterySteps[] = {
    {Gate::always,          "System settings",  system_profile},
    {Gate::always,          "Kernel tweaks",    kernel_tweaks},
    {Gate::always,          "GPU reset",        gpu_reset},
    {Gate::always,          "CPU reset",        cpu_reset},
    {Gate::always,          "Bypass charging",  bypass_off},
    {Gate::always,          "GMS Doze",         gms_doze_enable},
    {Gate::always,          "",                 downscaling},
    {Gate::always,          "Fast charge",      fast_charge},
    {Gate::surface_flinger, "SurfaceFlinger",   surfaceflinger},
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
