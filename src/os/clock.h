#pragma once

#include <cstdint>

namespace korvane {

// Nanoseconds on a clock that never jumps, for timing device tools.
uint64_t monotonic_ns();

// Sleeps for `ms` milliseconds, resuming for the time left when a signal
// interrupts the sleep.
void sleep_ms(unsigned ms);

}  // namespace korvane
