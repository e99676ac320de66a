#pragma once
// Thermal zones and cooling devices follow the phone's heat, which the
// state's android/thermal file holds ("skin 47.5", "cooling 2"; tests and
// scenarios rewrite it): a zone whose type names the skin shows the skin, a
// battery zone 1.5 °C and a board zone 0.5 °C below it, any other (CPU, GPU,
// SoC) 12 °C above; a CPU or GPU cooling device holds the step given, at
// most its max_state. Without the file the nodes show their own files.

#include <optional>
#include <string_view>

#include "node_value.h"

namespace kernelfs {

std::optional<Text> show_thermal_node(const Mount& mount, std::string_view path);

}  // namespace kernelfs
