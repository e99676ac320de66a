#include "operations.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <string>

#include "caller.h"
#include "cgroup_nodes.h"
#include "cpu_hotplug.h"
#include "crash_rules.h"
#include "node_class.h"
#include "node_value.h"
#include "process_nodes.h"
#include "write_log.h"

namespace kernelfs {
namespace {

const Mount& mount() { return *static_cast<const Mount*>(fuse_get_context()->private_data); }

void* init(fuse_conn_info*, fuse_config* config) {
    // nodes are read and written through the daemon every time, never from
    // the page cache: their contents are computed, and their size means nothing
    config->direct_io = 1;
    config->kernel_cache = 0;
    // a node keeps its inode number from run to run, as a kernel's does for a boot
    config->use_ino = 1;
    return fuse_get_context()->private_data;
}

// lstat of the node's backing file, as the kernel would show it.
int node_stat(const char* path, struct stat* st) {
    NodeClass node = classify(path);
    if (node == NodeClass::outside) return -ENOENT;
    if (node == NodeClass::root) {
        *st = {};
        st->st_mode = S_IFDIR | 0555;
        st->st_nlink = 2;
        return 0;
    }
    if (is_self_link(path) && lstat(mount().backing(path).c_str(), st) != 0) {
        // procfs's own link to the caller's folder, unless the state lends one
        *st = {};
        st->st_mode = S_IFLNK | 0777;
        st->st_nlink = 1;
        return 0;
    }
    if (hidden_by_hotplug(mount(), path)) return -ENOENT;
    if (lstat(mount().backing(path).c_str(), st) != 0) {
        int error = errno;
        if (!lent_host_entry(mount(), path)) return -error;
        *st = {};
        st->st_mode = S_IFLNK | 0777;
        st->st_nlink = 1;
        return 0;
    }
    if (!is_process_path(path)) {
        // a process's folder is its user's; every other node is root's
        st->st_uid = 0;
        st->st_gid = 0;
    }
    if (S_ISREG(st->st_mode)) {
        // sysfs attributes claim a page, procfs entries nothing
        st->st_size = node == NodeClass::sysfs ? 4096 : 0;
        st->st_blocks = 0;
    }
    return 0;
}

int getattr(const char* path, struct stat* st, fuse_file_info*) { return node_stat(path, st); }

int readlink(const char* path, char* buffer, size_t size) {
    if (size == 0) return -EINVAL;
    struct stat st;
    if (is_self_link(path) && lstat(mount().backing(path).c_str(), &st) != 0) {
        std::string id = std::to_string(phone_pid(fuse_get_context()->pid));
        id.copy(buffer, size - 1);
        buffer[std::min(id.size(), size - 1)] = '\0';
        return 0;
    }
    if (auto lent = lent_host_entry(mount(), path)) {
        lent->copy(buffer, size - 1);
        buffer[std::min(lent->size(), size - 1)] = '\0';
        return 0;
    }
    ssize_t n = ::readlink(mount().backing(path).c_str(), buffer, size - 1);
    if (n < 0) return -errno;
    buffer[n] = '\0';
    return 0;
}

int readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
    if (classify(path) == NodeClass::root) {
        for (const char* name : {".", "..", "sys", "proc"}) fill(buffer, name, nullptr, 0, fuse_fill_dir_flags{});
        if (::access(mount().backing("/cpuset").c_str(), F_OK) == 0) {
            fill(buffer, "cpuset", nullptr, 0, fuse_fill_dir_flags{});
        }
        return 0;
    }
    DIR* dir = opendir(mount().backing(path).c_str());
    if (dir == nullptr) return -errno;
    while (const dirent* entry = ::readdir(dir)) {
        if (hidden_by_hotplug(mount(), std::string(path) + "/" + entry->d_name)) continue;
        fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags{});
    }
    closedir(dir);
    return 0;
}

int open(const char* path, fuse_file_info* file) {
    struct stat st;
    if (int error = node_stat(path, &st); error != 0) return error;
    int access = file->flags & O_ACCMODE;
    bool write = access != O_RDONLY;
    if (write) {
        if (int signal = crash_signal(mount().state, path); signal != 0) {
            ::kill(fuse_get_context()->pid, signal);
            return -EINTR;
        }
    }
    if (int error = open_error(classify(path), st.st_mode, mount().caller, access != O_WRONLY, write); error != 0) {
        if (write) log_write(mount(), path, "", {error, 0}, fuse_get_context()->pid);
        return -error;
    }
    file->direct_io = 1;
    return 0;
}

