#include <csignal>
#include <string>
#include <vector>

#include "cli/dispatch.h"

int main(int argc, char** argv) {
    // A caller that stops reading must not cut an operation short: writes to
    // a closed pipe are dropped and the work goes on.
    std::signal(SIGPIPE, SIG_IGN);
    return korvane::dispatch(std::vector<std::string>(argv, argv + argc));
}
