#include "journal/journal_record.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "os/number_parse.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr std::string_view kNodeWord = "node";
constexpr std::string_view kSetWord = "set";
constexpr std::string_view kSessionWord = "watch";
constexpr size_t kChecksumDigits = 8;

// FNV-1a: a few lines of code and plenty to tell a damaged line from a record.
uint32_t checksum(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// Every run checks every line's checksum: no formatted print per line.
std::string hex32(uint32_t value) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text(kChecksumDigits, '0');
    for (size_t i = kChecksumDigits; i-- > 0; value >>= 4) text[i] = kDigits[value & 0xf];
    return text;
}

Result<mode_t> parse_mode(std::string_view text) {
    if (text.empty() || text.size() > 5) return error("bad mode");
    mode_t mode = 0;
    for (char c : text) {
        if (c < '0' || c > '7') return error("bad mode");
        mode = static_cast<mode_t>(mode * 8 + static_cast<mode_t>(c - '0'));
    }
    if (mode > 07777) return error("bad mode");
    return mode;
}

// "=" alone is the empty value: the marker keeps the field from being empty.
std::string value_field(const std::optional<std::string>& value) {
    if (!value) return "-";
    std::string field = "=";
    if (!value->empty()) field += escape_field(*value);
    return field;
}

Result<std::optional<std::string>> parse_value_field(std::string_view field) {
    if (field == "-") return std::optional<std::string>();
    if (field.empty() || field.front() != '=') return error("bad value field");
    field.remove_prefix(1);
    if (field.empty()) return std::optional<std::string>(std::string());
    auto value = unescape_field(field);
    if (!value) return Error{value.error()};
    return std::optional<std::string>(std::move(value).value());
}

// Digits only, as the journal writes them: no sign.
bool parse_decimal(std::string_view text, uint64_t& value) {
    if (text.empty() || text.front() == '+') return false;
    auto parsed = parse_u64(text);
    if (parsed) value = *parsed;
    return parsed.has_value();
}

// "<device>:<inode>", both decimal.
bool parse_node_id(std::string_view text, NodeId& id) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    return parse_decimal(text.substr(0, colon), id.device) && parse_decimal(text.substr(colon + 1), id.inode);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool JournalRecord::same_target(const JournalRecord& other) const {
    if (node && other.node) return (node->id.known() && node->id == other.node->id) || node->path == other.node->path;
    if (state && other.state) return state->target == other.state->target;
    return false;
}

std::string JournalRecord::target_text() const { return node ? node->path : describe_target(state->target); }

std::string octal_mode(mode_t mode) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04o", static_cast<unsigned>(mode & 07777));
    return buffer;
}

std::string escape_field(std::string_view text) {
    if (text.empty()) return "\\e";
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ' ': out += "\\s"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                char buffer[5];
                std::snprintf(buffer, sizeof buffer, "\\x%02x", static_cast<unsigned char>(c));
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    return out;
}

Result<std::string> unescape_field(std::string_view text) {
    if (text == "\\e") return std::string();
    if (text.empty()) return error("empty field");
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == 0x7f) return error("unescaped control byte");
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == text.size()) return error("dangling escape");
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 's': out += ' '; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 'x': {
            if (i + 2 >= text.size()) return error("short hex escape");
            int high = hex_digit(text[i + 1]);
            int low = hex_digit(text[i + 2]);
            if (high < 0 || low < 0) return error("bad hex escape");
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: return error("unknown escape");
        }
    }
    return out;
}

std::string format_record(const JournalRecord& record) {
    std::vector<std::string> fields;
    if (record.korvane_value) fields.emplace_back(kSetWord);
    if (record.session) {
        fields.emplace_back(kSessionWord);
        fields.push_back(escape_field(record.session->package));
        fields.push_back(value_field(record.session->value));
        fields.emplace_back(record.session->added ? "1" : "0");
    }
    if (record.node) {
        const NodeOriginal& n = *record.node;
        fields.emplace_back(kNodeWord);
        fields.push_back(escape_field(n.boot_id));
        if (n.id.known()) fields.push_back(std::to_string(n.id.device) + ":" + std::to_string(n.id.inode));
        for (std::string field : {octal_mode(n.mode), escape_field(n.path), value_field(n.content)}) {
            fields.push_back(std::move(field));
        }
    } else {
        const StateOriginal& s = *record.state;
        fields.emplace_back(state_kind_word(s.target.kind));
        for (const std::string& word : s.target.key) fields.push_back(escape_field(word));
        fields.push_back(value_field(s.value));
    }
    std::string body;
    for (const std::string& field : fields) {
        if (!body.empty()) body.push_back(' ');
        body.append(field);
    }
    return sign_body(body);
}

std::string sign_body(std::string_view body) {
    std::string line = hex32(checksum(body));
    line.push_back(' ');
    line.append(body);
    return line;
}

Result<JournalRecord> parse_record(std::string_view line) {
    if (line.size() <= kChecksumDigits + 1 || line[kChecksumDigits] != ' ') return error("no checksum");
    std::string_view body = line.substr(kChecksumDigits + 1);
    if (line.substr(0, kChecksumDigits) != hex32(checksum(body))) return error("checksum mismatch");

    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        size_t end = body.find(' ', start);
        fields.push_back(body.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    auto value = parse_value_field(fields.back());
    if (!value) return Error{value.error()};

    JournalRecord record;
    if (fields[0] == kSetWord && fields.size() > 2) {
        record.korvane_value = true;
        fields.erase(fields.begin());
    }
    if (fields[0] == kSessionWord) {
        if (fields.size() < 5 || (fields[3] != "0" && fields[3] != "1")) return error("bad session record");
        auto package = unescape_field(fields[1]);
        auto given = parse_value_field(fields[2]);
        if (!package || !given || !*given) return error("bad session record");
        record.session = SessionMark{*package, **given, fields[3] == "1"};
        fields.erase(fields.begin(), fields.begin() + 4);
        if (fields[0] != kNodeWord) return error("bad session record");
    }
    if (fields[0] == kNodeWord) {
        // A node whose identity is unknown has no such field.
        const bool with_id = fields.size() == 6;
        if ((fields.size() != 5 && !with_id) || !*value) return error("bad node record");
        NodeId id;
        if (with_id && !parse_node_id(fields[2], id)) return error("bad node record");
        auto boot = unescape_field(fields[1]);
        auto mode = parse_mode(fields[with_id ? 3 : 2]);
        auto path = unescape_field(fields[with_id ? 4 : 3]);
        if (!boot || !mode || !path) return error("bad node record");
        record.node = NodeOriginal{*path, *boot, *mode, **value, id};
        return record;
    }
    auto kind = state_kind_from_word(fields[0]);
    if (!kind) return error("unknown record kind");
    StateOriginal state{{*kind, {}}, *value};
    for (size_t i = 1; i + 1 < fields.size(); ++i) {
        auto word = unescape_field(fields[i]);
        if (!word) return Error{word.error()};
        state.target.key.push_back(*word);
    }
    if (state.target.key.size() != state_key_size(*kind)) return error("bad key");
    record.state = std::move(state);
    return record;
}

}  // namespace korvane
