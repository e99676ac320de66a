// Measuring the display refresh rate from the compositor's frame timing.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace korvane {

// The rate in hertz that one `dumpsys SurfaceFlinger --latency` output gives:
// its first line, trimmed, is the refresh period in nanoseconds; the rate is
// rounded to a whole number, halves up. Nothing for a missing, unparsable or
// non-positive period, or a rate outside 30 to 240 Hz.
std::optional<double> sample_rate(std::string_view latency_output);

// The median of the samples (the mean of the two middle ones for an even
// count), 60 for none.
double median_rate(std::vector<double> samples);

// Takes five samples, 50 ms apart (a pause after each, the last included),
// and returns their median rate, 60 when none was usable.
double measure_refresh_rate();

}  // namespace korvane
