// Where and why a JSON text stops being valid, worded the way the
// configuration reader reports it ("<message> at line N column M").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// A reading fault: its message and the number of bytes of the text consumed
// when it was seen (the bad byte included, when there is one).
struct JsonFault {
    std::string message;
    std::size_t consumed = 0;
};

// "<message> at line N column M": lines count from 1, the column is the
// number of bytes consumed on the fault's line (0 before the first byte).
std::string describe_fault(std::string_view text, const JsonFault& fault);

// What the reader expected right after the last token it accepted.
enum class JsonPlace {
    top_value,         // the document's value
    object_open,       // after "{": a key or "}"
    after_key,         // ":" then a value
    after_member,      // "," or "}"
    array_open,        // after "[": a value or "]"
    after_element,     // "," or "]"
    after_last_field,  // "]" closing an array-form record that has all its fields
    after_document,    // white space only
};

// What the JSON reader reported about a token it refused.
struct ReaderReport {
    std::size_t position = 0;  // bytes it read, the refused one (or end of input) included
    std::string_view text;     // its own message, to tell string faults apart
    bool out_of_range = false; // a number too large for a double
};

// Finds the syntax fault in `text` that lies after byte `from`, where the
// last accepted token ended, given what was expected there. Faults inside a
// token take the reader's position; the others point at the first byte that
// cannot follow.
JsonFault locate_syntax_fault(std::string_view text, std::size_t from, JsonPlace place,
                              const ReaderReport& reader);

// The first byte at or after `from` that is not JSON white space.
std::size_t skip_json_space(std::string_view text, std::size_t from);

}  // namespace korvane
