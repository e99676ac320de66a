#include "node_value.h"

#include <cerrno>

#include "charger_model.h"
#include "cpu_hotplug.h"
#include "devfreq_limits.h"
#include "driver_nodes.h"
#include "frequency_limits.h"
#include "sched_tunables.h"
#include "governor_rule.h"
#include "qos_requests.h"
#include "show_only.h"
#include "sysctl_rules.h"
#include "thermal_nodes.h"

namespace kernelfs {
namespace {

constexpr std::string_view kSysctlRoot = "/proc/sys/";

std::string_view base_name(std::string_view path) { return path.substr(path.rfind('/') + 1); }
std::string_view dir_name(std::string_view path) { return path.substr(0, path.rfind('/')); }

std::string_view without_newline(std::string_view input) {
    if (!input.empty() && input.back() == '\n') input.remove_suffix(1);
    return input;
}

unsigned long frequency_in(const Mount& mount, std::string_view dir, const char* name, unsigned long absent) {
    Text t = read_backing(mount.backing(dir) + "/" + name);
    return t.error == 0 ? parse_frequency(t.text).value_or(absent) : absent;
}

Limits limits_in(const Mount& mount, std::string_view dir, const char* min_name, const char* max_name,
                 const char* listed_name) {
    Limits limits;
    limits.hardware_min = frequency_in(mount, dir, "cpuinfo_min_freq", 0);
    limits.hardware_max = frequency_in(mount, dir, "cpuinfo_max_freq", ~0UL);
    limits.min = frequency_in(mount, dir, min_name, 0);
    limits.max = frequency_in(mount, dir, max_name, ~0UL);
    std::string_view listed;
    Text t = read_backing(mount.backing(dir) + "/" + listed_name);
    for (listed = t.text; !listed.empty();) {
        if (auto f = parse_frequency(listed)) limits.listed.push_back(*f);
        auto blank = listed.find_first_of(" \t\n");
        if (blank == std::string_view::npos) break;
        listed.remove_prefix(blank + 1);
    }
    return limits;
}

// Stores the written bound, and the other one when the kernel moved it too.
int store_limits(const Mount& mount, std::string_view dir, const LimitChange& change, const Limits& before,
                 Bound written, const char* min_name, const char* max_name) {
    if (change.error != 0) return change.error;
    std::string base = mount.backing(dir) + "/";
    bool min_written = written == Bound::min;
    int error = write_backing(base + (min_written ? min_name : max_name),
                              std::to_string(min_written ? change.min : change.max));
    unsigned long other = min_written ? change.max : change.min;
    if (error != 0 || other == (min_written ? before.max : before.min)) return error;
    return write_backing(base + (min_written ? max_name : min_name), std::to_string(other));
}

// 5.4+: the written limit is a freq_qos request that stays; both limits are
// shown again from the two requests, so a min pulled down by a lower max
// comes back when the max is raised.
int write_cpufreq_request(const Mount& mount, std::string_view dir, Bound bound, std::string_view input,
                          Limits now) {
    auto value = parse_frequency(input);
    if (!value) return EINVAL;
    const Limits shown = now;
    now.min = read_request(mount, dir, "scaling_min_freq").value_or(now.min);
    now.max = read_request(mount, dir, "scaling_max_freq").value_or(now.max);
    LimitChange change = cpufreq_limit_write(now, bound, input, mount.generation);
    if (change.error != 0) return change.error;
    const bool min_written = bound == Bound::min;
    if (int error = write_request(mount, dir, min_written ? "scaling_min_freq" : "scaling_max_freq", *value)) {
        return error;
    }
    return store_limits(mount, dir, change, shown, bound, "scaling_min_freq", "scaling_max_freq");
}

int write_sysfs(const Mount& mount, std::string_view path, std::string_view input) {
    std::string_view name = base_name(path), dir = dir_name(path);
    bool bound_file = name == "scaling_max_freq" || name == "scaling_min_freq";
    std::string_view folder = base_name(dir);
    if (bound_file && (folder == "cpufreq" || folder.starts_with("policy"))) {
        Bound bound = name == "scaling_max_freq" ? Bound::max : Bound::min;
        Limits now = limits_in(mount, dir, "scaling_min_freq", "scaling_max_freq", "scaling_available_frequencies");
        if (mount.generation != KernelGeneration::v4) return write_cpufreq_request(mount, dir, bound, input, now);
        LimitChange change = cpufreq_limit_write(now, bound, input, mount.generation);
        return store_limits(mount, dir, change, now, bound, "scaling_min_freq", "scaling_max_freq");
    }
    if ((name == "max_freq" || name == "min_freq") && folder == "devfreq" &&
        path.find("/kgsl/") != std::string_view::npos) {
        Bound bound = name == "max_freq" ? Bound::max : Bound::min;
        Limits now = limits_in(mount, dir, "min_freq", "max_freq", "available_frequencies");
        return write_devfreq_limit(mount, dir, bound, input, now);
    }
    if (auto scheduler = sched_sysfs_write(mount, path, input)) return *scheduler;
    return write_backing(mount.backing(path), std::string(without_newline(input)));
}

Written write_sysctl(const Mount& mount, std::string_view path, std::string_view input) {
    std::string_view entry = path.substr(kSysctlRoot.size());
    Text current = read_backing(mount.backing(path));
    if (current.error != 0) return {current.error, 0};
    SchedStore next;
    if (auto scheduler = sched_sysctl_write(mount, entry, input, current.text)) {
        next = *scheduler;
    } else {
        size_t taken = input.size();
        Text plain = sysctl_write(entry, input, current.text, mount.generation, &taken);
        next = {plain.error, taken, plain.text};
    }
    if (next.error != 0) return {next.error, 0};
    if (int crossed = sched_pair_error(mount, entry, next.stored); crossed != 0) return {crossed, 0};
    if (int error = write_backing(mount.backing(path), next.stored); error != 0) return {error, 0};
    return {0, next.taken};
}

}  // namespace

Written write_plain_node(const Mount& mount, NodeClass node, std::string_view path, std::string_view input,
                         size_t offset);

Text read_node(const Mount& mount, NodeClass node, std::string_view path, size_t offset, size_t size) {
    const DriverNode* driver = driver_node(path);
    Text t;
    if (auto charger = show_charger_node(mount, path, offset)) {
        t = *charger;
    } else if (auto thermal = show_thermal_node(mount, path)) {
        t = *thermal;
    } else {
        t = driver != nullptr ? driver->show(mount, path) : read_backing(mount.backing(path));
    }
    if (t.error != 0) return t;
    // integer sysctls answer only a read from the start
    if (node == NodeClass::sysctl && offset > 0 && sysctl_is_integer(path.substr(kSysctlRoot.size()))) return {};
    // a node that holds nothing shows nothing, as a driver printing no value
    if (!t.text.empty() && t.text.back() != '\n') t.text += '\n';
    if (!t.text.empty() && sched_sysfs_sentence(mount, path)) t.text += '\n';
    if (offset >= t.text.size()) return {};
    return {0, t.text.substr(offset, size)};
}

Written write_node(const Mount& mount, NodeClass node, std::string_view path, std::string_view input,
                   size_t offset) {
    if (is_charger_switch(mount, path)) {
        // the charger notes when a switch turns on or off
        std::string before = read_backing(mount.backing(path)).text;
        Written written = write_plain_node(mount, node, path, input, offset);
        if (written.error == 0) note_switch_write(mount, path, before);
        return written;
    }
    return write_plain_node(mount, node, path, input, offset);
}

Written write_plain_node(const Mount& mount, NodeClass node, std::string_view path, std::string_view input,
                         size_t offset) {
    int error = 0;
    if (const DriverNode* driver = driver_node(path)) {
        error = driver->store(mount, path, input);
        return {error, error == 0 ? input.size() : 0};
    }
    switch (node) {
    case NodeClass::sysfs:
        if (show_only(path)) {
            error = EIO;
        } else if (is_core_online_node(path)) {
            error = store_cpu_online(mount, path, input);
        } else if (int offline = offline_policy_error(mount, path); offline != 0) {
            error = offline;
        } else if (unknown_governor(mount, path, input)) {
            error = EINVAL;
        } else {
            error = write_sysfs(mount, path, input);
        }
        break;
    case NodeClass::sysctl:
        if (offset > 0 && sysctl_is_integer(path.substr(kSysctlRoot.size()))) return {0, 0};
        return write_sysctl(mount, path, input);
    default:
        error = write_backing(mount.backing(path), std::string(without_newline(input)));
    }
    return {error, error == 0 ? input.size() : 0};
}

}  // namespace kernelfs
