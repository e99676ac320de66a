#include "os/output.h"

#include <unistd.h>

#include <string>

#include "os/write_all.h"

namespace korvane {
namespace {

void write_whole_line(int fd, std::string_view line) {
    std::string buffer;
    buffer.reserve(line.size() + 1);
    buffer.append(line);
    buffer.push_back('\n');
    // A failure means the reader is gone (EPIPE and the like): the work goes on.
    (void)write_all(fd, buffer);
}

}  // namespace

void print_line(std::string_view line) { write_whole_line(STDOUT_FILENO, line); }

void print_error_line(std::string_view line) { write_whole_line(STDERR_FILENO, line); }

}  // namespace korvane
