#include "journal/korvane_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "journal/change_gate.h"
#include "os/os_error.h"
#include "os/unique_fd.h"
#include "os/write_all.h"

namespace korvane {
namespace {

std::string g_folder = "/data/adb/korvane";

std::string parent_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

Error path_error(const std::string& path, int err) { return error(path + ": " + os_error_text(err)); }

int fsync_retrying(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

}  // namespace

const std::string& korvane_folder() { return g_folder; }

void set_korvane_folder(std::string folder) { g_folder = std::move(folder); }

std::string korvane_file(std::string_view name) { return g_folder + "/" + std::string(name); }

// Creates `folder` (0700) and syncs its parent; an existing one is fine.
Result<void> make_folder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0) {
        if (errno == EEXIST) return success();
        return path_error(folder, errno);
    }
    return sync_folder(parent_of(folder));
}

Result<void> ensure_korvane_folder() {
    if (::mkdir(g_folder.c_str(), 0700) == 0) return sync_folder(parent_of(g_folder));
    if (errno == EEXIST) return success();
    // Every root manager makes /data/adb, but another su (an engineering
    // build's adb root, a custom ROM's root) may not have: root's own 0700.
    if (errno != ENOENT) return path_error(g_folder, errno);
    if (auto parent = make_folder(parent_of(g_folder)); !parent) return parent;
    return make_folder(g_folder);
}

Result<void> sync_folder(const std::string& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return path_error(folder, errno);
    if (int err = fsync_retrying(fd.get()); err != 0) return path_error(folder, err);
    return success();
}

Result<void> replace_file(const std::string& path, std::string_view text, mode_t mode) {
    const std::string fresh = path + ".new";
    // A leftover of a crashed replacement is garbage: start it anew.
    UniqueFd fd(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd.valid()) return path_error(fresh, errno);
    if (::fchmod(fd.get(), mode) != 0) return path_error(fresh, errno);
    if (int err = write_all(fd.get(), text); err != 0) return path_error(fresh, err);
    if (int err = fsync_retrying(fd.get()); err != 0) return path_error(fresh, err);
    if (::close(fd.release()) != 0 && errno != EINTR) return path_error(fresh, errno);
    if (::rename(fresh.c_str(), path.c_str()) != 0) return path_error(path, errno);
    return sync_folder(parent_of(path));
}

Result<void> store_file(std::string_view name, std::string_view text) {
    const std::string path = korvane_file(name);
    if (!allow_file_write(path, text)) return success();
    if (auto folder = ensure_korvane_folder(); !folder) return folder;
    return replace_file(path, text, 0600);
}

std::optional<std::string> read_stored_file(std::string_view name) {
    const std::string path = korvane_file(name);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

Result<void> remove_stored_file(std::string_view name) {
    const std::string path = korvane_file(name);
    if (!allow_removal(path)) return success();
    if (::unlink(path.c_str()) != 0) return errno == ENOENT ? success() : Result<void>(path_error(path, errno));
    return sync_folder(g_folder);
}

}  // namespace korvane
