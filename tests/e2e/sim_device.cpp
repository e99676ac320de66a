#include "sim_device.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifndef KORVANE_SOURCE_DIR
#error "KORVANE_SOURCE_DIR must name the source tree (it holds sim/run)"
#endif
#ifndef KORVANE_BINARY
#error "KORVANE_BINARY must name the korvane executable"
#endif
#ifndef KORVANE_KERNELFS
#error "KORVANE_KERNELFS must name the kernel file system daemon (sim/kernelfs)"
#endif
#ifndef KORVANE_EMULATOR
#define KORVANE_EMULATOR ""
#endif

namespace fs = std::filesystem;

namespace korvane::e2e {
namespace {

// sim/run's status when the phone itself cannot be set up
constexpr int kSimFailure = 2;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error("SimDevice: " + what);
}

[[noreturn]] void fail_errno(const std::string& what) {
    fail(what + ": " + std::strerror(errno));
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Runs argv with stdin on /dev/null and both outputs captured, draining them
// together so a chatty child cannot block on a full pipe.
RunResult run_captured(const std::vector<std::string>& argv) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) fail_errno("pipe");
    if (pipe2(err, O_CLOEXEC) != 0) fail_errno("pipe");
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) fail_errno("fork");
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        if (in < 0 || dup2(in, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0) _exit(126);
        // only 0, 1 and 2 may reach the phone: tests check what tools inherit
        close_range(3, ~0U, 0);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);

    RunResult result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open_count = 2;
    char buffer[65536];
    while (open_count > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            fail_errno("poll");
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) fail_errno("waitpid");
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string sim_script(const char* name) {
    return std::string(KORVANE_SOURCE_DIR) + "/sim/" + name;
}

std::string scratch_base() {
    if (access("/dev/shm", W_OK) == 0) return "/dev/shm";  // small files are cheap in memory
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

std::optional<std::string> read_if_present(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) fail("cannot write " + path);
}

// A new rule folder (with its final slash) in a folder of failure rules. Rules
// are tried in name order, so they are numbered in the order they were set.
std::string next_rule(const std::string& folder) {
    fs::create_directories(folder);
    auto count = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    std::string name = std::to_string(count);
    return folder + "/" + std::string(4 - std::min<size_t>(4, name.size()), '0') + name + "/";
}

// The invocation log escapes backslash, tab and newline; undo that.
std::string unescape(const std::string& field) {
    std::string text;
    for (std::string::size_type i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            char next = field[++i];
            text += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            text += field[i];
        }
    }
    return text;
}

}  // namespace

std::vector<std::string> RunResult::lines() const { return split_lines(out); }
std::vector<std::string> RunResult::err_lines() const { return split_lines(err); }

SimDevice::SimDevice(const std::string& profile, std::optional<int> api) {
    std::string pattern = scratch_base() + "/korvane-e2e.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) fail_errno("mkdtemp " + pattern);
    state_ = pattern;
    std::vector<std::string> argv = {sim_script("run"), "--device", profile, "--state", state_, "--init"};
    if (api) argv.insert(argv.end(), {"--api", std::to_string(*api)});
    RunResult r = run_captured(argv);
    if (r.status != 0) {
        fs::remove_all(state_);
        fail("cannot make a " + profile + " device: " + r.err);
    }
}

SimDevice::~SimDevice() {
    std::error_code ignored;
    fs::remove_all(state_, ignored);
}

std::string SimDevice::host_path(const std::string& phone_path) const {
    static const std::pair<const char*, const char*> roots[] = {
        {"/sys", "sys"},         {"/proc", "proc"},           {"/data", "data"},
        {"/storage", "storage"}, {"/dev/block", "dev_block"}, {"/system/bin", "system_bin"},
        {"/dev/cpuset", "cpuset"},
    };
    for (const auto& [root, folder] : roots) {
        std::string prefix = root;
        if (phone_path == prefix || phone_path.rfind(prefix + "/", 0) == 0) {
            return state_ + "/" + folder + phone_path.substr(prefix.size());
        }
    }
    fail("not a path of the simulated phone: " + phone_path);
}

