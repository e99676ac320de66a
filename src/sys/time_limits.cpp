#include "sys/time_limits.h"

#include <cstdlib>
#include <string_view>

#include "sys/number_parse.h"

namespace korvane {
namespace {

constexpr unsigned kDefaultLimitS = 60;

unsigned limit_from(const char* name, unsigned fallback = kDefaultLimitS) {
    const char* text = std::getenv(name);
    if (text == nullptr) return fallback;
    auto value = parse_i32(std::string_view(text));
    return value && *value >= 1 ? static_cast<unsigned>(*value) : fallback;
}

}  // namespace

unsigned tool_time_limit_s() { return limit_from("KORVANE_TOOL_TIMEOUT"); }

unsigned lock_time_limit_s() { return limit_from("KORVANE_LOCK_TIMEOUT"); }

unsigned watch_speedup() { return limit_from("KORVANE_WATCH_SPEEDUP", 1); }

unsigned charge_poll_ms() { return limit_from("KORVANE_CHARGE_POLL_MS", 500); }

}  // namespace korvane
