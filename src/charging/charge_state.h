// What bypass and fast charging share: the state word that picks the action,
// the invalid-state report, and the scan line of one candidate node.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "os/result.h"

namespace korvane {

enum class ChargeAction { enable, disable, test };

// "test", then on/1/y, then off/0/n, compared after lower-casing the whole
// text (no trimming). Anything else, the empty text included, is nothing.
std::optional<ChargeAction> parse_charge_action(std::string_view state);

// The four lines a command prints after rejecting a state word.
using ChargeUsage = std::array<std::string_view, 4>;

// Prints "[ERROR] Invalid state: <state>" and the usage lines; returns the
// error "Invalid state: <state>", the state shown as the caller gave it.
Error reject_charge_state(std::string_view state, const ChargeUsage& usage);

// When `path` exists, prints "Found: <path>" and its trimmed content (or
// "N/A" when unreadable) and returns true; a missing path prints nothing.
bool show_charge_path(const std::string& path);

}  // namespace korvane
