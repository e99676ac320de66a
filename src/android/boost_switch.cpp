#include "android/boost_switch.h"

#include "os/number_parse.h"
#include "os/text.h"

namespace korvane {

bool switches_boost_type(std::string_view path, std::string_view shown, std::string_view value) {
    if (!path.ends_with("/sched_boost")) return false;
    auto from = parse_i32(trim(shown));
    auto to = parse_i32(trim(value));
    return from && to && *from != 0 && *to != 0 && *from != *to;
}

}  // namespace korvane
