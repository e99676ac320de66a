// The configuration's optional "charge_limit" object: the two levels between
// which the watch service holds the battery on a charger, and the battery
// temperatures at which it pauses and resumes charging whatever the level.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct ChargeLimit {
    uint32_t pause = 80;        // %: charging pauses at or above
    uint32_t resume = 75;       // %: charging resumes at or below
    uint32_t max_temp = 45;     // °C: charging pauses at or above
    uint32_t resume_temp = 40;  // °C: and resumes below
    bool operator==(const ChargeLimit&) const = default;
};

// What the configuration says about a limit: nothing (no object), a limit,
// or why the object cannot be used (the text after "charge_limit: ").
struct ChargeLimitEntry {
    std::optional<ChargeLimit> limit;
    std::string fault;
};

// Reads "charge_limit" from a whole configuration text. Nothing when the
// text has none (or is no JSON object). A bad object gives no limit and one
// fault: 10 <= resume < pause <= 100 and 20 <= resume_temp < max_temp <= 60
// (°C); the temperatures are optional, 45 and 40 when left out.
std::optional<ChargeLimitEntry> parse_charge_limit(std::string_view text);

// The first readable configuration file's limit; a bad object is printed as
// one "[ERROR] charge_limit: <why>" line, and `present` tells that the
// configuration had the object at all.
std::optional<ChargeLimit> load_charge_limit(bool& present);

}  // namespace korvane
