#include "config/json_syntax.h"

#include <algorithm>

#include "os/text.h"

namespace korvane {
namespace {

bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A token the reader refused from its first byte on: the fault lies inside it.
JsonFault token_fault(std::string_view text, char first, const ReaderReport& reader) {
    bool at_end = reader.position > text.size();
    std::size_t consumed = std::min(reader.position, text.size());
    if (first == '"') {
        if (at_end) return {"EOF while parsing a string", consumed};
        if (consumed > 0 && static_cast<unsigned char>(text[consumed - 1]) < 0x20) {
            return {"control character (\\u0000-\\u001F) found while parsing a string", consumed};
        }
        if (reader.text.find("surrogate") != std::string_view::npos) {
            return {"invalid unicode code point", consumed};
        }
        return {"invalid escape", consumed};
    }
    if (first == '-' || (first >= '0' && first <= '9')) {
        return {reader.out_of_range ? "number out of range" : "invalid number", consumed};
    }
    return {at_end ? "EOF while parsing a value" : "expected ident", consumed};
}

// A value was due at `at`.
JsonFault value_fault(std::string_view text, std::size_t at, const ReaderReport& reader) {
    if (at >= text.size()) return {"EOF while parsing a value", text.size()};
    char c = text[at];
    if (std::string_view("\"-0123456789tfn").find(c) != std::string_view::npos) {
        return token_fault(text, c, reader);
    }
    return {"expected value", at + 1};
}

// A key was due at `at`, after "{" (opening) or after a comma.
JsonFault key_fault(std::string_view text, std::size_t at, bool opening, const ReaderReport& reader) {
    if (at >= text.size()) {
        return {opening ? "EOF while parsing an object" : "EOF while parsing a value", text.size()};
    }
    if (text[at] == '"') return token_fault(text, '"', reader);
    if (text[at] == '}' && !opening) return {"trailing comma", at + 1};
    return {"key must be a string", at + 1};
}

}  // namespace

std::size_t skip_json_space(std::string_view text, std::size_t from) {
    while (from < text.size() && is_json_space(text[from])) ++from;
    return from;
}

std::string describe_fault(std::string_view text, const JsonFault& fault) {
    std::string_view seen = text.substr(0, std::min(fault.consumed, text.size()));
    std::size_t line_start = seen.rfind('\n') + 1;  // npos + 1 is 0
    auto line = 1 + std::count(seen.begin(), seen.begin() + static_cast<std::ptrdiff_t>(line_start), '\n');
    return str_cat(fault.message, " at line ", line, " column ", seen.size() - line_start);
}

JsonFault locate_syntax_fault(std::string_view text, std::size_t from, JsonPlace place,
                              const ReaderReport& reader) {
    std::size_t at = skip_json_space(text, from);
    bool at_end = at >= text.size();
    char c = at_end ? '\0' : text[at];
    switch (place) {
        case JsonPlace::top_value:
            return value_fault(text, at, reader);
        case JsonPlace::array_open:
            if (at_end) return {"EOF while parsing a list", text.size()};
            return value_fault(text, at, reader);
        case JsonPlace::object_open:
            return key_fault(text, at, true, reader);
        case JsonPlace::after_key:
            if (at_end) return {"EOF while parsing an object", text.size()};
            if (c != ':') return {"expected `:`", at + 1};
            return value_fault(text, skip_json_space(text, at + 1), reader);
        case JsonPlace::after_member:
            if (at_end) return {"EOF while parsing an object", text.size()};
            if (c != ',') return {"expected `,` or `}`", at + 1};
            return key_fault(text, skip_json_space(text, at + 1), false, reader);
        case JsonPlace::after_element:
        case JsonPlace::after_last_field: {
            if (at_end) return {"EOF while parsing a list", text.size()};
            // Once a record has all its fields, anything but its "]" is surplus.
            const bool full = place == JsonPlace::after_last_field;
            if (c != ',') return {full ? "trailing characters" : "expected `,` or `]`", at + 1};
            std::size_t next = skip_json_space(text, at + 1);
            if (next < text.size() && text[next] == ']') return {"trailing comma", next + 1};
            if (full) {
                return {"trailing characters", std::min(next + 1, text.size())};
            }
            return value_fault(text, next, reader);
        }
        case JsonPlace::after_document:
            break;
    }
    return {"trailing characters", std::min(at + 1, text.size())};
}

}  // namespace korvane
