// Runs the real executable, but only on the paths that never reach a device
// operation: help, missing values, unknown words and refused values.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../help_text.h"
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
