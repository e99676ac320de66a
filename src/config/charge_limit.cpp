#include "config/charge_limit.h"

#include <nlohmann/json.hpp>

#include "config/config.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

using Json = nlohmann::json;

// clang-format off
constexpr struct {
    std::string_view key;
    uint32_t ChargeLimit::*field;
    uint32_t least;
    uint32_t most;
    bool required;
} kFields[] = {
    {"pause",       &ChargeLimit::pause,       10, 100, true},
    {"resume",      &ChargeLimit::resume,      10, 100, true},
    {"max_temp",    &ChargeLimit::max_temp,    20, 60,  false},
    {"resume_temp", &ChargeLimit::resume_temp, 20, 60,  false},
};
// clang-format on

std::string check(const Json& object, ChargeLimit& limit) {
    if (!object.is_object()) return str_cat("expected an object, found ", object.dump());
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (const auto& row : kFields) known = known || row.key == key;
        if (!known) return str_cat("unknown key \"", one_line(key), "\"");
    }
    for (const auto& row : kFields) {
        auto found = object.find(std::string(row.key));
        if (found == object.end()) {
            if (row.required) return str_cat("no ", row.key);
            continue;
        }
        // JSON's 80.5 is no whole percent or degree.
        const bool whole = found->is_number_unsigned() && found->get<uint64_t>() >= row.least &&
                           found->get<uint64_t>() <= row.most;
        if (!whole) return str_cat(row.key, " ", found->dump(), " is not a whole number from ", row.least, " to ", row.most);
        limit.*row.field = static_cast<uint32_t>(found->get<uint64_t>());
    }
    if (limit.resume >= limit.pause) return str_cat("resume ", limit.resume, " is not below pause ", limit.pause);
    if (limit.resume_temp >= limit.max_temp) {
        return str_cat("resume_temp ", limit.resume_temp, " is not below max_temp ", limit.max_temp);
    }
    return "";
}

}  // namespace

std::optional<ChargeLimitEntry> parse_charge_limit(std::string_view text) {
    Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!doc.is_object()) return std::nullopt;
    auto found = doc.find("charge_limit");
    if (found == doc.end()) return std::nullopt;
    ChargeLimit limit;
    std::string fault = check(*found, limit);
    if (!fault.empty()) return ChargeLimitEntry{std::nullopt, std::move(fault)};
    return ChargeLimitEntry{limit, ""};
}

std::optional<ChargeLimit> load_charge_limit(bool& present) {
    present = false;
    auto file = read_config_file();
    if (!file) return std::nullopt;
    auto entry = parse_charge_limit(file->text);
    if (!entry) return std::nullopt;
    present = true;
    if (!entry->limit) out("[ERROR] charge_limit: ", entry->fault);
    return entry->limit;
}

}  // namespace korvane
