#include "profiles/kernel_tweaks.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "android/boost_switch.h"
#include "android/cluster_boundaries.h"
#include "journal/change_gate.h"
#include "journal/journal.h"
#include "journal/node_change.h"
#include "os/number_parse.h"
#include "os/output.h"
#include "profiles/kernel_tweak_table.h"
#include "profiles/tunable_location.h"

namespace korvane {
namespace {

// One row's write as this kernel takes it: where, and in which form.
struct TweakWrite {
    std::string path;
    std::string value;
};

// The kernel checks a migration margin against its partner's value in
// force: an up margin may not fall below the down one.
constexpr struct {
    std::string_view up, down;
} kMarginPairs[] = {
    {"sched_upmigrate", "sched_downmigrate"},
    {"sched_group_upmigrate", "sched_group_downmigrate"},
};

std::string_view base_name(std::string_view path) { return path.substr(path.rfind('/') + 1); }

bool is_margin(std::string_view path) {
    for (const auto& pair : kMarginPairs) {
        if (base_name(path) == pair.up || base_name(path) == pair.down) return true;
    }
    return false;
}

// What each node shows, as far as this run knows: the read the journal made
// of its original, else one read here, which serves the plan and takes the
// place of a write when the node holds the value; then what was written. A node that cannot be
// read (write-only) is always written.
class ShownValues {
public:
    const std::optional<std::string>& of(const std::string& path) {
        auto known = shown_.find(path);
        if (known != shown_.end()) return known->second;
        std::optional<std::string> shown = original_read(path);
        if (!shown) {
            if (auto read = read_node(path)) shown = std::move(read).value();
        }
        return shown_.emplace(path, std::move(shown)).first->second;
    }
    void wrote(const std::string& path, std::string_view value) { shown_[path] = std::string(value); }

private:
    std::map<std::string, std::optional<std::string>> shown_;
};

// A per-boundary node takes the row's value once per cluster boundary; when
// the boundaries cannot be counted, as many times as the node shows values.
std::string value_for(const std::string& path, std::string_view value, ShownValues& values) {
    if (!is_per_boundary_node(path)) return std::string(value);
    const std::optional<std::string>& shown = values.of(path);
    if (!shown) return std::string(value);
    size_t count = node_numbers(*shown).size();
    if (count <= 1) return std::string(value);
    return per_boundary_text(value, cluster_boundaries().value_or(count));
}

TweakWrite resolve(const KernelTweak& tweak, ShownValues& shown) {
    std::string path = tunable_path(tweak.path);
    std::string value = value_for(path, tweak.value, shown);
    return {std::move(path), std::move(value)};
}

// True when the up margin `value` lies below a value the partner `down_path`
// holds now, at any boundary: the kernel would refuse it.
bool below_partner(std::string_view value, const std::string& down_path, ShownValues& shown) {
    std::vector<std::string_view> values = node_numbers(value);
    auto up = values.empty() ? std::nullopt : parse_i32(values[0]);
    const std::optional<std::string>& down = shown.of(down_path);
    if (!up || !down) return false;
    for (std::string_view number : node_numbers(*down)) {
        auto d = parse_i32(number);
        if (d && *d > *up) return true;
    }
    return false;
}

// Both margin pairs end at the profile's values whatever they held: where an
// up margin would fall below its partner's current down margin, the down
// margin is written first.
void order_margin_pairs(std::vector<TweakWrite>& writes, ShownValues& shown) {
    for (const auto& pair : kMarginPairs) {
        for (size_t up = 0; up < writes.size(); ++up) {
            if (base_name(writes[up].path) != pair.up) continue;
            std::string dir = writes[up].path.substr(0, writes[up].path.rfind('/') + 1);
            for (size_t down = up + 1; down < writes.size(); ++down) {
                if (writes[down].path != dir + std::string(pair.down)) continue;
                if (below_partner(writes[up].value, writes[down].path, shown)) {
                    TweakWrite moved = std::move(writes[down]);
                    writes.erase(writes.begin() + static_cast<std::ptrdiff_t>(down));
                    writes.insert(writes.begin() + static_cast<std::ptrdiff_t>(up), std::move(moved));
                }
                break;
            }
        }
    }
}

// Each row's write, in table order except for the margin pairs. Only the rows
// that a kernel may keep elsewhere or in another form are looked at first;
// every other missing node is just a write that fails and is not counted.
std::vector<TweakWrite> plan_writes(const std::vector<KernelTweak>& tweaks, ShownValues& shown) {
    std::vector<TweakWrite> writes;
    writes.reserve(tweaks.size());
    for (const KernelTweak& tweak : tweaks) writes.push_back(resolve(tweak, shown));
    order_margin_pairs(writes, shown);
    return writes;
}

// True when a node showing `shown` holds `value` already: the same numbers,
// or for a per-boundary node the same first ones (GKI shows spare slots).
bool holds_value(const std::string& path, std::string_view shown, std::string_view value) {
    std::vector<std::string_view> have = node_numbers(shown);
    std::vector<std::string_view> want = node_numbers(value);
    if (is_per_boundary_node(path) && have.size() > want.size()) have.resize(want.size());
    return !want.empty() && have == want;
}


// One row: applied when the node holds the value already, else written
// (from one boost type to another by way of 0). Without a journal nothing is
// applied, as nothing may be changed.
bool apply_row(const TweakWrite& w, ShownValues& shown) {
    const std::optional<std::string>& now = shown.of(w.path);
    if (now && holds_value(w.path, *now, w.value)) {
        // korvane's value all the same, so that a later change of it shows
        note_node_written(w.path, w.value, false);
        return !journal_failure();
    }
    if (now && switches_boost_type(w.path, *now, w.value) && write_node(w.path, "0")) shown.wrote(w.path, "0");
    if (!write_node(w.path, w.value)) return false;
    shown.wrote(w.path, w.value);
    return true;
}

// Applies in order and counts each row applied once. A refused margin is
// written once more after the rest, when its partner has moved.
uint32_t write_tweaks(const std::vector<TweakWrite>& writes, ShownValues& shown) {
    // Every original first, with one journal flush, then the writes.
    std::vector<PlannedChange> planned;
    planned.reserve(writes.size());
    for (const TweakWrite& w : writes) planned.push_back(node_change(w.path));
    record_originals(planned);
    uint32_t written = 0;
    std::vector<const TweakWrite*> retry;
    for (const TweakWrite& w : writes) {
        if (apply_row(w, shown)) {
            ++written;
        } else if (is_margin(w.path)) {
            retry.push_back(&w);
        }
    }
    for (const TweakWrite* w : retry) {
        if (apply_row(*w, shown)) ++written;
    }
    return written;
}

}  // namespace

Result<void> apply_kernel_tweaks(TuningProfile profile) {
    out("[INFO] Applying ", profile_title(profile), " Kernel Tweaks...");
    ShownValues shown;
    uint32_t written = write_tweaks(plan_writes(kernel_tweak_table(profile), shown), shown);
    out("[OK] Applied ", written, " kernel tweaks");
    return success();
}

std::vector<PlannedChange> kernel_tweak_changes(TuningProfile profile) {
    std::vector<PlannedChange> changes;
    for (const KernelTweak& tweak : kernel_tweak_table(profile)) changes.push_back(node_change(tunable_path(tweak.path)));
    return changes;
}

std::vector<NodeWrite> kernel_tweak_writes(TuningProfile profile) {
    ShownValues shown;
    std::vector<NodeWrite> writes;
    for (TweakWrite& w : plan_writes(kernel_tweak_table(profile), shown)) {
        writes.push_back({std::move(w.path), std::move(w.value)});
    }
    return writes;
}

Result<void> apply_common_tweaks() {
    out("[INFO] Applying common tweaks...");
    ShownValues shown;
    uint32_t written = write_tweaks(plan_writes(common_startup_table(), shown), shown);
    if (written == 0) return error("Failed to apply common tweaks");
    out("[OK] Common tweaks applied (", written, " operations)");
    return success();
}

}  // namespace korvane
