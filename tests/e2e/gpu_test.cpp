// GPU detection and control on simulated phones: the interface each device
// offers, the OPP index or listed frequency written, and every failure line.
#include <gtest/gtest.h>

#include <filesystem>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kAdreno = "/sys/class/kgsl/kgsl-3d0/devfreq";
const std::string kMtkV2Table = "/proc/gpufreqv2/gpu_working_opp_table";
const std::string kMtkV2Index = "/proc/gpufreqv2/fix_target_opp_index";
const std::string kMtkV1Table = "/proc/gpufreq/gpufreq_opp_dump";
const std::string kMtkV1Index = "/proc/gpufreq/gpufreq_opp_freq";
const std::string kPlatform = "/sys/devices/platform";

Lines doubled(const std::string& text) { return {"[ERROR] " + text, "[ERROR] " + text}; }

std::string table_of(int lines, const std::string& line_end = "\n") {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text.append("[").append(std::to_string(i)).append("] freq: ").append(std::to_string(900 - i));
        text.append(line_end);
    }
    return text;
}

// A gpufreq v1 dump: "[i] freq = K, volt = ..." with K counting down from 900.
std::string v1_table_of(int lines, const std::string& line_end = "\n") {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text.append("[").append(std::to_string(i)).append("] freq = ").append(std::to_string(900 - i));
        text.append(", volt = 70000").append(line_end);
    }
    return text;
}

// The five field lines of the report for one record.
Lines fields(const std::string& type, const std::string& path, const std::string& source, const std::string& max,
             const std::string& min) {
    return {"[INFO] Fetching GPU information...", "Type: " + type, "Path: " + path,
            "Freq Source: " + source, "Max Node: " + max, "Min Node: " + min};
}

struct ProfileGpu {
    const char* profile;
    const char* type;
    std::string path;
    std::string source;
    std::string max;
    std::string min;
};

TEST(GpuDetectionE2e, EachProfileReportsItsInterface) {
    const std::string mali = kPlatform + "/1c500000.mali";
    const ProfileGpu cases[] = {
        {"snapdragon", "adreno", kAdreno, kAdreno + "/available_frequencies", kAdreno + "/max_freq",
         kAdreno + "/min_freq"},
        {"mtk_dimensity", "mtk_v2", "/proc/gpufreqv2", kMtkV2Table, kMtkV2Index, ""},
        {"mtk_legacy", "mtk_v1", "/proc/gpufreq", kMtkV1Table, kMtkV1Index, ""},
        {"mali", "mali", mali, mali + "/available_frequencies", mali + "/scaling_max_freq",
         mali + "/scaling_min_freq"},
    };
    for (const ProfileGpu& c : cases) {
        SCOPED_TRACE(c.profile);
        SimDevice dev(c.profile);
        Lines expected = fields(c.type, c.path, c.source, c.max, c.min);
        expected.insert(expected.end(), {"GPU Path: Exists", "Freq Source: Exists", "Sample frequencies:"});
        std::string source = dev.read(c.source);
        for (int i = 0; i < 3 && !source.empty(); ++i) {
            size_t end = source.find('\n');
            expected.push_back("  " + source.substr(0, end));
            source.erase(0, end == std::string::npos ? source.size() : end + 1);
        }
        auto r = dev.run({"--gpu_info"});
        EXPECT_EQ(r.lines(), expected);
    }
}

TEST(GpuDetectionE2e, BareDeviceHasNoGpuForAnyCommand) {
    SimDevice dev("bare");
    Lines info = fields("", "", "", "", "");
    info.insert(info.end(), {"Status: No GPU detected", "[ERROR] No GPU detected"});
    EXPECT_EQ(dev.run({"--gpu_info"}).lines(), info);
    for (const Lines& args : {Lines{"--gpu_max", "50"}, Lines{"--gpu_min", "50"}, Lines{"--gpu_reset"},
                              Lines{"--get_freq_available_gpu"}}) {
        SCOPED_TRACE(args[0]);
        EXPECT_EQ(dev.run(args).lines(), doubled("No GPU detected"));
    }
}

TEST(GpuDetectionE2e, ProbeOrderAndDirectoryTests) {
    SimDevice v2("mtk_dimensity");
    v2.write(kMtkV1Table, table_of(4));
    EXPECT_EQ(v2.run({"--gpu_info"}).lines().at(1), "Type: mtk_v2");

    // Plain files where a directory is wanted do not count; anything at the
    // generic path does, even without a frequency file.
    SimDevice bare("bare");
    bare.write("/proc/gpufreqv2", "");
    bare.write(kAdreno, "");
    bare.write("/sys/kernel/gpu", "");
    Lines expected = fields("sysfs_generic", "/sys/kernel/gpu", "", "/sys/kernel/gpu/gpu_max_clock",
                            "/sys/kernel/gpu/gpu_min_clock");
    expected.insert(expected.end(), {"GPU Path: Exists", "Freq Source: Not found"});
    EXPECT_EQ(bare.run({"--gpu_info"}).lines(), expected);
}

