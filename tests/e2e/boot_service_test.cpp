// The module's boot service and `--on_boot`: the stored mode is applied once
// Android has booted, and a boot whose run never finished is not repeated.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "sim_device.h"

namespace korvane::e2e {
namespace {

const std::string kService = "/data/adb/modules/korvane/service.sh";
const std::string kStored = "/data/adb/korvane/boot";
const std::string kMarker = "/data/adb/korvane/boot.running";
const std::string kLog = "/data/adb/korvane/boot.log";

// A phone with the module installed as a root manager lays it out.
void install_module(SimDevice& dev) {
    std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/packaging/module/service.sh");
    std::stringstream script;
    script << in.rdbuf();
    dev.write(kService, script.str(), 0755);
    dev.symlink("/sim/bin/korvane", "/system/bin/korvane");
}

RunResult boot(const SimDevice& dev) { return dev.run_program("/system/bin/mksh", {kService}); }

TEST(BootService, AppliesTheStoredModeOncePerBoot) {
    SimDevice dev("snapdragon");
    install_module(dev);
    EXPECT_EQ(dev.run({"--on_boot", "gamemode"}).lines(), Lines{"[OK] gamemode will be applied at every boot"});
    EXPECT_EQ(dev.read(kStored), "gamemode");
    EXPECT_EQ(dev.mode(kStored), 0600u);

    EXPECT_EQ(boot(dev).status, 0);
    const std::string log = dev.read(kLog);
    EXPECT_EQ(log.rfind("[INFO] Starting auto setup for gamemode...\n", 0), 0u) << log;
    EXPECT_NE(log.find("[OK] Game Mode setup completed\n"), std::string::npos) << log;
    EXPECT_FALSE(dev.exists(kMarker));
    EXPECT_TRUE(dev.setting("global", "activity_manager_constants").has_value());
}

TEST(BootService, ARunThatNeverFinishedIsSkippedAndSaysWhy) {
    SimDevice dev("snapdragon");
    install_module(dev);
    (void)dev.run({"--on_boot", "batterymode"});
    dev.write(kMarker, "");  // the phone restarted while the mode was applied
    dev.clear_calls();
    EXPECT_EQ(boot(dev).status, 0);
    EXPECT_EQ(dev.read(kLog),
              "[WARN] Skipped batterymode at this boot: the run at an earlier boot did not finish. "
              "Run 'korvane --on_boot batterymode' to try again.\n");
    EXPECT_TRUE(dev.exists(kMarker));
    EXPECT_EQ(dev.calls_of("settings").size(), 0u);

    // Choosing the mode again clears the guard.
    (void)dev.run({"--on_boot", "batterymode"});
    EXPECT_FALSE(dev.exists(kMarker));
    EXPECT_EQ(boot(dev).status, 0);
    EXPECT_NE(dev.read(kLog).find("[OK] Battery Mode setup completed"), std::string::npos) << dev.read(kLog);
}

TEST(BootService, OffAndUnknownModes) {
    SimDevice dev("snapdragon");
    install_module(dev);
    (void)dev.run({"--on_boot", "normalmode"});
    EXPECT_EQ(dev.run({"--on_boot", "off"}).lines(), Lines{"[OK] No mode will be applied at boot"});
    EXPECT_FALSE(dev.exists(kStored));
    EXPECT_EQ(dev.run({"--on_boot", "off"}).lines(), Lines{"[OK] No mode will be applied at boot"});
    EXPECT_EQ(boot(dev).status, 0);
    EXPECT_FALSE(dev.exists(kLog));

    EXPECT_EQ(dev.run({"--on_boot", "Gamemode"}).lines(),
              (Lines{"[ERROR] Unknown mode: Gamemode", "[INFO] Available modes: gamemode, normalmode, batterymode, off"}));
    EXPECT_FALSE(dev.exists(kStored));
    EXPECT_EQ(dev.run({"--on_boot"}).err_lines(),
              (Lines{"Error: Missing argument", "Usage: --on_boot <gamemode|normalmode|batterymode|off>"}));
}

}  // namespace
}  // namespace korvane::e2e
