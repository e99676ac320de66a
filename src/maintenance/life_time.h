// Wear of flash storage as UFS and eMMC report it: life-time estimation codes,
// the two banks they fill, and the verdicts drawn from them. Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// The percentage of life left for a life-time code, "0x00" to "0x0A" matched
// exactly (case included: only "0x0A" gives 10); every other text gives 0.
uint8_t life_time_percent(std::string_view code);

enum class Bank { a, b, none };

// The bank a life-time node of the fixed scan feeds, judged by its path:
// "estimation_a"/"lifetimeA" give A, "estimation_b"/"lifetimeB"/"life_time_b"
// give B, any other "life_time" gives A, anything else none.
Bank bank_of_node(std::string_view path);

// Bank A (Data) and bank B (System); an empty code means none found yet.
struct LifeBanks {
    std::string a;
    std::string b;

    // Stores `code` in `bank` unless that bank already holds one.
    void fill(Bank bank, std::string_view code);
    // Stores `code` in A if it is empty, else in B if it is empty.
    void fill_first_empty(std::string_view code);
    bool any_empty() const { return a.empty() || b.empty(); }
};

// The code, or "N/A" when the bank holds none.
std::string_view bank_text(const std::string& code);

// The floor of the mean of both banks' percentages, the one bank's when only
// one holds a code, 0 when none does.
uint8_t average_life(const LifeBanks& banks);

// The three lines of the wear verdict: VERDICT, REASON and ACTION.
struct WearVerdict {
    std::string verdict;
    std::string reason;
    std::string action;
};
WearVerdict wear_verdict(const LifeBanks& banks);

// The PERFORMANCE line for the write and read times of the I/O test.
std::string_view performance_verdict(uint64_t write_ms, uint64_t read_ms);

}  // namespace korvane