TEST(GpuDetectionE2e, GenericSourceChoiceAndItsAbsence) {
    SimDevice dev("bare");
    dev.write("/sys/kernel/gpu/gpu_freq_table", "100 200\n");
    dev.write("/sys/kernel/gpu/gpu_available_frequencies", "300 400\n");
    dev.write("/sys/kernel/gpu/gpu_max_clock", "0");
    EXPECT_EQ(dev.run({"--gpu_info"}).lines().at(3), "Freq Source: /sys/kernel/gpu/gpu_available_frequencies");
    dev.remove("/sys/kernel/gpu/gpu_available_frequencies");
    EXPECT_EQ(dev.run({"--gpu_max", "100"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 100%", "[OK] GPU Max frequency set to 200"}));
    EXPECT_EQ(dev.read("/sys/kernel/gpu/gpu_max_clock"), "200");

    dev.remove("/sys/kernel/gpu/gpu_freq_table");
    EXPECT_EQ(dev.run({"--gpu_max", "100"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 100%", "[ERROR] No frequency found for 100%",
                     "[ERROR] No frequency found for 100%"}));
    EXPECT_EQ(dev.run({"--gpu_reset"}).lines(),
              (Lines{"[INFO] Resetting GPU frequencies...", "[ERROR] GPU frequency source not found",
                     "[ERROR] GPU frequency source not found"}));
}

TEST(GpuDetectionE2e, MaliPlatformEntryByLowerCasedName) {
    SimDevice dev("bare");
    dev.write(kPlatform + "/mali/available_frequencies", "1\n");
    dev.mkdir(kPlatform + "/a.mali");  // no frequency list: passed over
    dev.write(kPlatform + "/13000000.MALI/available_frequencies", "100 200\n");
    EXPECT_EQ(dev.run({"--gpu_info"}).lines().at(2), "Path: " + kPlatform + "/13000000.MALI");

    // Of two usable entries, the first the directory lists wins.
    dev.write(kPlatform + "/2d000000.mali/available_frequencies", "300\n");
    std::string first;
    for (const auto& entry : std::filesystem::directory_iterator(dev.host_path(kPlatform))) {
        std::string name = entry.path().filename().string();
        if ((name == "13000000.MALI" || name == "2d000000.mali") && first.empty()) first = name;
    }
    EXPECT_EQ(dev.run({"--gpu_info"}).lines().at(2), "Path: " + kPlatform + "/" + first);
}

TEST(GpuMtkE2e, BothEndsOfTheTable) {
    SimDevice v2("mtk_dimensity");
    v2.write(kMtkV2Table, table_of(16));
    EXPECT_EQ(v2.run({"--gpu_max", "0"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 0%", "[OK] MTK v2 OPP 15 applied"}));
    EXPECT_EQ(v2.read(kMtkV2Index), "15");
    EXPECT_EQ(v2.run({"--gpu_max", "200"}).lines().back(), "[OK] MTK v2 OPP 0 applied");
    EXPECT_EQ(v2.read(kMtkV2Index), "0");

    SimDevice v1("mtk_legacy");
    v1.write(kMtkV1Table, v1_table_of(16));
    EXPECT_EQ(v1.run({"--gpu_max", "0"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 0%", "[OK] MTK v1 OPP 15 applied"}));
    EXPECT_EQ(v1.read(kMtkV1Index), "885");  // the driver keeps the kHz of OPP 15
    EXPECT_EQ(v1.mode(kMtkV1Index), 0444u);
    EXPECT_EQ(v1.run({"--gpu_max", "200"}).lines().back(), "[OK] MTK v1 OPP 0 applied");
    EXPECT_EQ(v1.read(kMtkV1Index), "900");
}

TEST(GpuMtkE2e, FormulasPartWhereThePositionFallsBetweenLines) {
    // Ten lines with CRLF ends and none after the last: still ten.
    std::string table = table_of(10, "\r\n");
    table.resize(table.size() - 2);
    SimDevice v2("mtk_dimensity");
    v2.write(kMtkV2Table, table);
    EXPECT_EQ(v2.run({"--gpu_max", "55"}).lines().back(), "[OK] MTK v2 OPP 5 applied");
    std::string v1_table = v1_table_of(10, "\r\n");
    v1_table.resize(v1_table.size() - 2);
    SimDevice v1("mtk_legacy");
    v1.write(kMtkV1Table, v1_table);
    EXPECT_EQ(v1.run({"--gpu_max", "55"}).lines().back(), "[OK] MTK v1 OPP 4 applied");
    EXPECT_EQ(v1.read(kMtkV1Index), "896");
}

TEST(GpuMtkE2e, TableFailures) {
    SimDevice v2("mtk_dimensity");
    v2.write(kMtkV2Table, "");
    EXPECT_EQ(v2.run({"--gpu_max", "10"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 10%", "[ERROR] Empty OPP table", "[ERROR] Empty OPP table"}));

    v2.remove(kMtkV2Table);
    v2.mkdir(kMtkV2Table);
    EXPECT_EQ(v2.run({"--gpu_max", "10"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 10%", "[ERROR] Cannot read OPP table: Is a directory (os error 21)",
                     "[ERROR] Cannot read OPP table: Is a directory (os error 21)"}));
    v2.remove(kMtkV2Table);
    EXPECT_EQ(v2.run({"--gpu_max", "10"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 10%", "[ERROR] No OPP table found", "[ERROR] No OPP table found"}));

    // The older interface reports an unreadable table only once.
    SimDevice v1("mtk_legacy");
    v1.remove(kMtkV1Table);
    v1.mkdir(kMtkV1Table);
    EXPECT_EQ(v1.run({"--gpu_max", "10"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 10%", "[ERROR] Cannot read OPP table: Is a directory (os error 21)"}));
}

TEST(GpuMtkE2e, IndexWriteFailureAndReset) {
    SimDevice v1("mtk_legacy");
    v1.remove(kMtkV1Index);
    EXPECT_EQ(v1.run({"--gpu_max", "10"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 10%", "[ERROR] Failed to write OPP index: Failed to write to " +
                                                          kMtkV1Index + ": No such file or directory (os error 2)"}));
    EXPECT_EQ(v1.run({"--gpu_reset"}).lines(),
              (Lines{"[INFO] Resetting GPU frequencies...", "[ERROR] Failed to reset MTK v1 GPU: Failed to write to " +
                                                                kMtkV1Index + ": No such file or directory (os error 2)"}));
    v1.write(kMtkV1Index, "7");
    EXPECT_EQ(v1.run({"--gpu_reset"}).lines(), (Lines{"[INFO] Resetting GPU frequencies...", "[OK] MTK v1 GPU reset"}));
    EXPECT_EQ(v1.read(kMtkV1Index), "0");

    SimDevice v2("mtk_dimensity");
    v2.write(kMtkV2Index, "3");
    EXPECT_EQ(v2.run({"--gpu_reset"}).lines(),
              (Lines{"[INFO] Resetting GPU frequencies...", "[OK] MTK v2 GPU unlocked"}));
    EXPECT_EQ(v2.read(kMtkV2Index), "-1");
}

TEST(GpuMtkE2e, MinimumIsRefused) {
    SimDevice v2("mtk_dimensity");
    EXPECT_EQ(v2.run({"--gpu_min", "30"}).lines(),
              (Lines{"[INFO] Setting GPU Min to 30%", "[ERROR] MTK v2 does not support min frequency control",
                     "[INFO] Use --gpu_max instead", "[ERROR] MTK v2 does not support min frequency control"}));
    SimDevice v1("mtk_legacy");
    EXPECT_EQ(v1.run({"--gpu_min", "30"}).lines(),
              (Lines{"[INFO] Setting GPU Min to 30%", "[ERROR] GPU min node not found",
                     "[ERROR] GPU min node not found"}));
}

TEST(GpuBoundE2e, ListedFrequencyIntoTheChosenNodeOnly) {
    SimDevice dev("snapdragon");
    dev.write(kAdreno + "/available_frequencies", "818000000 600000000 600000000 200000000 \n");
    EXPECT_EQ(dev.run({"--gpu_min", "50"}).lines(),
              (Lines{"[INFO] Setting GPU Min to 50%", "[OK] GPU Min frequency set to 600000000"}));
    EXPECT_EQ(dev.read(kAdreno + "/min_freq"), "600000000");
    EXPECT_EQ(dev.read(kAdreno + "/max_freq"), "818000000");
    EXPECT_EQ(dev.run({"--gpu_max", "99"}).lines().back(), "[OK] GPU Max frequency set to 818000000");
    EXPECT_EQ(dev.mode(kAdreno + "/max_freq"), 0444u);

    dev.remove(kAdreno + "/max_freq");
    EXPECT_EQ(dev.run({"--gpu_max", "0"}).lines(),
              (Lines{"[INFO] Setting GPU Max to 0%", "[ERROR] Failed to set GPU max frequency: Failed to write to " +
                                                         kAdreno + "/max_freq: No such file or directory (os error 2)"}));
}

TEST(GpuResetE2e, EndsOfTheListLowerFirst) {
    SimDevice dev("mali");
    const std::string dir = kPlatform + "/1c500000.mali";
    dev.write(dir + "/available_frequencies", "848000 151000 471000\n");
    dev.chmod(dir + "/scaling_min_freq", 0444);
    dev.chmod(dir + "/scaling_max_freq", 0444);
    dev.run({"--gpu_reset"}, kShellUid);
    EXPECT_EQ(dev.calls_of("sh"), (std::vector<Call>{{"sh", "-c", "echo '151000' > " + dir + "/scaling_min_freq"},
                                                      {"sh", "-c", "echo '848000' > " + dir + "/scaling_max_freq"}}));
    dev.remove(dir + "/scaling_min_freq");  // a failed lower bound goes unmentioned
    EXPECT_EQ(dev.run({"--gpu_reset"}).lines(),
              (Lines{"[INFO] Resetting GPU frequencies...", "[OK] GPU frequencies reset"}));
    EXPECT_EQ(dev.read(dir + "/scaling_max_freq"), "848000");
}

TEST(GpuResetE2e, Failures) {
    SimDevice dev("snapdragon");
    const std::string source = kAdreno + "/available_frequencies";
    dev.remove(kAdreno + "/max_freq");
    EXPECT_EQ(dev.run({"--gpu_reset"}).lines(),
              (Lines{"[INFO] Resetting GPU frequencies...",
                     "[WARN] Failed to set GPU max: Failed to write to " + kAdreno +
                         "/max_freq: No such file or directory (os error 2)",
                     "[ERROR] Failed to reset GPU frequencies"}));
    dev.write(source, "none here\n");
    EXPECT_EQ(dev.run({"--gpu_reset"}).lines(),
              (Lines{"[INFO] Resetting GPU frequencies...", "[ERROR] Failed to reset GPU frequencies"}));
    dev.remove(source);
    dev.mkdir(source);
    EXPECT_EQ(dev.run({"--gpu_reset"}).lines(),
              (Lines{"[INFO] Resetting GPU frequencies...",
                     "[ERROR] Cannot read frequency source: Is a directory (os error 21)"}));
}

TEST(GpuListingE2e, NumbersInFileOrder) {
    SimDevice dev("snapdragon");
    const std::string source = kAdreno + "/available_frequencies";
    const Lines start = {"[INFO] Fetching GPU frequencies...", "GPU Type: adreno"};
    auto with = [&](const std::string& line) {
        Lines lines = start;
        lines.push_back(line);
        return lines;
    };
    dev.write(source, "300, 200,100\t7 \n");
    EXPECT_EQ(dev.run({"--get_freq_available_gpu"}).lines(), with("Available: 300 2001007"));
    dev.write(source, "none\n");
    EXPECT_EQ(dev.run({"--get_freq_available_gpu"}).lines(), with("Available: No frequencies found"));
    dev.remove(source);
    auto missing = dev.run({"--get_freq_available_gpu"});
    EXPECT_EQ(missing.lines(), with("Available: Error: No such file or directory (os error 2)"));
}

TEST(GpuInfoE2e, SourceChecks) {
    SimDevice dev("snapdragon");
    const std::string source = kAdreno + "/available_frequencies";
    dev.write(source, "only line");
    Lines lines = dev.run({"--gpu_info"}).lines();
    EXPECT_EQ(Lines(lines.begin() + 6, lines.end()),
              (Lines{"GPU Path: Exists", "Freq Source: Exists", "Sample frequencies:", "  only line"}));
    dev.remove(source);
    dev.mkdir(source);
    lines = dev.run({"--gpu_info"}).lines();
    EXPECT_EQ(Lines(lines.begin() + 6, lines.end()),
              (Lines{"GPU Path: Exists", "Freq Source: Exists", "Read Error: Is a directory (os error 21)"}));
    dev.remove(source);
    lines = dev.run({"--gpu_info"}).lines();
    EXPECT_EQ(Lines(lines.begin() + 6, lines.end()), (Lines{"GPU Path: Exists", "Freq Source: Not found"}));
}

}  // namespace
}  // namespace korvane::e2e
