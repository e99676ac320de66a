#include "modes/auto_setup.h"

// Placeholder until this feature is built.
namespace korvane {
void auto_setup(std::string_view) {}
}  // namespace korvane
