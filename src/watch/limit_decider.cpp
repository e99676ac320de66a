#include "watch/limit_decider.h"

#include <cstdlib>

#include "os/text.h"

namespace korvane {

std::string temp_text(int32_t tenths) {
    const int64_t t = tenths;
    const int64_t whole = (t < 0 ? -t : t);
    return str_cat(t < 0 ? "-" : "", whole / 10, ".", whole % 10, " °C");
}

std::optional<LimitChange> LimitDecider::on_reading(const BatteryReading& reading) {
    const bool was_hot = hot_;
    if (reading.capacity) {
        if (*reading.capacity >= limit_.pause) full_ = true;
        if (*reading.capacity <= limit_.resume) full_ = false;
    }
    if (reading.temp_tenths) {
        const int64_t t = *reading.temp_tenths;
        if (t >= int64_t{limit_.max_temp} * 10) hot_ = true;
        if (t < int64_t{limit_.resume_temp} * 10) hot_ = false;
    }
    const bool want = full_ || hot_;
    if (want == paused_) return std::nullopt;
    paused_ = want;
    // The reason is what changed: the temperature when the hold came or went.
    const bool by_temp = reading.temp_tenths && hot_ != was_hot;
    if (by_temp || !reading.capacity) {
        return LimitChange{want, reading.temp_tenths ? temp_text(*reading.temp_tenths) : ""};
    }
    return LimitChange{want, str_cat(*reading.capacity, " %")};
}

}  // namespace korvane
