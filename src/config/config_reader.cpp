#include "config/config_reader.h"

#include <charconv>
#include <iterator>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/config_fields.h"
#include "config/json_syntax.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr std::size_t kDepthLimit = 128;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Walks the text for the JSON reader and counts the bytes it has taken, so
// that every event can be placed in the text.
class CountingIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator() = default;
    CountingIterator(const char* at, std::size_t* taken) : at_(at), taken_(taken) {}

    reference operator*() const { return *at_; }
    CountingIterator& operator++() {
        ++at_;
        if (taken_ != nullptr) ++*taken_;
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CountingIterator& other) const { return at_ == other.at_; }

private:
    const char* at_ = nullptr;
    std::size_t* taken_ = nullptr;
};

// Text for a string as a type error quotes it: in double quotes, escaped.
std::string quote_text(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\0': out += "\\0"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    out += str_cat("\\u{", std::string_view(&kHex[(c >> 4) & 0xf], 1),
                                   std::string_view(&kHex[c & 0xf], 1), "}");
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// Shortest text that reads back as `value`, never in exponent form, always
// with a decimal point.
std::string float_text(double value) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
}

// What the next value is for.
struct Want {
    enum Kind { skipped, sub_record, plain_field, excess } kind = skipped;
    RecordKind record = RecordKind::korvane;
    const ConfigField* field = nullptr;
};

enum class Phase { open, key, value };

struct Frame {
    bool is_array = false;
    std::optional<RecordKind> record;  // nothing: an unknown key's value, skipped
    Phase phase = Phase::open;
    const ConfigField* pending = nullptr;  // the field named by the last key
    std::size_t index = 0;                 // elements begun, for arrays
    unsigned seen = 0;                     // fields given, one bit each, for objects
};

class ConfigReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit ConfigReader(std::string_view text) : text_(text) {}

    Result<KorvaneConfig> read() {
        CountingIterator first(text_.data(), &taken_);
        CountingIterator last(text_.data() + text_.size(), nullptr);
        bool parsed = nlohmann::json::sax_parse(first, last, this);
        // The reader stops at a NUL byte as at the end; only white space may follow.
        if (parsed && !fault_ && skip_json_space(text_, end_) < text_.size()) {
            fault_ = locate_syntax_fault(text_, end_, JsonPlace::after_document, {});
        }
        if (fault_) return error(describe_fault(text_, *fault_));
        if (!parsed) return error("invalid JSON");
        return config_;
    }

    bool null() override { return scalar(taken_, "null", [](const Want&) { return false; }); }
    bool boolean(bool value) override {
        return scalar(taken_, str_cat("boolean `", value ? "true" : "false", "`"), [&](const Want& w) {
            if (w.field->kind != FieldKind::boolean) return false;
            *w.field->flag(config_) = value;
            return true;
        });
    }
    bool number_integer(number_integer_t value) override {
        return number(static_cast<double>(value), str_cat("integer `", value, "`"));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return number(static_cast<double>(value), str_cat("integer `", value, "`"));
    }
    bool number_float(number_float_t value, const string_t&) override {
        return number(value, "floating point `" + float_text(value) + "`");
    }
    bool string(string_t& value) override {
        return scalar(taken_, "string " + quote_text(value), [](const Want&) { return false; });
    }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return open(false, "map"); }
    bool start_array(std::size_t) override { return open(true, "sequence"); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        Frame& frame = frames_.back();
        frame.phase = Phase::key;
        frame.pending = nullptr;
        end_ = taken_;
        if (!frame.record) return true;
        auto fields = config_record(*frame.record).fields;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].key != name) continue;
            if (frame.seen & (1u << i)) {
                return fail({"duplicate field `" + name + "`", skip_json_space(text_, taken_)});
            }
            frame.seen |= 1u << i;
            frame.pending = &fields[i];
        }
        return true;
    }

    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::json::exception& ex) override {
        ReaderReport report{position, ex.what(), ex.id == 406};
        return fail(locate_syntax_fault(text_, end_, place(), report));
    }

