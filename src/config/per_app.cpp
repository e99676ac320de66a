#include "config/per_app.h"

#include <nlohmann/json.hpp>

#include "config/config.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

using Json = nlohmann::json;

constexpr uint32_t kMostSettleMs = 60000;

// clang-format off
constexpr struct {
    std::string_view word;
    TuningProfile profile;
} kProfileWords[] = {
    {"performance", TuningProfile::performance},
    {"balanced",    TuningProfile::balanced},
    {"battery",     TuningProfile::battery},
};
// clang-format on

std::optional<TuningProfile> profile_from(const Json& value) {
    if (!value.is_string()) return std::nullopt;
    const auto& word = value.get_ref<const std::string&>();
    for (const auto& row : kProfileWords) {
        if (row.word == word) return row.profile;
    }
    return std::nullopt;
}

// An integer within [0, most]; JSON's 80.0 is no whole percent.
std::optional<uint32_t> whole_number(const Json& value, uint32_t most) {
    if (value.is_number_unsigned()) {
        auto n = value.get<uint64_t>();
        if (n <= most) return static_cast<uint32_t>(n);
    }
    return std::nullopt;
}

// A package name as Android takes it: dot-separated words of letters,
// digits and underscores; nothing that a path or a log line could misread.
bool is_package_name(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.front() == '.' || name.back() == '.') return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain && c != '.') return false;
    }
    return name.find("..") == std::string_view::npos;
}

class Reader {
public:
    explicit Reader(std::vector<std::string>& warnings) : warnings_(warnings) {}

    // A profile word alone or {"profile", "cpu_max", "gpu_max"}; `who` names
    // it in warnings.
    std::optional<AppProfile> profile(const std::string& who, const Json& value) {
        if (value.is_string()) {
            auto profile = profile_from(value);
            if (!profile) return warn(who, ": unknown profile ", value.dump());
            return AppProfile{*profile, std::nullopt, std::nullopt};
        }
        if (!value.is_object()) return warn(who, ": expected a profile word or an object, found ", value.dump());
        auto word = value.find("profile");
        if (word == value.end()) return warn(who, ": no profile");
        auto profile = profile_from(*word);
        if (!profile) return warn(who, ": unknown profile ", word->dump());
        AppProfile app{*profile, std::nullopt, std::nullopt};
        for (const auto& [key, field] : value.items()) {
            if (key == "profile") continue;
            if (key != "cpu_max" && key != "gpu_max") return warn(who, ": unknown key \"", one_line(key), "\"");
            auto percent = whole_number(field, 100);
            if (!percent) return warn(who, ": ", key, " ", field.dump(), " is not a percent from 0 to 100");
            (key == "cpu_max" ? app.cpu_max : app.gpu_max) = static_cast<uint8_t>(*percent);
        }
        return app;
    }

    template <typename... Parts>
    std::nullopt_t warn(const Parts&... parts) {
        warnings_.push_back(str_cat(parts...));
        return std::nullopt;
    }

private:
    std::vector<std::string>& warnings_;
};

}  // namespace

std::string_view profile_word(TuningProfile profile) {
    for (const auto& row : kProfileWords) {
        if (row.profile == profile) return row.word;
    }
    return "";
}

std::optional<PerAppConfig> parse_per_app(std::string_view text, std::vector<std::string>& warnings) {
    Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!doc.is_object()) return std::nullopt;
    auto found = doc.find("per_app");
    if (found == doc.end()) return std::nullopt;
    Reader reader(warnings);
    PerAppConfig config;
    if (!found->is_object()) {
        reader.warn("expected an object, found ", found->dump());
        return config;
    }
    for (const auto& [key, value] : found->items()) {
        if (key == "apps") {
            if (!value.is_object()) {
                reader.warn("apps: expected an object, found ", value.dump());
                continue;
            }
            for (const auto& [package, entry] : value.items()) {
                if (!is_package_name(package)) {
                    reader.warn("\"", one_line(package), "\" is not a package name");
                    continue;
                }
                if (auto profile = reader.profile(package, entry)) config.apps.push_back({package, *profile});
            }
        } else if (key == "screen_off") {
            config.screen_off = reader.profile("screen_off", value);
        } else if (key == "settle_ms") {
            auto ms = whole_number(value, kMostSettleMs);
            if (ms) {
                config.settle_ms = *ms;
            } else {
                reader.warn("settle_ms ", value.dump(), " is not a whole number from 0 to ", kMostSettleMs);
            }
        } else {
            reader.warn("unknown key \"", one_line(key), "\"");
        }
    }
    return config;
}

std::optional<PerAppConfig> load_per_app() {
    auto file = read_config_file();
    if (!file) return std::nullopt;
    std::vector<std::string> warnings;
    auto config = parse_per_app(file->text, warnings);
    for (const std::string& warning : warnings) out("[WARN] per_app: ", warning);
    return config;
}

}  // namespace korvane
