// Every unit test runs with korvane's own folder in a temporary directory:
// the primitives record originals there, never in this machine's /data/adb.
#include <gtest/gtest.h>

#include "sys/korvane_files.h"
#include "temp_dir.h"

namespace korvane {
namespace {

class KorvaneFolderInTemp : public ::testing::Environment {
public:
    void SetUp() override { set_korvane_folder(dir_.file("korvane")); }

private:
    testing::TempDir dir_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new KorvaneFolderInTemp);

}  // namespace
}  // namespace korvane
