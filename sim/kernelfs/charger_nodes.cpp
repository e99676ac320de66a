#include "charger_nodes.h"

#include <charconv>
#include <string>

namespace kernelfs {
namespace {

// One "%d": blanks, an optional sign, digits.
bool scan_int(std::string_view& text, long& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) {
        text.remove_prefix(1);
    }
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc()) return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    if (negative) value = -value;
    return true;
}

Text shown_with_newline(const Mount& mount, std::string_view path) {
    Text t = read_backing(mount.backing(path));
    if (t.error == 0) t.text += '\n';
    return t;
}

}  // namespace

Text show_battery_cmd(const Mount& mount, std::string_view path) { return shown_with_newline(mount, path); }

int store_battery_cmd(const Mount& mount, std::string_view path, std::string_view input) {
    long first = 0, second = 0;
    if (!scan_int(input, first) || !scan_int(input, second)) return 0;
    return write_backing(mount.backing(path), std::to_string(first) + " " + std::to_string(second));
}

Text show_plain_flag(const Mount& mount, std::string_view path) { return shown_with_newline(mount, path); }

int store_newline_flag(const Mount& mount, std::string_view path, std::string_view input) {
    if (input.size() < 2 || input[1] != '\n' || (input[0] != '0' && input[0] != '1')) return 0;
    return write_backing(mount.backing(path), std::string(1, input[0]));
}

}  // namespace kernelfs
