#include "android/power_dump.h"

#include "os/text.h"

namespace korvane {

std::optional<bool> screen_on_in_power_dump(std::string_view dump) {
    std::optional<bool> display;
    for (std::string_view line : split_lines(dump)) {
        line = trim(line);
        if (line.starts_with("mWakefulness=")) return line.substr(13) == "Awake";
        if (line.starts_with("Display Power: state=")) display = line.substr(21) == "ON";
    }
    return display;
}

}  // namespace korvane
