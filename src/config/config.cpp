#include "config/config.h"

#include "android/shell_user.h"
#include "config/config_reader.h"
#include "os/foreign_file.h"
#include "os/output.h"

namespace korvane {
namespace {

// Tried in this order: the plug-in folder of the shell user first.
constexpr const char* kConfigPaths[] = {
    "/data/user_de/0/com.android.shell/quelix/plugins/korvane/.config/config.json",
    "/data/adb/.config/korvane/config.json",
};

// Far more than any configuration holds.
constexpr size_t kMaxConfigBytes = 64 * 1024;

}  // namespace

std::optional<ConfigText> read_config_file() {
    for (const char* path : kConfigPaths) {
        // The first folder is the shell user's: a FIFO there would hold the
        // boot service forever, a link to /dev/zero fill root's memory.
        ForeignFile file = read_foreign_file(path, kMaxConfigBytes, kShellUser);
        if (file.outcome == ForeignFile::Outcome::absent) continue;
        if (file.outcome == ForeignFile::Outcome::ignored) {
            out("[WARN] Ignoring configuration ", path, ": ", file.text);
            continue;
        }
        if (file.outcome == ForeignFile::Outcome::failed) {
            out("[ERROR] Failed to read config ", path, ": ", file.text);
            continue;
        }
        return ConfigText{path, std::move(file.text)};
    }
    return std::nullopt;
}

KorvaneConfig load_config() {
    if (auto file = read_config_file()) {
        auto config = parse_config(file->text);
        if (!config) {
            // A broken file is a mistake to show, not a reason to try the next one.
            out("[ERROR] Failed to parse config ", file->path, ": ", config.error());
            out("[INFO] Using default configuration");
            return {};
        }
        out("[INFO] Loaded config from ", file->path);
        return *config;
    }
    out("[INFO] No valid config found, using defaults");
    return {};
}

}  // namespace korvane
