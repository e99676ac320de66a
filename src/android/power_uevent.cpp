#include "android/power_uevent.h"

#include "os/number_parse.h"

namespace korvane {

std::optional<PowerUevent> parse_power_uevent(std::string_view datagram) {
    size_t end = datagram.find('\0');
    std::string_view header = datagram.substr(0, end);
    // The kernel's header is "<action>@<devpath>"; udev's own starts "libudev".
    if (header.find('@') == std::string_view::npos || header.rfind("libudev", 0) == 0) return std::nullopt;
    PowerUevent event;
    bool power_supply = false;
    while (end != std::string_view::npos && end < datagram.size()) {
        const size_t start = end + 1;
        end = datagram.find('\0', start);
        std::string_view field = datagram.substr(start, end == std::string_view::npos ? end : end - start);
        const size_t eq = field.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = field.substr(0, eq);
        std::string_view value = field.substr(eq + 1);
        if (key == "SUBSYSTEM") {
            power_supply = value == "power_supply";
        } else if (key == "POWER_SUPPLY_NAME") {
            event.name = value;
        } else if (key == "POWER_SUPPLY_CAPACITY") {
            if (auto n = parse_u64(value); n && *n <= 100) event.capacity = static_cast<uint32_t>(*n);
        } else if (key == "POWER_SUPPLY_TEMP") {
            event.temp_tenths = parse_i32(value);
        } else if (key == "POWER_SUPPLY_ONLINE") {
            if (value == "0" || value == "1") event.online = value == "1";
        }
    }
    if (!power_supply) return std::nullopt;
    return event;
}

}  // namespace korvane
