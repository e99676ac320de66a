#include "sys/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "sys/korvane_files.h"
#include "sys/node.h"
#include "sys/os_error.h"
#include "sys/text.h"
#include "sys/unique_fd.h"
#include "sys/write_all.h"

namespace korvane {
namespace {

constexpr const char* kBootIdPath = "/proc/sys/kernel/random/boot_id";

// The journal as this process holds it: open, locked, read once.
struct OpenJournal {
    std::string path;  // a test may move the folder between uses
    UniqueFd fd;
    std::vector<JournalRecord> records;
    bool torn_end = false;  // the file ends in a line without its newline
};

std::optional<OpenJournal> g_journal;

Error journal_error(int err) { return error(journal_path() + ": " + os_error_text(err)); }

// Opens and locks the journal. A lock won on a file that a concurrent undo
// renamed away in the meantime is worthless: then the new file is opened.
Result<UniqueFd> open_locked(bool create) {
    const std::string path = journal_path();
    for (;;) {
        bool created = false;
        int fd = -1;
        if (create) {
            fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            created = fd >= 0;
        }
        if (fd < 0 && (!create || errno == EEXIST)) fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT && !create) return UniqueFd();
            return journal_error(errno);
        }
        UniqueFd owner(fd);
        if (created) {
            if (auto synced = sync_folder(korvane_folder()); !synced) return Error{synced.error()};
        }
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) return journal_error(errno);
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

bool of_an_earlier_boot(const JournalRecord& record) {
    return record.node && record.node->boot_id != current_boot_id();
}

Result<OpenJournal*> open_journal() {
    if (g_journal && g_journal->path == journal_path()) return &*g_journal;
    if (auto folder = ensure_korvane_folder(); !folder) return Error{folder.error()};
    for (bool compacted = false;;) {
        auto fd = open_locked(true);
        if (!fd) return Error{fd.error()};
        auto content = read_all(fd->get());
        if (!content) return Error{content.error()};
        std::vector<JournalLine> lines = parse_lines(*content);
        // The kernel reset the nodes of an earlier boot, so their records are
        // no originals; left in place, a mode applied at every boot would grow
        // the journal by its nodes at each boot. Dropped once, before this
        // run records anything; then the new file is opened and locked (a
        // failed replacement leaves the old one, whose stale records
        // journal_holds passes over).
        std::vector<std::string> kept;
        for (const JournalLine& line : lines) {
            if (!line.record || !of_an_earlier_boot(*line.record)) kept.push_back(line.text);
        }
        if (!compacted && kept.size() < lines.size()) {
            compacted = true;
            (void)replace_journal(kept);
            continue;
        }
        OpenJournal journal{journal_path(), std::move(fd).value(), {}, !content->empty() && content->back() != '\n'};
        for (JournalLine& line : lines) {
            if (line.record) journal.records.push_back(std::move(line.record).value());
        }
        g_journal = std::move(journal);
        return &*g_journal;
    }
}

}  // namespace

std::string journal_path() { return korvane_file("journal"); }

const std::string& current_boot_id() {
    static const std::string id = [] {
        auto text = read_node(kBootIdPath);
        return text ? std::string(trim(*text)) : std::string("unknown");
    }();
    return id;
}

Result<bool> journal_holds(const JournalRecord& record) {
    auto journal = open_journal();
    if (!journal) return Error{journal.error()};
    const auto& records = (*journal)->records;
    return std::any_of(records.begin(), records.end(), [&](const JournalRecord& held) {
        return held.same_target(record) && !of_an_earlier_boot(held);
    });
}

Result<void> journal_append(const JournalRecord& record) {
    auto opened = open_journal();
    if (!opened) return Error{opened.error()};
    OpenJournal& journal = **opened;
    std::string line = format_record(record) + "\n";
    // A torn line is ended first, so that it stays one unreadable line.
    if (journal.torn_end) line.insert(line.begin(), '\n');
    if (int err = write_all(journal.fd.get(), line); err != 0) {
        journal.torn_end = true;  // part of the line may have reached the file
        return journal_error(err);
    }
    // fdatasync carries the appended bytes and the new size, all a reader
    // needs, without waiting for the times to be written as well.
    while (::fdatasync(journal.fd.get()) != 0) {
        if (errno != EINTR) return journal_error(errno);
    }
    journal.torn_end = false;
    journal.records.push_back(record);
    return success();
}

Result<void> journal_append_all(const std::vector<JournalRecord>& records) {
    if (records.empty()) return success();
    auto opened = open_journal();
    if (!opened) return Error{opened.error()};
    OpenJournal& journal = **opened;
    std::string text = journal.torn_end ? "\n" : "";
    for (const JournalRecord& record : records) text += format_record(record) + "\n";
    if (int err = write_all(journal.fd.get(), text); err != 0) {
        journal.torn_end = true;
        return journal_error(err);
    }
    while (::fdatasync(journal.fd.get()) != 0) {
        if (errno != EINTR) return journal_error(errno);
    }
    journal.torn_end = false;
    journal.records.insert(journal.records.end(), records.begin(), records.end());
    return success();
}

Result<std::optional<std::vector<JournalLine>>> journal_take() {
    using Lines = std::optional<std::vector<JournalLine>>;
    // A second lock of this process's own would wait for itself.
    if (!g_journal || g_journal->path != journal_path()) {
        auto fd = open_locked(false);
        if (!fd) return Error{fd.error()};
        if (!fd->valid()) return Lines();
        // Kept open, and so locked, until the process ends.
        g_journal = OpenJournal{journal_path(), std::move(fd).value(), {}, false};
    }
    auto content = read_all(g_journal->fd.get());
    if (!content) return Error{content.error()};
    return Lines(parse_lines(*content));
}

Result<void> journal_replace(const std::vector<std::string>& lines) {
    auto replaced = replace_journal(lines);
    // The lock held stays on the file renamed away; the journal work is done.
    g_journal.reset();
    return replaced;
}

}  // namespace korvane
