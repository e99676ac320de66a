#include "caller.h"

#include <cstdlib>
#include <string_view>

#include "backing.h"

namespace kernelfs {

pid_t phone_pid(pid_t host_pid) {
    Text status = read_backing("/proc/" + std::to_string(host_pid) + "/status");
    if (status.error != 0) return -1;
    // "NStgid:\t4711\t12": the last id is the innermost namespace's
    std::string_view text = status.text;
    auto at = text.find("\nNStgid:");
    if (at == std::string_view::npos) return host_pid;  // a kernel without pid namespaces
    auto end = text.find('\n', at + 1);
    std::string_view line = text.substr(at + 8, end - at - 8);
    auto last = line.find_last_of(" \t");
    return static_cast<pid_t>(std::strtol(std::string(line.substr(last + 1)).c_str(), nullptr, 10));
}

std::string process_name(pid_t host_pid) {
    Text comm = read_backing("/proc/" + std::to_string(host_pid) + "/comm");
    if (comm.error != 0 || comm.text.empty()) return "?";
    if (comm.text.back() == '\n') comm.text.pop_back();
    return comm.text;
}

}  // namespace kernelfs
