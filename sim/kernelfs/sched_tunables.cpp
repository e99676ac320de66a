#include "sched_tunables.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "sysctl_rules.h"

namespace kernelfs {
namespace {

using F = KernelFamily;

enum class Rule {
    ranged,         // one int within min..max
    boost,          // WALT's boost requests: -N drops one of type N, the read shows the type in force
    boost_switch,   // HMP's boost: on or off, never the value it holds, never one type over another
    per_boundary,   // one margin per cluster boundary, each within min..max
    per_task_load,  // "PID PCT": a task's initial load, PCT within min..max
    window_ticks,   // a scheduler window of 2, 3, 4, 5 or 8 ticks; written only where HZ is 250
};

struct SchedEntry {
    std::optional<KernelFamily> family;  // nullopt: every family
    std::string_view name;               // below /proc/sys
    Rule rule;
    long min = 0;
    long max = INT_MAX;
};

// clang-format off
constexpr SchedEntry kEntries[] = {
    {F::qc_hmp,   "kernel/sched_boost",                       Rule::boost_switch,  0,  3},
    {F::qc_hmp,   "kernel/sched_upmigrate",                   Rule::ranged,        0,  100},
    {F::qc_hmp,   "kernel/sched_downmigrate",                 Rule::ranged,        0,  100},
    {F::qc_hmp,   "kernel/sched_group_upmigrate",             Rule::ranged},
    {F::qc_hmp,   "kernel/sched_group_downmigrate",           Rule::ranged},
    {F::qc_hmp,   "kernel/sched_spill_load",                  Rule::ranged,        0,  100},
    {F::qc_hmp,   "kernel/sched_init_task_load",              Rule::ranged,        0,  100},
    {F::qc_walt4, "kernel/sched_boost",                       Rule::boost,         -3, 3},
    {F::qc_walt4, "kernel/sched_upmigrate",                   Rule::per_boundary,  1,  100},
    {F::qc_walt4, "kernel/sched_downmigrate",                 Rule::per_boundary,  1,  100},
    {F::qc_walt4, "kernel/sched_group_upmigrate",             Rule::ranged},
    {F::qc_walt4, "kernel/sched_group_downmigrate",           Rule::ranged},
    {F::qc_walt4, "kernel/sched_min_task_util_for_colocation", Rule::ranged,       0,  1000},
    {F::qc_gki,   "walt/sched_boost",                         Rule::boost,         -3, 3},
    {F::qc_gki,   "walt/sched_upmigrate",                     Rule::per_boundary,  1,  100},
    {F::qc_gki,   "walt/sched_downmigrate",                   Rule::per_boundary,  1,  100},
    {F::qc_gki,   "walt/sched_group_upmigrate",               Rule::ranged},
    {F::qc_gki,   "walt/sched_group_downmigrate",             Rule::ranged},
    {F::qc_gki,   "walt/sched_min_task_util_for_colocation",  Rule::ranged,        0,  1000},
    {F::qc_gki,   "walt/sched_init_task_load",                Rule::per_task_load, 0,  100},
    {F::qc_gki,   "walt/sched_ravg_window_nr_ticks",          Rule::window_ticks},
    {F::mtk,      "kernel/sched_walt_init_task_load_pct",     Rule::ranged,        0,  100},
    {std::nullopt, "kernel/sched_util_clamp_min",             Rule::ranged,        0,  1024},
    {std::nullopt, "kernel/sched_util_clamp_max",             Rule::ranged,        0,  1024},
    {std::nullopt, "kernel/sched_util_clamp_min_rt_default",  Rule::ranged,        0,  1024},
};

// Pairs the kernel checks against each other: `low` may not exceed `high`,
// boundary by boundary. A write to any entry of a group checks every pair of
// that group: HMP checks both margin pairs on each of their writes.
struct Pair {
    std::optional<KernelFamily> family;
    std::string_view low, high;
    int group;
};

constexpr Pair kPairs[] = {
    // a runtime of -1 means no limit (sched_rt_global_validate)
    {std::nullopt, "kernel/sched_rt_runtime_us",      "kernel/sched_rt_period_us",      1},
    {std::nullopt, "kernel/sched_util_clamp_min",     "kernel/sched_util_clamp_max",    2},
    {F::qc_hmp,    "kernel/sched_downmigrate",        "kernel/sched_upmigrate",         3},
    {F::qc_hmp,    "kernel/sched_group_downmigrate",  "kernel/sched_group_upmigrate",   3},
    {F::qc_walt4,  "kernel/sched_downmigrate",        "kernel/sched_upmigrate",         4},
    {F::qc_walt4,  "kernel/sched_group_downmigrate",  "kernel/sched_group_upmigrate",   5},
    {F::qc_gki,    "walt/sched_downmigrate",          "walt/sched_upmigrate",           6},
    {F::qc_gki,    "walt/sched_group_downmigrate",    "walt/sched_group_upmigrate",     7},
};
// clang-format on

constexpr std::string_view kMtkBoost = "/sys/devices/system/cpu/sched/sched_boost";
constexpr std::string_view kMtkBoostTypes[] = {"no boost", "all boost", "foreground boost"};

SchedStore refused() { return {EINVAL, 0, {}}; }

bool applies(std::optional<KernelFamily> family, const Mount& mount) { return !family || *family == mount.family; }

const SchedEntry* entry_of(const Mount& mount, std::string_view name) {
    for (const SchedEntry& e : kEntries) {
        if (e.name == name && applies(e.family, mount)) return &e;
    }
    return nullptr;
}

// A cluster boundary lies between two cpufreq policies.
size_t cluster_boundaries(const Mount& mount) {
    DIR* dir = opendir((mount.state + "/sys/devices/system/cpu/cpufreq").c_str());
    if (dir == nullptr) return 0;
    size_t policies = 0;
    while (const dirent* e = readdir(dir)) policies += std::string_view(e->d_name).starts_with("policy");
    closedir(dir);
    return policies > 0 ? policies - 1 : 0;
}

std::string join(const std::vector<long>& values, char separator) {
    std::string text;
    for (long v : values) {
        if (!text.empty()) text += separator;
        text += std::to_string(v);
    }
    return text;
}

bool in_range(const std::vector<long>& values, const SchedEntry& e) {
    for (long v : values) {
        if (v < e.min || v > e.max) return false;
    }
    return true;
}

// The 4.19 handler reads as many margins as it is given and keeps the rest;
// GKI's parses into a buffer of exactly the boundaries and refuses fewer.
// Either takes no more than the boundaries: the kernel's short count. 4.19
// shows the boundaries, GKI every MAX_MARGIN_LEVELS slot; both tab-separated
// (do_proc_dointvec).
SchedStore per_boundary(const Mount& mount, const SchedEntry& e, std::string_view input, std::string_view current) {
    size_t boundaries = cluster_boundaries(mount);
    if (boundaries == 0) return refused();  // one cluster: nothing to migrate between
    SysctlInput in = sysctl_parse(input, boundaries);
    bool gki = mount.family == KernelFamily::qc_gki;
    if (!in.ok || !in_range(in.values, e) || (gki && in.values.size() < boundaries)) return refused();
    std::vector<long> slots = sysctl_values(current);
    if (slots.size() < boundaries) slots.resize(boundaries, 0);
    for (size_t i = 0; i < in.values.size(); ++i) slots[i] = in.values[i];
    return {0, in.taken, join(slots, '\t')};
}

// WALT counts the requests for each boost type: N adds one for type N, -N
// takes one back, 0 drops them all. The entry shows the type in force, the
// lowest with a request (full throttle before conservative before
// restrained). The counts are kernel memory: kept in the state's
// kernel_memory/ (no tree of the phone's), with the boot they belong to.
long boost_in_force(const Mount& mount, long request) {
    std::string memory = mount.state + "/kernel_memory";
    mkdir(memory.c_str(), 0755);
    std::string counts_file = memory + "/walt_boost_requests";
    Text boot = read_backing(mount.state + "/proc/sys/kernel/random/boot_id");
    Text kept = read_backing(counts_file);
    std::vector<long> counts(4, 0);
    std::string_view text = kept.text;
    if (kept.error == 0 && boot.error == 0 && text.starts_with(boot.text + " ")) {
        std::vector<long> read = sysctl_values(text.substr(boot.text.size() + 1));
        for (size_t i = 1; i < counts.size() && i - 1 < read.size(); ++i) counts[i] = read[i - 1];
    }
    if (request == 0) counts.assign(4, 0);
    if (request > 0) ++counts[static_cast<size_t>(request)];
    if (request < 0 && counts[static_cast<size_t>(-request)] > 0) --counts[static_cast<size_t>(-request)];
    int fd = open(counts_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        std::string line = boot.text + " " + std::to_string(counts[1]) + " " + std::to_string(counts[2]) + " " +
                           std::to_string(counts[3]);
        if (write(fd, line.data(), line.size()) < 0) {
            // bookkeeping: the next request starts from none
        }
        close(fd);
    }
    for (size_t type = 1; type < counts.size(); ++type) {
        if (counts[type] > 0) return static_cast<long>(type);
    }
    return 0;
}

std::optional<long> scan_int(std::string_view text);

SchedStore write_entry(const Mount& mount, const SchedEntry& e, std::string_view input, std::string_view current) {
    if (e.rule == Rule::per_boundary) return per_boundary(mount, e, input, current);
    SysctlInput in = sysctl_parse(input, e.rule == Rule::per_task_load ? 2 : 1);
    if (!in.ok) return refused();
    long v = in.values.back();
    switch (e.rule) {
    case Rule::per_task_load: {
        // a bare number is no task
        if (in.values.size() != 2 || in.values[0] <= 0 || v < e.min || v > e.max) return refused();
        // a read shows the task named by sched_task_read_pid (pid 1 unless set):
        // another task's load is taken and not shown
        Text read_pid = read_backing(mount.backing("/proc/sys/walt/sched_task_read_pid"));
        long shown = read_pid.error == 0 ? scan_int(read_pid.text).value_or(1) : 1;
        if (in.values[0] != shown) return {0, in.taken, std::string(current)};
        return {0, in.taken, join(in.values, '\t')};
    }
    case Rule::window_ticks:
        // 5.10's WALT keeps its window unless the tick is 4 ms
        if (mount.generation == KernelGeneration::v5_4 && mount.hz != 250) return {EPERM, 0, {}};
        if (v != 2 && v != 3 && v != 4 && v != 5 && v != 8) return refused();
        break;
    case Rule::boost_switch: {
        // verify_boost_params: a boost is switched on from none and off again
        auto held = scan_int(current);
        if (v < e.min || v > e.max || (held && (v == *held || (*held != 0 && v != 0)))) return refused();
        break;
    }
    case Rule::boost:
        if (v < e.min || v > e.max) return refused();
        v = boost_in_force(mount, v);
        break;
    default:
        if (v < e.min || v > e.max) return refused();
    }
    return {0, in.taken, std::to_string(v)};
}

std::vector<long> values_of(const Mount& mount, std::string_view entry, std::string_view written,
                            std::string_view stored) {
    if (entry == written) return sysctl_values(stored);
    Text t = read_backing(mount.state + "/proc/sys/" + std::string(entry));
    return t.error == 0 ? sysctl_values(t.text) : std::vector<long>{};
}

bool crosses(const Mount& mount, const Pair& pair, std::string_view written, std::string_view stored) {
    std::vector<long> low = values_of(mount, pair.low, written, stored);
    std::vector<long> high = values_of(mount, pair.high, written, stored);
    for (size_t i = 0; i < low.size() && i < high.size(); ++i) {
        if (pair.group == 1 && low[i] == -1) continue;
        if (low[i] > high[i]) return true;
    }
    return false;
}

// sscanf("%i"): an optional sign and a decimal, octal or 0x number.
std::optional<long> scan_int(std::string_view text) {
    std::vector<long> values = sysctl_values(text);
    if (values.empty()) return std::nullopt;
    return values[0];
}

}  // namespace

std::optional<SchedStore> sched_sysctl_write(const Mount& mount, std::string_view entry, std::string_view input,
                                             std::string_view current) {
    const SchedEntry* e = entry_of(mount, entry);
    if (e == nullptr) return std::nullopt;
    return write_entry(mount, *e, input, current);
}

int sched_pair_error(const Mount& mount, std::string_view entry, std::string_view stored) {
    std::vector<int> groups;
    for (const Pair& p : kPairs) {
        if (applies(p.family, mount) && (p.low == entry || p.high == entry)) groups.push_back(p.group);
    }
    for (const Pair& p : kPairs) {
        if (!applies(p.family, mount)) continue;
        for (int g : groups) {
            if (p.group == g && crosses(mount, p, entry, stored)) return EINVAL;
        }
    }
    return 0;
}

bool sched_sysfs_sentence(const Mount& mount, std::string_view path) {
    return mount.family == KernelFamily::mtk && path == kMtkBoost;
}

std::optional<int> sched_sysfs_write(const Mount& mount, std::string_view path, std::string_view input) {
    if (mount.family != KernelFamily::mtk || path != kMtkBoost) return std::nullopt;
    // the driver ignores what it cannot use and still reports the write as taken
    auto type = scan_int(input);
    if (!type || *type < 0 || *type > 2) return 0;
    std::string sentence = "sched boost= " + std::string(kMtkBoostTypes[*type]);
    return write_backing(mount.backing(path), sentence);
}

}  // namespace kernelfs
