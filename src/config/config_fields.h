// The records of the configuration file: their names and their fields in
// file order, each bound to the place in KorvaneConfig that keeps its value.
#pragma once

#include <span>
#include <string_view>

#include "config/config.h"

namespace korvane {

enum class FieldKind { boolean, number, record };
enum class RecordKind { korvane, utility, battery, downscaling };

struct ConfigField {
    std::string_view key;
    FieldKind kind;
    RecordKind record;                  // the sub-record, for FieldKind::record
    bool* (*flag)(KorvaneConfig&);      // the switch, for FieldKind::boolean
    double* (*number)(KorvaneConfig&);  // the number, for FieldKind::number
};

struct ConfigRecord {
    std::string_view name;  // as type errors name it, "struct KorvaneConfig"
    std::span<const ConfigField> fields;
};

const ConfigRecord& config_record(RecordKind kind);

}  // namespace korvane
