// The command-line front end on the paths that never reach a device
// operation: help, missing values, unknown words and refused values. Run in
// the simulated phone all the same, every case of a test in one sandbox.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../help_text.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

using CliRun = RunResult;

// Each argument list is one korvane run inside one mksh of the phone; the
// outputs and statuses come back through files of /data/local/tmp.
std::vector<CliRun> run_each(const std::vector<std::vector<std::string>>& cases) {
    SimDevice dev;
    std::string script;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string file = "/data/local/tmp/" + std::to_string(i);
        script += "/sim/bin/korvane";
        for (const std::string& arg : cases[i]) script += " '" + arg + "'";  // no case holds a quote
        script += " >" + file + ".out 2>" + file + ".err; echo $? >" + file + ".status\n";
    }
    RunResult shell = dev.run_program("/system/bin/mksh", {"-c", script});
    EXPECT_EQ(shell.status, 0) << shell.err;
    std::vector<CliRun> runs;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string file = "/data/local/tmp/" + std::to_string(i);
        runs.push_back({dev.read(file + ".out"), dev.read(file + ".err"), std::stoi(dev.read(file + ".status"))});
    }
    return runs;
}

TEST(Cli, HelpIsPrintedForNoCommandAndBothHelpWords) {
    for (const CliRun& run : run_each({{}, {"--help"}, {"-h"}, {"--help", "extra"}})) {
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
    std::vector<std::vector<std::string>> args;
    for (const auto& [word, usage] : cases) args.push_back({word});
    const std::vector<CliRun> runs = run_each(args);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [word, usage] = cases[i];
        const CliRun& run = runs[i];
        EXPECT_EQ(run.out, "") << word;
        EXPECT_EQ(run.err, std::string("Error: Missing argument\n") + usage);
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Cli, UnknownWordsAreNamedAsTyped) {
    const std::vector<std::string> words = {"--HELP", "--cpu_max=80", "cpu_max", "-H", "--"};
    std::vector<std::vector<std::string>> args;
    for (const std::string& word : words) args.push_back({word, "80"});
    const std::vector<CliRun> runs = run_each(args);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const CliRun& run = runs[i];
        EXPECT_EQ(run.out, std::string("[ERROR] Unknown command: ") + word +
                               "\n[INFO] Use --help for usage information\n");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Cli, InvalidPercentagePrintsBothErrorLines) {
    std::vector<std::vector<std::string>> args;
    for (const char* value : {"abc", "-5", "256", "", " 5"}) {
        for (const char* word : {"--cpu_max", "--cpu_min", "--gpu_max", "--gpu_min"}) args.push_back({word, value});
    }
    const std::vector<CliRun> runs = run_each(args);
    for (size_t i = 0; i < args.size(); ++i) {
        EXPECT_EQ(runs[i].out,
                  "[ERROR] Invalid percentage. Use a number between 0-100\n"
                  "[ERROR] Invalid percentage value\n")
            << args[i][0] << " " << args[i][1];
        EXPECT_EQ(runs[i].status, 0);
    }
}

TEST(Cli, InvalidOrNonPositiveFpsPrintsBothErrorLines) {
    std::vector<std::vector<std::string>> args;
    for (const char* value : {"abc", "60.5", "2147483648", "0", "-5", "-0"}) args.push_back({"--fps_limit", value, "extra"});
    const std::vector<CliRun> runs = run_each(args);
    for (size_t i = 0; i < args.size(); ++i) {
        const CliRun& run = runs[i];
        const std::string& value = args[i][1];
        EXPECT_EQ(run.out,
                  "[ERROR] Invalid FPS value. Use a number (e.g., 60, 90, 120)\n"
                  "[ERROR] Invalid FPS value\n")
            << value;
        EXPECT_EQ(run.status, 0);
    }
}

TEST(Cli, VersionIsOneLine) {
    CliRun run = run_each({{"--version"}}).front();
    EXPECT_EQ(run.out.rfind("korvane ", 0), 0u);
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);
}

}  // namespace
}  // namespace korvane::e2e
