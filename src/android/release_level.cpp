#include "android/release_level.h"

#include "android/runner.h"
#include "os/number_parse.h"
#include "os/text.h"

namespace korvane {

std::optional<int32_t> parse_release_level(std::string_view getprop_output) {
    return parse_i32(trim(getprop_output));
}

namespace {
std::optional<std::optional<int32_t>>& last_answer() {
    static std::optional<std::optional<int32_t>> answer;
    return answer;
}
}  // namespace

Result<std::optional<int32_t>> query_release_level() {
    auto level = tool_output("getprop", {"ro.build.version.sdk"});
    if (!level) return Error{level.error()};
    last_answer() = parse_release_level(*level);
    return *last_answer();
}

Result<std::optional<int32_t>> known_release_level() {
    if (last_answer()) return *last_answer();
    return query_release_level();
}

}  // namespace korvane
