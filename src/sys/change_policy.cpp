#include "sys/change_policy.h"

namespace korvane {
namespace {

// One command per process, one thread: a plain variable is enough.
ChangePolicy g_policy = ChangePolicy::record;

}  // namespace

void set_change_policy(ChangePolicy policy) { g_policy = policy; }

ChangePolicy change_policy() { return g_policy; }

}  // namespace korvane
