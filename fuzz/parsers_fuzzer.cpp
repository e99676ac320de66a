// Feeds arbitrary bytes to every parser of device and user text. The
// parsers must never crash, read out of bounds or loop; the few properties
// that hold for any input are checked as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sys/number_parse.h"
#include "sys/node.h"
#include "sys/text.h"
#include "sys/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    std::string_view text(reinterpret_cast<const char*>(data), size);

    if (auto percent = parse_percent(text); percent && text.find_first_not_of("+0123456789") != text.npos) {
        std::abort();
    }
    (void)parse_i32(text);

    auto freqs = parse_freq_list(text);
    if (!freqs.empty() && index_at_percent(freqs.size(), static_cast<uint8_t>(size)) >= freqs.size()) std::abort();

    std::string code = find_hex_code(text);
    if (!code.empty() && (code.size() != 4 || code.compare(0, 2, "0x") != 0)) std::abort();

    for (std::string_view line : split_lines(text)) {
        if (line.find('\n') != line.npos) std::abort();
    }
    (void)split_whitespace(text);
    (void)trim(text);

    if (!is_valid_utf8(utf8_lossy(text))) std::abort();
    return 0;
}
