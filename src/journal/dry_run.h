// Whether this run only shows its changes. A dry run prints each change
// ("[DRY] ...") instead of making it; a feature then prints no result of a
// step it did not make: nothing was killed, timed or cleaned.
#pragma once

namespace korvane {

bool is_dry_run();

}  // namespace korvane
