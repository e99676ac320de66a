#include "display/surfaceflinger.h"

#include <cstddef>
#include <vector>

#include "display/refresh_rate_line.h"
#include "display/sf_timing.h"
#include "journal/change_gate.h"
#include "journal/tool_commands.h"
#include "os/output.h"

namespace korvane {

Result<void> optimize_surfaceflinger() {
    // Android 7's setprop refuses longer names, so they are reported and never passed on.
    constexpr size_t kMaxPropertyName = 31;
    out("[INFO] Applying SurfaceFlinger Optimization...");
    const double rate = measure_refresh_rate();
    auto model = run_command_output("getprop", {"debug.sf.use_phase_offsets_as_durations"});
    const bool skip_phase_offsets =
        phase_offsets_abort(model ? std::optional<std::string_view>(*model) : std::nullopt);
    const std::vector<SfProperty> properties = timing_properties(rate);
    auto skipped = [&](const SfProperty& property) {
        return property.name.size() > kMaxPropertyName || (property.phase_offset && skip_phase_offsets);
    };
    // Every original first, with one journal flush.
    std::vector<PlannedChange> planned;
    for (const SfProperty& property : properties) {
        if (!skipped(property)) planned.push_back(command_change("setprop", {std::string(property.name), str_cat(property.value)}));
    }
    record_originals(planned);
    size_t count = 0;
    for (const SfProperty& property : properties) {
        if (property.name.size() > kMaxPropertyName) {
            out("[WARN] Skipping property '", property.name, "' (length: ", property.name.size(),
                ") - exceeds 31 character limit");
            continue;
        }
        if (property.phase_offset && skip_phase_offsets) {
            out("[WARN] Skipping property '", property.name,
                "' - SurfaceFlinger here uses durations and would abort at its next start");
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
    if (auto rate = refresh_rate_in_dump(*dump)) {
        out("Refresh rate: ", *rate, " Hz");
        return success();
    }
    out("[ERROR] Refresh rate information not found");
    return error("Refresh rate information not found");
}

}  // namespace korvane
