// `korvane --watch`: the service that gives each app of the configuration's
// "per_app" its kernel profile while it is in front and puts back exactly
// what was there when it leaves; `--watch stop` ends a running one.
#pragma once

#include <string_view>

#include "os/result.h"

namespace korvane {

// `value` empty: runs until SIGTERM, SIGINT or SIGHUP; "stop": stops the
// running one and waits until it has put everything back.
Result<void> watch_command(std::string_view value);

// For --restore: stops a running service first and says so.
Result<void> stop_watch_before_restore();

// For --status: whether a service runs and which session is open.
void show_watch_status();

}  // namespace korvane
