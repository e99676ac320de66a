#include "modes/auto_setup.h"

#include <gtest/gtest.h>

#include "modes/setup_steps.h"

namespace korvane {
namespace {

TEST(ScaleText, RoundsTheStoredValueToOneDecimalWithTiesToEven) {
    EXPECT_EQ(scale_text(0.7), "0.7");
    EXPECT_EQ(scale_text(2), "2.0");
    EXPECT_EQ(scale_text(0.0), "0.0");
    EXPECT_EQ(scale_text(0.66), "0.7");
    EXPECT_EQ(scale_text(0.25), "0.2");  // exact tie: even digit
    EXPECT_EQ(scale_text(0.75), "0.8");
    EXPECT_EQ(scale_text(0.35), "0.3");  // stored just below the tie
    EXPECT_EQ(scale_text(1.0000001), "1.0");
    EXPECT_EQ(scale_text(-0.5), "-0.5");
    EXPECT_EQ(scale_text(1e20), "100000000000000000000.0");
}

TEST(SetupGates, FollowTheirConfigurationSwitch) {
    KorvaneConfig config;
    EXPECT_TRUE(gate_open(Gate::always, config));
    EXPECT_FALSE(gate_open(Gate::clear_ram, config));
    EXPECT_FALSE(gate_open(Gate::gms_auto, config));
    EXPECT_TRUE(gate_open(Gate::no_gms_auto, config));
    EXPECT_FALSE(gate_open(Gate::surface_flinger, config));
    config.utility_tool = {true, true, true};
    EXPECT_TRUE(gate_open(Gate::clear_ram, config));
    EXPECT_TRUE(gate_open(Gate::gms_auto, config));
    EXPECT_FALSE(gate_open(Gate::no_gms_auto, config));
    EXPECT_TRUE(gate_open(Gate::surface_flinger, config));
}

}  // namespace
}  // namespace korvane
