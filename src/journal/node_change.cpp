#include "journal/node_change.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "android/runner.h"
#include "journal/change_gate.h"
#include "os/os_error.h"
#include "os/output.h"
#include "os/text.h"
#include "os/unique_fd.h"
#include "os/write_all.h"

namespace korvane {
namespace {

int chmod_retrying(const std::string& path, mode_t mode) {
    while (::chmod(path.c_str(), mode) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

// What one open-write-close did: the errno of the first failing call,
// captured before anything else can change it, or how much the node took.
struct Stored {
    int error = 0;
    size_t taken = 0;
    size_t wanted = 0;
    bool ok() const { return error == 0 && taken == wanted; }
};

std::string stored_error_text(const Stored& stored) {
    if (stored.error != 0) return os_error_text(stored.error);
    return str_cat("only ", stored.taken, " of ", stored.wanted, " bytes were taken");
}

// Writes the text in one open-write-close. A node that takes fewer bytes than
// offered (a sysctl given more values than it holds) answers a second write
// with 0 bytes forever: the short count is the outcome, never retried.
Stored store_once(const std::string& path, std::string_view text) {
    // A node this command found absent a moment ago is not looked up again.
    if (int absent = absent_node_error(path); absent != 0) return {absent, 0, text.size()};
    // No O_CREAT: on sysfs and procfs creating a missing entry fails with
    // EACCES, which would send every absent tunable to the shell fallback.
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return {errno, 0, text.size()};
    UniqueFd owner(fd);
    WriteOutcome once = write_once(fd, text);
    if (once.error != 0) return {once.error, 0, text.size()};
    if (::close(owner.release()) != 0 && errno != EINTR) return {errno, once.taken, text.size()};
    return {0, once.taken, text.size()};
}

bool is_bare_shell_word(std::string_view text) {
    if (text.empty()) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("/._,:+@%=-").find(c) != std::string_view::npos;
    });
}

// Text for inside single quotes: each quote closes, escapes and reopens.
std::string escape_single_quoted(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out;
}

// sysfs refuses to open a node without any write bit for writing, root
// included, and write_node leaves every node at 0444: give the owner its write
// bit back and retry once. Returns 0, or EACCES when the lock could not be
// undone or still holds, or the retry's other error; a failed retry puts the
// mode back as it was.
Stored write_unlocked(const std::string& path, std::string_view value) {
    const Stored refused{EACCES, 0, value.size()};
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return refused;
    mode_t mode = st.st_mode & 07777;
    if (chmod_retrying(path, mode | 0200) != 0) return refused;
    Stored stored = store_once(path, value);
    (void)chmod_retrying(path, stored.ok() ? 0444 : mode);
    return stored;
}

Result<void> write_through_shell(const std::string& path, std::string_view value) {
    out("[WARN] Permission denied for ", path, ", trying shell fallback...");
    auto shell = run_process("sh", {"-c", shell_write_command(value, path)});
    if (!shell) return error("Shell fallback execution failed for " + path + ": " + shell.error());
    if (!shell->exited_zero) return error("Shell fallback failed for " + path + ": " + shell->err);
    return success();
}

}  // namespace

std::string shell_write_command(std::string_view value, std::string_view path) {
    // echo ends what it writes with a newline: a value that brings its own
    // leaves it to echo, so that the node gets the bytes a direct write gives
    // (kstrtoint takes one trailing newline, not two).
    if (value.ends_with('\n')) value.remove_suffix(1);
    std::string text = "echo '";
    text += escape_single_quoted(value);
    text += "' > ";
    if (is_bare_shell_word(path)) {
        text += path;
    } else {
        text += '\'';
        text += escape_single_quoted(path);
        text += '\'';
    }
    return text;
}

Result<void> write_node(const std::string& path, std::string_view value) {
    auto allowed = allow_node_write(path, value, true);
    if (!allowed) return Error{allowed.error()};
    if (!*allowed) return success();
    Stored stored = store_once(path, value);
    if (stored.ok()) {
        (void)chmod_retrying(path, 0444);  // locks the value in; failing to is harmless
        note_node_written(path, value, true);
        return success();
    }
    if (stored.error == EACCES) stored = write_unlocked(path, value);
    if (stored.ok()) {
        note_node_written(path, value, true);
        return success();
    }
    if (stored.error == EACCES) {
        auto shell = write_through_shell(path, value);
        if (shell) note_node_written(path, value, true);
        return shell;
    }
    return error("Failed to write to " + path + ": " + stored_error_text(stored));
}

Result<void> write_file(const std::string& path, std::string_view text) {
    auto allowed = allow_node_write(path, text, false);
    if (!allowed) return Error{allowed.error()};
    if (!*allowed) return success();
    Stored stored = store_once(path, text);
    if (!stored.ok()) return error(stored_error_text(stored));
    note_node_written(path, text, false);
    return success();
}

Result<void> put_node_back(const std::string& path, std::optional<std::string_view> content, mode_t mode) {
    if (content) {
        auto allowed = allow_node_write(path, *content, false);
        if (!allowed) return Error{allowed.error()};
        Stored stored = *allowed ? store_once(path, *content) : Stored{};
        if (stored.error == EACCES) stored = write_unlocked(path, *content);
        if (!stored.ok()) return error(stored_error_text(stored));
    }
    // Only when it differs: /proc/sys refuses every chmod, even to the same mode.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return error(os_error_text(errno));
    if ((st.st_mode & 07777) == mode) return success();
    return change_mode(path, mode);
}

Result<void> change_mode(const std::string& path, mode_t mode) {
    auto allowed = allow_mode_change(path, mode);
    if (!allowed) return Error{allowed.error()};
    if (!*allowed) return success();
    if (int err = chmod_retrying(path, mode); err != 0) return error(os_error_text(err));
    note_node_mode(path, mode);
    return success();
}

Result<void> remove_file(const std::string& path) {
    if (!allow_removal(path)) return success();
    if (::unlink(path.c_str()) != 0) return error(os_error_text(errno));
    return success();
}

}  // namespace korvane
