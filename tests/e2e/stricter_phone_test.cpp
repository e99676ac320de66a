// Nodes and tools of the simulated phone that refuse or ignore what a real
// phone refuses or ignores, tried directly inside the phone.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kShell = "/system/bin/mksh";

RunResult sh(const SimDevice& dev, const std::string& script) { return dev.run_program(kShell, {"-c", script}); }

// One write() per text, each printing what it returned ("N" or "err"), on one
// descriptor; then the node's content. perl's syswrite is a single write().
RunResult writes(const SimDevice& dev, const std::string& node, const std::vector<std::string>& texts) {
    std::string script = "open(my $f, '>', '" + node + "') or die \"open: $!\\n\"; ";
    for (const std::string& t : texts) {
        script += "my $n = syswrite($f, \"" + t + "\"); print defined $n ? \"$n\\n\" : \"err $!\\n\"; ";
    }
    script += "close $f; open(my $g, '<', '" + node + "') or die; print <$g>;";
    return dev.run_program("/usr/bin/perl", {"-e", script});
}

// __do_proc_dointvec keeps the numbers that fit, returns a short count, and
// answers a write at a later offset with 0.
TEST(StricterPhoneE2e, SysctlSurplusIsAShortWriteAndTheRestIsIgnored) {
    SimDevice dev("snapdragon_gki");
    auto r = writes(dev, "/proc/sys/walt/sched_upmigrate", {"96 97 98", "99 99"});
    EXPECT_EQ(r.lines(), (Lines{"6", "0", "96\t97\t95"}));  // GKI shows every margin slot
    r = writes(dev, "/proc/sys/kernel/perf_cpu_time_max_percent", {"1 junk"});
    EXPECT_EQ(r.lines().front(), "2");
}


// A shell line that writes the value in one write() and reports "ok" or "refused".
std::string put(const std::string& value, const std::string& node) {
    return "if print -n -- '" + value + "' > " + node + " 2>/dev/null; then echo ok; else echo refused; fi";
}

const std::string kPolicy0 = "/sys/devices/system/cpu/cpufreq/policy0/";
const std::string kKgsl = "/sys/class/kgsl/kgsl-3d0/devfreq/";
const std::string kMali = "/sys/devices/platform/1c500000.mali/";

// Show-only attributes: a chmod lets the open pass, the write finds no store.
TEST(StricterPhoneE2e, ShowOnlyAttributesAnswerEioAfterAChmod) {
    const std::pair<const char*, std::string> nodes[] = {
        {"snapdragon", kPolicy0 + "scaling_cur_freq"},
        {"snapdragon", kPolicy0 + "cpuinfo_max_freq"},
        {"snapdragon", kKgsl + "available_frequencies"},
        {"snapdragon", "/sys/class/power_supply/battery/status"},
        {"snapdragon", "/sys/class/power_supply/usb/online"},
        {"snapdragon", "/sys/devices/system/cpu/online"},
        {"mali", kMali + "available_frequencies"},
        {"mali", "/sys/class/power_supply/battery/capacity"},
    };
    for (const auto& [profile, node] : nodes) {
        SCOPED_TRACE(node);
        SimDevice dev(profile);
        const std::string before = sh(dev, "cat " + node).out;
        auto r = sh(dev, "chmod 0644 " + node + "; print -n 1 > " + node + " 2>&1 | sed 's/.*: //'; " + put("1", node));
        EXPECT_EQ(r.lines(), (Lines{"refused"})) << r.err;
        EXPECT_EQ(sh(dev, "cat " + node).out, before);
    }
    SimDevice dev("snapdragon");
    auto r = sh(dev, "chmod 644 " + kPolicy0 + "scaling_cur_freq; print -n 1 > " + kPolicy0 + "scaling_cur_freq");
    EXPECT_EQ(r.err, "E: /system/bin/mksh: print: write: Input/output error\n");
}

// One step on a phone: a value written to a node, and what two nodes show after.
struct Step {
    std::string node;
    const char* value;
    const char* outcome;
    const char* first;   // the first shown node afterwards
    const char* second;  // the second
};

void run_steps(const char* profile, const std::string& first, const std::string& second,
               const std::vector<Step>& steps) {
    SimDevice dev(profile);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.node + " <- " + s.value);
        auto r = sh(dev, put(s.value, s.node) + "; cat " + first + " " + second);
        EXPECT_EQ(r.lines(), (Lines{s.outcome, s.first, s.second}));
    }
}

// Pixel's Mali takes only a clock of its table, in kHz; the other limit moves along.
TEST(StricterPhoneE2e, MaliTakesOnlyTableClocksAndMovesTheOtherLimit) {
    const std::string max = kMali + "scaling_max_freq", min = kMali + "scaling_min_freq";
    run_steps("mali", max, min,
              {
                  {max, "572000", "ok", "572000", "151000"},
                  {max, "572001", "refused", "572000", "151000"},
                  {max, "572000000", "refused", "572000", "151000"},  // Hz
                  {max, "-1", "refused", "572000", "151000"},
                  {min, "701000", "ok", "701000", "701000"},  // raises the max
                  {max, "302000", "ok", "302000", "302000"},  // drags the min down
                  {max, "848000\n", "ok", "848000", "302000"},
              });
    SimDevice dev("mali");
    EXPECT_EQ(sh(dev, "cat " + kMali + "available_frequencies").lines().front().substr(0, 14), "848000 762000 ");
}

