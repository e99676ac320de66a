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

// What one run must print on each stream; every case exits 0.
struct CliCase {
    std::vector<std::string> args;
    std::string out;
    std::string err;
};

std::vector<CliCase> cli_cases() {
    const std::string bad_percent =
        "[ERROR] Invalid percentage. Use a number between 0-100\n[ERROR] Invalid percentage value\n";
    const std::string bad_fps =
        "[ERROR] Invalid FPS value. Use a number (e.g., 60, 90, 120)\n[ERROR] Invalid FPS value\n";
    const std::pair<const char*, const char*> usages[] = {
        {"--auto_setup", "--auto_setup <gamemode|normalmode|batterymode>"},
        {"--bypass", "--bypass <on|off|test>"},
        {"--fast_charge", "--fast_charge <on|off|test>"},
        {"--downscales", "--downscales <factor>"},
        {"--cpu_max", "--cpu_max <0-100>"},
        {"--cpu_min", "--cpu_min <0-100>"},
        {"--gpu_max", "--gpu_max <0-100>"},
        {"--gpu_min", "--gpu_min <0-100>"},
        {"--set_dnd", "--set_dnd <Y/N>"},
        {"--fps_limit", "--fps_limit <fps>"},
        {"--on_boot", "--on_boot <gamemode|normalmode|batterymode|off>"},
        {"--dry-run", "--dry-run <command> [value]"},
    };
    std::vector<CliCase> cases;
    // help for no command and both help words, whatever follows
    for (std::vector<std::string> args : {std::vector<std::string>{}, {"--help"}, {"-h"}, {"--help", "extra"}}) {
        cases.push_back({args, kHelp, ""});
    }
    // a missing value goes to standard error
    for (const auto& [word, usage] : usages) {
        cases.push_back({{word}, "", std::string("Error: Missing argument\nUsage: ") + usage + "\n"});
    }
    // unknown words are named as typed
    for (const char* word : {"--HELP", "--cpu_max=80", "cpu_max", "-H", "--"}) {
        const std::string named = std::string("[ERROR] Unknown command: ") + word + "\n";
        cases.push_back({{word, "80"}, named + "[INFO] Use --help for usage information\n", ""});
    }
    for (const char* value : {"abc", "-5", "256", "", " 5"}) {
        for (const char* word : {"--cpu_max", "--cpu_min", "--gpu_max", "--gpu_min"}) {
            cases.push_back({{word, value}, bad_percent, ""});
        }
    }
    // invalid or not positive
    for (const char* value : {"abc", "60.5", "2147483648", "0", "-5", "-0"}) {
        cases.push_back({{"--fps_limit", value, "extra"}, bad_fps, ""});
    }
    return cases;
}

TEST(Cli, AnswersEveryPathThatReachesNoDevice) {
    const std::vector<CliCase> cases = cli_cases();
    std::vector<std::vector<std::string>> args;
    for (const CliCase& c : cases) args.push_back(c.args);
    const std::vector<CliRun> runs = run_each(args);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(testing::PrintToString(cases[i].args));
        EXPECT_EQ(runs[i].out, cases[i].out);
        EXPECT_EQ(runs[i].err, cases[i].err);
        EXPECT_EQ(runs[i].status, 0);
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
