// Runs the real executable, but only on the paths that never reach a device
// operation: help, missing values, unknown words and refused values.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sys/runner.h"

namespace korvane {
namespace {

struct CliRun {
    std::string out;
    std::string err;
    int status = -1;
};

CliRun run_korvane(const std::vector<std::string>& args) {
    auto r = run_process(KORVANE_BINARY, args);
    EXPECT_TRUE(r) << r.error();
    CliRun run{r->out, r->err, r->exited_zero ? 0 : 1};
    return run;
}

const char* const kHelp =
    "\n"
    "KORVANE HELPER CLI\n"
    "\n"
    "SYSTEM PROFILES\n"
    "  --perf_sys          Apply performance system profile\n"
    "  --batt_sys          Apply battery saver system profile\n"
    "  --nrml_sys          Apply balanced system profile\n"
    "  --resetting_sys     Reset all system profiles\n"
    "\n"
    "KERNEL TWEAKS\n"
    "  --perf_kt           Apply performance kernel tweaks\n"
    "  --batt_kt           Apply battery saver kernel tweaks\n"
    "  --nrml_kt           Apply balanced kernel tweaks\n"
    "\n"
    "AUTO SETUP\n"
    "  --auto_setup <mode> Auto setup (gamemode, normalmode, batterymode)\n"
    "\n"
    "CPU CONTROL\n"
    "  --cpu_max <0-100>   Set CPU maximum frequency (%)\n"
    "  --cpu_min <0-100>   Set CPU minimum frequency (%)\n"
    "  --cpu_reset         Reset CPU frequencies\n"
    "  --disable_cpu_limit Disable CPU frequency limits\n"
    "\n"
    "GPU CONTROL\n"
    "  --gpu_max <0-100>   Set GPU maximum frequency (%)\n"
    "  --gpu_min <0-100>   Set GPU minimum frequency (%)\n"
    "  --gpu_reset         Reset GPU frequencies\n"
    "\n"
    "MONITORING\n"
    "  --get_freq_available_cpu  Show available CPU frequencies\n"
    "  --get_freq_available_gpu  Show available GPU frequencies\n"
    "  --gpu_info                Debug GPU detection\n"
    "  --get_refresh             Get current refresh rate\n"
    "  --check_nand              Run NAND/Storage Diagnostic Tool\n"
    "\n"
    "BATTERY & CHARGING\n"
    "  --bypass <on|off|test>      Control bypass charging\n"
    "  --fast_charge <on|off|test> Control force fast charging\n"
    "  --gms_doze_revert        Disable GMS Doze\n"
    "  --gms_doze_enable        Enable GMS Doze\n"
    "\n"
    "GAMING OPTIMIZATIONS\n"
    "  --downscales <factor>    Apply game downscaling\n"
    "  --reset_downscale        Reset game downscaling\n"
    "  --fps_limit <fps>        Set FPS limit\n"
    "  --reset_fps              Reset FPS limit\n"
    "  --sf_auto                Adjust SurfaceFlinger\n"
    "\n"
    "UTILITIES\n"
    "  --clean_ram              Clear RAM\n"
    "  --clear_cache_app        Clear app cache\n"
    "  --set_dnd <Y/N>          Set Do Not Disturb\n"
    "  --common_startup         Apply common optimizations\n"
    "  --disable_network        Disable network connections\n"
    "\n"
    "  --help, -h              Show this help message\n"
    "\n"
    "\n"
    "UNDO AND PREVIEW\n"
    "  --restore                Undo every recorded change\n"
    "  --dry-run <command> [value] Show what a command would change\n"
    "  --on_boot <mode|off>     Apply a mode at every boot\n"
    "\n";

TEST(Cli, HelpIsPrintedForNoCommandAndBothHelpWords) {
    for (const auto& args : {std::vector<std::string>{}, {"--help"}, {"-h"}, {"--help", "extra"}}) {
        CliRun run = run_korvane(args);
        EXPECT_EQ(run.out, kHelp);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Cli, MissingValueGoesToStandardError) {
    const std::pair<const char*, const char*> cases[] = {
        {"--auto_setup", "Usage: --auto_setup <gamemode|normalmode|batterymode>\n"},
        {"--bypass", "Usage: --bypass <on|off|test>\n"},
        {"--fast_charge", "Usage: --fast_charge <on|off|test>\n"},
        {"--downscales", "Usage: --downscales <factor>\n"},
        {"--cpu_max", "Usage: --cpu_max <0-100>\n"},
        {"--cpu_min", "Usage: --cpu_min <0-100>\n"},
        {"--gpu_max", "Usage: --gpu_max <0-100>\n"},
        {"--gpu_min", "Usage: --gpu_min <0-100>\n"},
        {"--set_dnd", "Usage: --set_dnd <Y/N>\n"},
        {"--fps_limit", "Usage: --fps_limit <fps>\n"},
        {"--on_boot", "Usage: --on_boot <gamemode|normalmode|batterymode|off>\n"},
        {"--dry-run", "Usage: --dry-run <command> [value]\n"},
    };
    for (const auto& [word, usage] : cases) {
        CliRun run = run_korvane({word});
        EXPECT_EQ(run.out, "") << word;
        EXPECT_EQ(run.err, std::string("Error: Missing argument\n") + usage);
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Cli, UnknownWordsAreNamedAsTyped) {
    for (const char* word : {"--HELP", "--cpu_max=80", "cpu_max", "-H", "--"}) {
        CliRun run = run_korvane({word, "80"});
        EXPECT_EQ(run.out, std::string("[ERROR] Unknown command: ") + word +
                               "\n[INFO] Use --help for usage information\n");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Cli, InvalidPercentagePrintsBothErrorLines) {
    for (const char* value : {"abc", "-5", "256", "", " 5"}) {
        for (const char* word : {"--cpu_max", "--cpu_min", "--gpu_max", "--gpu_min"}) {
            CliRun run = run_korvane({word, value});
            EXPECT_EQ(run.out,
                      "[ERROR] Invalid percentage. Use a number between 0-100\n"
                      "[ERROR] Invalid percentage value\n")
                << word << " " << value;
            EXPECT_EQ(run.status, 0);
        }
    }
}

TEST(Cli, InvalidOrNonPositiveFpsPrintsBothErrorLines) {
    for (const char* value : {"abc", "60.5", "2147483648", "0", "-5", "-0"}) {
        CliRun run = run_korvane({"--fps_limit", value, "extra"});
        EXPECT_EQ(run.out,
                  "[ERROR] Invalid FPS value. Use a number (e.g., 60, 90, 120)\n"
                  "[ERROR] Invalid FPS value\n")
            << value;
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Cli, VersionIsOneLine) {
    CliRun run = run_korvane({"--version"});
    EXPECT_EQ(run.out.rfind("korvane ", 0), 0u);
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);
}

}  // namespace
}  // namespace korvane
