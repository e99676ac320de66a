// The step sequences of the auto setup modes, one constant table per mode.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "android/tuning_profile.h"
#include "config/config.h"
#include "journal/change_gate.h"
#include "os/result.h"

namespace korvane {

// What every step of one run may look at.
struct SetupContext {
    TuningProfile profile;
    const KorvaneConfig& config;
    std::string_view scale;  // the configured scale as one-decimal text
};

// The configuration switch that decides whether a step runs.
enum class Gate { always, clear_ram, gms_auto, no_gms_auto, surface_flinger };

struct SetupStep {
    Gate gate;
    // "[ERROR] <label>: <error>" reports a failure; an empty label marks a
    // step that prints its own outcome and always succeeds.
    std::string_view label;
    Result<void> (*run)(const SetupContext&);
    // The targets the step changes when they are known without asking the
    // phone anything; null when only the step itself can tell.
    std::vector<PlannedChange> (*plan)(const SetupContext&) = nullptr;
};

struct SetupMode {
    std::string_view word;   // as given on the command line
    std::string_view title;  // "Game Mode"
    TuningProfile profile;
    std::span<const SetupStep> steps;
};

// gamemode, normalmode and batterymode, in the order the word is compared.
std::span<const SetupMode> setup_modes();

bool gate_open(Gate gate, const KorvaneConfig& config);

}  // namespace korvane
