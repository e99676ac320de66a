// Android's shell user (adb shell, an app through Shizuku): the one user
// besides root whose files korvane reads, such as the first configuration.
#pragma once

#include "os/foreign_file.h"

namespace korvane {

inline constexpr FileOwner kShellUser{2000, "the shell user"};

}  // namespace korvane
