#include "backing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kernelfs {

Text read_backing(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {errno, {}};
    Text result;
    char buffer[4096];
    while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            result.text.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            result.error = errno;
            break;
        }
    }
    close(fd);
    return result;
}

int write_backing(const std::string& path, const std::string& content) {
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    for (size_t done = 0; done < content.size();) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n >= 0) {
            done += static_cast<size_t>(n);
        } else if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    if (close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    return error;
}

}  // namespace kernelfs
