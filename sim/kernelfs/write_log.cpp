#include "write_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "caller.h"

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

void log_write(const Mount& mount, std::string_view path, std::string_view input, const Written& outcome,
               pid_t writer) {
    if (access((mount.state + "/android/trace_node_writes").c_str(), F_OK) != 0) return;
    int fd = open((mount.state + "/android/node_writes").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    long long ms = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    std::string shown = path.starts_with("/cpuset") ? "/dev" + std::string(path) : std::string(path);
    std::string line = shown + "\t" + escaped(input) + "\t" + outcome_name(outcome) + "\t" + std::to_string(ms) +
                       "\t" + process_name(writer) + "\n";
    if (write(fd, line.data(), line.size()) < 0) {
        // bookkeeping: a tool that needs the log sees the line missing
    }
    close(fd);
}

}  // namespace kernelfs
