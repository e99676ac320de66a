#include "display/downscaling.h"

// Placeholder until this feature is built.
namespace korvane {
Result<std::size_t> apply_downscaling(std::string_view) { return error("Not implemented yet"); }
Result<std::size_t> reset_downscaling() { return error("Not implemented yet"); }
}  // namespace korvane
