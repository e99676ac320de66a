// The kernel tweak profiles on a phone of every kernel family: each row
// reaches the tunable where the kernel keeps it, both margin pairs end at the
// profile's values whatever they held, the count is what docs/kernel-families.md
// says, and an undo puts the phone back as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <utility>

#include "kernel_tweak_golden.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

namespace fs = std::filesystem;
using P = TuningProfile;

const std::string kWaltDir = "/proc/sys/walt/";
const std::string kMtkBoost = "/sys/devices/system/cpu/sched/sched_boost";

// A phone per family; the rows its kernel has but refuses the profiles'
// values for (an HMP kernel's spill load takes 0..100, and its cfs_boost is
// read-only where schedtune is built in), which count only while the node
// holds the row's value already; how many margins its per-boundary nodes
// take (three clusters: two); the count each profile prints there, in the
// page's column order.
struct Phone {
    const char* profile;
    std::vector<std::string> refused;
    size_t margins = 0;
    std::vector<std::string> counts;
};
const Phone kPhones[] = {
    {"qc_hmp", {"sched_spill_load", "sched_cfs_boost"}, 0, {"22", "20", "21"}},
    {"qc_walt4", {}, 2, {"17", "16", "17"}},
    {"snapdragon", {}, 2, {"17", "16", "17"}},
    {"snapdragon_gki", {}, 2, {"11", "10", "11"}},
    {"mtk_dimensity", {}, 0, {"12", "11", "12"}},
    {"mtk_legacy", {}, 0, {"12", "11", "12"}},
    {"mali", {}, 0, {"11", "11", "11"}},
    {"bare", {}, 0, {"3", "3", "3"}},
};

// The profiles in the page's column order.
const std::pair<P, const char*> kProfiles[] = {
    {P::battery, "--batt_kt"}, {P::balanced, "--nrml_kt"}, {P::performance, "--perf_kt"}};

