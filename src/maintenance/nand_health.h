// The storage (NAND) health report with its short I/O timing test.
#pragma once

#include "os/result.h"

namespace korvane {

// The scratch file of the I/O test, in korvane's own folder; it never
// outlives a report.
inline constexpr const char* kNandScratchName = "io_test_nand.dat";

// Prints the model, storage type, wear of both life-time banks with a verdict,
// and a 1 MiB write/read timing with a verdict. Fails only when the model
// cannot be queried (the runner's error text); everything else is reported.
Result<void> check_nand();

}  // namespace korvane
