// korvane's own files on the phone: the folder that holds the journal of
// original values and the stored boot mode, and the careful way to replace
// a whole file there.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "os/result.h"

namespace korvane {

// "/data/adb/korvane", where root managers keep module data.
const std::string& korvane_folder();
// Moves the folder, for tests on temporary paths.
void set_korvane_folder(std::string folder);
// A file in the folder.
std::string korvane_file(std::string_view name);

// Creates the folder with mode 0700 when it is missing, and its parent
// (/data/adb) as well, 0700, when that is missing too; each new entry's
// parent is synced so that it survives a power cut.
Result<void> ensure_korvane_folder();

// Flushes a folder's entries (a new or renamed file) to disk.
Result<void> sync_folder(const std::string& folder);

// Replaces the file at `path` with `text`: a new file beside it, synced, then
// renamed over it and the folder synced, so that a crash leaves either the
// old file or the new one. The error is "<path>: <operating-system error>".
Result<void> replace_file(const std::string& path, std::string_view text, mode_t mode);

// Stores `text` as the folder's file `name` (mode 0600, replaced whole,
// the folder created when missing). In a dry run only says so.
Result<void> store_file(std::string_view name, std::string_view text);

// The folder's file `name`, read without following a final link; nothing
// when it is missing or cannot be read.
std::optional<std::string> read_stored_file(std::string_view name);

// Removes the folder's file `name`; a missing file is fine. In a dry run
// only says so.
Result<void> remove_stored_file(std::string_view name);

}  // namespace korvane
