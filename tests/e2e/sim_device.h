#pragma once
// A simulated Android phone for end-to-end tests. Each SimDevice is a state
// folder made from a device profile (sim/devices/NAME): a test changes it,
// runs korvane on it inside the sandbox of sim/run, and then inspects files,
// modes, the framework's state and the device-tool calls.
//
//   SimDevice dev("snapdragon");
//   dev.fail_tool("settings", 1, "boom\n", {.on_call = 3});
//   auto r = dev.run({"--perf_sys"});
//   EXPECT_EQ(r.lines().back(), "[ERROR] Command failed: ...");
//   EXPECT_EQ(dev.calls().size(), 3u);
//
// Paths are the phone's own (/sys, /proc, /data, /storage, /dev/block,
// /system/bin). Setup mistakes throw std::runtime_error, failing the test.
// The phone's /sys and /proc follow a kernel's rules (sim/kernelfs), but the
// accessors here work on the state folder's files directly: a node's file
// holds its value without the newline a read through the kernel adds.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace korvane::e2e {

// Output lines, as RunResult::lines() gives them.
using Lines = std::vector<std::string>;

// Android's shell user: an unprivileged uid for run(), under which a 0444
// node refuses a write with EACCES.
inline constexpr int kShellUid = 2000;

struct RunResult {
    std::string out;  // standard output, byte for byte
    std::string err;  // standard error, byte for byte
    int status = -1;  // exit status; 128 + the signal number when killed

    // Standard output (or error) cut at newlines; a final newline ends the
    // last line rather than starting an empty one.
    std::vector<std::string> lines() const;
    std::vector<std::string> err_lines() const;
};

// When a tool made to fail does so, e.g. {.on_call = 3} or {.args_contain = "com.x "};
// both limits may be combined, and {} fails every call.
struct FailWhen {
    int on_call = 0;           // only its Nth call (from 1, over the device's life); 0: every call
    std::string args_contain;  // only when its arguments joined by blanks contain this; empty: always
};

// Which open for writing of a node kill_on_node_write() strikes, e.g.
// {.on_call = 2} or {.path_contains = "scaling_max_freq"}; {} strikes every one.
struct NodeWriteWhen {
    int on_call = 0;            // only the Nth (from 1, over the device's life); 0: every one
    std::string path_contains;  // only a node whose path contains this; empty: any
};

// A device-tool invocation: the program name, then each argument exactly.
using Call = std::vector<std::string>;

// What the game manager makes of a package (sim/effect): the mode in force
// (0: unsupported), the modes on offer, and the downscale and FPS cap in force.
struct GameState {
    bool game = false;  // the game manager handles it: an installed game, Android 12+
    int mode = 0;
    std::string modes;                     // e.g. "1 2 4"
    std::optional<std::string> downscale;  // the factor's text as stored
    std::optional<int> fps;
    std::string notes;                     // why stored values do nothing
};

// A package's standing with doze.
struct DozeState {
    bool system_listed = false;  // on the system allow-list (the phone's sysconfig, less removals)
    bool user_listed = false;
    bool deep_enabled = true;    // `deviceidle disable` turned deep doze off when false
    bool applies = false;        // doze restricts the package
};

// A node write of a scenario run (sim/run --scenario), as the kernel saw it.
struct NodeWrite {
    long long ms = 0;    // ms from korvane's start (the scenario's time 0)
    std::string path;    // the phone's path, e.g. /dev/cpuset/top-app/cgroup.procs
    std::string input;   // what was written, with \n, \t and \\ escaped
    std::string outcome; // "ok" or the errno's name
    std::string writer;  // the writing process's name: "driver" (the phone's world) or korvane's
};

class SimDevice {
public:
    // The profile's own Android release, or the API level given (24 to 35).
    explicit SimDevice(const std::string& profile = "snapdragon", std::optional<int> api = std::nullopt);
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Changes before a run. Parent folders are created as needed.
    void write(const std::string& path, const std::string& content, mode_t mode = 0644);
    void remove(const std::string& path);  // a file, link or whole folder; absent is fine
    void mkdir(const std::string& path, mode_t mode = 0755);
    void chmod(const std::string& path, mode_t mode);
    void symlink(const std::string& target, const std::string& path);

    // The device tools (settings, cmd, dumpsys, getprop, setprop, am, svc, find,
    // dd, sync, sh). A failing tool still appears in calls(). Several rules may
    // be set per tool; the first that applies wins.
    void fail_tool(const std::string& tool, int exit_code, const std::string& stderr_text = "",
                   const FailWhen& when = {});
    void remove_tool(const std::string& tool);
    // The kernel kills the process that opens a node for writing with this
    // signal instead of opening it: a crash in the middle of a command.
    void kill_on_node_write(int signal, const NodeWriteWhen& when = {});

