// Reading the configuration text into KorvaneConfig.
#pragma once

#include <string_view>

#include "config/config.h"
#include "os/result.h"

namespace korvane {

// Parses a JSON document into KorvaneConfig. Every record is an object, or an
// array of its fields in order; absent fields keep their defaults and unknown
// keys are skipped at any depth. Integers are taken as numbers for `scale`.
// On failure the error is one line such as "expected value at line 2 column
// 5" or "invalid type: string \"true\", expected a boolean at line 1 column 22";
// nesting deeper than 127 levels is "recursion limit exceeded".
Result<KorvaneConfig> parse_config(std::string_view text);

}  // namespace korvane
