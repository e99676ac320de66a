#pragma once
// The state folder's files behind the mount: a node's value is one file,
// read and replaced whole. Errors are errno values.

#include <string>

namespace kernelfs {

struct Text {
    int error = 0;     // 0 or an errno
    std::string text;  // the file's bytes when error is 0
};

Text read_backing(const std::string& path);

// Replaces the content in one open, write and close: 0 or an errno.
int write_backing(const std::string& path, const std::string& content);

}  // namespace kernelfs
