#include "display/sf_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "os/text.h"

namespace korvane {
namespace {

// clang-format off
constexpr TimingCoefficients kCoefficients[] = {
    // min_rate  app    sf     early app phase  early phase
    {120,        0.58,  0.32,  0.68,            0.85},
    { 90,        0.60,  0.30,  0.66,            0.82},
    { 75,        0.62,  0.28,  0.64,            0.80},
    {  0,        0.65,  0.25,  0.62,            0.75},
};
// clang-format on

enum class Timing { app_duration, sf_duration, early_app_phase_offset, early_phase_offset };

struct PropertyRow {
    std::string_view name;
    Timing value;
};

// clang-format off
constexpr PropertyRow kProperties[] = {
    {"debug.sf.early.app.duration",        Timing::app_duration},
    {"debug.sf.earlyGl.app.duration",      Timing::app_duration},
    {"debug.sf.late.app.duration",         Timing::app_duration},
    {"debug.sf.early.sf.duration",         Timing::sf_duration},
    {"debug.sf.earlyGl.sf.duration",       Timing::sf_duration},
    {"debug.sf.late.sf.duration",          Timing::sf_duration},
    {"debug.sf.early_app_phase_offset_ns", Timing::early_app_phase_offset},
    {"debug.sf.early_phase_offset_ns",     Timing::early_phase_offset},
};
// clang-format on

long long timing_value(Timing timing, double period, const TimingCoefficients& c) {
    switch (timing) {
        case Timing::app_duration: return nearest(period * c.app_duration);
        case Timing::sf_duration: return nearest(period * c.sf_duration);
        case Timing::early_app_phase_offset: return nearest(-(period * c.early_app_phase_offset));
        case Timing::early_phase_offset: return nearest(-(period * c.early_phase_offset));
    }
    return 0;
}

}  // namespace

const TimingCoefficients& timing_coefficients(double rate) {
    for (const TimingCoefficients& row : kCoefficients) {
        if (rate >= row.min_rate) return row;
    }
    return std::end(kCoefficients)[-1];
}

std::vector<SfProperty> timing_properties(double rate) {
    const double period = 1e9 / rate;
    const TimingCoefficients& coefficients = timing_coefficients(rate);
    std::vector<SfProperty> properties;
    for (const PropertyRow& row : kProperties) {
        const bool phase_offset =
            row.value == Timing::early_app_phase_offset || row.value == Timing::early_phase_offset;
        properties.push_back({row.name, timing_value(row.value, period, coefficients), phase_offset});
    }
    return properties;
}

bool phase_offsets_abort(const std::optional<std::string_view>& durations_answer) {
    if (!durations_answer) return true;
    // The words SurfaceFlinger's boolean property reader takes for true.
    const std::string_view answer = trim(*durations_answer);
    return answer == "1" || answer == "true" || answer == "y" || answer == "yes" || answer == "on";
}

long long nearest(double x) { return std::llround(x); }

std::string format_rate(double rate) {
    // printf rounds the exact binary value, halves to even.
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%.0f", rate);
    if (length < 0) return {};
    return std::string(text, std::min(static_cast<size_t>(length), sizeof text - 1));
}

}  // namespace korvane
