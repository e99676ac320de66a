#include "maintenance/step_report.h"
#include "maintenance/utilities.h"
#include "journal/change_gate.h"
#include "os/named_dir_removal.h"
#include "journal/node_change.h"
#include "journal/tool_commands.h"

namespace korvane {

Result<void> clean_ram() {
    print_line("[INFO] Cleaning RAM...");
    report_step(run_command("am", {"kill-all"}), "[INFO] Apps killed", "[WARN] Failed to kill apps: ");
    report_step(run_command("sync", {}), "[INFO] Sync completed", "[WARN] Failed to sync: ");
    // 3 drops the page cache as well as dentries and inodes.
    report_step(write_node("/proc/sys/vm/drop_caches", "3"), "[INFO] Caches dropped",
                "[WARN] Failed to drop caches: ");
    print_line("[OK] RAM cleared");
    return success();
}

Result<void> clear_app_cache() {
    print_line("[INFO] Cleaning app cache...");
    report_step(remove_named_dirs("/storage/emulated/0", "cache", allow_removal), "[INFO] External cache cleaned",
                "[WARN] Failed to clean external cache: ");
    report_step(remove_named_dirs("/data/data", "cache", allow_removal), "[INFO] Data cache cleaned",
                "[WARN] Failed to clean data cache: ");
    print_line("[OK] App cache cleaned");
    return success();
}

}  // namespace korvane
