#include "watch/watch_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "journal/korvane_files.h"
#include "journal/node_change.h"
#include "os/output.h"
#include "os/unique_fd.h"
#include "os/write_all.h"

namespace korvane {

std::string_view log_kept(std::string_view text, size_t adding, size_t limit) {
    if (text.size() + adding <= limit) return text;
    size_t from = text.size() - std::min(text.size(), limit / 2);
    // Only whole lines: from the first line start at or after the cut.
    if (from > 0 && text[from - 1] != '\n') {
        size_t newline = text.find('\n', from);
        from = newline == std::string_view::npos ? text.size() : newline + 1;
    }
    std::string_view kept = text.substr(from);
    if (kept.size() + adding > limit) return {};
    return kept;
}

void watch_line(std::string_view line) {
    print_line(line);
    if (!ensure_korvane_folder()) return;
    const std::string path = korvane_file("watch.log");
    const std::string text = std::string(line) + "\n";
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    UniqueFd log(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    if (static_cast<size_t>(st.st_size) + text.size() > kWatchLogLimit) {
        auto old = read_node(path);
        std::string kept(old ? log_kept(*old, text.size(), kWatchLogLimit) : std::string_view());
        (void)replace_file(path, kept + text, 0600);
        return;
    }
    (void)write_all(fd, text);
}

}  // namespace korvane
