#include "os/foreign_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "os/os_error.h"
#include "os/text.h"
#include "os/unique_fd.h"
#include "os/utf8.h"

namespace korvane {
namespace {

ForeignFile ignored(std::string why) { return {ForeignFile::Outcome::ignored, std::move(why)}; }
ForeignFile failed(int err) { return {ForeignFile::Outcome::failed, os_error_text(err)}; }

}  // namespace

ForeignFile read_foreign_file(const std::string& path, size_t max_bytes, FileOwner owner) {
    int raw;
    do {
        raw = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (raw < 0 && errno == EINTR);
    if (raw < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        if (errno == ELOOP) return ignored("it is a symbolic link");
        return failed(errno);
    }
    UniqueFd fd(raw);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return failed(errno);
    if (S_ISDIR(st.st_mode)) return failed(EISDIR);
    if (!S_ISREG(st.st_mode)) return ignored("it is not a regular file");
    if (st.st_uid != 0 && st.st_uid != owner.uid) {
        return ignored(str_cat("it is owned by uid ", st.st_uid, ", neither root nor ", owner.name));
    }
    const std::string too_large = str_cat("it is larger than ", max_bytes / 1024, " KiB");
    if (static_cast<unsigned long long>(st.st_size) > max_bytes) return ignored(too_large);
    // One byte past the bound tells a file that grew since fstat.
    std::string content(max_bytes + 1, '\0');
    size_t got = 0;
    while (got < content.size()) {
        ssize_t n = ::read(fd.get(), content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(errno);
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    if (got > max_bytes) return ignored(too_large);
    content.resize(got);
    if (!is_valid_utf8(content)) return {ForeignFile::Outcome::failed, "stream did not contain valid UTF-8"};
    return {ForeignFile::Outcome::text, std::move(content)};
}

}  // namespace korvane
