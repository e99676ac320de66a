#pragma once
// Charger nodes with drivers of their own. MediaTek's current_cmd reads two
// integers (sscanf "%d %d") and ignores any other input, returning the count
// all the same; it shows "A B". A common force_fast_charge takes a write only
// when its second byte is a newline ("1\n", as echo writes), ignoring any
// other with the whole count.

#include <string_view>

#include "node_value.h"

namespace kernelfs {

Text show_battery_cmd(const Mount& mount, std::string_view path);
int store_battery_cmd(const Mount& mount, std::string_view path, std::string_view input);

Text show_plain_flag(const Mount& mount, std::string_view path);
int store_newline_flag(const Mount& mount, std::string_view path, std::string_view input);

}  // namespace kernelfs
