// A per-app session of the watch service: the nodes an app's profile
// changes, their values when the app came to the front, kept in the journal
// (one flush, before the first write) until the session is closed and they
// are put back. The records live in the journal, so that a session left open
// by a service that died is closed by the next --watch or --restore.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "config/per_app.h"
#include "os/node_write.h"
#include "os/result.h"

namespace korvane {

// The writes of a profile, in order: the kernel tweak profile, then the CPU
// and GPU max caps when it has them.
std::vector<NodeWrite> profile_writes(const AppProfile& profile);

// Records the session `name` of `writes` (each node's value now, and its
// plain original when the journal holds none), then writes. A node that
// cannot be read is left out. Returns how many nodes the session holds; an
// error (nothing written) when the journal cannot be kept.
Result<size_t> open_session(const std::string& name, const std::vector<NodeWrite>& writes);

// Gives the open session new values for `writes` (a hot game's caps): a
// node the session holds takes the new value as the one it shows; one it
// does not hold yet is recorded as open_session records it. Recorded first,
// then written, so that closing the session puts back what was there before
// it, whatever it wrote meanwhile. An error (nothing written) when no
// session is open or the journal cannot be kept.
Result<void> change_session(const std::vector<NodeWrite>& writes);

// What closing a session did.
struct ClosedSession {
    std::string name;
    size_t restored = 0;             // back as they were (or never changed)
    std::vector<std::string> kept;   // changed during the session by something else
    std::vector<std::string> failed; // could not be put back: "<path>: <cause>"
};

// Closes the session the journal holds, if any (this service's or one left
// by a service that died): puts back each node that still shows the
// session's value, keeps and names one that shows another, and takes the
// session out of the journal with the plain originals it added for the nodes
// put back. Nothing when no session is open.
Result<std::optional<ClosedSession>> close_session();

// The session the journal holds, without locking it: its name and size.
struct OpenSession {
    std::string name;
    size_t nodes = 0;
};
std::optional<OpenSession> peek_open_session();

}  // namespace korvane
