#include "cli/help.h"

#include <string_view>

#include "os/output.h"

namespace korvane {
namespace {

// By topic, not in dispatch order; the alignment is part of the text.
// clang-format off
constexpr std::string_view kHelpLines[] = {
    "",
    "KORVANE HELPER CLI",
    "",
    "SYSTEM PROFILES",
    "  --perf_sys          Apply performance system profile",
    "  --batt_sys          Apply battery saver system profile",
    "  --nrml_sys          Apply balanced system profile",
    "  --resetting_sys     Reset all system profiles",
    "",
    "KERNEL TWEAKS",
    "  --perf_kt           Apply performance kernel tweaks",
    "  --batt_kt           Apply battery saver kernel tweaks",
    "  --nrml_kt           Apply balanced kernel tweaks",
    "",
    "AUTO SETUP",
    "  --auto_setup <mode> Auto setup (gamemode, normalmode, batterymode)",
    "",
    "CPU CONTROL",
    "  --cpu_max <0-100>   Set CPU maximum frequency (%)",
    "  --cpu_min <0-100>   Set CPU minimum frequency (%)",
    "  --cpu_reset         Reset CPU frequencies",
    "  --disable_cpu_limit Disable CPU frequency limits",
    "",
    "GPU CONTROL",
    "  --gpu_max <0-100>   Set GPU maximum frequency (%)",
    "  --gpu_min <0-100>   Set GPU minimum frequency (%)",
    "  --gpu_reset         Reset GPU frequencies",
    "",
    "MONITORING",
    "  --get_freq_available_cpu  Show available CPU frequencies",
    "  --get_freq_available_gpu  Show available GPU frequencies",
    "  --gpu_info                Debug GPU detection",
    "  --get_refresh             Get current refresh rate",
    "  --check_nand              Run NAND/Storage Diagnostic Tool",
    "",
    "BATTERY & CHARGING",
    "  --bypass <on|off|test>      Control bypass charging",
    "  --fast_charge <on|off|test> Control force fast charging",
    "  --gms_doze_revert        Disable GMS Doze",
    "  --gms_doze_enable        Enable GMS Doze",
    "",
    "GAMING OPTIMIZATIONS",
    "  --downscales <factor>    Apply game downscaling",
    "  --reset_downscale        Reset game downscaling",
    "  --fps_limit <fps>        Set FPS limit",
    "  --reset_fps              Reset FPS limit",
    "  --sf_auto                Adjust SurfaceFlinger",
    "",
    "UTILITIES",
    "  --clean_ram              Clear RAM",
    "  --clear_cache_app        Clear app cache",
    "  --set_dnd <Y/N>          Set Do Not Disturb",
    "  --common_startup         Apply common optimizations",
    "  --disable_network        Disable network connections",
    "",
    "  --help, -h              Show this help message",
    "",
    "",
    "UNDO AND PREVIEW",
    "  --restore                Undo every recorded change",
    "  --status                 Show what korvane changed and what still holds",
    "  --dry-run <command> [value] Show what a command would change",
    "  --on_boot <mode|off>     Apply a mode at every boot",
    "  --watch [stop]           Switch kernel profiles per app in front",
    "",
};
// clang-format on

}  // namespace

void print_help() {
    for (std::string_view line : kHelpLines) print_line(line);
}

}  // namespace korvane
