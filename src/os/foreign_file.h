// Reading a small file that lies where another user can put anything (the
// shell user's folder): without following a link, without blocking on a FIFO
// or a device, and never more than a bound.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace korvane {

// Android's shell user (adb shell, an app through Shizuku).
inline constexpr uid_t kShellUserId = 2000;

struct ForeignFile {
    enum class Outcome {
        text,     // `text` holds the whole content, valid UTF-8
        absent,   // nothing at the path, or a folder on the way is missing
        ignored,  // not read: `text` says why ("it is a symbolic link", ...)
        failed,   // could not be read: `text` is the operating-system error text
    };
    Outcome outcome = Outcome::absent;
    std::string text;
};

// Opens `path` with O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC and reads it only when
// the descriptor shows a regular file owned by root or the shell user and at
// most `max_bytes` long. A folder is `failed` with EISDIR, as a read of it is.
ForeignFile read_foreign_file(const std::string& path, size_t max_bytes);

}  // namespace korvane