// Where a kernel of some family keeps the row's tunable, if anywhere: the
// table's folder first, then WALT's folder for the WALT tunables that a GKI
// module keeps there, then MediaTek's boost node.
std::optional<std::string> location(const SimDevice& dev, const std::string& name) {
    std::vector<std::string> candidates = {kKernelDir + name};
    for (const char* walt : {"sched_boost", "sched_sync_hint_enable", "sched_upmigrate", "sched_downmigrate",
                             "sched_group_upmigrate", "sched_group_downmigrate"}) {
        if (name == walt) candidates.push_back(kWaltDir + name);
    }
    if (name == "sched_boost") candidates.push_back(kMtkBoost);
    for (const std::string& path : candidates) {
        if (dev.exists(path)) return path;
    }
    return std::nullopt;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Checks that the node holds `value` as its kernel shows it.
void expect_at_value(const SimDevice& dev, const Phone& phone, const std::string& path, const std::string& value) {
    std::string now = dev.read(path);
    if (path == kMtkBoost) {
        EXPECT_EQ(now, value == "1" ? "sched boost= all boost" : "sched boost= no boost") << path;
    } else if (phone.margins > 0 && (path.ends_with("/sched_upmigrate") || path.ends_with("/sched_downmigrate"))) {
        std::vector<std::string> margins = words(now);
        ASSERT_GE(margins.size(), phone.margins) << path << ": " << now;
        for (size_t i = 0; i < phone.margins; ++i) EXPECT_EQ(margins[i], value) << path << ": " << now;
    } else {
        EXPECT_EQ(now, value) << path;
    }
}

// /proc/sys and the scheduler's sysfs nodes: path -> mode and content.
std::map<std::string, std::string> scheduler_state(const SimDevice& dev) {
    std::map<std::string, std::string> state;
    for (const char* root : {"/proc/sys", "/sys/devices/system/cpu/sched"}) {
        if (!dev.exists(root)) continue;
        for (const auto& e : fs::recursive_directory_iterator(dev.host_path(root))) {
            if (!e.is_regular_file()) continue;
            std::string path = root + e.path().string().substr(dev.host_path(root).size());
            if (path.find("/random/") != std::string::npos) continue;
            state[path] = std::to_string(dev.mode(path)) + " " + dev.read(path);
        }
    }
    return state;
}

// The printed count of each phone and profile, as the page gives them.
std::map<std::string, std::vector<std::string>> documented_counts() {
    std::ifstream page(std::string(KORVANE_SOURCE_DIR) + "/docs/kernel-families.md");
    std::map<std::string, std::vector<std::string>> counts;
    std::string line, phone;
    std::smatch m;
    const std::regex count_line(R"(^\| \*\*printed count\*\* \| \| (\d+) \| (\d+) \| (\d+) \|$)");
    while (std::getline(page, line)) {
        if (line.starts_with("## ")) phone = line.substr(3);
        if (std::regex_match(line, m, count_line)) counts[phone] = {m[1], m[2], m[3]};
    }
    return counts;
}

// Every profile after every profile, from the phone as it comes: the pair
// faults show only in some orders. The undo after each order brings the
// phone back, so the next order starts from it as well.
TEST(KernelFamiliesE2e, EveryOrderOfProfilesEndsAtTheLastOnesValues) {
    auto documented = documented_counts();
    for (const Phone& phone : kPhones) {
        EXPECT_EQ(documented[phone.profile], phone.counts) << "docs/kernel-families.md, " << phone.profile;
        SimDevice dev(phone.profile);
        const auto pristine = scheduler_state(dev);
        for (const auto& [first, first_command] : kProfiles) {
            for (size_t column = 0; column < std::size(kProfiles); ++column) {
                const auto& [second, second_command] = kProfiles[column];
                SCOPED_TRACE(std::string(phone.profile) + " " + first_command + " then " + second_command);
                ASSERT_EQ(dev.run({first_command}).status, 0);
                auto r = dev.run({second_command});

                std::map<std::string, std::string> final_values;  // the last row of a node wins
                uint32_t takes = 0;
                for (const GoldenTweak& t : kGoldenTweaks) {
                    auto path = location(dev, t.name);
                    if (t.value(second) == nullptr || !path) continue;
                    // a refused node keeps its value: the row counts when that is the row's
                    if (std::ranges::count(phone.refused, t.name) > 0 && dev.read(*path) != t.value(second)) continue;
                    ++takes;
                    final_values[*path] = t.value(second);
                }
                for (const auto& [path, value] : final_values) expect_at_value(dev, phone, path, value);
                EXPECT_EQ(r.lines().back(), "[OK] Applied " + std::to_string(takes) + " kernel tweaks");
                EXPECT_EQ(r.lines().back(), "[OK] Applied " + phone.counts.at(column) + " kernel tweaks");

                ASSERT_EQ(dev.run({"--restore"}).status, 0);
                EXPECT_EQ(scheduler_state(dev), pristine);
            }
        }
    }
}

// HMP's boost is a switch: from one active type to another by way of 0,
// there and back, and a repeated profile counts the boost it holds without
// writing it.
TEST(KernelFamiliesE2e, HmpBoostSwitchesTypesThroughZero) {
    SimDevice dev("qc_hmp");
    const std::string boost = kKernelDir + "sched_boost";
    dev.write(boost, "2");
    const std::string applied = dev.run({"--perf_kt"}).lines().back();
    EXPECT_EQ(dev.read(boost), "1");
    EXPECT_EQ(dev.run({"--perf_kt"}).lines().back(), applied);
    EXPECT_EQ(dev.read(boost), "1");
    ASSERT_EQ(dev.run({"--restore"}).status, 0);
    EXPECT_EQ(dev.read(boost), "2");
}

// The page is made from the phones, never typed: it must match a fresh run.
TEST(KernelFamiliesE2e, ThePageMatchesAFreshRun) {
    std::string script = std::string(KORVANE_SOURCE_DIR) + "/scripts/kernel-families";
    std::string out = std::string(::testing::TempDir()) + "/kernel-families.md";
    std::string command = script + " --korvane " + KORVANE_BINARY + " --kernelfs " + KORVANE_KERNELFS +
                          " --emulator '" + KORVANE_EMULATOR + "' " + (KORVANE_SANITIZED ? "--sanitizer-log " : "") + out;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    auto text = [](const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(text(out), text(std::string(KORVANE_SOURCE_DIR) + "/docs/kernel-families.md"))
        << "docs/kernel-families.md is stale: run scripts/kernel-families";
}

}  // namespace
}  // namespace korvane::e2e
