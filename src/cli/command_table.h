// The command words, what value each takes, and the operation behind it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "os/result.h"

namespace korvane {

enum class ValueKind {
    none,     // the command takes no value
    text,     // the raw text, checked by the operation
    optional, // the raw text when one follows, else empty
    percent,  // unsigned 8-bit, parsed here
    fps,      // signed 32-bit, parsed here
};

// The value handed to an operation, already parsed for percent and fps.
struct CommandValue {
    std::string_view text;
    uint8_t percent = 0;
    int32_t fps = 0;
};

struct Command {
    std::string_view word;
    ValueKind value;
    std::string_view usage;  // printed when the value is missing
    Result<void> (*run)(const CommandValue&);
};

// In the order in which the words are tested.
std::span<const Command> command_table();

}  // namespace korvane
