#include "modes/auto_setup.h"

#include <cstdio>
#include <iterator>
#include <utility>
#include <vector>

#include "config/config.h"
#include "journal/change_gate.h"
#include "modes/setup_steps.h"
#include "os/output.h"

namespace korvane {

std::string scale_text(double scale) {
    // Fixed-point formatting rounds the exact binary value, ties to even.
    int size = std::snprintf(nullptr, 0, "%.1f", scale);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.1f", scale);
    return text;
}

void auto_setup(std::string_view mode) {
    out("[INFO] Starting auto setup for ", mode, "...");
    KorvaneConfig config = load_config();
    std::string scale = scale_text(config.downscaling.scale);
    for (const SetupMode& setup : setup_modes()) {
        if (setup.word != mode) continue;
        out("[INFO] Applying ", setup.title, " optimizations...");
        SetupContext context{setup.profile, config, scale};
        // The originals of every step that knows its targets beforehand are
        // recorded before the first change, so that they share one journal
        // flush with the first step's own. Steps that learn their targets
        // from the phone (bypass switches, games) record their own.
        std::vector<PlannedChange> planned;
        for (const SetupStep& step : setup.steps) {
            if (!step.plan || !gate_open(step.gate, config)) continue;
            std::vector<PlannedChange> changes = step.plan(context);
            std::move(changes.begin(), changes.end(), std::back_inserter(planned));
        }
        record_originals(planned);
        for (const SetupStep& step : setup.steps) {
            if (!gate_open(step.gate, config)) continue;
            auto done = step.run(context);
            if (!done) out("[ERROR] ", step.label, ": ", done.error());
        }
        out("[OK] ", setup.title, " setup completed");
        return;
    }
    out("[ERROR] Unknown mode: ", mode);
    out("[INFO] Available modes: gamemode, normalmode, batterymode");
}

}  // namespace korvane
