// The reporting shared by the maintenance steps that carry on past a failure.
#pragma once

#include <string_view>

#include "journal/dry_run.h"
#include "os/output.h"
#include "os/result.h"

namespace korvane {

// Prints `done_line` on success, or `warn_prefix` followed by the error text
// on failure; returns whether the step succeeded. In a dry run a step that
// succeeded was only shown by its "[DRY] " lines, which are its whole report.
inline bool report_step(const Result<void>& step, std::string_view done_line, std::string_view warn_prefix) {
    if (step) {
        if (!is_dry_run()) print_line(done_line);
        return true;
    }
    out(warn_prefix, step.error());
    return false;
}

}  // namespace korvane
