// Cases that need root, to switch to an unprivileged user. They skip for a
// developer who is not root; scripts/test, which CI runs as root, sets
// KORVANE_REQUIRE_ROOT so that such a case fails there instead of passing
// unseen (ctest counts a skip as a pass).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#define KORVANE_SKIP_UNLESS_ROOT()                                                         \
    do {                                                                                   \
        if (::geteuid() == 0) break;                                                       \
        if (std::getenv("KORVANE_REQUIRE_ROOT") != nullptr) FAIL() << "needs root to run"; \
        GTEST_SKIP() << "needs root to switch to an unprivileged user";                    \
    } while (false)
