#include <gtest/gtest.h>

#include "maintenance/life_time.h"

namespace korvane {
namespace {

TEST(LifeTimePercent, FollowsTheCodeTable) {
    const std::pair<const char*, int> rows[] = {
        {"0x00", 100}, {"0x01", 100}, {"0x02", 90}, {"0x03", 80}, {"0x04", 70}, {"0x05", 60},
        {"0x06", 50},  {"0x07", 40},  {"0x08", 30}, {"0x09", 20}, {"0x0A", 10},
    };
    for (const auto& [code, percent] : rows) EXPECT_EQ(life_time_percent(code), percent) << code;
}

TEST(LifeTimePercent, OtherTextsGiveZero) {
    for (const char* code : {"0x0a", "0x0B", "0x10", "0X01", "0x1", " 0x01", "0x01\n", "", "N/A"}) {
        EXPECT_EQ(life_time_percent(code), 0) << code;
    }
}

TEST(BankOfNode, ClassifiesTheFixedNodes) {
    const std::string ufs = "/sys/devices/platform/soc/1d84000.ufshc/";
    EXPECT_EQ(bank_of_node(ufs + "health_descriptor/life_time_estimation_a"), Bank::a);
    EXPECT_EQ(bank_of_node(ufs + "health_descriptor/life_time_estimation_b"), Bank::b);
    EXPECT_EQ(bank_of_node(ufs + "health/lifetimeA"), Bank::a);
    EXPECT_EQ(bank_of_node(ufs + "health/lifetimeB"), Bank::b);
    EXPECT_EQ(bank_of_node("/sys/block/mmcblk0/device/life_time"), Bank::a);
    EXPECT_EQ(bank_of_node("/sys/block/mmcblk0/device/life_time_b"), Bank::b);
    EXPECT_EQ(bank_of_node("/sys/devices/x/ufstw_lu2/lifetime_est"), Bank::none);
}

TEST(LifeBanks, FirstCodeInABankStays) {
    LifeBanks banks;
    banks.fill(Bank::b, "0x02");
    banks.fill(Bank::b, "0x05");
    banks.fill(Bank::none, "0x01");
    EXPECT_EQ(banks.a, "");
    EXPECT_EQ(banks.b, "0x02");
    banks.fill_first_empty("0x03");
    banks.fill_first_empty("0x04");
    EXPECT_EQ(banks.a, "0x03");
    EXPECT_EQ(banks.b, "0x02");
    EXPECT_FALSE(banks.any_empty());
    EXPECT_EQ(bank_text(banks.a), "0x03");
    EXPECT_EQ(bank_text(""), "N/A");
}

TEST(AverageLife, OneBankAloneDecides) {
    EXPECT_EQ(average_life({"0x05", "0x0A"}), 35);  // floor of 35
    EXPECT_EQ(average_life({"0x0B", "0x01"}), 50);  // a zero-percent code still counts
    EXPECT_EQ(average_life({"", "0x04"}), 70);
    EXPECT_EQ(average_life({"0x0B", ""}), 0);
}

TEST(WearVerdict, ActionPerLevel) {
    EXPECT_EQ(wear_verdict({"0x04", "0x04"}).verdict, "VERDICT: GOOD - Normal wear levels");  // 70
    EXPECT_EQ(wear_verdict({"0x05", ""}).action, "ACTION: Limit unnecessary writes - backup critical data");
    WearVerdict critical = wear_verdict({"0x0B", ""});
    EXPECT_EQ(critical.verdict, "VERDICT: CRITICAL - Storage degradation imminent");
    EXPECT_EQ(critical.reason, "REASON: Excessive wear (0% average life)");
    EXPECT_EQ(critical.action, "ACTION: Immediate backup recommended - consider storage replacement");
}

TEST(WearVerdict, NoCodeAtAllIsAnError) {
    WearVerdict v = wear_verdict({});
    EXPECT_EQ(v.verdict, "VERDICT: ERROR - Could not read NAND health sensors");
    EXPECT_EQ(v.reason, "REASON: Health descriptor paths not found or inaccessible");
    EXPECT_EQ(v.action, "ACTION: Check kernel logs for storage driver errors");
}

TEST(PerformanceVerdict, BothTimesMustStayBelowTheLimit) {
    EXPECT_EQ(performance_verdict(0, 99), "PERFORMANCE: EXCELLENT - Fast storage performance");
    EXPECT_EQ(performance_verdict(100, 5), "PERFORMANCE: GOOD - Normal storage performance");
    EXPECT_EQ(performance_verdict(5, 299), "PERFORMANCE: GOOD - Normal storage performance");
    EXPECT_EQ(performance_verdict(300, 5), "PERFORMANCE: FAIR - Below average storage performance");
    EXPECT_EQ(performance_verdict(999, 999), "PERFORMANCE: FAIR - Below average storage performance");
    EXPECT_EQ(performance_verdict(5, 1000), "PERFORMANCE: POOR - Slow storage, potential issues");
    EXPECT_EQ(performance_verdict(UINT64_MAX, 0), "PERFORMANCE: POOR - Slow storage, potential issues");
}

}  // namespace
}  // namespace korvane
