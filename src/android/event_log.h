// The framework's event log as `logcat -b events` prints it: the lines the
// watch service follows to see which activity resumed and whether the screen
// went on or off.
//   I/wm_set_resumed_activity( 1234): [0,com.example/.Main,resumeTopActivity]
//   I/power_screen_state( 1234): [0,2,0,0,0]
// Releases 7-10 name the first tag am_set_resumed_activity.
#pragma once

#include <string>
#include <string_view>

#include "os/child_process.h"

namespace korvane {

struct EventLine {
    enum class Kind { other, resumed, screen } kind = Kind::other;
    std::string package;  // for resumed
    bool screen_on = false;  // for screen
};

// What one line says; `other` for anything else (a header, another tag, a
// line cut short).
EventLine parse_event_line(std::string_view line);

// The one long-lived child: `logcat` and its arguments, following the three
// tags from the newest entry on.
inline constexpr const char* kLogcat = "logcat";
Args event_log_args();

}  // namespace korvane
