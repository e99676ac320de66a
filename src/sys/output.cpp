#include "sys/output.h"

#include <unistd.h>

#include <cerrno>
#include <string>

namespace korvane {
namespace {

void write_whole_line(int fd, std::string_view line) {
    std::string buffer;
    buffer.reserve(line.size() + 1);
    buffer.append(line);
    buffer.push_back('\n');
    const char* data = buffer.data();
    size_t left = buffer.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // EPIPE and the like: the reader is gone; the work goes on.
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
}

}  // namespace

void print_line(std::string_view line) { write_whole_line(STDOUT_FILENO, line); }

void print_error_line(std::string_view line) { write_whole_line(STDERR_FILENO, line); }

}  // namespace korvane
