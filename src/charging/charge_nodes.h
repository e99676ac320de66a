// The vendor charger nodes that bypass and fast charging write, in the order
// they are written and scanned. The device's driver is not detected: every
// node that exists is written.
#pragma once

#include <array>
#include <string_view>

namespace korvane {

// What a switch does once the kernel applies it. A bypass switch stops
// charging the battery while the charger keeps powering the phone; an input
// cut disconnects the charger, so the phone drains its battery; for the rest
// it depends on the driver behind the name.
enum class SwitchKind { bypass, input_cut, depends };

// "bypass", "input cut" or "depends on the driver".
std::string_view switch_kind_name(SwitchKind kind);

// A charger control node with the value that suspends charging (enable) and
// the one that restores it (disable). Both values go to the same node.
struct BypassNode {
    std::string_view path;
    std::string_view enable;
    std::string_view disable;
    SwitchKind kind;
};

// clang-format off
inline constexpr std::array<BypassNode, 25> kBypassNodes = {{
    {"/sys/class/power_supply/battery/battery_input_suspend",                   "1",  "0", SwitchKind::depends},
    {"/sys/class/power_supply/battery/bd_trickle_cnt",                          "1",  "0", SwitchKind::depends},
    {"/sys/class/power_supply/battery/device/Charging_Enable",                  "0",  "1", SwitchKind::depends},
    {"/sys/class/power_supply/battery/charging_enabled",                        "0",  "1", SwitchKind::depends},
    {"/sys/class/power_supply/battery/op_disable_charge",                       "1",  "0", SwitchKind::depends},
    {"/sys/class/power_supply/battery/store_mode",                              "1",  "0", SwitchKind::depends},
    {"/sys/class/power_supply/battery/test_mode",                               "1",  "0", SwitchKind::depends},
    {"/sys/class/power_supply/battery/battery_ext/smart_charging_interruption", "1",  "0", SwitchKind::depends},
    {"/sys/class/power_supply/battery/siop_level",                              "0",  "1", SwitchKind::depends},
    {"/sys/class/power_supply/battery/battery_charging_enabled",                "0",  "1", SwitchKind::bypass},
    {"/sys/class/power_supply/battery/mmi_charging_enable",                     "0",  "1", SwitchKind::depends},
    {"/sys/class/power_supply/battery/stop_charging_enable",                    "1",  "0", SwitchKind::depends},
    {"/sys/class/hw_power/charger/charge_data/enable_charger",                  "0",  "1", SwitchKind::depends},
    {"/sys/class/qcom-battery/input_suspend",                                   "1",  "0", SwitchKind::input_cut},
    {"/sys/class/power_supply/battery/input_suspend",                           "1",  "0", SwitchKind::input_cut},
    {"/sys/devices/platform/charger/bypass_charger",                            "1",  "0", SwitchKind::bypass},
    {"/sys/devices/platform/charger/tran_aichg_disable_charger",                "1",  "0", SwitchKind::depends},
    {"/sys/devices/platform/huawei_charger/enable_charger",                     "0",  "1", SwitchKind::depends},
    {"/sys/devices/platform/lge-unified-nodes/charging_completed",              "1",  "0", SwitchKind::depends},
    {"/sys/devices/platform/lge-unified-nodes/charging_enable",                 "0",  "1", SwitchKind::depends},
    {"/sys/devices/platform/mt-battery/disable_charger",                        "1",  "0", SwitchKind::depends},
    {"/sys/devices/platform/soc/soc:google,charger/charge_disable",             "1",  "0", SwitchKind::depends},
    {"/sys/kernel/debug/google_charger/chg_suspend",                            "1",  "0", SwitchKind::bypass},
    {"/sys/kernel/debug/google_charger/input_suspend",                          "1",  "0", SwitchKind::input_cut},
    {"/sys/kernel/nubia_charge/charger_bypass",                                 "on", "off", SwitchKind::depends},
}};
// clang-format on

// The MediaTek battery command node, written after the table with a plain
// file write (no mode change, no shell fallback), and scanned last. "0 1"
// disables the charger and keeps the buck on: a bypass.
inline constexpr std::string_view kMtkBatteryCmdPath = "/proc/mtk_battery_cmd/current_cmd";
inline constexpr std::string_view kMtkBypassEnable = "0 1";
inline constexpr std::string_view kMtkBypassDisable = "0 0";
inline constexpr SwitchKind kMtkBypassKind = SwitchKind::bypass;

// Fast-charge flag nodes: "1\n" enables, "0\n" disables, alike for all.
// clang-format off
inline constexpr std::array<std::string_view, 8> kFastChargeNodes = {
    "/sys/kernel/fast_charge/force_fast_charge",
    "/sys/class/power_supply/battery/fast_charge",
    "/sys/class/power_supply/main/fast_charge",
    "/sys/module/qpnp_smb5/parameters/force_fast_charge",
    "/sys/module/phy_msm_usb/parameters/fast_charge",
    "/sys/kernel/fast_charge/force_fast_charge_active",
    "/sys/devices/virtual/power_supply/battery/fast_charge",
    "/sys/class/qcom-battery/force_fast_charge",
};
// clang-format on

}  // namespace korvane
