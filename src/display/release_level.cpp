#include "display/release_level.h"

#include "sys/number_parse.h"
#include "sys/runner.h"
#include "sys/text.h"

namespace korvane {

std::optional<int32_t> parse_release_level(std::string_view getprop_output) {
    return parse_i32(trim(getprop_output));
}

Result<std::optional<int32_t>> query_release_level() {
    auto level = run_command_output("getprop", {"ro.build.version.sdk"});
    if (!level) return Error{level.error()};
    return parse_release_level(*level);
}

}  // namespace korvane
