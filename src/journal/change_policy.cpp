#include "journal/change_policy.h"

namespace korvane {
namespace {

// One command per process, one thread: a plain variable is enough. The
// benchmark builds a second, journal-free korvane to measure what the
// journal costs side by side; nothing else defines this.
#ifdef KORVANE_BENCH_JOURNAL_FREE
ChangePolicy g_policy = ChangePolicy::unrecorded;
#else
ChangePolicy g_policy = ChangePolicy::record;
#endif

}  // namespace

void set_change_policy(ChangePolicy policy) { g_policy = policy; }

ChangePolicy change_policy() { return g_policy; }

}  // namespace korvane
