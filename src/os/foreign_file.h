// Reading a small file that lies where another user can put anything (a
// folder of that user's): without following a link, without blocking on a FIFO
// or a device, and never more than a bound.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// The one user besides root whose file is read, and how the reason for
// passing over another user's file names it.
struct FileOwner {
    uid_t uid;
    std::string_view name;
};

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
// the descriptor shows a regular file owned by root or `owner` and at most
// `max_bytes` long. A folder is `failed` with EISDIR, as a read of it is.
ForeignFile read_foreign_file(const std::string& path, size_t max_bytes, FileOwner owner);

}  // namespace korvane
