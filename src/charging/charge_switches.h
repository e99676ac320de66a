// The charger switches this phone has, in table order with the MediaTek
// command node last, and the rounds in which bypass writes them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "charging/charge_nodes.h"
#include "os/result.h"

namespace korvane {

struct ChargeSwitch {
    std::string path;
    std::string_view enable;
    std::string_view disable;
    SwitchKind kind;
    bool command_node = false;  // MediaTek's: a plain write, its own warning
};

// Every switch of the table (and the command node) that exists.
std::vector<ChargeSwitch> present_switches();

// Writes the switch's bypass (enable) or normal value.
Result<void> write_switch(const ChargeSwitch& sw, bool enable);

// The same, printing the warning of a refused write. True when it succeeded.
bool set_switch(const ChargeSwitch& sw, bool enable);

// The switch reads its bypass value now.
bool reads_bypass(const ChargeSwitch& sw);

// One of the input cuts reads its cut value: korvane's own cut, under which a
// Qualcomm phone without usb/present shows no cable at all.
bool own_cut_in_force(const std::vector<ChargeSwitch>& present);

// The switches `--bypass test` proved to be bypass on this phone, kept in
// korvane's folder one path a line. Only paths of the table count.
std::vector<ChargeSwitch> proven_switches(const std::vector<ChargeSwitch>& present);

// Replaces the remembered list whole.
Result<void> remember_proven(const std::vector<std::string>& paths);

}  // namespace korvane
