#include "config/config.h"

#include "config/config_reader.h"
#include "sys/node.h"
#include "sys/output.h"

namespace korvane {
namespace {

// Tried in this order: the plug-in folder of the shell user first.
constexpr const char* kConfigPaths[] = {
    "/data/user_de/0/com.android.shell/quelix/plugins/korvane/.config/config.json",
    "/data/adb/.config/korvane/config.json",
};

}  // namespace

KorvaneConfig load_config() {
    for (const char* path : kConfigPaths) {
        if (!path_exists(path)) continue;
        auto text = read_node(path);
        if (!text) {
            out("[ERROR] Failed to read config ", path, ": ", text.error());
            continue;
        }
        auto config = parse_config(*text);
        if (!config) {
            // A broken file is a mistake to show, not a reason to try the next one.
            out("[ERROR] Failed to parse config ", path, ": ", config.error());
            out("[INFO] Using default configuration");
            return {};
        }
        out("[INFO] Loaded config from ", path);
        return *config;
    }
    out("[INFO] No valid config found, using defaults");
    return {};
}

}  // namespace korvane
