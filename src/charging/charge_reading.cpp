#include "charging/charge_reading.h"

#include <array>
#include <cstdlib>
#include <string_view>

#include "journal/node_change.h"
#include "os/clock.h"
#include "os/number_parse.h"
#include "os/text.h"
#include "os/time_limits.h"

namespace korvane {
namespace {

constexpr std::string_view kSupplies = "/sys/class/power_supply/";
constexpr std::array<std::string_view, 6> kChargerSupplies = {"usb", "ac", "dc", "wireless", "pc_port", "main"};
constexpr std::string_view kMicroampNode = "/sys/class/power_supply/battery/batt_current_ua_now";
constexpr std::string_view kCurrentNode = "/sys/class/power_supply/battery/current_now";
constexpr std::string_view kStatusNode = "/sys/class/power_supply/battery/status";
constexpr long kIdleMa = 50;
constexpr long kChargingMa = 100;

bool reads_one(const std::string& path) {
    auto text = read_node(path);
    return text && trim(*text) == "1";
}

std::optional<long> read_microamps(const std::string& path) {
    auto text = read_node(path);
    if (!text) return std::nullopt;
    std::string_view value = trim(*text);
    bool negative = value.starts_with('-');
    if (negative) value.remove_prefix(1);
    auto magnitude = parse_u64(value);
    if (!magnitude || *magnitude > 100'000'000'000ULL) return std::nullopt;
    long ua = static_cast<long>(*magnitude);
    return negative ? -ua : ua;
}

}  // namespace

unsigned charge_poll_ms() { return limit_from_environment("KORVANE_CHARGE_POLL_MS", 500); }

ChargeBaseline take_charge_baseline() {
    ChargeBaseline base;
    bool online = false;
    for (std::string_view supply : kChargerSupplies) {
        std::string folder = str_cat(kSupplies, supply, "/");
        if (reads_one(folder + "online")) {
            online = true;
            base.charger = true;
        } else if (reads_one(folder + "present")) {
            // a Qualcomm input cut shows online 0 with the cable in
            base.charger = true;
        }
    }
    // Samsung's current_now is in mA; its µA twin is the one to trust.
    base.meter.current_node = std::string(path_exists(std::string(kMicroampNode)) ? kMicroampNode : kCurrentNode);
    base.sample = read_charge_sample(base.meter);
    if (!base.sample.current_ma && path_exists(base.meter.current_node)) {
        // a Qualcomm firmware read fails now and then: one more try
        sleep_ms(charge_poll_ms());
        base.sample = read_charge_sample(base.meter);
    }
    base.meter.has_current = base.sample.current_ma.has_value();
    if (online && base.sample.current_ma && std::labs(*base.sample.current_ma) > kChargingMa) {
        base.meter.charging_sign = *base.sample.current_ma > 0 ? 1 : -1;
        base.meter.sign_assumed = false;
    }
    return base;
}

ChargeSample read_charge_sample(const ChargeMeter& meter) {
    ChargeSample sample;
    if (auto ua = read_microamps(meter.current_node)) sample.current_ma = *ua / 1000;
    if (auto status = read_node(std::string(kStatusNode))) sample.status = std::string(trim(*status));
    return sample;
}

ChargeFlow classify_charge(const ChargeMeter& meter, const ChargeSample& sample) {
    if (!sample.current_ma) {
        if (sample.status == "Charging") return ChargeFlow::charging;
        if (sample.status == "Discharging") return ChargeFlow::discharging;
        if (sample.status == "Not charging") return ChargeFlow::idle;
        if (sample.status == "Full") return ChargeFlow::full;
        return ChargeFlow::unknown;
    }
    long ma = charging_ma(meter, sample);
    if (std::labs(ma) <= kIdleMa) return sample.status == "Full" ? ChargeFlow::full : ChargeFlow::idle;
    if (meter.sign_assumed) {
        // vendors that dropped the ABI's negation still say which way it flows
        if (sample.status == "Charging") return ChargeFlow::charging;
        if (sample.status == "Discharging") return ChargeFlow::discharging;
    }
    return ma > 0 ? ChargeFlow::charging : ChargeFlow::discharging;
}

long charging_ma(const ChargeMeter& meter, const ChargeSample& sample) {
    return sample.current_ma ? *sample.current_ma * meter.charging_sign : 0;
}

}  // namespace korvane
