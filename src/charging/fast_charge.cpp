#include "charging/fast_charge.h"

// Placeholder until this feature is built.
namespace korvane {
Result<std::size_t> set_fast_charge(std::string_view) { return error("Not implemented yet"); }
}  // namespace korvane
