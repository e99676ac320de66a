#include "sys/signals.h"

#include <csignal>

namespace korvane {

void ignore_broken_pipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace korvane
