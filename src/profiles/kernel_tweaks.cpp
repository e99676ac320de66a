#include "profiles/kernel_tweaks.h"

#include <cstdint>

#include "profiles/kernel_tweak_table.h"
#include "sys/change_gate.h"
#include "sys/node.h"
#include "sys/output.h"

namespace korvane {
namespace {

// Qualcomm's WALT refuses an up-migration margin below the down-migration
// margin still in force, so a profile that lowers both is refused the first.
bool is_up_migration_margin(std::string_view path) { return path.ends_with("upmigrate"); }

// Nodes are not looked for first: kernels lack many of them, and a missing
// node is just a write that fails and is not counted. A refused up-migration
// margin is written once more after the rest, when its down margin is lower.
uint32_t write_tweaks(const std::vector<KernelTweak>& tweaks) {
    // Every original first, with one journal flush, then the writes.
    std::vector<PlannedChange> planned;
    for (const KernelTweak& tweak : tweaks) planned.push_back(node_change(tweak.path));
    record_originals(planned);
    uint32_t written = 0;
    std::vector<const KernelTweak*> retry;
    for (const KernelTweak& tweak : tweaks) {
        if (write_node(tweak.path, tweak.value)) {
            ++written;
        } else if (is_up_migration_margin(tweak.path)) {
            retry.push_back(&tweak);
        }
    }
    for (const KernelTweak* tweak : retry) {
        if (write_node(tweak->path, tweak->value)) ++written;
    }
    return written;
}

}  // namespace

Result<void> apply_kernel_tweaks(TuningProfile profile) {
    out("[INFO] Applying ", profile_title(profile), " Kernel Tweaks...");
    uint32_t written = write_tweaks(kernel_tweak_table(profile));
    out("[OK] Applied ", written, " kernel tweaks");
    return success();
}

Result<void> apply_common_tweaks() {
    out("[INFO] Applying common tweaks...");
    uint32_t written = write_tweaks(common_startup_table());
    if (written == 0) return error("Failed to apply common tweaks");
    out("[OK] Common tweaks applied (", written, " operations)");
    return success();
}

}  // namespace korvane
