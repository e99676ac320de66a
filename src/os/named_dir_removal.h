// Removing folders of one name inside trees that other users own (app data,
// shared storage), as root, without giving them a way to aim the removal
// elsewhere.
#pragma once

#include <string>
#include <string_view>

#include "os/result.h"

namespace korvane {

// Removes every directory named exactly `name` below `root` (the root itself
// never), each with its whole tree. The walk holds a descriptor for every
// folder it is in and reaches each entry relative to it: a symbolic link is
// never followed (a folder swapped for a link while the walk runs is left
// alone), no other file system is entered, and no path is resolved twice.
// Folders more than 64 levels below the root are not entered (an empty one
// inside a removal still goes): "[WARN] Skipped folders deeper than 64
// levels under <root>", once.
// A part that cannot be read or removed is skipped and the walk goes on; the
// error is then the first such failure, "<path>: <operating-system error>".
// Each folder of the name is first put to `may_remove`, which leaves it
// alone by answering false (the journal's allow_removal does so in a dry
// run, printing "[DRY] remove <path>" instead).
using RemovalCheck = bool (*)(const std::string& path);
Result<void> remove_named_dirs(const std::string& root, std::string_view name, RemovalCheck may_remove);

}  // namespace korvane
