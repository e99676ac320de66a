#include "journal/dry_run.h"

#include "journal/change_policy.h"

namespace korvane {

bool is_dry_run() { return change_policy() == ChangePolicy::dry_run; }

}  // namespace korvane
