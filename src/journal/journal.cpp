#include "journal/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>

#include "journal/korvane_files.h"
#include "os/clock.h"
#include "os/node.h"
#include "os/os_error.h"
#include "os/output.h"
#include "os/text.h"
#include "os/time_limits.h"
#include "os/unique_fd.h"
#include "os/write_all.h"

namespace korvane {
namespace {

constexpr const char* kBootIdPath = "/proc/sys/kernel/random/boot_id";

// The journal as this process holds it: open, locked, read once.
struct OpenJournal {
    std::string path;  // a test may move the folder between uses
    UniqueFd fd;
    std::vector<JournalRecord> records;
    bool torn_end = false;  // the file ends in a line without its newline
    // korvane's latest value per target (value_key), as the journal holds it
    std::map<std::string, JournalRecord> values;
    bool unsynced = false;  // records appended and not yet flushed
};

// Set lines that a later set line of the same target made stale, kept until
// there are this many: then the first recording run drops them.
constexpr size_t kMostStaleValues = 256;


// The same value of the same target; a node's identity may differ between
// mounts of one file system.
bool same_value(const JournalRecord& a, const JournalRecord& b) {
    if (a.node && b.node) return a.node->content == b.node->content && a.node->mode == b.node->mode;
    return a.state && b.state && a.state->value == b.state->value;
}

// The indexes of the set lines that a later one for the same target replaced.
std::vector<bool> stale_values(const std::vector<JournalLine>& lines) {
    std::vector<bool> stale(lines.size(), false);
    std::map<std::string, size_t> latest;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].record || !lines[i].record->korvane_value) continue;
        auto [at, fresh] = latest.try_emplace(value_key(*lines[i].record), i);
        if (!fresh) {
            stale[at->second] = true;
            at->second = i;
        }
    }
    return stale;
}

std::optional<OpenJournal> g_journal;

// Why the journal at `path` cannot be kept; set once, never retried: a
// command of many rows neither waits for the lock again nor says why twice.
struct Failure {
    std::string path;
    JournalFailure failure;
    std::string error;  // as the first failing call returned it
};
std::optional<Failure> g_failure;

constexpr unsigned kLockPollMs = 50;

Error journal_error(int err) { return error(journal_path() + ": " + os_error_text(err)); }

std::string busy_line() { return "Another korvane run holds the journal at " + journal_path(); }

// Remembers why the journal cannot be kept and passes the error on.
Error fail(Error e, bool busy = false) {
    std::string line = busy ? busy_line() : str_cat("Cannot keep the undo journal at ", journal_path(), ": ", [&] {
        // The cause alone: the line names the journal itself.
        std::string prefix = journal_path() + ": ";
        return e.text.starts_with(prefix) ? e.text.substr(prefix.size()) : e.text;
    }(), "; nothing was changed");
    g_failure = Failure{journal_path(), {busy, std::move(line)}, e.text};
    return e;
}

// Takes the exclusive lock, waiting for another run at most the time limit;
// says once that it waits. Returns 0, the errno of a failing flock, or
// EWOULDBLOCK when the wait ran out.
int lock_waiting(int fd) {
    static std::string told;  // the journal it was said for
    const uint64_t deadline = monotonic_ns() + uint64_t{lock_time_limit_s()} * 1000000000u;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return errno;
        if (monotonic_ns() >= deadline) return EWOULDBLOCK;
        if (told != journal_path()) {
            told = journal_path();
            out("[INFO] Waiting for another korvane run to finish...");
        }
        sleep_ms(kLockPollMs);
    }
}

// Opens and locks the journal. A lock won on a file that a concurrent undo
// renamed away in the meantime is worthless: then the new file is opened.
// Where the journal is missing and `create`, makes korvane's folder as
// needed and the journal.
Result<UniqueFd> open_locked(bool create) {
    const std::string path = journal_path();
    for (;;) {
        bool created = false;
        // The journal is there on all but the first run: opened with no
        // look at its folder first.
        int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && create && (errno == ENOENT || errno == ENOTDIR)) {
            if (auto folder = ensure_korvane_folder(); !folder) return Error{folder.error()};
            fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            created = fd >= 0;
            if (fd < 0 && errno == EEXIST) continue;  // another run made it meanwhile
        }
        if (fd < 0) {
            if (errno == ENOENT && !create) return UniqueFd();
            return journal_error(errno);
        }
        UniqueFd owner(fd);
        if (created) {
            if (auto synced = sync_folder(korvane_folder()); !synced) return Error{synced.error()};
        }
        if (int err = lock_waiting(fd); err == EWOULDBLOCK) {
            return error(busy_line());
        } else if (err != 0) {
            return journal_error(err);
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) != 0) return journal_error(errno);
        if (::stat(path.c_str(), &named) == 0 && named.st_ino == held.st_ino && named.st_dev == held.st_dev) {
            return owner;
        }
    }
}

