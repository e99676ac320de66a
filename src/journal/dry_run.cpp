#include "sys/dry_run.h"

#include "sys/journal/change_policy.h"

namespace korvane {

bool is_dry_run() { return change_policy() == ChangePolicy::dry_run; }

}  // namespace korvane
