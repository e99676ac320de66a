// The journal as the primitives keep it: recorded before each first change,
// never for a change that is only shown, and locked for the whole run.
#include "journal/journal.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <cstdlib>
#include <unistd.h>

#include "journal/change_gate.h"
#include "journal/change_policy.h"
#include "journal/node_change.h"
#include "journal/tool_commands.h"
#include "journal_fixture.h"
#include "os/text.h"

namespace korvane {
namespace {

using testing::mode_of;
using testing::slurp;

class Journal : public testing::JournalFixture {};

TEST_F(Journal, OnlyTheFirstChangeOfANodeIsRecorded) {
    std::string node = dir.write("scaling_max_freq", "1800000\n", 0644);
    ASSERT_TRUE(write_node(node, "900000"));
    ASSERT_TRUE(change_mode(node, 0));
    ASSERT_TRUE(write_node(node, "300000"));
    std::vector<JournalRecord> records = journal_records();
    ASSERT_EQ(records.size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(node.c_str(), &st), 0);
    const NodeId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    EXPECT_EQ(*records[0].node, (NodeOriginal{node, current_boot_id(), 0644, "1800000\n", id}));
    EXPECT_EQ(mode_of(folder()), 0700u);
    EXPECT_EQ(mode_of(journal_path()), 0600u);
}

TEST_F(Journal, CoresSharingAPolicyAreOneTarget) {
    ::mkdir(dir.file("policy0").c_str(), 0755);
    std::string shared = dir.write("policy0/scaling_max_freq", "1800000\n");
    for (const char* core : {"cpu0", "cpu1"}) ::symlink("policy0", dir.file(core).c_str());
    ASSERT_TRUE(write_node(dir.file("cpu1/scaling_max_freq"), "900000"));
    ASSERT_TRUE(write_node(dir.file("cpu0/scaling_max_freq"), "900000"));
    std::vector<JournalRecord> records = journal_records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].node->path, shared);
    EXPECT_EQ(records[0].node->content, "1800000\n");
}

TEST_F(Journal, WhatHoldsNoReadableStateIsAnAction) {
    // Made to be written and never read: a write bit and no read bit.
    std::string node = dir.write("drop_caches", "\xFF", 0200);
    ASSERT_TRUE(write_node(node, "3"));
    EXPECT_FALSE(write_node(dir.file("absent"), "1"));
    EXPECT_EQ(slurp(journal_path()), "");  // not a line, readable or not
}

// An original that cannot be put back is no original: the change is refused
// and the node left as it was.
TEST_F(Journal, ANodeWhoseOriginalCannotBeReadIsNotChanged) {
    struct Case {
        const char* content;
        mode_t mode;
        const char* cause;
    };
    const Case cases[] = {
        {"\xFF\xFE", 0644, "stream did not contain valid UTF-8"},
        {"", 0644, "it reads empty"},
        {"", 0444, "it reads empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        std::string node = dir.write("node", c.content, c.mode);
        auto written = write_node(node, "1");
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error(), "Could not record the original of " + node + ": " + c.cause);
        EXPECT_EQ(slurp(node), c.content);
        EXPECT_EQ(mode_of(node), c.mode);
        ::unlink(node.c_str());
    }
    EXPECT_EQ(journal_records().size(), 0u);
}

// A command's targets are read first and recorded together; a target that
// cannot be recorded is refused at its own change, the others are not.
TEST_F(Journal, PlannedChangesAreRecordedBeforeTheFirstOfThem) {
    std::string a = dir.write("a", "1\n");
    std::string b = dir.write("b", "2\n");
    std::string empty = dir.write("empty", "");
    record_originals({node_change(a), node_change(dir.file("absent")), node_change(empty), node_change(b),
                      node_change(a)});
    std::vector<JournalRecord> records = journal_records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].node->content, "1\n");
    EXPECT_EQ(records[1].node->content, "2\n");
    EXPECT_EQ(slurp(a), "1\n");
    ASSERT_TRUE(write_node(b, "5"));
    ASSERT_TRUE(write_node(a, "5"));
    EXPECT_FALSE(write_node(empty, "5"));
    EXPECT_EQ(journal_records().size(), 2u);
    EXPECT_EQ(slurp(empty), "");
}

// The keys of one namespace are read with one list call and recorded with
// the nodes in one go; a key the list lacks was not set.
TEST_F(Journal, PlannedToolChangesReadANamespaceOnce) {
    const std::string log = dir.file("calls");
    ::mkdir(dir.file("bin").c_str(), 0755);
    dir.write("bin/cmd", "#!/bin/sh\necho \"$*\" >> " + log + "\necho 'b_x=9'; echo 'a=old value'\n", 0755);
    const char* old_path = std::getenv("PATH");
    const std::string saved = old_path ? old_path : "";
    ::setenv("PATH", (dir.file("bin") + ":" + saved).c_str(), 1);
    record_originals({command_change("cmd", {"device_config", "put", "ns", "a", "1"}),
                      command_change("cmd", {"device_config", "put", "ns", "b", "2"}),
                      command_change("cmd", {"device_config", "get", "ns", "a"})});
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(slurp(log), "device_config list ns\n");
    std::vector<JournalRecord> records = journal_records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].state->value, "old value");
    EXPECT_EQ(records[1].state->value, std::nullopt);
}

