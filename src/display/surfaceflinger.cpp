#include "display/surfaceflinger.h"

#include <cstddef>

#include "display/sf_timing.h"
#include "sys/output.h"
#include "sys/runner.h"

namespace korvane {

Result<void> optimize_surfaceflinger() {
    // setprop refuses longer names, so they are reported and never passed on.
    constexpr size_t kMaxPropertyName = 31;
    out("[INFO] Applying SurfaceFlinger Optimization...");
    const double rate = measure_refresh_rate();
    size_t count = 0;
    for (const SfProperty& property : timing_properties(rate)) {
        if (property.name.size() > kMaxPropertyName) {
            out("[WARN] Skipping property '", property.name, "' (length: ", property.name.size(),
                ") - exceeds 31 character limit");
            continue;
        }
        auto set = run_command("setprop", {std::string(property.name), str_cat(property.value)});
        if (set) {
            ++count;
        } else {
            out("[WARN] Failed to set ", property.name, ": ", set.error());
        }
    }
    out("[OK] SurfaceFlinger optimized. Refresh rate: ", format_rate(rate), "Hz (", count, " props set)");
    return success();
}

Result<void> get_refresh_rate() {
    out("[INFO] Getting refresh rate...");
    auto dump = run_command_output("dumpsys", {"SurfaceFlinger"});
    if (!dump) {
        const std::string failure = str_cat("Failed to get refresh rate: ", dump.error());
        out("[ERROR] ", failure);
        return error(failure);
    }
    for (std::string_view line : split_lines(*dump)) {
        if (line.find("refresh-rate") == std::string_view::npos) continue;
        const auto words = split_whitespace(line);
        if (words.size() >= 3) {
            out("Refresh rate: ", words[2], " Hz");
            return success();
        }
    }
    out("[ERROR] Refresh rate information not found");
    return error("Refresh rate information not found");
}

}  // namespace korvane
