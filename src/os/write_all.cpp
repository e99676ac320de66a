#include "os/write_all.h"

#include <unistd.h>

#include <cerrno>

namespace korvane {

int write_all(int fd, std::string_view data, WriteCall call) {
    while (!data.empty()) {
        WriteOutcome once = write_once(fd, data, call);
        if (once.error != 0) return once.error;
        if (once.taken == 0) return EIO;
        data.remove_prefix(once.taken);
    }
    return 0;
}

WriteOutcome write_once(int fd, std::string_view data, WriteCall call) {
    for (;;) {
        ssize_t n = call(fd, data.data(), data.size());
        if (n >= 0) return {0, static_cast<size_t>(n)};
        if (errno != EINTR) return {errno, 0};
    }
}

}  // namespace korvane
