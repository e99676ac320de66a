// How long korvane waits for what it does not control: a device tool, and
// another run holding the journal. Nothing waits unbounded.
#pragma once

namespace korvane {

// Seconds a device tool may run before it is killed: 60, or
// KORVANE_TOOL_TIMEOUT (whole seconds, at least 1) for tests.
unsigned tool_time_limit_s();

// Seconds a run waits for another run's journal lock: 60, or
// KORVANE_LOCK_TIMEOUT (whole seconds, at least 1) for tests.
unsigned lock_time_limit_s();

// The whole number (at least 1) in the environment variable `name`, or
// `fallback` when it is unset or holds anything else: for tests to shorten
// korvane's waits.
unsigned limit_from_environment(const char* name, unsigned fallback);

// The watch service's delays (settle time, burst wait) are divided by this:
// 1, or KORVANE_WATCH_SPEEDUP (at least 1) for tests.
unsigned watch_speedup();

}  // namespace korvane
