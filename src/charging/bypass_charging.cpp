#include "charging/bypass_charging.h"

// Placeholder until this feature is built.
namespace korvane {
Result<std::size_t> set_bypass_charging(std::string_view) { return error("Not implemented yet"); }
}  // namespace korvane
