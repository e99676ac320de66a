// One-shot setup modes that run a fixed sequence of the other operations.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Runs gamemode, normalmode or batterymode; every outcome is printed. Each
// step runs even after a failed one, and the closing line always follows.
void auto_setup(std::string_view mode);

// The scale as decimal text with one digit after the point, rounded on the
// exact stored value with ties to even: 0.25 gives "0.2", 2 gives "2.0".
std::string scale_text(double scale);

}  // namespace korvane
