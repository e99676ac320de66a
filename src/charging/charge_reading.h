// What the battery is doing, as power_supply shows it. The current is the
// only proof of what a charger switch did: a write's success and its
// read-back prove nothing. Its sign and unit vary by vendor, so the sign
// that means "charging" is taken from a baseline read before any write, and
// only from one whose status says the battery charges: a phone can drain
// with its charger in (a game drawing more than the charger gives).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvane {

// Milliseconds between two readings of the battery current while a charger
// switch settles: 500, or KORVANE_CHARGE_POLL_MS (at least 1) for tests. The
// settling windows are counted in polls, so they shrink with it.
unsigned charge_poll_ms();

enum class ChargeFlow { charging, idle, discharging, full, unknown };

struct ChargeSample {
    std::optional<long> current_ma;  // as the phone shows it, in mA; none when unreadable
    std::string status;              // "Charging", "Full", ...; empty when unreadable
    std::optional<bool> online;      // a charger supply is online; none when no read told
};

// How this phone's current reads: chosen once, before any switch is written.
struct ChargeMeter {
    std::string current_node;  // batt_current_ua_now (µA) where it exists, else current_now (µA)
    int charging_sign = 1;     // the sign the current has while charging
    bool sign_assumed = true;  // the ABI's sign (positive = charging): the baseline could not show it
    bool has_current = false;  // the baseline read a current: a poll without one is no sample
    std::vector<std::string> online_nodes;  // the charger supplies' `online` nodes this phone has
};

struct ChargeBaseline {
    // A usb, ac, dc, wireless, pc_port or main supply is online or present,
    // or korvane's own input cut is in force (it hides the cable on phones
    // without `present`), or no read could tell: unknown is never "no".
    bool charger = false;
    ChargeMeter meter;
    ChargeSample sample;
};

// Reads the supplies, picks the current node and, when a charger is in, the
// status says "Charging" and more than 100 mA flow, takes that sign as
// "charging". A current of unknown flow is read again for up to 10 s, until
// its status tells. `own_cut` is true when one of korvane's input cuts reads its
// cut value: the phone then counts as plugged in until shown otherwise.
ChargeBaseline take_charge_baseline(bool own_cut);

// One poll: the current, the status and the charger supplies' online nodes.
ChargeSample read_charge_sample(const ChargeMeter& meter);

// |I| <= 50 mA is idle (full when the status says so). Beyond that, a
// charger gone offline or a status of "Discharging" is no charge whatever the
// sign; with a known sign that says charging, such a status makes the flow
// unknown (see flow_doubt). With an assumed sign a status that says which
// way it flows decides, and a positive current it does not confirm is of
// unknown flow. Without a current the status alone decides.
ChargeFlow classify_charge(const ChargeMeter& meter, const ChargeSample& sample);

// Why a sample with a current is of unknown flow: "the current shows
// charging but the status says Discharging"; empty when it is not.
std::string flow_doubt(const ChargeMeter& meter, const ChargeSample& sample);

// The current with "charging" positive, in mA.
long charging_ma(const ChargeMeter& meter, const ChargeSample& sample);

}  // namespace korvane
