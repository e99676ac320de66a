#include "undo/on_boot.h"

#include "journal/korvane_files.h"
#include "modes/setup_steps.h"
#include "os/output.h"

namespace korvane {
namespace {

constexpr std::string_view kBootFile = "boot";
constexpr std::string_view kOff = "off";
// Left by a boot whose run never finished; the boot service skips the mode while it stands.
constexpr std::string_view kBootMarker = "boot.running";

bool is_setup_mode(std::string_view word) {
    for (const SetupMode& mode : setup_modes()) {
        if (mode.word == word) return true;
    }
    return false;
}

}  // namespace

Result<void> set_boot_mode(std::string_view mode) {
    if (mode == kOff) {
        if (auto removed = remove_stored_file(kBootFile); !removed) return removed;
        if (auto cleared = remove_stored_file(kBootMarker); !cleared) return cleared;
        out("[OK] No mode will be applied at boot");
        return success();
    }
    if (!is_setup_mode(mode)) {
        out("[ERROR] Unknown mode: ", mode);
        out("[INFO] Available modes: gamemode, normalmode, batterymode, off");
        return success();
    }
    if (auto stored = store_file(kBootFile, mode); !stored) return stored;
    // Choosing the mode again is the user's word that it is safe to retry.
    if (auto cleared = remove_stored_file(kBootMarker); !cleared) return cleared;
    out("[OK] ", mode, " will be applied at every boot");
    return success();
}

}  // namespace korvane
