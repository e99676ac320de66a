// Reading the output of `cmd device_config list NAMESPACE`.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace korvane {

// Key to value, for the keys of one device_config namespace.
using ConfigValues = std::map<std::string, std::string, std::less<>>;

// One "KEY=VALUE" line per key, split at the first "=": the key trimmed, the
// value as printed (only the line end dropped). Lines without "=" or with an
// empty key are skipped; a key listed twice keeps its last value.
ConfigValues parse_config_list(std::string_view listing);

}  // namespace korvane
