#include "display/refresh_rate.h"

#include <algorithm>
#include <cmath>

#include "display/decimal.h"
#include "journal/tool_commands.h"
#include "os/clock.h"
#include "os/text.h"

namespace korvane {

std::optional<double> sample_rate(std::string_view latency_output) {
    const auto lines = split_lines(latency_output);
    if (lines.empty()) return std::nullopt;
    const auto period = parse_decimal(trim(lines.front()));
    if (!period || !(*period > 0)) return std::nullopt;
    const double rate = std::round(1e9 / *period);
    if (rate < 30 || rate > 240) return std::nullopt;
    return rate;
}

double median_rate(std::vector<double> samples) {
    if (samples.empty()) return 60;
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1) return samples[middle];
    return (samples[middle - 1] + samples[middle]) / 2;
}

double measure_refresh_rate() {
    constexpr int kSamples = 5;
    constexpr unsigned kPauseMs = 50;
    std::vector<double> samples;
    for (int i = 0; i < kSamples; ++i) {
        // A failed or unusable sample is simply not counted.
        auto latency = run_command_output("dumpsys", {"SurfaceFlinger", "--latency"});
        if (latency) {
            if (auto rate = sample_rate(*latency)) samples.push_back(*rate);
        }
        sleep_ms(kPauseMs);
    }
    return median_rate(std::move(samples));
}

}  // namespace korvane
