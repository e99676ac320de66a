// Any bytes as a configuration file: the reader must return a record or one
// error line ending in its position, and never crash or recurse without bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string_view>

#include "config/config_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::regex kPosition(".* at line [0-9]+ column [0-9]+");
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto config = korvane::parse_config(text);
    if (!config) {
        const std::string& message = config.error();
        if (message.find('\n') != std::string::npos || !std::regex_match(message, kPosition)) std::abort();
    }
    return 0;
}