private:
    Want want() const {
        if (frames_.empty()) return {Want::sub_record, RecordKind::korvane, nullptr};
        const Frame& frame = frames_.back();
        if (!frame.record) return {};
        const ConfigField* field = frame.pending;
        if (frame.is_array) {
            auto fields = config_record(*frame.record).fields;
            if (frame.index >= fields.size()) return {Want::excess};
            field = &fields[frame.index];
        }
        if (field == nullptr) return {};
        if (field->kind == FieldKind::record) return {Want::sub_record, field->record, nullptr};
        return {Want::plain_field, RecordKind::korvane, field};
    }

    static std::string wanted_text(const Want& w) {
        if (w.kind == Want::sub_record) return std::string(config_record(w.record).name);
        return w.field->kind == FieldKind::boolean ? "a boolean" : "f64";
    }

    JsonPlace place() const {
        if (frames_.empty()) return done_ ? JsonPlace::after_document : JsonPlace::top_value;
        const Frame& frame = frames_.back();
        if (!frame.is_array) {
            if (frame.phase == Phase::open) return JsonPlace::object_open;
            return frame.phase == Phase::key ? JsonPlace::after_key : JsonPlace::after_member;
        }
        if (frame.phase == Phase::open) return JsonPlace::array_open;
        return want().kind == Want::excess ? JsonPlace::after_last_field : JsonPlace::after_element;
    }

    // Checks where the value starting now belongs; on success it is counted
    // as its container's next value.
    std::optional<Want> begin(const std::string& found, std::size_t end, bool fits_field,
                              bool container) {
        Want w = want();
        if (w.kind == Want::excess) {
            fail(locate_syntax_fault(text_, end_, JsonPlace::after_last_field, {}));
            return std::nullopt;
        }
        bool fits = w.kind == Want::skipped || (w.kind == Want::plain_field && fits_field) ||
                    (w.kind == Want::sub_record && container);
        if (!fits) {
            fail({"invalid type: " + found + ", expected " + wanted_text(w), end});
            return std::nullopt;
        }
        if (!frames_.empty()) {
            frames_.back().phase = Phase::value;
            ++frames_.back().index;
        }
        return w;
    }

    template <typename Store>
    bool scalar(std::size_t end, const std::string& found, Store store) {
        Want w = want();
        bool fits = w.kind == Want::plain_field && store(w);
        if (!begin(found, end, fits, false)) return false;
        end_ = end;
        if (frames_.empty()) done_ = true;
        return true;
    }

    bool number(double value, const std::string& found) {
        // The reader ends a number at a digit after a leading zero, where JSON
        // has no number at all.
        std::size_t start = end_;
        while (start < text_.size() && text_[start] != '-' && !is_digit(text_[start])) ++start;
        if (start < text_.size() && text_[start] == '-') ++start;
        if (start + 1 < text_.size() && text_[start] == '0' && is_digit(text_[start + 1])) {
            return fail({"invalid number", start + 2});
        }
        // The reader has looked one byte past a number that does not end the text.
        std::size_t end = taken_;
        if (end > 0 && !is_digit(text_[end - 1])) --end;
        return scalar(end, found, [&](const Want& w) {
            if (w.field->kind != FieldKind::number) return false;
            *w.field->number(config_) = value;
            return true;
        });
    }

    bool open(bool is_array, const char* found) {
        auto w = begin(found, taken_ - 1, false, true);
        if (!w) return false;
        if (frames_.size() + 1 >= kDepthLimit) return fail({"recursion limit exceeded", taken_});
        Frame frame;
        frame.is_array = is_array;
        if (w->kind == Want::sub_record) frame.record = w->record;
        frames_.push_back(frame);
        end_ = taken_;
        return true;
    }

    bool close() {
        frames_.pop_back();
        if (frames_.empty()) done_ = true;
        end_ = taken_;
        return true;
    }

    bool fail(JsonFault fault) {
        if (!fault_) fault_ = std::move(fault);
        return false;
    }

    std::string_view text_;
    KorvaneConfig config_;
    std::vector<Frame> frames_;
    std::size_t taken_ = 0;  // bytes the JSON reader has taken so far
    std::size_t end_ = 0;    // where the last accepted token ends
    bool done_ = false;
    std::optional<JsonFault> fault_;
};

}  // namespace

Result<KorvaneConfig> parse_config(std::string_view text) { return ConfigReader(text).read(); }

}  // namespace korvane
