#include "os/node.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "os/number_parse.h"
#include "os/os_error.h"
#include "os/text.h"
#include "os/unique_fd.h"
#include "os/utf8.h"

namespace korvane {
namespace {

bool is_hex_digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

Result<std::string> read_node(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return error(os_error_text(errno));
    UniqueFd owner(fd);
    // sysfs and procfs report sizes that mean nothing: read until end of file.
    std::string content;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return error(os_error_text(errno));
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    if (!is_valid_utf8(content)) return error("stream did not contain valid UTF-8");
    return content;
}

bool path_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Result<std::vector<std::string>> list_directory(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return error(os_error_text(errno));
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        int e = errno;
        ::close(fd);
        return error(os_error_text(e));
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

std::vector<uint64_t> parse_freq_list(std::string_view text) {
    std::vector<uint64_t> numbers;
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find_first_of(" ,", i);
        if (end == std::string_view::npos) end = text.size();
        if (auto value = parse_u64(trim(text.substr(i, end - i)))) numbers.push_back(*value);
        i = end + 1;
    }
    return numbers;
}

size_t index_at_percent(size_t count, uint8_t percent) {
    if (count == 0) return 0;
    size_t index;
    if (percent >= 100) {
        index = count - 1;
    } else {
        index = count * percent / 100;
    }
    return std::min(index, count - 1);
}

std::optional<std::string> freq_at_percent(const std::string& path, uint8_t percent) {
    auto text = read_node(path);
    if (!text) return std::nullopt;
    std::vector<uint64_t> freqs = parse_freq_list(*text);
    if (freqs.empty()) return std::nullopt;
    std::sort(freqs.begin(), freqs.end());
    return std::to_string(freqs[index_at_percent(freqs.size(), percent)]);
}

std::string find_hex_code(std::string_view text) {
    size_t at = text.find("0x");
    if (at == std::string_view::npos || text.size() - at < 4) return {};
    if (!is_hex_digit(text[at + 2]) || !is_hex_digit(text[at + 3])) return {};
    return std::string(text.substr(at, 4));
}

}  // namespace korvane
