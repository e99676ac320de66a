// The reporting shared by the maintenance steps that carry on past a failure.
#pragma once

#include <string_view>

#include "sys/output.h"
#include "sys/result.h"

namespace korvane {

// Prints `done_line` on success, or `warn_prefix` followed by the error text
// on failure; returns whether the step succeeded.
inline bool report_step(const Result<void>& step, std::string_view done_line, std::string_view warn_prefix) {
    if (step) {
        print_line(done_line);
        return true;
    }
    out(warn_prefix, step.error());
    return false;
}

}  // namespace korvane
