#include "qos_requests.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>

namespace kernelfs {
namespace {

std::string request_dir(const Mount& mount, std::string_view dir) { return mount.state + "/qos" + std::string(dir); }

int make_dirs(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return errno;
        if (slash == std::string::npos) return 0;
    }
}

}  // namespace

std::optional<unsigned long> read_request(const Mount& mount, std::string_view dir, std::string_view name) {
    Text t = read_backing(request_dir(mount, dir) + "/" + std::string(name));
    unsigned long value = 0;
    if (t.error != 0 || std::from_chars(t.text.data(), t.text.data() + t.text.size(), value).ec != std::errc()) {
        return std::nullopt;
    }
    return value;
}

int write_request(const Mount& mount, std::string_view dir, std::string_view name, unsigned long value) {
    std::string folder = request_dir(mount, dir);
    if (int error = make_dirs(folder); error != 0) return error;
    std::string file = folder + "/" + std::string(name);
    // write_backing replaces an existing file only
    if (::access(file.c_str(), F_OK) != 0) {
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return errno;
        ::close(fd);
    }
    return write_backing(file, std::to_string(value));
}

}  // namespace kernelfs