int read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
    Text t;
    if (is_membership_file(path)) {
        t = show_members(mount(), path);
        t.text = static_cast<size_t>(offset) < t.text.size() ? t.text.substr(static_cast<size_t>(offset), size) : "";
    } else {
        t = read_node(mount(), classify(path), path, static_cast<size_t>(offset), size);
    }
    if (t.error != 0) return -t.error;
    std::memcpy(buffer, t.text.data(), t.text.size());
    return static_cast<int>(t.text.size());
}

int write(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*) {
    // each write() is one store, of what the node takes of the buffer
    std::string_view input(buffer, size);
    pid_t writer = fuse_get_context()->pid;
    Written w;
    if (is_membership_file(path)) {
        int error = move_members(mount(), path, input, phone_pid(writer));
        w = {error, error == 0 ? size : 0};
    } else if (int error = process_write_error(path, input); error != 0) {
        w = {error, 0};
    } else {
        w = write_node(mount(), classify(path), path, input, static_cast<size_t>(offset));
    }
    log_write(mount(), path, input, w, writer);
    return w.error != 0 ? -w.error : static_cast<int>(w.taken);
}

int create(const char* path, mode_t, fuse_file_info*) { return -create_error(classify(path), EACCES); }
int mknod(const char* path, mode_t, dev_t) { return -create_error(classify(path), EPERM); }
int mkdir(const char* path, mode_t) { return -create_error(classify(path), EPERM); }
int unlink(const char*) { return -kNamespaceError; }
int rmdir(const char*) { return -kNamespaceError; }
int symlink(const char*, const char* path) { return -create_error(classify(path), EPERM); }
int link(const char*, const char* path) { return -create_error(classify(path), EPERM); }
int rename(const char*, const char*, unsigned int) { return -kNamespaceError; }

int chmod(const char* path, mode_t mode, fuse_file_info*) {
    if (int error = setattr_error(classify(path), mount().caller); error != 0) return -error;
    return ::chmod(mount().backing(path).c_str(), mode & 07777) == 0 ? 0 : -errno;
}

int chown(const char* path, uid_t uid, gid_t gid, fuse_file_info*) {
    if (int error = setattr_error(classify(path), mount().caller); error != 0) return -error;
    // the backing files stay this machine's: a node's owner is always shown as root
    (void)uid;
    (void)gid;
    return 0;
}

// O_TRUNC and truncate() are accepted and change nothing: a node has no length.
int truncate(const char* path, off_t, fuse_file_info*) {
    return classify(path) == NodeClass::outside ? -ENOENT : 0;
}

int utimens(const char*, const timespec*, fuse_file_info*) { return mount().caller == 0 ? 0 : -EPERM; }

int access(const char* path, int mask) {
    struct stat st;
    if (int error = node_stat(path, &st); error != 0) return error;
    if ((mask & X_OK) != 0 && !S_ISDIR(st.st_mode) && (st.st_mode & 0111) == 0) return -EACCES;
    if (S_ISDIR(st.st_mode)) return 0;
    NodeClass node = classify(path);
    // access() asks only the inode's permission check, which root passes on
    // sysfs: the refusal of a node without write bits comes at open
    if ((node == NodeClass::sysfs || node == NodeClass::cgroup) && mount().caller == 0) return 0;
    return -open_error(node, st.st_mode, mount().caller, (mask & R_OK) != 0, (mask & W_OK) != 0);
}

fuse_operations make_operations() {
    fuse_operations ops{};
    ops.init = init;
    ops.getattr = getattr;
    ops.readlink = readlink;
    ops.readdir = readdir;
    ops.open = open;
    ops.read = read;
    ops.write = write;
    ops.create = create;
    ops.mknod = mknod;
    ops.mkdir = mkdir;
    ops.unlink = unlink;
    ops.rmdir = rmdir;
    ops.symlink = symlink;
    ops.link = link;
    ops.rename = rename;
    ops.chmod = chmod;
    ops.chown = chown;
    ops.truncate = truncate;
    ops.utimens = utimens;
    ops.access = access;
    return ops;
}

}  // namespace

const fuse_operations& operations() {
    static const fuse_operations ops = make_operations();
    return ops;
}

}  // namespace kernelfs
