#include "config/config.h"

// Placeholder until this feature is built.
namespace korvane {
KorvaneConfig load_config() { return {}; }
}  // namespace korvane
