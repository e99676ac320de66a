#include "maintenance/utilities.h"
#include "os/output.h"
#include "journal/tool_commands.h"
#include "os/text.h"

namespace korvane {

Result<void> set_dnd(std::string_view mode) {
    // No trimming: " Y" is not a mode. ASCII mapping decides exactly as full
    // Unicode mapping would for the one-letter words compared here.
    std::string upper = to_upper_ascii(mode);
    if (upper == "N") {
        auto r = run_command("cmd", {"notification", "set_dnd", "off"});
        if (!r) return error("Failed to disable DND: " + r.error());
        print_line("[OK] Do Not Disturb disabled");
        return success();
    }
    if (upper == "Y") {
        auto r = run_command("cmd", {"notification", "set_dnd", "priority"});
        if (!r) return error("Failed to enable DND: " + r.error());
        print_line("[OK] Do Not Disturb enabled (priority mode)");
        return success();
    }
    out("[ERROR] Invalid mode: ", mode);
    print_line("Usage: set_dnd <Y/N>");
    return error(str_cat("Invalid mode: ", mode));
}

}  // namespace korvane
