#include "maintenance/utilities.h"

// Placeholder until this feature is built.
namespace korvane {
Result<void> clean_ram() { return error("Not implemented yet"); }
Result<void> clear_app_cache() { return error("Not implemented yet"); }
Result<void> enable_gms_doze() { return error("Not implemented yet"); }
Result<void> revert_gms_doze() { return error("Not implemented yet"); }
Result<void> set_dnd(std::string_view) { return error("Not implemented yet"); }
Result<void> disable_network() { return error("Not implemented yet"); }
}  // namespace korvane
