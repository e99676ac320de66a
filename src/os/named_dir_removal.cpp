#include "os/named_dir_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os/os_error.h"
#include "os/output.h"
#include "os/unique_fd.h"

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

// Folders deeper than this below the root are not entered: far beyond any
// real cache, and it bounds the descriptors the walk holds open (one per
// level), whatever tree an app builds in its own data.
constexpr size_t kDeepestLevel = 64;

// One folder the walk is in: its descriptor, its listing and how far the
// walk got through it, and whether it goes (with all it holds) once done.
struct Level {
    UniqueFd fd;
    std::string path;
    std::string name;  // in its parent
    std::vector<Entry> entries;
    size_t next = 0;
    bool removing = false;
};

// The walk of one root: the first failure it met, and the file system it
// must not leave. It keeps its own stack of levels, so that its depth costs
// no call stack.
class Walk {
public:
    Walk(dev_t device, std::string root, RemovalCheck may_remove)
        : device_(device), root_(std::move(root)), may_remove_(may_remove) {}

    // Removes every folder named `name` below the open root folder `fd`.
    void run(UniqueFd fd, std::string_view name) {
        std::vector<Level> levels;
        enter(levels, std::move(fd), root_, "", false);
        while (!levels.empty()) {
            Level& level = levels.back();
            if (level.next == level.entries.size()) {
                const Level done = std::move(level);
                levels.pop_back();
                if (done.removing) remove_entry(levels.back().fd.get(), done.name, done.path, AT_REMOVEDIR);
                continue;
            }
            const Entry entry = level.entries[level.next++];
            const std::string entry_path = child_path(level.path, entry.name);
            if (level.removing) {
                step_inside_removal(levels, entry, entry_path);
                continue;
            }
            if (entry.surely_no_folder) continue;
            auto child = open_folder(level.fd.get(), entry.name, entry_path);
            if (!child) continue;
            const bool removing = entry.name == name;
            if (removing && !may_remove_(entry_path)) continue;
            if (levels.size() > kDeepestLevel) {
                skip_deep();
                continue;
            }
            enter(levels, std::move(child).value(), entry_path, entry.name, removing);
        }
    }

    const std::optional<std::string>& failure() const { return failure_; }

private:
    void enter(std::vector<Level>& levels, UniqueFd fd, const std::string& path, const std::string& name,
               bool removing) {
        std::vector<Entry> listing = entries(fd.get(), path);
        levels.push_back({std::move(fd), path, name, std::move(listing), 0, removing});
    }

    // One entry of a folder being removed: a file or a link goes as it is (a
    // link's target is never reached, and a folder put in its place since the
    // listing fails with EISDIR); a folder is entered and goes when emptied.
    void step_inside_removal(std::vector<Level>& levels, const Entry& entry, const std::string& entry_path) {
        const int fd = levels.back().fd.get();
        if (entry.surely_no_folder) {
            remove_entry(fd, entry.name, entry_path, 0);
            return;
        }
        UniqueFd child(::openat(fd, entry.name.c_str(), kFolderFlags));
        if (!child.valid()) {
            int err = errno;
            if (not_a_folder(err)) {
                remove_entry(fd, entry.name, entry_path, 0);
            } else {
                fail(entry_path, err);
            }
            return;
        }
        // A mount inside stays whole: its removal fails (EBUSY).
        if (!same_device(child.get(), entry_path)) {
            remove_entry(fd, entry.name, entry_path, AT_REMOVEDIR);
            return;
        }
        if (levels.size() > kDeepestLevel) {
            skip_deep();
            // An empty one can go without being entered.
            remove_entry(fd, entry.name, entry_path, AT_REMOVEDIR);
            return;
        }
        enter(levels, std::move(child), entry_path, entry.name, true);
    }

    void skip_deep() {
        if (skipped_deep_) return;
        skipped_deep_ = true;
        out("[WARN] Skipped folders deeper than ", kDeepestLevel, " levels under ", root_);
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
        if (::unlinkat(fd, entry.c_str(), flags) == 0 || errno == ENOENT) return;
        // What was left below the depth limit keeps its folders: said once already.
        if (errno == ENOTEMPTY && skipped_deep_) return;
        fail(entry_path, errno);
    }

    void fail(const std::string& path, int err) {
        if (!failure_) failure_ = path + ": " + os_error_text(err);
    }

    dev_t device_;
    std::string root_;
    RemovalCheck may_remove_;
    bool skipped_deep_ = false;
    std::optional<std::string> failure_;
};

}  // namespace

Result<void> remove_named_dirs(const std::string& root, std::string_view name, RemovalCheck may_remove) {
    UniqueFd fd(::open(root.c_str(), kFolderFlags));
    if (!fd.valid()) return error(root + ": " + os_error_text(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return error(root + ": " + os_error_text(errno));
    Walk walk(st.st_dev, root, may_remove);
    walk.run(std::move(fd), name);
    if (walk.failure()) return error(*walk.failure());
    return success();
}

}  // namespace korvane
