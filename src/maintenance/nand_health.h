// The storage (NAND) health report with its short I/O timing test.
#pragma once

#include "sys/result.h"

namespace korvane {

Result<void> check_nand();

}  // namespace korvane
