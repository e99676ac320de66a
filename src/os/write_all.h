#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <string_view>

namespace korvane {

// The system's write(), replaceable so that tests can stand for a file that
// takes nothing.
using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);

// Writes every byte of `data` to `fd`, continuing after short writes and
// interruptions. A write() that takes nothing ends it with EIO: asking again
// would loop forever. Returns 0, or the errno of the write that failed.
int write_all(int fd, std::string_view data, WriteCall call = ::write);

// What one write() of a whole buffer did: its errno, or how many bytes the
// file took.
struct WriteOutcome {
    int error = 0;
    size_t taken = 0;
};

// One write() of `data`, repeated only when a signal interrupted it before
// anything was written. A kernel node takes a value in one store: a short
// count is its answer, never a prompt to write the rest.
WriteOutcome write_once(int fd, std::string_view data, WriteCall call = ::write);

}  // namespace korvane
