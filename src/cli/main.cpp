#include <string>
#include <vector>

#include "cli/dispatch.h"
#include "os/signals.h"

int main(int argc, char** argv) {
    korvane::ignore_broken_pipes();
    korvane::end_with_tools_on_interruption();
    return korvane::dispatch(std::vector<std::string>(argv, argv + argc));
}
