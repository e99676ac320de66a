#include "config/config_fields.h"

namespace korvane {
namespace {

using C = KorvaneConfig&;
constexpr FieldKind kFlag = FieldKind::boolean;
constexpr RecordKind kNone = RecordKind::korvane;  // unused for plain fields

// clang-format off
constexpr ConfigField kKorvaneFields[] = {
    {"utility_tool",    FieldKind::record, RecordKind::utility,     nullptr, nullptr},
    {"battery_saving",  FieldKind::record, RecordKind::battery,     nullptr, nullptr},
    {"downscaling",     FieldKind::record, RecordKind::downscaling, nullptr, nullptr},
};
constexpr ConfigField kUtilityFields[] = {
    {"gms_auto",        kFlag, kNone, [](C c) { return &c.utility_tool.gms_auto; },          nullptr},
    {"clear_ram",       kFlag, kNone, [](C c) { return &c.utility_tool.clear_ram; },         nullptr},
    {"surface_flinger", kFlag, kNone, [](C c) { return &c.utility_tool.surface_flinger; },   nullptr},
};
constexpr ConfigField kBatteryFields[] = {
    {"bypass_charging", kFlag, kNone, [](C c) { return &c.battery_saving.bypass_charging; }, nullptr},
    {"fast_charge",     kFlag, kNone, [](C c) { return &c.battery_saving.fast_charge; },     nullptr},
};
constexpr ConfigField kDownscalingFields[] = {
    {"scale", FieldKind::number, kNone, nullptr, [](C c) { return &c.downscaling.scale; }},
};

// Indexed by RecordKind.
constexpr ConfigRecord kRecords[] = {
    {"struct KorvaneConfig",     kKorvaneFields},
    {"struct UtilityConfig",     kUtilityFields},
    {"struct BatteryConfig",     kBatteryFields},
    {"struct DownscalingConfig", kDownscalingFields},
};
// clang-format on

}  // namespace

const ConfigRecord& config_record(RecordKind kind) { return kRecords[static_cast<int>(kind)]; }

}  // namespace korvane
