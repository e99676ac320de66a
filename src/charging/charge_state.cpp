#include "charging/charge_state.h"

#include "journal/node_change.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {

std::optional<ChargeAction> parse_charge_action(std::string_view state) {
    // ASCII lower-casing decides like full Unicode mapping for these words.
    std::string word = to_lower_ascii(state);
    if (word == "test") return ChargeAction::test;
    if (word == "on" || word == "1" || word == "y") return ChargeAction::enable;
    if (word == "off" || word == "0" || word == "n") return ChargeAction::disable;
    return std::nullopt;
}

Error reject_charge_state(std::string_view state, const ChargeUsage& usage) {
    out("[ERROR] Invalid state: ", state);
    for (std::string_view line : usage) print_line(line);
    return error(str_cat("Invalid state: ", state));
}

bool show_charge_path(const std::string& path) {
    if (!path_exists(path)) return false;
    out("Found: ", path);
    auto value = read_node(path);
    if (value) {
        out("    Current value: ", trim(*value));
    } else {
        out("    Current value: N/A");
    }
    return true;
}

}  // namespace korvane
