#include "maintenance/step_report.h"
#include "maintenance/utilities.h"
#include "journal/tool_commands.h"

namespace korvane {

Result<void> disable_network() {
    print_line("[INFO] Disabling network connections...");
    bool wifi_off = report_step(run_command("svc", {"wifi", "disable"}), "[INFO] WiFi disabled",
                                "[WARN] Failed to disable WiFi: ");
    bool data_off = report_step(run_command("svc", {"data", "disable"}), "[INFO] Mobile data disabled",
                                "[WARN] Failed to disable mobile data: ");
    if (!wifi_off || !data_off) return error("Failed to disable network connections");
    print_line("[OK] Network connections disabled");
    return success();
}

}  // namespace korvane
