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
constexpr unsigned kStatusPolls = 20;  // 10 s at 500 ms

// On Qualcomm GKI every property read is a round trip to the battery
// firmware that can fail now and then (ENODATA, ETIMEDOUT): a failed read of
// a node that exists is tried once more after a poll interval.
std::optional<std::string> read_supply(const std::string& path) {
    if (auto text = read_node(path)) return std::string(trim(*text));
    if (!path_exists(path)) return std::nullopt;
    sleep_ms(charge_poll_ms());
    if (auto text = read_node(path)) return std::string(trim(*text));
    return std::nullopt;
}

std::optional<long> read_microamps(const std::string& path) {
    auto text = read_supply(path);
    if (!text) return std::nullopt;
    std::string_view value = *text;
    bool negative = value.starts_with('-');
    if (negative) value.remove_prefix(1);
    auto magnitude = parse_u64(value);
    if (!magnitude || *magnitude > 100'000'000'000ULL) return std::nullopt;
    long ua = static_cast<long>(*magnitude);
    return negative ? -ua : ua;
}

// Online when any node reads 1, offline when every one reads 0, else unknown.
std::optional<bool> read_online(const std::vector<std::string>& nodes) {
    bool unread = nodes.empty();
    for (const std::string& node : nodes) {
        auto text = read_supply(node);
        if (text && *text == "1") return true;
        unread = unread || !text;
    }
    return unread ? std::nullopt : std::optional<bool>(false);
}

}  // namespace

unsigned charge_poll_ms() { return limit_from_environment("KORVANE_CHARGE_POLL_MS", 500); }

ChargeBaseline take_charge_baseline(bool own_cut) {
    ChargeBaseline base;
    bool present = false, unknown = false;
    for (std::string_view supply : kChargerSupplies) {
        std::string folder = str_cat(kSupplies, supply, "/");
        if (path_exists(folder + "online")) base.meter.online_nodes.push_back(folder + "online");
        // a Qualcomm input cut shows online 0 with the cable in; present still shows it
        if (auto shown = read_supply(folder + "present")) {
            present = present || *shown == "1";
        } else {
            unknown = unknown || path_exists(folder + "present");
        }
    }
    // Samsung's current_now is in mA; its µA twin is the one to trust.
    base.meter.current_node = std::string(path_exists(std::string(kMicroampNode)) ? kMicroampNode : kCurrentNode);
    base.sample = read_charge_sample(base.meter);
    base.meter.has_current = base.sample.current_ma.has_value();
    // a current its status does not confirm yet (MediaTek's status follows
    // its 10 s charger loop) is given that loop to catch up
    for (unsigned poll = 0; poll < kStatusPolls && classify_charge(base.meter, base.sample) == ChargeFlow::unknown &&
                            base.sample.current_ma;
         ++poll) {
        sleep_ms(charge_poll_ms());
        base.sample = read_charge_sample(base.meter);
    }
    unknown = unknown || (!base.meter.online_nodes.empty() && !base.sample.online);
    base.charger = present || own_cut || unknown || base.sample.online.value_or(false);
    if (base.sample.online != false && base.sample.status == "Charging" && base.sample.current_ma &&
        std::labs(*base.sample.current_ma) > kChargingMa) {
        base.meter.charging_sign = *base.sample.current_ma > 0 ? 1 : -1;
        base.meter.sign_assumed = false;
    }
    return base;
}

ChargeSample read_charge_sample(const ChargeMeter& meter) {
    ChargeSample sample;
    if (auto ua = read_microamps(meter.current_node)) sample.current_ma = *ua / 1000;
    if (auto status = read_supply(std::string(kStatusNode))) sample.status = *status;
    sample.online = read_online(meter.online_nodes);
    return sample;
}

ChargeFlow classify_charge(const ChargeMeter& meter, const ChargeSample& sample) {
    if (!sample.current_ma) {
        if (sample.online == false) return ChargeFlow::discharging;
        if (sample.status == "Charging") return ChargeFlow::charging;
        if (sample.status == "Discharging") return ChargeFlow::discharging;
        if (sample.status == "Not charging") return ChargeFlow::idle;
        if (sample.status == "Full") return ChargeFlow::full;
        return ChargeFlow::unknown;
    }
    long ma = charging_ma(meter, sample);
    if (std::labs(ma) <= kIdleMa) return sample.status == "Full" ? ChargeFlow::full : ChargeFlow::idle;
    // nothing charges a battery without a charger
    if (sample.online == false) return ChargeFlow::discharging;
    if (meter.sign_assumed) {
        // vendors that dropped the ABI's negation still say which way it flows;
        // a charge the status does not confirm yet (MediaTek's status waits for
        // its 10 s loop) is not taken on the ABI's word
        if (sample.status == "Charging") return ChargeFlow::charging;
        if (sample.status == "Discharging") return ChargeFlow::discharging;
        if (ma > 0) return ChargeFlow::unknown;
    }
    if (ma < 0) return ChargeFlow::discharging;
    return flow_doubt(meter, sample).empty() ? ChargeFlow::charging : ChargeFlow::unknown;
}

std::string flow_doubt(const ChargeMeter& meter, const ChargeSample& sample) {
    if (!sample.current_ma || meter.sign_assumed || sample.status != "Discharging") return "";
    if (charging_ma(meter, sample) <= kIdleMa || sample.online == false) return "";
    return "the current shows charging but the status says Discharging";
}

long charging_ma(const ChargeMeter& meter, const ChargeSample& sample) {
    return sample.current_ma ? *sample.current_ma * meter.charging_sign : 0;
}

}  // namespace korvane
