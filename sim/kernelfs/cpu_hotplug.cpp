#include "cpu_hotplug.h"

#include <cerrno>
#include <charconv>
#include <string>

namespace kernelfs {
namespace {

constexpr std::string_view kCpuRoot = "/sys/devices/system/cpu/";
constexpr std::string_view kPolicyRoot = "/sys/devices/system/cpu/cpufreq/policy";
constexpr int kMaxCores = 16;

// The core number of "cpuN" at the start of `rest`, and what follows it.
bool core_of(std::string_view rest, int& core, std::string_view& tail) {
    if (!rest.starts_with("cpu")) return false;
    rest.remove_prefix(3);
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), core);
    if (ec != std::errc() || end == rest.data()) return false;
    tail = rest.substr(static_cast<size_t>(end - rest.data()));
    return tail.empty() || tail.front() == '/';
}

bool core_offline(const Mount& mount, int core) {
    Text t = read_backing(mount.backing(std::string(kCpuRoot) + "cpu" + std::to_string(core) + "/online"));
    return t.error == 0 && t.text == "0";
}

}  // namespace

bool hidden_by_hotplug(const Mount& mount, std::string_view path) {
    if (!path.starts_with(kCpuRoot)) return false;
    int core = 0;
    std::string_view tail;
    if (!core_of(path.substr(kCpuRoot.size()), core, tail)) return false;
    return (tail == "/cpufreq" || tail.starts_with("/cpufreq/")) && core_offline(mount, core);
}

bool is_core_online_node(std::string_view path) {
    if (!path.starts_with(kCpuRoot)) return false;
    int core = 0;
    std::string_view tail;
    return core_of(path.substr(kCpuRoot.size()), core, tail) && tail == "/online";
}

int store_cpu_online(const Mount& mount, std::string_view path, std::string_view input) {
    char value = 0;
    if (!input.empty()) {
        char c = input.front();
        char next = input.size() > 1 ? input[1] : '\0';
        if (c == '1' || c == 'y' || c == 'Y') value = '1';
        if (c == '0' || c == 'n' || c == 'N') value = '0';
        if ((c == 'o' || c == 'O') && (next == 'n' || next == 'N')) value = '1';
        if ((c == 'o' || c == 'O') && (next == 'f' || next == 'F')) value = '0';
    }
    if (value == 0) return EINVAL;
    return write_backing(mount.backing(path), std::string(1, value));
}

int offline_policy_error(const Mount& mount, std::string_view path) {
    if (!path.starts_with(kPolicyRoot)) return 0;
    std::string_view dir = path.substr(0, path.rfind('/'));
    Text related = read_backing(mount.backing(dir) + "/related_cpus");
    if (related.error != 0) return 0;
    std::string_view rest = related.text;
    bool any = false;
    while (!rest.empty()) {
        int core = 0;
        auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), core);
        if (ec != std::errc()) break;
        any = true;
        if (!core_offline(mount, core)) return 0;
        rest.remove_prefix(static_cast<size_t>(end - rest.data()));
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\n')) rest.remove_prefix(1);
    }
    if (!any) return 0;
    return mount.generation == KernelGeneration::v4 ? EINVAL : EBUSY;
}

Text show_online_cores(const Mount& mount, std::string_view) {
    std::string list;
    int start = -1;
    for (int core = 0; core <= kMaxCores; ++core) {
        Text t = read_backing(mount.backing(std::string(kCpuRoot) + "cpu" + std::to_string(core) + "/online"));
        bool up = core < kMaxCores && t.error == 0 && t.text != "0";
        if (up && start < 0) start = core;
        if (!up && start >= 0) {
            if (!list.empty()) list += ',';
            list += std::to_string(start);
            if (core - 1 > start) {
                list += '-';
                list += std::to_string(core - 1);
            }
            start = -1;
        }
    }
    list += '\n';
    return {0, list};
}

}  // namespace kernelfs
