#include "os/utf8.h"

#include <cstdint>

namespace korvane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the valid sequence starting at `i`, or 0 with `subpart` set to the
// number of bytes that form the maximal invalid prefix to replace.
size_t valid_sequence_length(std::string_view s, size_t i, size_t& subpart) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    uint8_t lead = byte(i);
    subpart = 1;
    if (lead < 0x80) return 1;
    size_t need;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    for (size_t k = 1; k < need; ++k) {
        if (i + k >= s.size()) return 0;
        uint8_t b = byte(i + k);
        uint8_t min = k == 1 ? lo : 0x80;
        uint8_t max = k == 1 ? hi : 0xBF;
        if (b < min || b > max) return 0;
        subpart = k + 1;
    }
    return need;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        size_t subpart;
        size_t n = valid_sequence_length(bytes, i, subpart);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string utf8_lossy(std::string_view bytes) {
    if (is_valid_utf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 8);
    size_t i = 0;
    while (i < bytes.size()) {
        size_t subpart;
        size_t n = valid_sequence_length(bytes, i, subpart);
        if (n == 0) {
            out.append(kReplacement);
            i += subpart;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

}  // namespace korvane
