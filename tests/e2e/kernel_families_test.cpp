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

#include "kernel_tweak_golden.h"
#include "sim_device.h"

namespace korvane::e2e {
namespace {

namespace fs = std::filesystem;
using P = TuningProfile;

const std::string kWaltDir = "/proc/sys/walt/";
const std::string kMtkBoost = "/sys/devices/system/cpu/sched/sched_boost";

// A phone per family, and the rows its kernel has but refuses the profiles'
// values for: an HMP kernel's spill load takes 0..100, and its cfs_boost is
// read-only where schedtune is built in.
struct Phone {
    const char* profile;
    std::vector<std::string> refused;
};
const Phone kPhones[] = {
    {"qc_hmp", {"sched_spill_load", "sched_cfs_boost"}},
    {"qc_walt4", {}},
    {"snapdragon", {}},
    {"snapdragon_gki", {}},
    {"mtk_dimensity", {}},
    {"mtk_legacy", {}},
    {"mali", {}},
    {"bare", {}},
};

struct Profile {
    P profile;
    const char* command;
    const char* column;  // in the page's tables
};
const Profile kProfiles[] = {
    {P::battery, "--batt_kt", "battery"},
    {P::balanced, "--nrml_kt", "balanced"},
    {P::performance, "--perf_kt", "performance"},
};

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

size_t cluster_boundaries(const SimDevice& dev) {
    size_t policies = 0;
    for (const auto& e : fs::directory_iterator(dev.host_path("/sys/devices/system/cpu/cpufreq"))) {
        policies += e.path().filename().string().starts_with("policy") ? 1 : 0;
    }
    return policies - 1;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Checks that the node holds `value` as its kernel shows it.
void expect_at_value(const SimDevice& dev, const std::string& path, const std::string& value, bool per_boundary) {
    std::string now = dev.read(path);
    if (path == kMtkBoost) {
        EXPECT_EQ(now, value == "1" ? "sched boost= all boost" : "sched boost= no boost") << path;
    } else if (per_boundary) {
        std::vector<std::string> margins = words(now);
        size_t boundaries = cluster_boundaries(dev);
        ASSERT_GE(margins.size(), boundaries) << path << ": " << now;
        for (size_t i = 0; i < boundaries; ++i) EXPECT_EQ(margins[i], value) << path << ": " << now;
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
std::map<std::string, std::map<std::string, std::string>> documented_counts() {
    std::ifstream page(std::string(KORVANE_SOURCE_DIR) + "/docs/kernel-families.md");
    std::map<std::string, std::map<std::string, std::string>> counts;
    std::string line, phone;
    std::smatch m;
    const std::regex count_line(R"(^\| \*\*printed count\*\* \| \| (\d+) \| (\d+) \| (\d+) \|$)");
    while (std::getline(page, line)) {
        if (line.starts_with("## ")) phone = line.substr(3);
        if (std::regex_match(line, m, count_line)) {
            counts[phone] = {{"battery", m[1]}, {"balanced", m[2]}, {"performance", m[3]}};
        }
    }
    return counts;
}

// Every profile after every profile, from the phone as it comes: the pair
// faults show only in some orders. The undo after each order brings the
// phone back, so the next order starts from it as well.
TEST(KernelFamiliesE2e, EveryOrderOfProfilesEndsAtTheLastOnesValues) {
    auto documented = documented_counts();
    for (const Phone& phone : kPhones) {
        SimDevice dev(phone.profile);
        const auto pristine = scheduler_state(dev);
        for (const Profile& first : kProfiles) {
            for (const Profile& second : kProfiles) {
                SCOPED_TRACE(std::string(phone.profile) + " " + first.command + " then " + second.command);
                ASSERT_EQ(dev.run({first.command}).status, 0);
                auto r = dev.run({second.command});

                std::map<std::string, std::pair<std::string, bool>> final_values;  // path -> value, per boundary
                uint32_t takes = 0;
                for (const GoldenTweak& t : kGoldenTweaks) {
                    const char* value = t.value(second.profile);
                    auto path = location(dev, t.name);
                    if (value == nullptr || !path) continue;
                    bool refused = std::find(phone.refused.begin(), phone.refused.end(), t.name) != phone.refused.end();
                    if (refused) continue;
                    ++takes;
                    bool per_boundary = words(dev.read(*path)).size() > 1;
                    final_values[*path] = {value, per_boundary};
                }
                for (const auto& [path, value] : final_values) expect_at_value(dev, path, value.first, value.second);
                std::string summary = "[OK] Applied " + std::to_string(takes) + " kernel tweaks";
                EXPECT_EQ(r.lines().back(), summary);
                EXPECT_EQ(r.lines().back(),
                          "[OK] Applied " + documented[phone.profile][second.column] + " kernel tweaks");

                ASSERT_EQ(dev.run({"--restore"}).status, 0);
                EXPECT_EQ(scheduler_state(dev), pristine);
            }
        }
    }
}

// The page is made from the phones, never typed: it must match a fresh run.
TEST(KernelFamiliesE2e, ThePageMatchesAFreshRun) {
    std::string script = std::string(KORVANE_SOURCE_DIR) + "/scripts/kernel-families";
    std::string out = std::string(::testing::TempDir()) + "/kernel-families.md";
    std::string command = script + " --korvane " + KORVANE_BINARY + " --kernelfs " + KORVANE_KERNELFS +
                          " --emulator '" + KORVANE_EMULATOR + "' " + out;
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
