#include "display/surfaceflinger.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> optimize_surfaceflinger() { return error("Not implemented yet"); }
double measure_refresh_rate() { return 60.0; }
Result<void> get_refresh_rate() { return error("Not implemented yet"); }
}  // namespace korvane
