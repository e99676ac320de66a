#include "maintenance/nand_health.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> check_nand() { return error("Not implemented yet"); }
}  // namespace korvane