// From 5.4 a written min is a request that stays: a lower max pulls the shown
// min down, a higher one lets it come back.
TEST(StricterPhoneE2e, CpufreqRequestsKeepTheWrittenMin) {
    const std::string max = kPolicy0 + "scaling_max_freq", min = kPolicy0 + "scaling_min_freq";
    run_steps("snapdragon", max, min,  // 5.10
              {
                  {min, "1500000", "ok", "1785600", "1500000"},
                  {max, "1000000", "ok", "1000000", "1000000"},
                  {max, "9999999", "ok", "1785600", "1500000"},
              });
    run_steps("snapdragon_gki", max, min,  // 5.15: resolved to listed frequencies
              {
                  {min, "1500000", "ok", "2016000", "1555200"},
                  {max, "1000000", "ok", "902400", "902400"},
                  {max, "9999999", "ok", "2016000", "1555200"},
              });
    run_steps("mtk_legacy", max, min,  // 4.9 refuses the crossing instead
              {
                  {min, "1500000", "ok", "2001000", "1500000"},
                  {max, "1000000", "refused", "2001000", "1500000"},
              });
}

// devfreq: 0 is "no limit" (5.x) or the table's end (4.x); values are 64-bit,
// and 5.x rounds a request up to kHz and shows the range it leaves.
TEST(StricterPhoneE2e, DevfreqLimitsReadAs64BitWithZeroAsNoLimit) {
    const std::string max = kKgsl + "max_freq", min = kKgsl + "min_freq";
    run_steps("snapdragon", max, min,  // 5.10
              {
                  {max, "5000000000", "ok", "818000000", "317000000"},
                  {max, "100", "ok", "1000", "1000"},
                  {max, "0", "ok", "818000000", "317000000"},
                  {min, "492000000", "ok", "818000000", "492000000"},
                  {min, "0", "ok", "818000000", "317000000"},
                  {max, "junk", "refused", "818000000", "317000000"},
              });
}

TEST(StricterPhoneE2e, DevfreqZeroIsTheTablesEndOn4x) {
    SimDevice dev("mtk_dimensity");  // 4.19, with an Adreno-style devfreq for the test
    dev.write(kKgsl + "available_frequencies", "818000000 317000000");
    dev.write(kKgsl + "min_freq", "492000000");
    dev.write(kKgsl + "max_freq", "615000000");
    auto r = sh(dev, put("0", kKgsl + "max_freq") + "; " + put("0", kKgsl + "min_freq") + "; cat " + kKgsl +
                         "max_freq " + kKgsl + "min_freq");
    EXPECT_EQ(r.lines(), (Lines{"ok", "ok", "818000000", "317000000"}));
}

// An offline core has no cpufreq folder; a policy of offline cores refuses.
TEST(StricterPhoneE2e, OfflineCoreLosesItsCpufreqFolder) {
    const std::string cpu = "/sys/devices/system/cpu/";
    run_steps("snapdragon", cpu + "online", cpu + "cpu7/online",
              {
                  {cpu + "cpu7/online", "5", "refused", "0-7", "1"},
                  {cpu + "cpu7/online", "0", "ok", "0-6", "0"},
                  {cpu + "cpufreq/policy7/scaling_max_freq", "1000000", "refused", "0-6", "0"},
                  {cpu + "cpu7/online", "on", "ok", "0-7", "1"},
              });
    SimDevice dev("snapdragon");
    auto r = sh(dev, put("0", cpu + "cpu7/online") + "; ls " + cpu + "cpu7; [ -e " + cpu +
                         "cpu7/cpufreq/scaling_max_freq ] || echo gone");
    EXPECT_EQ(r.lines(), (Lines{"ok", "online", "topology", "gone"}));
    EXPECT_EQ(dev.run({"--cpu_max", "50"}).lines().back(), "[OK] CPU Max applied to 7/8 cores");
    EXPECT_EQ(dev.run({"--cpu_reset"}).lines().back(), "[OK] CPU frequencies reset for 7/8 cores");
}

// A governor the kernel did not register is refused.
TEST(StricterPhoneE2e, GovernorMustBeListed) {
    const std::string governor = kPolicy0 + "scaling_governor";
    run_steps("snapdragon", governor, kPolicy0 + "scaling_available_governors",
              {
                  {governor, "bogus", "refused", "walt", "walt performance schedutil "},
                  {governor, "performance\\n", "ok", "performance", "walt performance schedutil "},
                  {governor, " powersave", "refused", "performance", "walt performance schedutil "},
              });
}

// NotificationShellCmd: "on" is total silence; a missing filter is caught.
TEST(StricterPhoneE2e, SetDndSpeaksAsTheNotificationService) {
    SimDevice dev("snapdragon");
    const std::pair<const char*, const char*> words[] = {{"on", "2"}, {"none", "2"}, {"priority", "1"},
                                                         {"alarms", "3"}, {"off", "0"}};
    for (const auto& [word, zen] : words) {
        EXPECT_EQ(dev.run_program("/system/bin/cmd", {"notification", "set_dnd", word}).status, 0);
        EXPECT_EQ(dev.setting("global", "zen_mode"), zen) << word;
    }
}

}  // namespace
}  // namespace korvane::e2e
