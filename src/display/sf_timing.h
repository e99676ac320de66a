// The compositor's frame-timing budget derived from the refresh rate.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Shares of the refresh period given to each timing value; faster panels
// leave the app less of the frame and the compositor more.
struct TimingCoefficients {
    double min_rate;  // the row applies from this rate up
    double app_duration;
    double sf_duration;
    double early_app_phase_offset;
    double early_phase_offset;
};

// The first row, from the fastest panels down, whose minimum `rate` reaches.
const TimingCoefficients& timing_coefficients(double rate);

struct SfProperty {
    std::string_view name;
    long long value;  // nanoseconds
    bool phase_offset;  // a *_phase_offset_ns property rather than a duration
};

// The eight "debug.sf." properties in the order they are set, for `rate` in
// hertz: durations are shares of the period, phase offsets negative shares,
// each taken to the nearest nanosecond.
std::vector<SfProperty> timing_properties(double rate);

// Whether SurfaceFlinger would abort at its next start on a phase-offset
// property: it does when debug.sf.use_phase_offsets_as_durations is 1 or true
// (or y, yes, on, as libbase reads a bool; the getprop answer is trimmed). An
// answer that could not be read counts as yes, since a wrong guess there
// leaves a phone that cannot start its display.
bool phase_offsets_abort(const std::optional<std::string_view>& durations_answer);

// `x` to the nearest whole number, halves away from zero.
long long nearest(double x);

// The rate with no decimal places, halves to the even neighbour.
std::string format_rate(double rate);

}  // namespace korvane