Result<std::string> read_all(int fd) {
    std::string content;
    char buffer[4096];
    for (off_t offset = 0;;) {
        ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return journal_error(errno);
        }
        if (n == 0) return content;
        content.append(buffer, static_cast<size_t>(n));
        offset += n;
    }
}

std::vector<JournalLine> parse_lines(std::string_view content) {
    std::vector<JournalLine> lines;
    size_t number = 0;
    for (size_t start = 0; start < content.size();) {
        size_t end = content.find('\n', start);
        ++number;
        if (end == std::string_view::npos) {
            // A crash in the middle of an append: the change it guards was never made.
            lines.push_back({number, std::string(content.substr(start)), error("torn line")});
            break;
        }
        std::string_view text = content.substr(start, end - start);
        // An empty line holds nothing: it ended a torn one that held nothing either.
        if (!text.empty()) lines.push_back({number, std::string(text), parse_record(text)});
        start = end + 1;
    }
    return lines;
}

Result<void> replace_journal(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return replace_file(journal_path(), text, 0600);
}

std::optional<JournalFailure> failure_here() {
    if (g_failure && g_failure->path == journal_path()) return g_failure->failure;
    return std::nullopt;
}

Result<OpenJournal*> open_journal(JournalOpen how) {
    if (g_journal && g_journal->path == journal_path()) return &*g_journal;
    if (g_failure && g_failure->path == journal_path()) return error(g_failure->error);
    const bool create = how == JournalOpen::create;
    for (bool compacted = false;;) {
        auto fd = open_locked(create);
        if (!fd) return fail(Error{fd.error()}, fd.error() == busy_line());
        if (!fd->valid()) {
            // Nothing recorded yet, and a preview creates nothing.
            static OpenJournal none;
            none = OpenJournal{};
            return &none;
        }
        auto content = read_all(fd->get());
        if (!content) return fail(Error{content.error()});
        std::vector<JournalLine> lines = parse_lines(*content);
        // The kernel reset the nodes of an earlier boot, so their records are
        // no originals; left in place, a mode applied at every boot would grow
        // the journal by its nodes at each boot. Dropped once, before this
        // run records anything; then the new file is opened and locked (a
        // failed replacement leaves the old one, whose stale records
        // journal_holds passes over).
        const std::vector<bool> stale = stale_values(lines);
        const bool too_stale = static_cast<size_t>(std::count(stale.begin(), stale.end(), true)) > kMostStaleValues;
        std::vector<std::string> kept;
        for (size_t i = 0; i < lines.size(); ++i) {
            const JournalLine& line = lines[i];
            if (too_stale && stale[i]) continue;
            if (!line.record || !of_an_earlier_boot(*line.record)) kept.push_back(line.text);
        }
        if (create && !compacted && kept.size() < lines.size()) {
            compacted = true;
            (void)replace_journal(kept);
            continue;
        }
        OpenJournal journal{journal_path(), std::move(fd).value(), {}, !content->empty() && content->back() != '\n', {}};
        for (JournalLine& line : lines) {
            if (!line.record) continue;
            // korvane's own values are no originals, nor are a session's.
            if (line.record->session) continue;
            if (line.record->korvane_value) {
                journal.values.insert_or_assign(value_key(*line.record), *line.record);
            } else {
                journal.records.push_back(std::move(line.record).value());
            }
        }
        g_journal = std::move(journal);
        return &*g_journal;
    }
}

}  // namespace

const std::string& journal_path() {
    static std::string folder;
    static std::string path;
    if (folder != korvane_folder()) {
        folder = korvane_folder();
        path = korvane_file("journal");
    }
    return path;
}

std::string value_key(const JournalRecord& record) {
    if (!record.node) return record.target_text();
    const NodeOriginal& node = *record.node;
    // A file system mounted anew gets another device number; the inode and
    // the node's name still tell the links to one node from other nodes.
    if (!node.id.known()) return str_cat("node ", node.boot_id, " ", node.path);
    return str_cat("node ", node.boot_id, " ", node.id.inode, " ", node.path.substr(node.path.rfind('/') + 1));
}

const std::string& current_boot_id() {
    static const std::string id = [] {
        auto text = read_node(kBootIdPath);
        return text ? std::string(trim(*text)) : std::string();
    }();
    return id;
}

bool of_an_earlier_boot(const JournalRecord& record) {
    // An unknown boot is never a new one: dropping records on a guess would
    // lose the undo of nodes the kernel never reset. "unknown" is how earlier
    // versions wrote a record without a boot.
    auto known = [](const std::string& id) { return !id.empty() && id != "unknown"; };
    // A session's node is judged by what it shows when the session is closed.
    return record.node && !record.session && known(record.node->boot_id) && known(current_boot_id()) &&
           record.node->boot_id != current_boot_id();
}

Result<std::optional<JournalRecord>> journal_held(const JournalRecord& record, JournalOpen open) {
    using Held = std::optional<JournalRecord>;
    if (open == JournalOpen::if_open && (!g_journal || g_journal->path != journal_path())) return Held();
    auto journal = open_journal(open);
    if (!journal) return Error{journal.error()};
    for (const JournalRecord& held : (*journal)->records) {
        if (held.same_target(record) && !of_an_earlier_boot(held)) return Held(held);
    }
    return Held();
}