// A root without a manager left no /data/adb: it is made, root's own.
TEST_F(Journal, AMissingParentFolderIsMade) {
    set_korvane_folder(dir.file("adb/korvane"));
    ASSERT_TRUE(write_node(dir.write("swappiness", "60\n"), "10"));
    EXPECT_EQ(mode_of(dir.file("adb")), 0700u);
    EXPECT_EQ(mode_of(dir.file("adb/korvane")), 0700u);
    EXPECT_EQ(journal_records().size(), 1u);
}

TEST_F(Journal, ARecordOfAnEarlierBootIsNoOriginal) {
    std::string node = dir.write("swappiness", "60\n");
    JournalRecord older;
    older.node = NodeOriginal{node, "an-earlier-boot", 0644, "100\n", {}};
    write_journal("garbage\n" + format_record(older) + "\n");
    ASSERT_TRUE(write_node(node, "10"));
    // and leaves the journal, which would otherwise grow at every boot
    EXPECT_EQ(slurp(journal_path()), "garbage\n" + format_record(journal_records().at(0)) + "\n");
    EXPECT_EQ(journal_records().at(0).node->content, "60\n");
}

TEST_F(Journal, ATornLastLineIsEndedBeforeTheNextRecord) {
    write_journal("3f2a node bo");
    std::string node = dir.write("swappiness", "60\n");
    ASSERT_TRUE(write_node(node, "10"));
    const std::string content = slurp(journal_path());
    std::vector<std::string_view> lines = split_lines(content);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "3f2a node bo");
    EXPECT_TRUE(parse_record(lines[1]));
}

TEST_F(Journal, NoChangeWithoutItsOriginal) {
    std::string node = dir.write("swappiness", "60\n");
    dir.write("not_a_folder", "");
    set_korvane_folder(dir.file("not_a_folder/korvane"));
    ::testing::internal::CaptureStdout();
    auto written = write_node(node, "10");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().rfind("Could not record the original of " + node + ": " + dir.file("not_a_folder/korvane"), 0),
              0u)
        << written.error();
    EXPECT_EQ(slurp(node), "60\n");
    EXPECT_FALSE(change_mode(node, 0));
    EXPECT_EQ(mode_of(node), 0644u);
    // said once, however many changes it refuses
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "[ERROR] Cannot keep the undo journal at " + journal_path() + ": " + dir.file("not_a_folder/korvane") +
                  ": Not a directory (os error 20); nothing was changed\n");
}

TEST_F(Journal, TheLockIsHeldFromTheFirstRecordToTheEnd) {
    ASSERT_TRUE(write_node(dir.write("swappiness", "60\n"), "10"));
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd = ::open(journal_path().c_str(), O_RDONLY | O_CLOEXEC);
        ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process could take the lock";
}

// Another run holding the lock is waited for, said once, and given up on.
TEST_F(Journal, ARunWaitsForTheLockThenGivesUp) {
    ::mkdir(folder().c_str(), 0700);
    std::string journal = journal_path();
    int holder = ::open(journal.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(holder, 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::flock(holder, LOCK_EX);
        ::sleep(30);
        ::_exit(0);
    }
    ::close(holder);
    ::usleep(200000);
    ::setenv("KORVANE_LOCK_TIMEOUT", "1", 1);
    std::string node = dir.write("swappiness", "60\n");
    ::testing::internal::CaptureStdout();
    auto written = write_node(node, "10");
    EXPECT_FALSE(write_node(node, "20"));
    const std::string said = ::testing::internal::GetCapturedStdout();
    ::unsetenv("KORVANE_LOCK_TIMEOUT");
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ASSERT_FALSE(written);
    EXPECT_EQ(said, "[INFO] Waiting for another korvane run to finish...\n[ERROR] Another korvane run holds the journal at " +
                        journal + "\n");
    EXPECT_EQ(slurp(node), "60\n");
}

TEST_F(Journal, ADryRunShowsEveryChangeAndMakesNone) {
    set_change_policy(ChangePolicy::dry_run);
    std::string node = dir.write("scaling_max_freq", "1800000\n", 0644);
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(write_node(node, "900000"));
    EXPECT_TRUE(write_file(node, "0 1"));
    EXPECT_TRUE(change_mode(node, 0));
    EXPECT_TRUE(run_command("svc", {"wifi", "disable"}));
    EXPECT_EQ(run_command_output("sync", {}).value(), "");
    EXPECT_TRUE(remove_file(node));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "[DRY] write '900000' to " + node + "\n[DRY] set mode 0444 on " + node + "\n[DRY] write '0 1' to " +
                  node + "\n[DRY] set mode 0000 on " + node +
                  "\n[DRY] run svc wifi disable\n[DRY] run sync\n[DRY] remove " + node + "\n");
    EXPECT_EQ(slurp(node), "1800000\n");
    EXPECT_EQ(mode_of(node), 0644u);
    EXPECT_FALSE(path_exists(folder()));
}

}  // namespace
}  // namespace korvane
