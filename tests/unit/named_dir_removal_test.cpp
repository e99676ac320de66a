// The cache cleaner's walk on temporary trees: what goes, what stays, and
// that no link is ever followed.
#include <gtest/gtest.h>

#include <filesystem>

#include "journal/change_gate.h"
#include "os/named_dir_removal.h"
#include "temp_dir.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

class NamedDirRemoval : public ::testing::Test {
protected:
    void SetUp() override {
        // A tree like app data, and beside it a folder that must stay whole.
        for (const char* dir : {"root/app1/cache/deep/cache", "root/app1/files/cache", "root/app2/code_cache",
                                "root/cache_x", "outside/cache"}) {
            fs::create_directories(tmp_.file(dir));
        }
        for (const char* file : {"root/app1/cache/img.bin", "root/app1/cache/deep/cache/f", "root/app1/files/cache/f",
                                 "root/app2/code_cache/f", "root/app2/cache", "outside/cache/keep"}) {
            tmp_.write(file, "x");
        }
    }

    bool exists(const std::string& path) const {
        std::error_code ec;
        return fs::exists(fs::symlink_status(tmp_.file(path), ec));
    }

    TempDir tmp_;
};

TEST_F(NamedDirRemoval, RemovesEveryFolderOfTheNameAndNothingElse) {
    ASSERT_TRUE(remove_named_dirs(tmp_.file("root"), "cache", allow_removal));
    for (const char* gone : {"root/app1/cache", "root/app1/files/cache"}) EXPECT_FALSE(exists(gone)) << gone;
    // A file of the name, near names, and the folders around stay.
    for (const char* kept : {"root/app2/cache", "root/app2/code_cache/f", "root/cache_x", "root/app1/files"}) {
        EXPECT_TRUE(exists(kept)) << kept;
    }
}

TEST_F(NamedDirRemoval, TheRootItselfIsNeverRemoved) {
    ASSERT_TRUE(remove_named_dirs(tmp_.file("root/app1/cache"), "cache", allow_removal));
    EXPECT_TRUE(exists("root/app1/cache"));
    EXPECT_FALSE(exists("root/app1/cache/deep/cache"));
    EXPECT_TRUE(exists("root/app1/cache/img.bin"));
}

// Links an app could plant: a link named cache, a link to a tree holding a
// cache, and a link inside a cache. Each link may go, its target never.
TEST_F(NamedDirRemoval, LinksAreNeverFollowed) {
    const std::string outside = tmp_.file("outside");
    fs::create_directory_symlink(outside + "/cache", tmp_.file("root/app2/cache_link"));
    fs::create_directory_symlink(outside + "/cache", tmp_.file("root/app1/files/cache/into"));
    fs::create_directory_symlink(outside, tmp_.file("root/app2/tree"));
    fs::remove(tmp_.file("root/app2/cache"));
    fs::create_directory_symlink(outside + "/cache", tmp_.file("root/app2/cache"));
    fs::create_symlink(outside + "/cache/keep", tmp_.file("root/app1/cache/file_link"));

    ASSERT_TRUE(remove_named_dirs(tmp_.file("root"), "cache", allow_removal));
    EXPECT_EQ(testing::slurp(tmp_.file("outside/cache/keep")), "x");
    EXPECT_TRUE(exists("root/app2/cache"));  // a link, not a folder of the name
    EXPECT_TRUE(exists("root/app2/tree"));
    EXPECT_FALSE(exists("root/app1/files/cache"));
}

TEST_F(NamedDirRemoval, RootThatIsALinkOrMissingIsAnError) {
    fs::create_directory_symlink(tmp_.file("root"), tmp_.file("root_link"));
    auto linked = remove_named_dirs(tmp_.file("root_link"), "cache", allow_removal);
    ASSERT_FALSE(linked);
    EXPECT_EQ(linked.error(), tmp_.file("root_link") + ": Not a directory (os error 20)");
    auto missing = remove_named_dirs(tmp_.file("none"), "cache", allow_removal);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), tmp_.file("none") + ": No such file or directory (os error 2)");
    EXPECT_TRUE(exists("root/app1/cache"));
}

}  // namespace
}  // namespace korvane
