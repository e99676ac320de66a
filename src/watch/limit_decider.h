// Whether charging should pause, from the battery's level and temperature:
// it pauses at `pause` % and resumes at `resume` %, nothing changing inside
// the band; at or above `max_temp` it pauses whatever the level and resumes
// only below `resume_temp`. Pure state: the loop feeds it readings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "config/charge_limit.h"

namespace korvane {

struct BatteryReading {
    std::optional<uint32_t> capacity;    // %
    std::optional<int32_t> temp_tenths;  // tenths of °C
};

// A change to make, with its reason: "80 %" or "46.1 °C".
struct LimitChange {
    bool pause = false;
    std::string reason;
    bool operator==(const LimitChange&) const = default;
};

class LimitDecider {
public:
    explicit LimitDecider(ChargeLimit limit) : limit_(limit) {}

    // The change the reading calls for; nothing inside the band. An unknown
    // capacity or temperature keeps what that value last decided.
    std::optional<LimitChange> on_reading(const BatteryReading& reading);
    // The pause was undone outside the decider (a stop, a failed switch).
    void forget_pause() { paused_ = false; }
    bool paused() const { return paused_; }
    const ChargeLimit& limit() const { return limit_; }

private:
    ChargeLimit limit_;
    bool full_ = false;  // reached `pause`, not yet back at `resume`
    bool hot_ = false;   // reached `max_temp`, not yet below `resume_temp`
    bool paused_ = false;
};

// Tenths of °C as "46.1 °C".
std::string temp_text(int32_t tenths);

}  // namespace korvane
