// Nodes and tools of the simulated phone that refuse or ignore what a real
// phone refuses or ignores, tried directly inside the phone.
#include <gtest/gtest.h>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kShell = "/system/bin/mksh";

[[maybe_unused]] RunResult sh(const SimDevice& dev, const std::string& script) { return dev.run_program(kShell, {"-c", script}); }

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
    EXPECT_EQ(r.lines(), (Lines{"6", "0", "96\t97"}));
    r = writes(dev, "/proc/sys/kernel/perf_cpu_time_max_percent", {"1 junk"});
    EXPECT_EQ(r.lines().front(), "2");
}

}  // namespace
}  // namespace korvane::e2e
