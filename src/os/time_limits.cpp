#include "os/time_limits.h"

#include <cstdlib>
#include <string_view>

#include "os/number_parse.h"

namespace korvane {
namespace {

constexpr unsigned kDefaultLimitS = 60;

}  // namespace

unsigned limit_from_environment(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr) return fallback;
    auto value = parse_i32(std::string_view(text));
    return value && *value >= 1 ? static_cast<unsigned>(*value) : fallback;
}

unsigned tool_time_limit_s() { return limit_from_environment("KORVANE_TOOL_TIMEOUT", kDefaultLimitS); }

unsigned lock_time_limit_s() { return limit_from_environment("KORVANE_LOCK_TIMEOUT", kDefaultLimitS); }

unsigned watch_speedup() { return limit_from_environment("KORVANE_WATCH_SPEEDUP", 1); }

}  // namespace korvane