std::string SimDevice::android_path(const std::string& relative) const {
    return state_ + "/android/" + relative;
}

void SimDevice::write(const std::string& path, const std::string& content, mode_t mode) {
    std::string host = host_path(path);
    write_file(host, content);
    chmod(path, mode);
}

void SimDevice::remove(const std::string& path) { fs::remove_all(host_path(path)); }

void SimDevice::mkdir(const std::string& path, mode_t mode) {
    fs::create_directories(host_path(path));
    chmod(path, mode);
}

void SimDevice::chmod(const std::string& path, mode_t mode) {
    if (::chmod(host_path(path).c_str(), mode) != 0) fail_errno("chmod " + path);
}

void SimDevice::symlink(const std::string& target, const std::string& path) {
    std::string host = host_path(path);
    fs::create_directories(fs::path(host).parent_path());
    fs::remove(host);
    fs::create_symlink(target, host);
}

void SimDevice::add_rule(const std::string& tool, const FailWhen& when, const std::string& action_file,
                         const std::string& action, const std::string& stderr_text) {
    std::string rule = next_rule(android_path("fail/" + tool));
    write_file(rule + action_file, action);
    if (!stderr_text.empty()) write_file(rule + "stderr", stderr_text);
    if (when.on_call > 0) write_file(rule + "call", std::to_string(when.on_call));
    if (!when.args_contain.empty()) write_file(rule + "match", when.args_contain);
}

void SimDevice::fail_tool(const std::string& tool, int exit_code, const std::string& stderr_text,
                          const FailWhen& when) {
    add_rule(tool, when, "code", std::to_string(exit_code), stderr_text);
}

void SimDevice::kill_on_tool_call(const std::string& tool, const FailWhen& when, int signal) {
    add_rule(tool, when, "signal", std::to_string(signal), "");
}

void SimDevice::remove_tool(const std::string& tool) { remove("/system/bin/" + tool); }

void SimDevice::set_prop(const std::string& name, const std::string& value) {
    write_file(android_path("props/" + name), value);
}

void SimDevice::remove_prop(const std::string& name) { fs::remove(android_path("props/" + name)); }

void SimDevice::set_setting(const std::string& ns, const std::string& key, const std::string& value) {
    write_file(android_path("settings/" + ns + "/" + key), value);
}

void SimDevice::set_packages(const std::vector<std::string>& packages) {
    std::string text;
    for (const auto& p : packages) text += p + "\n";
    write_file(android_path("packages"), text);
}

void SimDevice::set_games(const std::vector<std::string>& packages) {
    std::string text;
    for (const auto& p : packages) text += p + "\n";
    write_file(android_path("games"), text);
}

void SimDevice::set_api(int api) {
    RunResult r = run_captured({sim_script("run"), "--state", state_, "--api", std::to_string(api), "--init"});
    if (r.status != 0) fail("cannot set API level " + std::to_string(api) + ": " + r.err);
}

void SimDevice::set_dumpsys(const std::string& service, const std::string& text) {
    write_file(android_path("dumpsys/" + service), text);
}

void SimDevice::set_latency_periods(const std::vector<std::string>& first_lines) {
    std::string text;
    for (const auto& line : first_lines) text += line + "\n";
    write_file(android_path("latency_queue"), text);
}

void SimDevice::trace_fds() { write_file(android_path("trace_fds"), ""); }

RunResult SimDevice::sim_run(const std::vector<std::string>& options,
                             const std::vector<std::string>& args) const {
    // korvane of this build, also for programs that start it themselves
    std::vector<std::string> argv = {sim_script("run"), "--state", state_, "--korvane", KORVANE_BINARY,
                                     "--kernelfs", KORVANE_KERNELFS};
    if (std::string(KORVANE_EMULATOR).size() > 0) argv.insert(argv.end(), {"--emulator", KORVANE_EMULATOR});
    if (KORVANE_SANITIZED) argv.push_back("--sanitizer-log");
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("--");
    argv.insert(argv.end(), args.begin(), args.end());
    RunResult result = run_captured(argv);
    if (result.status == kSimFailure && result.err.find("(FUSE)") != std::string::npos) {
        // no phone can run here: one line says why, instead of every test failing on its own
        std::fputs(result.err.c_str(), stderr);
        std::exit(kSimFailure);
    }
    if (KORVANE_SANITIZED) expect_no_sanitizer_report();
    return result;
}

