#include "write_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace kernelfs {
namespace {

std::string escaped(std::string_view input) {
    std::string text;
    for (char c : input) {
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\\') {
            text += "\\\\";
        } else {
            text += c;
        }
    }
    return text;
}

std::string outcome_name(const Written& w) {
    if (w.error == 0) return "ok";
    const char* name = strerrorname_np(w.error);
    return name != nullptr ? name : std::to_string(w.error);
}

}  // namespace

void log_write(const Mount& mount, std::string_view path, std::string_view input, const Written& outcome) {
    if (access((mount.state + "/android/trace_node_writes").c_str(), F_OK) != 0) return;
    int fd = open((mount.state + "/android/node_writes").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    std::string line = std::string(path) + "\t" + escaped(input) + "\t" + outcome_name(outcome) + "\n";
    if (write(fd, line.data(), line.size()) < 0) {
        // bookkeeping: a tool that needs the log sees the line missing
    }
    close(fd);
}

}  // namespace kernelfs
