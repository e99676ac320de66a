#include "display/fps_limit.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> set_fps_limit(int32_t) { return error("Not implemented yet"); }
Result<void> reset_fps_limit() { return error("Not implemented yet"); }
}  // namespace korvane
