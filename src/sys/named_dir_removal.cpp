#include "sys/named_dir_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "sys/journal/change_gate.h"
#include "sys/os_error.h"
#include "sys/unique_fd.h"

namespace korvane {
namespace {

// A folder reached from its parent's descriptor: a link in its place fails
// (O_NOFOLLOW: ENOTDIR or ELOOP), and so does a file (O_DIRECTORY: ENOTDIR).
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string child_path(const std::string& parent, std::string_view name) {
    return parent.ends_with('/') ? parent + std::string(name) : parent + "/" + std::string(name);
}

bool not_a_folder(int err) { return err == ENOTDIR || err == ELOOP; }

struct Entry {
    std::string name;
    // The listing says it is no folder. Only a hint: the entry may change
    // before it is reached, so every step checks again on its own.
    bool surely_no_folder = false;
};

// The walk of one root: the first failure it met, and the file system it
// must not leave.
class Walk {
public:
    explicit Walk(dev_t device) : device_(device) {}

    // Looks for `name` below the open folder `fd` at `path`.
    void search(int fd, const std::string& path, std::string_view name) {
        for (const Entry& entry : entries(fd, path)) {
            if (entry.surely_no_folder) continue;
            const std::string entry_path = child_path(path, entry.name);
            auto child = open_folder(fd, entry.name, entry_path);
            if (!child) continue;
            if (entry.name != name) {
                search(child->get(), entry_path, name);
            } else if (allow_removal(entry_path)) {
                empty(child->get(), entry_path);
                remove_entry(fd, entry.name, entry_path, AT_REMOVEDIR);
            }
        }
    }

    const std::optional<std::string>& failure() const { return failure_; }

private:
    // Removes everything inside the open folder `fd`.
    void empty(int fd, const std::string& path) {
        for (const Entry& entry : entries(fd, path)) {
            const std::string entry_path = child_path(path, entry.name);
            // A file or a link goes as it is: a link's target is never reached,
            // and a folder put in its place since the listing fails (EISDIR).
            if (entry.surely_no_folder) {
                remove_entry(fd, entry.name, entry_path, 0);
                continue;
            }
            UniqueFd child(::openat(fd, entry.name.c_str(), kFolderFlags));
            if (!child.valid()) {
                int err = errno;
                if (not_a_folder(err)) {
                    remove_entry(fd, entry.name, entry_path, 0);
                } else {
                    fail(entry_path, err);
                }
                continue;
            }
            // A mount inside stays whole: its removal fails (EBUSY) below.
            if (same_device(child.get(), entry_path)) empty(child.get(), entry_path);
            remove_entry(fd, entry.name, entry_path, AT_REMOVEDIR);
        }
    }

    // The folder `entry` of `fd`, or nothing for a file, a link, another file
    // system or a failure (noted).
    std::optional<UniqueFd> open_folder(int fd, const std::string& entry, const std::string& entry_path) {
        UniqueFd child(::openat(fd, entry.c_str(), kFolderFlags));
        if (!child.valid()) {
            int err = errno;
            if (!not_a_folder(err)) fail(entry_path, err);
            return std::nullopt;
        }
        if (!same_device(child.get(), entry_path)) return std::nullopt;
        return child;
    }

    bool same_device(int fd, const std::string& path) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            fail(path, errno);
            return false;
        }
        return st.st_dev == device_;
    }

    // The names in the folder, read whole before any is removed.
    std::vector<Entry> entries(int fd, const std::string& path) {
        std::vector<Entry> names;
        UniqueFd own(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
        if (!own.valid()) {
            fail(path, errno);
            return names;
        }
        DIR* dir = ::fdopendir(own.get());
        if (dir == nullptr) {
            fail(path, errno);
            return names;
        }
        own.release();
        // The duplicate shares the offset: start from the top whatever was read before.
        ::rewinddir(dir);
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            std::string_view entry_name = entry->d_name;
            if (entry_name != "." && entry_name != "..") {
                names.push_back({std::string(entry_name), entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN});
            }
            errno = 0;
        }
        if (int err = errno; err != 0) fail(path, err);
        ::closedir(dir);
        return names;
    }

    void remove_entry(int fd, const std::string& entry, const std::string& entry_path, int flags) {
        if (::unlinkat(fd, entry.c_str(), flags) != 0 && errno != ENOENT) fail(entry_path, errno);
    }

    void fail(const std::string& path, int err) {
        if (!failure_) failure_ = path + ": " + os_error_text(err);
    }

    dev_t device_;
    std::optional<std::string> failure_;
};

}  // namespace

Result<void> remove_named_dirs(const std::string& root, std::string_view name) {
    UniqueFd fd(::open(root.c_str(), kFolderFlags));
    if (!fd.valid()) return error(root + ": " + os_error_text(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return error(root + ": " + os_error_text(errno));
    Walk walk(st.st_dev);
    walk.search(fd.get(), root, name);
    if (walk.failure()) return error(*walk.failure());
    return success();
}

}  // namespace korvane
