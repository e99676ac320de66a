// The kernel's power_supply uevents: "change@<devpath>" then KEY=VALUE
// fields, each ended by a NUL, one message a datagram. The battery supply's
// message carries its capacity and its temperature in tenths of °C.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct PowerUevent {
    std::string name;  // POWER_SUPPLY_NAME: "battery", "usb", ...
    std::optional<uint32_t> capacity;
    std::optional<int32_t> temp_tenths;
    std::optional<bool> online;
};

// A power_supply message in the kernel's format; nothing for any other
// subsystem, for libudev's rebroadcasts ("libudev" header) and for text
// that is no uevent.
std::optional<PowerUevent> parse_power_uevent(std::string_view datagram);

}  // namespace korvane