Result<bool> journal_holds(const JournalRecord& record, JournalOpen open) {
    auto held = journal_held(record, open);
    if (!held) return Error{held.error()};
    return held->has_value();
}

Result<void> journal_append(const std::vector<JournalRecord>& records) {
    if (records.empty()) return success();
    if (g_failure && g_failure->path == journal_path()) return error(g_failure->error);
    auto opened = open_journal(JournalOpen::create);
    if (!opened) return Error{opened.error()};
    OpenJournal& journal = **opened;
    std::string lines;
    // A torn line is ended first, so that it stays one unreadable line.
    if (journal.torn_end) lines += '\n';
    for (const JournalRecord& record : records) lines += format_record(record) + "\n";
    if (int err = write_all(journal.fd.get(), lines); err != 0) {
        journal.torn_end = true;  // part of the lines may have reached the file
        return fail(journal_error(err));
    }
    journal.torn_end = false;
    journal.unsynced = true;
    journal.records.insert(journal.records.end(), records.begin(), records.end());
    return success();
}

Result<void> journal_sync() {
    if (!g_journal || !g_journal->unsynced) return success();
    // fdatasync carries the appended bytes and the new size, all a reader
    // needs, without waiting for the times to be written as well.
    while (::fdatasync(g_journal->fd.get()) != 0) {
        if (errno != EINTR) return fail(journal_error(errno));
    }
    g_journal->unsynced = false;
    return success();
}

std::optional<JournalFailure> journal_failure() { return failure_here(); }

namespace {
// korvane's values of this run, the latest per target last; written once.
std::vector<JournalRecord>& noted_values() {
    static std::vector<JournalRecord> values;
    return values;
}
}  // namespace

void journal_note_value(JournalRecord record) {
    record.korvane_value = true;
    noted_values().push_back(std::move(record));
}

Result<void> journal_write_values() {
    std::vector<JournalRecord> values;
    values.swap(noted_values());
    if (values.empty() || !g_journal || g_journal->path != journal_path() || !g_journal->fd.valid()) return success();
    // Only the last value a target got in this run counts, and only when the
    // journal does not say so already: a repeated command writes nothing.
    std::string lines;
    for (size_t i = 0; i < values.size(); ++i) {
        bool later = false;
        for (size_t j = i + 1; j < values.size() && !later; ++j) {
            later = values[j].same_target(values[i]) || value_key(values[j]) == value_key(values[i]);
        }
        if (later) continue;
        auto known = g_journal->values.find(value_key(values[i]));
        if (known != g_journal->values.end() && same_value(known->second, values[i])) continue;
        g_journal->values.insert_or_assign(value_key(values[i]), values[i]);
        lines += format_record(values[i]) + "\n";
    }
    if (lines.empty()) return success();
    if (g_journal->torn_end) lines.insert(lines.begin(), '\n');
    // No flush: losing these to a crash costs only status's knowledge of them.
    if (int err = write_all(g_journal->fd.get(), lines); err != 0) {
        g_journal->torn_end = true;
        return journal_error(err);
    }
    g_journal->torn_end = false;
    return success();
}

Result<std::optional<std::vector<JournalLine>>> journal_peek() {
    using Lines = std::optional<std::vector<JournalLine>>;
    int fd;
    do {
        fd = ::open(journal_path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Lines();
        return journal_error(errno);
    }
    UniqueFd owner(fd);
    auto content = read_all(fd);
    if (!content) return Error{content.error()};
    // A line another run is appending right now is not read yet.
    std::string text = std::move(content).value();
    const size_t end = text.rfind('\n');
    text.resize(end == std::string::npos ? 0 : end + 1);
    return Lines(parse_lines(text));
}

Result<std::optional<std::vector<JournalLine>>> journal_take() {
    using Lines = std::optional<std::vector<JournalLine>>;
    // A second lock of this process's own would wait for itself.
    if (!g_journal || g_journal->path != journal_path()) {
        auto fd = open_locked(false);
        if (!fd) return fd.error() == busy_line() ? fail(Error{fd.error()}, true) : Error{fd.error()};
        if (!fd->valid()) return Lines();
        // Kept open, and so locked, until the process ends.
        g_journal = OpenJournal{journal_path(), std::move(fd).value(), {}, false, {}};
    }
    auto content = read_all(g_journal->fd.get());
    if (!content) return Error{content.error()};
    return Lines(parse_lines(*content));
}

void journal_close() {
    g_journal.reset();
    g_failure.reset();
}

Result<void> journal_replace(const std::vector<std::string>& lines) {
    auto replaced = replace_journal(lines);
    // The lock held stays on the file renamed away; the journal work is done.
    g_journal.reset();
    return replaced;
}

}  // namespace korvane
