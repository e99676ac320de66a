// Every unit test runs with korvane's own folder in a temporary directory:
// the primitives record originals there, never in this machine's /data/adb.
// Tools are found through PATH, where the tests put their own.
#include <gtest/gtest.h>

#include "android/runner.h"
#include "journal/korvane_files.h"
#include "temp_dir.h"

namespace korvane {
namespace {

class KorvaneFolderInTemp : public ::testing::Environment {
public:
    void SetUp() override {
        set_korvane_folder(dir_.file("korvane"));
        // This machine's tools stand where its PATH says, not where Android's do.
        find_tools_through_path_for_tests();
    }

private:
    testing::TempDir dir_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new KorvaneFolderInTemp);

}  // namespace
}  // namespace korvane