    // A reboot: /sys and /proc come back as the profile has them, with a new
    // /proc/sys/kernel/random/boot_id; debug.* properties are dropped; the rest
    // of the framework's state and /data stay.
    void reboot();
    // Plugs the charger in (again: a replug releases a latched switch) or
    // pulls it out, as sim/run --charger does. A new phone has it in.
    void set_charger(bool plugged);
    // The server pushes a device_config namespace (sim/run --sync-device-config);
    // a root vendor service writes a node with the kernel's rules (--vendor-write).
    void sync_device_config(const std::string& ns, const std::vector<std::string>& pairs = {});
    RunResult vendor_write(const std::string& path, const std::string& value) const;
    // Crash injection: when the rule applies, the tool sends `signal` to its
    // caller (korvane) and exits having done nothing. Still logged in calls().
    void kill_on_tool_call(const std::string& tool, const FailWhen& when = {}, int signal = 9);

    // The framework's state.
    void set_prop(const std::string& name, const std::string& value);
    void remove_prop(const std::string& name);
    void set_setting(const std::string& ns, const std::string& key, const std::string& value);
    void set_packages(const std::vector<std::string>& packages);       // what `cmd package list packages` lists
    void set_games(const std::vector<std::string>& packages);          // which installed packages are games
    void set_api(int api);  // runs the phone as that release from now on, as sim/run --api does
    void set_dumpsys(const std::string& service, const std::string& text);  // e.g. "game", "SurfaceFlinger"
    // First lines of the next `dumpsys SurfaceFlinger --latency` calls, one per
    // call in order; once used up, the profile's refresh period comes back.
    void set_latency_periods(const std::vector<std::string>& first_lines);
    // Makes every tool record the descriptors above 2 it inherited; see leaked_fds().
    void trace_fds();

    // Runs korvane with these arguments, as root or as an unprivileged uid.
    RunResult run(const std::vector<std::string>& args, std::optional<int> uid = std::nullopt) const;
    // Runs korvane with these arguments while the scenario driver plays
    // `scenario` (sim/run --scenario: "<seconds> <verb> <args>" lines, see
    // sim/scenario/driver); the result is korvane's. Paths of the phone's
    // cpuset are /dev/cpuset/...; remove("/dev/cpuset") makes a phone without one.
    RunResult run_scenario(const std::string& scenario, const std::vector<std::string>& args) const;
    // What the driver did, one line per event ("+S.mmm verb args: what").
    std::vector<std::string> scenario_log() const;
    // The node writes of the last scenario run, in order.
    std::vector<NodeWrite> node_writes() const;
    // Runs another program of the phone, e.g. /system/bin/sh.
    RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                          std::optional<int> uid = std::nullopt) const;

    // State after runs.
    std::string read(const std::string& path) const;  // throws when unreadable
    bool exists(const std::string& path) const;       // does not follow a final link
    mode_t mode(const std::string& path) const;       // permission bits, e.g. 0444
    std::vector<Call> calls() const;
    std::vector<Call> calls_of(const std::string& program) const;
    void clear_calls();
    std::optional<std::string> setting(const std::string& ns, const std::string& key) const;
    std::optional<std::string> prop(const std::string& name) const;
    std::optional<std::string> device_config(const std::string& ns, const std::string& key) const;
    std::optional<std::string> game_mode(const std::string& package) const;
    std::optional<std::string> appop(const std::string& package, const std::string& op) const;
    bool idle_whitelisted(const std::string& package) const;  // on the user allow-list
    int api() const;                                           // the release the tools answer as
    GameState game_state(const std::string& package) const;
    DozeState doze(const std::string& package = "com.google.android.gms") const;
    // Why SurfaceFlinger would abort at its next start; nullopt when it starts.
    std::optional<std::string> surfaceflinger_abort() const;
    // One line per tool call while tracing: "tool:" and the inherited
    // descriptors above 2, each after a blank ("getprop:" when none).
    std::vector<std::string> leaked_fds() const;
    std::string diff() const;  // sim/diff's report

    // Where a phone path lives in the state folder on this machine.
    std::string host_path(const std::string& phone_path) const;
    const std::string& state_dir() const { return state_; }

private:
    RunResult sim_run(const std::vector<std::string>& options, const std::vector<std::string>& args) const;
    std::string android_path(const std::string& relative) const;
    void expect_no_sanitizer_report() const;
    void add_rule(const std::string& tool, const FailWhen& when, const std::string& action_file,
                  const std::string& action, const std::string& stderr_text);
    std::vector<std::string> effect(const std::vector<std::string>& question) const;

    std::string state_;
};

}  // namespace korvane::e2e
