#include "android/device_config_list.h"

#include "os/text.h"

namespace korvane {

ConfigValues parse_config_list(std::string_view listing) {
    ConfigValues values;
    for (std::string_view line : split_lines(listing)) {
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, equals));
        if (key.empty()) continue;
        values.insert_or_assign(std::string(key), std::string(line.substr(equals + 1)));
    }
    return values;
}

}  // namespace korvane
