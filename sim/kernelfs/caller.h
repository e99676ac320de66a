#pragma once
// Who is asking: the process behind a request, as the phone sees it. A
// scenario runs the phone in a pid namespace of its own, so the ids the
// phone's processes know are the namespace's, not this machine's.

#include <sys/types.h>

#include <string>

namespace kernelfs {

// The thread group id of host process `host_pid` in its innermost pid
// namespace (its getpid()), or -1 when it is gone.
pid_t phone_pid(pid_t host_pid);

// The process's name as /proc/PID/comm shows it, or "?" when it is gone.
std::string process_name(pid_t host_pid);

}  // namespace kernelfs
