#include "maintenance/life_time.h"

#include "os/text.h"

namespace korvane {
namespace {

struct LifeCode {
    std::string_view code;
    uint8_t percent;
};

// clang-format off
constexpr LifeCode kLifeCodes[] = {
    {"0x00", 100},
    {"0x01", 100},
    {"0x02", 90},
    {"0x03", 80},
    {"0x04", 70},
    {"0x05", 60},
    {"0x06", 50},
    {"0x07", 40},
    {"0x08", 30},
    {"0x09", 20},
    {"0x0A", 10},
};

// The first row whose minimum the average reaches applies.
struct WearLevel {
    unsigned min_average;
    std::string_view verdict;
    std::string_view reason;
    std::string_view action;
};

constexpr WearLevel kWearLevels[] = {
    {90, "EXCELLENT - Storage in pristine condition", "Both banks show minimal wear",
         "No action required - normal operation"},
    {70, "GOOD - Normal wear levels", "Moderate wear detected",
         "Monitor periodically - consider reducing write-intensive operations"},
    {40, "FAIR - Significant wear detected", "High wear levels",
         "Limit unnecessary writes - backup critical data"},
    {0,  "CRITICAL - Storage degradation imminent", "Excessive wear",
         "Immediate backup recommended - consider storage replacement"},
};

// The first row both times stay below applies; slower runs are POOR.
struct SpeedLevel {
    uint64_t below_ms;
    std::string_view line;
};

constexpr SpeedLevel kSpeedLevels[] = {
    {100,  "PERFORMANCE: EXCELLENT - Fast storage performance"},
    {300,  "PERFORMANCE: GOOD - Normal storage performance"},
    {1000, "PERFORMANCE: FAIR - Below average storage performance"},
};
// clang-format on

constexpr std::string_view kSlowStorage = "PERFORMANCE: POOR - Slow storage, potential issues";

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

void fill_if_empty(std::string& bank, std::string_view code) {
    if (bank.empty()) bank = code;
}

}  // namespace

uint8_t life_time_percent(std::string_view code) {
    for (const LifeCode& row : kLifeCodes) {
        if (row.code == code) return row.percent;
    }
    return 0;
}

Bank bank_of_node(std::string_view path) {
    if (contains(path, "estimation_a") || contains(path, "lifetimeA")) return Bank::a;
    if (contains(path, "estimation_b") || contains(path, "lifetimeB") || contains(path, "life_time_b")) return Bank::b;
    if (contains(path, "life_time")) return Bank::a;
    return Bank::none;
}

void LifeBanks::fill(Bank bank, std::string_view code) {
    if (bank == Bank::a) fill_if_empty(a, code);
    if (bank == Bank::b) fill_if_empty(b, code);
}

void LifeBanks::fill_first_empty(std::string_view code) {
    fill(a.empty() ? Bank::a : Bank::b, code);
}

std::string_view bank_text(const std::string& code) { return code.empty() ? "N/A" : std::string_view(code); }

uint8_t average_life(const LifeBanks& banks) {
    unsigned a = life_time_percent(banks.a);
    unsigned b = life_time_percent(banks.b);
    if (!banks.a.empty() && !banks.b.empty()) return static_cast<uint8_t>((a + b) / 2);
    return static_cast<uint8_t>(banks.a.empty() ? b : a);
}

WearVerdict wear_verdict(const LifeBanks& banks) {
    if (banks.a.empty() && banks.b.empty()) {
        return {"VERDICT: ERROR - Could not read NAND health sensors",
                "REASON: Health descriptor paths not found or inaccessible",
                "ACTION: Check kernel logs for storage driver errors"};
    }
    uint8_t average = average_life(banks);
    for (const WearLevel& level : kWearLevels) {
        if (average < level.min_average) continue;
        return {str_cat("VERDICT: ", level.verdict), str_cat("REASON: ", level.reason, " (", average, "% average life)"),
                str_cat("ACTION: ", level.action)};
    }
    return {};  // unreachable: the last level has no minimum
}

std::string_view performance_verdict(uint64_t write_ms, uint64_t read_ms) {
    for (const SpeedLevel& level : kSpeedLevels) {
        if (write_ms < level.below_ms && read_ms < level.below_ms) return level.line;
    }
    return kSlowStorage;
}

}  // namespace korvane
