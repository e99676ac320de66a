// What the battery is doing, as power_supply shows it. The current is the
// only proof of what a charger switch did: a write's success and its
// read-back prove nothing. Its sign and unit vary by vendor, so the sign
// that means "charging" is taken from a baseline read before any write.
#pragma once

#include <optional>
#include <string>

namespace korvane {

// Milliseconds between two readings of the battery current while a charger
// switch settles: 500, or KORVANE_CHARGE_POLL_MS (at least 1) for tests. The
// settling windows are counted in polls, so they shrink with it.
unsigned charge_poll_ms();

enum class ChargeFlow { charging, idle, discharging, full, unknown };

struct ChargeSample {
    std::optional<long> current_ma;  // as the phone shows it, in mA; none when unreadable
    std::string status;              // "Charging", "Full", ...; empty when unreadable
};

// How this phone's current reads: chosen once, before any switch is written.
struct ChargeMeter {
    std::string current_node;  // batt_current_ua_now (µA) where it exists, else current_now (µA)
    int charging_sign = 1;     // the sign the current has while charging
    bool sign_assumed = true;  // the ABI's sign (positive = charging): the baseline could not show it
    bool has_current = false;  // the baseline read a current: a poll without one is no sample
};

struct ChargeBaseline {
    bool charger = false;  // a usb, ac, dc, wireless, pc_port or main supply is online or present
    ChargeMeter meter;
    ChargeSample sample;
};

// Reads the supplies, picks the current node and, when a charger is online
// and more than 100 mA flow, takes that sign as "charging".
ChargeBaseline take_charge_baseline();

// One poll: the current node and the status, two reads.
ChargeSample read_charge_sample(const ChargeMeter& meter);

// |I| <= 50 mA is idle (full when the status says so); beyond that the sign
// decides, or, with an assumed sign, a status that says which way it flows.
// Without a current the status alone decides.
ChargeFlow classify_charge(const ChargeMeter& meter, const ChargeSample& sample);

// The current with "charging" positive, in mA.
long charging_ma(const ChargeMeter& meter, const ChargeSample& sample);

}  // namespace korvane
