#include "profiles/kernel_tweaks.h"

#include <cstdint>

#include "profiles/kernel_tweak_table.h"
#include "sys/node.h"
#include "sys/output.h"

namespace korvane {
namespace {

// Nodes are not looked for first: kernels lack many of them, and a missing
// node is just a write that fails and is not counted.
uint32_t write_tweaks(const std::vector<KernelTweak>& tweaks) {
    uint32_t written = 0;
    for (const KernelTweak& tweak : tweaks) {
        if (write_node(tweak.path, tweak.value)) ++written;
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
