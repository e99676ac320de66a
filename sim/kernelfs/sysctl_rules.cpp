#include "sysctl_rules.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>

namespace kernelfs {
namespace {

enum class Type { text, integer };

struct Entry {
    std::string_view name;
    Type type;
    long min = INT_MIN;
    long max = INT_MAX;
    long max_on_v4 = max;  // where 4.x kernels allowed less
    int count = 1;         // how many integers the entry holds
};

// Entries with a type, range or count of their own; every other entry is one
// int over the whole int range (plain proc_dointvec).
// clang-format off
constexpr Entry kEntries[] = {
    {"kernel/core_pattern",               Type::text},
    {"kernel/domainname",                 Type::text},
    {"kernel/hostname",                   Type::text},
    {"kernel/osrelease",                  Type::text},
    {"kernel/ostype",                     Type::text},
    {"kernel/random/boot_id",             Type::text},
    {"kernel/random/uuid",                Type::text},
    {"kernel/version",                    Type::text},
    {"kernel/perf_cpu_time_max_percent",  Type::integer, 0,      100},
    {"kernel/pid_max",                    Type::integer, 301,    4194304},
    {"kernel/sched_autogroup_enabled",    Type::integer, 0,      1},
    {"kernel/sched_energy_aware",         Type::integer, 0,      1},
    {"kernel/sched_latency_ns",           Type::integer, 100000, 1000000000},
    {"kernel/sched_min_granularity_ns",   Type::integer, 100000, 1000000000},
    {"kernel/sched_rt_period_us",         Type::integer, 1,      INT_MAX},
    {"kernel/sched_rt_runtime_us",        Type::integer, -1,     INT_MAX},
    {"kernel/sched_schedstats",           Type::integer, 0,      1},
    {"kernel/sched_tunable_scaling",      Type::integer, 0,      2},
    {"kernel/sched_wakeup_granularity_ns", Type::integer, 0,     1000000000},
    {"vm/drop_caches",                    Type::integer, 1,      4},
    {"vm/swappiness",                     Type::integer, 0,      200, 100},
};
// clang-format on

constexpr Entry kPlainInt{"", Type::integer};

const Entry& entry_of(std::string_view name) {
    for (const Entry& e : kEntries) {
        if (e.name == name) return e;
    }
    return kPlainInt;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void skip_spaces(std::string_view& text) {
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
}

// One number as proc_get_long reads it: an optional '-', then strtoul with
// base 0 (0x hexadecimal, a leading 0 octal), ended by a blank, a tab, a
// newline or the end of the input.
bool parse_number(std::string_view& text, long& value) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(text[2]))) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '0') {
        base = 8;
    }
    unsigned long magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || magnitude > static_cast<unsigned long>(LONG_MAX)) return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    if (!text.empty() && text.front() != ' ' && text.front() != '\t' && text.front() != '\n') return false;
    value = negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
    return true;
}

std::string join(const std::vector<long>& values) {
    std::string text;
    for (long v : values) {
        if (!text.empty()) text += '\t';
        text += std::to_string(v);
    }
    return text;
}

}  // namespace

SysctlInput sysctl_parse(std::string_view input, size_t limit) {
    SysctlInput parsed;
    const size_t size = input.size();
    while (parsed.values.size() < limit) {
        skip_spaces(input);
        if (input.empty()) break;
        long v = 0;
        if (!parse_number(input, v)) return {};
        parsed.values.push_back(v);
    }
    // what follows the last number taken, up to the next one, is taken too
    skip_spaces(input);
    parsed.ok = !parsed.values.empty();
    parsed.taken = size - input.size();
    return parsed;
}

bool sysctl_is_integer(std::string_view entry) { return entry_of(entry).type == Type::integer; }

std::vector<long> sysctl_values(std::string_view stored) {
    std::vector<long> values;
    skip_spaces(stored);
    while (!stored.empty()) {
        long v = 0;
        if (!parse_number(stored, v)) break;
        values.push_back(v);
        skip_spaces(stored);
    }
    return values;
}

Text sysctl_write(std::string_view name, std::string_view input, std::string_view current,
                  KernelGeneration generation, size_t* taken) {
    const size_t offered = input.size();
    if (taken != nullptr) *taken = offered;
    const Entry& entry = entry_of(name);
    if (entry.type == Type::text) {
        // proc_dostring keeps the text up to the first newline
        return {0, std::string(input.substr(0, input.find('\n')))};
    }
    std::vector<long> values = sysctl_values(current);
    values.resize(static_cast<size_t>(entry.count), 0);
    long max = generation == KernelGeneration::v4 ? entry.max_on_v4 : entry.max;
    size_t parsed = 0;
    while (parsed < values.size()) {
        skip_spaces(input);
        if (input.empty()) break;
        long v = 0;
        if (!parse_number(input, v) || v < entry.min || v > max) return {EINVAL, {}};
        values[parsed++] = v;
    }
    skip_spaces(input);
    // a lone newline is no value; a surplus is left untaken: the values that
    // fit are stored and the write returns a short count
    if (parsed == 0) return {EINVAL, {}};
    if (taken != nullptr) *taken = offered - input.size();
    return {0, join(values)};
}

}  // namespace kernelfs
