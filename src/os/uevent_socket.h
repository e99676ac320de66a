// The kernel's uevents: a NETLINK_KOBJECT_UEVENT socket joined to the
// kernel's multicast group, as healthd opens it.
#pragma once

#include <optional>
#include <string>

#include "os/result.h"
#include "os/unique_fd.h"

namespace korvane {

// Non-blocking, close-on-exec, with a receive buffer large enough for a
// burst of messages while the reader sleeps.
Result<UniqueFd> open_uevent_socket();

// The next waiting message sent by root; messages from anyone else are
// dropped. Nothing when none is waiting.
std::optional<std::string> receive_uevent(int fd);

}  // namespace korvane