// A sanitized korvane writes its reports to files in the state; any line
// but the start-up note about the missing procfs is a finding.
void SimDevice::expect_no_sanitizer_report() const {
    for (const auto& entry : fs::directory_iterator(android_path(""))) {
        if (entry.path().filename().string().rfind("sanitizer.", 0) != 0) continue;
        std::string report;
        for (const auto& line : split_lines(read_if_present(entry.path().string()).value_or(""))) {
            if (line.find("reading executable name failed") == std::string::npos) report += line + "\n";
        }
        EXPECT_EQ(report, "") << "sanitizer report of a korvane run";
        fs::remove(entry.path());
    }
}

RunResult SimDevice::run(const std::vector<std::string>& args, std::optional<int> uid) const {
    std::vector<std::string> options;
    if (uid) options = {"--uid", std::to_string(*uid)};
    return sim_run(options, args);
}

RunResult SimDevice::run_scenario(const std::string& scenario, const std::vector<std::string>& args) const {
    std::string file = state_ + "/scenario";
    write_file(file, scenario);
    return sim_run({"--scenario", file}, args);
}

std::vector<std::string> SimDevice::scenario_log() const {
    return split_lines(read_if_present(android_path("scenario_log")).value_or(""));
}

std::vector<NodeWrite> SimDevice::node_writes() const {
    long long start = std::stoll(read_if_present(android_path("scenario_start")).value_or("0"));
    std::vector<NodeWrite> writes;
    for (const auto& line : split_lines(read_if_present(android_path("node_writes")).value_or(""))) {
        std::vector<std::string> f;
        std::string::size_type at = 0;
        for (auto tab = line.find('\t'); tab != std::string::npos; at = tab + 1, tab = line.find('\t', at)) {
            f.push_back(line.substr(at, tab - at));
        }
        f.push_back(line.substr(at));
        if (f.size() < 5) continue;
        writes.push_back({std::stoll(f[3]) - start, f[0], f[1], f[2], f[4]});
    }
    return writes;
}

RunResult SimDevice::run_program(const std::string& program, const std::vector<std::string>& args,
                                 std::optional<int> uid) const {
    std::vector<std::string> options = {"--program", program};
    if (uid) options.insert(options.end(), {"--uid", std::to_string(*uid)});
    return sim_run(options, args);
}

std::string SimDevice::read(const std::string& path) const {
    auto text = read_if_present(host_path(path));
    if (!text) fail("cannot read " + path);
    return *text;
}

bool SimDevice::exists(const std::string& path) const {
    struct stat st;
    return lstat(host_path(path).c_str(), &st) == 0;
}

mode_t SimDevice::mode(const std::string& path) const {
    struct stat st;
    if (lstat(host_path(path).c_str(), &st) != 0) fail_errno("stat " + path);
    return st.st_mode & 07777;
}

