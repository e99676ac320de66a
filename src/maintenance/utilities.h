// One-shot maintenance: memory, cache, GMS doze, Do Not Disturb, network.
#pragma once

#include <string_view>

#include "sys/result.h"

namespace korvane {

Result<void> clean_ram();
Result<void> clear_app_cache();
Result<void> enable_gms_doze();
Result<void> revert_gms_doze();
Result<void> set_dnd(std::string_view mode);
Result<void> disable_network();

}  // namespace korvane
