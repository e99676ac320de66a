#include "crash_rules.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "backing.h"

namespace kernelfs {
namespace {

std::optional<std::string> file_text(const std::string& path) {
    Text t = read_backing(path);
    if (t.error != 0) return std::nullopt;
    while (!t.text.empty() && t.text.back() == '\n') t.text.pop_back();
    return t.text;
}

long number(const std::string& text) {
    long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

long count_open(const std::string& state) {
    std::string counts = state + "/android/counts/node";
    long count = number(file_text(counts).value_or("0")) + 1;
    int fd = open(counts.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        std::string text = std::to_string(count) + "\n";
        if (write(fd, text.data(), text.size()) < 0) {
            // the count is bookkeeping: a test that needs it sees it missing
        }
        close(fd);
    }
    return count;
}

std::vector<std::string> rule_folders(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') names.push_back(folder + "/" + entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

WriteFault write_fault(const std::string& state, std::string_view path) {
    long count = count_open(state);
    for (const std::string& rule : rule_folders(state + "/android/fail/node")) {
        auto signal = file_text(rule + "/signal");
        auto error = file_text(rule + "/error");
        if (!signal && !error) continue;
        auto call = file_text(rule + "/call");
        if (call && (call->ends_with('+') ? count < number(*call) : count != number(*call))) continue;
        auto match = file_text(rule + "/match");
        if (match && path.find(*match) == std::string_view::npos) continue;
        return {signal ? static_cast<int>(number(*signal)) : 0, error ? static_cast<int>(number(*error)) : 0};
    }
    return {};
}

}  // namespace kernelfs