std::vector<Call> SimDevice::calls() const {
    std::vector<Call> calls;
    for (const auto& line : split_lines(read_if_present(android_path("calls")).value_or(""))) {
        Call call;
        std::string::size_type start = 0;
        while (true) {
            auto tab = line.find('\t', start);
            call.push_back(unescape(line.substr(start, tab - start)));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

std::vector<Call> SimDevice::calls_of(const std::string& program) const {
    std::vector<Call> selected;
    for (auto& call : calls()) {
        if (call.front() == program) selected.push_back(std::move(call));
    }
    return selected;
}

void SimDevice::clear_calls() { fs::remove(android_path("calls")); }

std::optional<std::string> SimDevice::setting(const std::string& ns, const std::string& key) const {
    return read_if_present(android_path("settings/" + ns + "/" + key));
}

std::optional<std::string> SimDevice::prop(const std::string& name) const {
    return read_if_present(android_path("props/" + name));
}

std::optional<std::string> SimDevice::device_config(const std::string& ns, const std::string& key) const {
    return read_if_present(android_path("device_config/" + ns + "/" + key));
}

std::optional<std::string> SimDevice::game_mode(const std::string& package) const {
    return read_if_present(android_path("game_mode/" + package));
}

std::optional<std::string> SimDevice::appop(const std::string& package, const std::string& op) const {
    return read_if_present(android_path("appops/" + package + "/" + op));
}

bool SimDevice::idle_whitelisted(const std::string& package) const {
    return fs::exists(android_path("deviceidle/whitelist/" + package));
}

void SimDevice::kill_on_node_write(int signal, const NodeWriteWhen& when) {
    std::string rule = next_rule(android_path("fail/node"));
    write_file(rule + "signal", std::to_string(signal));
    if (when.on_call > 0) write_file(rule + "call", std::to_string(when.on_call));
    if (!when.path_contains.empty()) write_file(rule + "match", when.path_contains);
}

void SimDevice::reboot() {
    RunResult r = run_captured({sim_script("run"), "--state", state_, "--reboot"});
    if (r.status != 0) fail("cannot reboot: " + r.err);
}

void SimDevice::set_charger(bool plugged) {
    RunResult r = run_captured({sim_script("run"), "--state", state_, "--charger", plugged ? "usb" : "none"});
    if (r.status != 0) fail("cannot plug or pull the charger: " + r.err);
}

void SimDevice::sync_device_config(const std::string& ns, const std::vector<std::string>& pairs) {
    std::vector<std::string> argv = {sim_script("run"), "--state", state_, "--sync-device-config", ns};
    argv.insert(argv.end(), pairs.begin(), pairs.end());
    RunResult r = run_captured(argv);
    if (r.status != 0) fail("cannot sync " + ns + ": " + r.err);
}

RunResult SimDevice::vendor_write(const std::string& path, const std::string& value) const {
    return sim_run({"--vendor-write", path, value}, {});
}

int SimDevice::api() const {
    auto sdk = prop("ro.build.version.sdk");
    if (!sdk) fail("the phone names no release");
    return std::stoi(*sdk);
}

// sim/effect's answer: "name=value" lines.
std::vector<std::string> SimDevice::effect(const std::vector<std::string>& question) const {
    std::vector<std::string> argv = {sim_script("effect"), state_};
    argv.insert(argv.end(), question.begin(), question.end());
    RunResult r = run_captured(argv);
    if (r.status != 0) fail("sim/effect failed: " + r.err);
    std::vector<std::string> values;
    for (const auto& line : split_lines(r.out)) values.push_back(line.substr(line.find('=') + 1));
    return values;
}

GameState SimDevice::game_state(const std::string& package) const {
    auto v = effect({"game", package});
    if (v.size() != 6) fail("sim/effect game: unexpected answer");
    GameState state;
    state.game = v[0] == "1";
    state.mode = std::stoi(v[1]);
    state.modes = v[2];
    if (!v[3].empty()) state.downscale = v[3];
    if (!v[4].empty()) state.fps = std::stoi(v[4]);
    state.notes = v[5];
    return state;
}

DozeState SimDevice::doze(const std::string& package) const {
    auto v = effect({"doze", package});
    if (v.size() != 4) fail("sim/effect doze: unexpected answer");
    return {v[0] == "1", v[1] == "1", v[2] == "1", v[3] == "1"};
}

std::optional<std::string> SimDevice::surfaceflinger_abort() const {
    auto v = effect({"surfaceflinger"});
    if (v.size() != 1) fail("sim/effect surfaceflinger: unexpected answer");
    if (v[0].empty()) return std::nullopt;
    return v[0];
}

std::vector<std::string> SimDevice::leaked_fds() const {
    return split_lines(read_if_present(android_path("fds")).value_or(""));
}

std::string SimDevice::diff() const {
    RunResult r = run_captured({sim_script("diff"), state_});
    if (r.status != 0) fail("sim/diff failed: " + r.err);
    return r.out;
}

}  // namespace korvane::e2e
