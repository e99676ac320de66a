// Tools that refuse and still exit 0. From Android 16 `cmd device_config`
// may hand a put or delete to the updatable config module, which answers a
// read-only flag with "Error: ..." on standard output and exit status 0; any
// release's tool may print such a line. Every run of a device tool passes its
// streams through here, so that such a run fails like one that exited nonzero.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "android/runner.h"

namespace korvane {

// The line (without its newline) by which the tool said it refused although
// it exited 0, or nothing. Only `cmd device_config` has one: a line starting
// "Error:" on either stream.
std::optional<std::string> tool_refusal(const std::string& program, const Args& args, std::string_view out,
                                        std::string_view err);

}  // namespace korvane
