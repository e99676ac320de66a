#pragma once

#include <string>
#include <vector>

namespace korvane {

// Runs the one command named by args[1] (args[0] is the program path) and
// prints its outcome. Returns the process exit status, which is always 0:
// callers read the output lines, not the status.
int dispatch(const std::vector<std::string>& args);

}  // namespace korvane
