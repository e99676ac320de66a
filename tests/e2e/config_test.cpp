// The configuration search, seen through an unknown mode word: the file is
// loaded before the word is checked, and no step runs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kFirst = "/data/user_de/0/com.android.shell/quelix/plugins/korvane/.config/config.json";
const std::string kSecond = "/data/adb/.config/korvane/config.json";
const std::string kValid = R"({"utility_tool": {"clear_ram": true}})";

Lines search_output(const std::vector<std::string>& config_lines) {
    Lines lines{"[INFO] Starting auto setup for check..."};
    lines.insert(lines.end(), config_lines.begin(), config_lines.end());
    lines.push_back("[ERROR] Unknown mode: check");
    lines.push_back("[INFO] Available modes: gamemode, normalmode, batterymode");
    return lines;
}

TEST(ConfigSearchE2e, TheFirstUsableFileIsLoaded) {
    SimDevice dev("bare");
    dev.write(kSecond, kValid);
    EXPECT_EQ(dev.run({"--auto_setup", "check"}).lines(), search_output({"[INFO] Loaded config from " + kSecond}));
    dev.write(kFirst, "[]");
    EXPECT_EQ(dev.run({"--auto_setup", "check"}).lines(), search_output({"[INFO] Loaded config from " + kFirst}));
    EXPECT_TRUE(dev.calls().empty());
}

TEST(ConfigSearchE2e, ABrokenFirstFileHidesAValidSecond) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {R"({"battery_saving": {"fast_charge": "true"}})",
         "invalid type: string \"true\", expected a boolean at line 1 column 41"},
        {"{\n}\n{}", "trailing characters at line 3 column 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SimDevice dev("bare");
        dev.write(kFirst, c.text);
        dev.write(kSecond, kValid);
        EXPECT_EQ(dev.run({"--auto_setup", "check"}).lines(),
                  search_output({"[ERROR] Failed to parse config " + kFirst + ": " + c.message,
                                 "[INFO] Using default configuration"}));
    }
}

TEST(ConfigSearchE2e, AnUnreadableFileIsReportedAndTheNextTried) {
    SimDevice dev("bare");
    dev.mkdir(kFirst);
    dev.write(kSecond, kValid);
    EXPECT_EQ(dev.run({"--auto_setup", "check"}).lines(),
              search_output({"[ERROR] Failed to read config " + kFirst + ": Is a directory (os error 21)",
                             "[INFO] Loaded config from " + kSecond}));

    dev.remove(kFirst);
    dev.write(kFirst, kValid, 0000);
    EXPECT_EQ(dev.run({"--auto_setup", "check"}, kShellUid).lines(),
              search_output({"[ERROR] Failed to read config " + kFirst + ": Permission denied (os error 13)",
                             "[INFO] Loaded config from " + kSecond}));

    dev.chmod(kFirst, 0644);
    dev.write(kFirst, "{\"\xff\": 1}");
    dev.remove(kSecond);
    EXPECT_EQ(dev.run({"--auto_setup", "check"}).lines(),
              search_output({"[ERROR] Failed to read config " + kFirst + ": stream did not contain valid UTF-8",
                             "[INFO] No valid config found, using defaults"}));
}

// What the shell user can put at the first path besides a file: none of it
// is read, none holds the run, and the second path is tried.
TEST(ConfigSearchE2e, WhatRootMustNotReadIsIgnoredAndTheNextTried) {
    struct Case {
        std::string why;
        std::function<void(SimDevice&, const std::string& host)> put;
    };
    const Case cases[] = {
        {"it is not a regular file", [](SimDevice&, const std::string& host) { ::mkfifo(host.c_str(), 0666); }},
        {"it is a symbolic link", [](SimDevice& dev, const std::string&) { dev.symlink("/dev/zero", kFirst); }},
        {"it is larger than 64 KiB",
         [](SimDevice& dev, const std::string&) { dev.write(kFirst, "{" + std::string(1 << 20, ' ') + "}"); }},
        {"it is owned by uid 10123, neither root nor the shell user",
         [](SimDevice& dev, const std::string& host) {
             dev.write(kFirst, kValid);
             (void)!::chown(host.c_str(), 10123, 10123);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        SimDevice dev("bare");
        dev.write(kSecond, kValid);
        dev.mkdir(kFirst.substr(0, kFirst.rfind('/')));
        c.put(dev, dev.host_path(kFirst));
        EXPECT_EQ(dev.run({"--auto_setup", "check"}).lines(),
                  search_output({"[WARN] Ignoring configuration " + kFirst + ": " + c.why,
                                 "[INFO] Loaded config from " + kSecond}));
    }
}

}  // namespace
}  // namespace korvane::e2e
