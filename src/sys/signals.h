#pragma once

namespace korvane {

// A caller that stops reading must not cut an operation short: from now on,
// writes to a closed pipe fail quietly (and are dropped) instead of killing
// the process. Children get the default back before they start.
void ignore_broken_pipes();

}  // namespace korvane
