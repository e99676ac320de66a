#include "cli/command_table.h"

#include "android/thermal_state.h"
#include "charging/bypass_charging.h"
#include "charging/fast_charge.h"
#include "cli/help.h"
#include "cpu/cpu_freq.h"
#include "display/downscaling.h"
#include "display/fps_limit.h"
#include "display/surfaceflinger.h"
#include "gpu/gpu_freq.h"
#include "journal/change_policy.h"
#include "maintenance/nand_health.h"
#include "maintenance/utilities.h"
#include "modes/auto_setup.h"
#include "os/output.h"
#include "profiles/kernel_tweaks.h"
#include "profiles/system_profile.h"
#include "undo/on_boot.h"
#include "undo/restore.h"
#include "undo/status.h"
#include "watch/watch_service.h"

namespace korvane {
namespace {

using V = const CommandValue&;
using P = TuningProfile;

// A command that raises a clock cap says first when the phone's own thermal
// service holds the clocks down whatever korvane sets; it still runs.
template <Result<void> (*run)(V)>
Result<void> raising(V v) {
    warn_if_phone_hot();
    return run(v);
}

Result<void> help(V) {
    print_help();
    return success();
}

Result<void> version(V) {
    out("korvane ", KORVANE_VERSION);
    return success();
}

// A running watch service puts its session back before the undo reads the journal.
Result<void> restore_watching() {
    if (!is_dry_run(change_policy())) {
        if (auto stopped = stop_watch_before_restore(); !stopped) return stopped;
    }
    return restore_changes();
}

// clang-format off
constexpr Command kCommands[] = {
    {"--auto_setup",             ValueKind::text,    "Usage: --auto_setup <gamemode|normalmode|batterymode>",
        [](V v) {
            if (v.text == "gamemode") warn_if_phone_hot();
            auto_setup(v.text);
            return success(); }},
    {"--perf_kt",                ValueKind::none,    "",
        raising<[](V) { return apply_kernel_tweaks(P::performance); }>},
    {"--batt_kt",                ValueKind::none,    "", [](V) { return apply_kernel_tweaks(P::battery); }},
    {"--nrml_kt",                ValueKind::none,    "", [](V) { return apply_kernel_tweaks(P::balanced); }},
    {"--perf_sys",               ValueKind::none,    "", [](V) { return apply_system_profile(P::performance); }},
    {"--batt_sys",               ValueKind::none,    "", [](V) { return apply_system_profile(P::battery); }},
    {"--nrml_sys",               ValueKind::none,    "", [](V) { return apply_system_profile(P::balanced); }},
    {"--resetting_sys",          ValueKind::none,    "", [](V) { return reset_system_profile(); }},
    {"--get_freq_available_cpu", ValueKind::none,    "", [](V) { return list_cpu_frequencies(); }},
    {"--get_freq_available_gpu", ValueKind::none,    "", [](V) { return list_gpu_frequencies(); }},
    {"--gpu_info",               ValueKind::none,    "", [](V) { return show_gpu_info(); }},
    {"--clean_ram",              ValueKind::none,    "", [](V) { return clean_ram(); }},
    {"--clear_cache_app",        ValueKind::none,    "", [](V) { return clear_app_cache(); }},
    {"--bypass",                 ValueKind::text,    "Usage: --bypass <on|off|test>",
        [](V v) { return drop_value(set_bypass_charging(v.text)); }},
    {"--fast_charge",            ValueKind::text,    "Usage: --fast_charge <on|off|test>",
        [](V v) { return drop_value(set_fast_charge(v.text)); }},
    {"--downscales",             ValueKind::text,    "Usage: --downscales <factor>",
        [](V v) { return drop_value(apply_downscaling(v.text)); }},
    {"--reset_downscale",        ValueKind::none,    "", [](V) { return drop_value(reset_downscaling()); }},
    {"--sf_auto",                ValueKind::none,    "", [](V) { return optimize_surfaceflinger(); }},
    {"--gms_doze_revert",        ValueKind::none,    "", [](V) { return revert_gms_doze(); }},
    {"--gms_doze_enable",        ValueKind::none,    "", [](V) { return enable_gms_doze(); }},
    {"--cpu_max",                ValueKind::percent, "Usage: --cpu_max <0-100>",
        raising<[](V v) { return set_cpu_bound(Bound::max, v.percent); }>},
    {"--cpu_min",                ValueKind::percent, "Usage: --cpu_min <0-100>",
        [](V v) { return set_cpu_bound(Bound::min, v.percent); }},
    {"--cpu_reset",              ValueKind::none,    "", raising<[](V) { return reset_cpu_frequencies(); }>},
    {"--gpu_max",                ValueKind::percent, "Usage: --gpu_max <0-100>",
        raising<[](V v) { return set_gpu_bound(Bound::max, v.percent); }>},
    {"--gpu_min",                ValueKind::percent, "Usage: --gpu_min <0-100>",
        [](V v) { return set_gpu_bound(Bound::min, v.percent); }},
    {"--gpu_reset",              ValueKind::none,    "", raising<[](V) { return reset_gpu_frequencies(); }>},
    {"--disable_cpu_limit",      ValueKind::none,    "", [](V) { return disable_cpu_limits(); }},
    {"--set_dnd",                ValueKind::text,    "Usage: --set_dnd <Y/N>", [](V v) { return set_dnd(v.text); }},
    {"--common_startup",         ValueKind::none,    "", [](V) { return apply_common_tweaks(); }},
    {"--disable_network",        ValueKind::none,    "", [](V) { return disable_network(); }},
    {"--fps_limit",              ValueKind::fps,     "Usage: --fps_limit <fps>", [](V v) { return set_fps_limit(v.fps); }},
    {"--reset_fps",              ValueKind::none,    "", [](V) { return reset_fps_limit(); }},
    {"--get_refresh",            ValueKind::none,    "", [](V) { return get_refresh_rate(); }},
    {"--check_nand",             ValueKind::none,    "", [](V) { return check_nand(); }},
    {"--restore",                ValueKind::none,    "", [](V) { return restore_watching(); }},
    {"--status",                 ValueKind::none,    "", [](V) { show_watch_status(); return show_status(); }},
    {"--watch",                  ValueKind::optional, "Usage: --watch [stop]", [](V v) { return watch_command(v.text); }},
    {"--on_boot",                ValueKind::text,    "Usage: --on_boot <gamemode|normalmode|batterymode|off>",
        [](V v) { return set_boot_mode(v.text); }},
    {"--help",                   ValueKind::none,    "", help},
    {"-h",                       ValueKind::none,    "", help},
    // Not in the help text, which stays as it is.
    {"--version",                ValueKind::none,    "", version},
};
// clang-format on

}  // namespace

std::span<const Command> command_table() { return kCommands; }

}  // namespace korvane
