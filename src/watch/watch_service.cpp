#include "watch/watch_service.h"

#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <set>
#include <string>

#include "android/cpuset.h"
#include "android/event_log.h"
#include "android/packages_list.h"
#include "android/power_dump.h"
#include "android/power_uevent.h"
#include "android/process_info.h"
#include "charging/charge_reading.h"
#include "charging/charge_switches.h"
#include "config/charge_limit.h"
#include "config/per_app.h"
#include "journal/change_policy.h"
#include "journal/node_change.h"
#include "journal/tool_commands.h"
#include "os/child_process.h"
#include "os/number_parse.h"
#include "os/os_error.h"
#include "os/output.h"
#include "os/time_limits.h"
#include "os/uevent_socket.h"
#include "watch/charge_hold.h"
#include "watch/decider.h"
#include "watch/event_loop.h"
#include "watch/foreground.h"
#include "watch/heat_watch.h"
#include "watch/limit_decider.h"
#include "watch/session.h"
#include "watch/watch_instance.h"
#include "watch/watch_log.h"

namespace korvane {
namespace {

// The framework writes top-app once per thread on 7-12: the burst ends
// within this, and the group is read once after it.
constexpr uint64_t kBurstWaitMs = 150;
// Below the apps (0) and above the kernel's own and init's (-1000): killed by
// the kernel's OOM killer only after every app, and never by lmkd, which
// knows only processes registered with it.
constexpr int32_t kOwnOomScoreAdj = -800;
// healthd's cadence on a charger: some firmware sends no uevent with the
// screen off, and the level must still be caught.
constexpr uint64_t kChargerAlarmMs = 60000;
constexpr const char* kBatteryDir = "/sys/class/power_supply/battery/";

// What the message did not carry, read from the battery's nodes.
void fill_from_nodes(BatteryReading& reading) {
    if (!reading.capacity) {
        if (auto text = read_node(str_cat(kBatteryDir, "capacity"))) {
            if (auto n = parse_u64(trim(*text)); n && *n <= 100) reading.capacity = static_cast<uint32_t>(*n);
        }
    }
    if (!reading.temp_tenths) {
        if (auto text = read_node(str_cat(kBatteryDir, "temp"))) reading.temp_tenths = parse_i32(trim(*text));
    }
}

std::string describe(const Wanted& w) {
    std::string text = str_cat(profile_word(w.profile.profile), " profile");
    if (w.profile.cpu_max) text += str_cat(", CPU max ", *w.profile.cpu_max, " %");
    if (w.profile.gpu_max) text += str_cat(", GPU max ", *w.profile.gpu_max, " %");
    return text;
}

void report_closed(const ClosedSession& closed, std::string_view how) {
    watch_out("[INFO] ", how, closed.restored, " values back as they were");
    for (const std::string& path : closed.kept) watch_out("[INFO] kept: ", path, " was changed during the session");
    for (const std::string& failure : closed.failed) watch_out("[WARN] Failed to put back ", failure);
}

// Closes a session a service that died left open.
void repair_left_session() {
    auto closed = close_session();
    if (!closed) {
        watch_out("[WARN] ", closed.error());
    } else if (*closed) {
        report_closed(**closed, str_cat("Closed the session of ", (*closed)->name, " left open: "));
    }
}

class Service {
public:
    Service(PerAppConfig config, std::optional<ChargeLimit> limit)
        : decider_(std::move(config)), speedup_(watch_speedup()), heat_(speedup_) {
        if (limit) limit_.emplace(*limit);
    }

    Result<void> run(std::optional<std::string> cpuset);

private:
    uint64_t delay(uint64_t ms) const { return ms / speedup_; }
    void on_inotify();
    void on_event_log();
    void on_signal();
    void on_timer();
    void read_front(uint64_t since_ms);
    void make(const Switch& change);
    void arm();
    Result<void> start_limit();
    void on_uevent();
    void on_alarm();
    void check_battery(BatteryReading reading);

    Decider decider_;
    std::optional<LimitDecider> limit_;
    ChargeHold hold_;
    UniqueFd uevents_;
    Timer alarm_;
    ChargeMeter meter_;
    unsigned speedup_;
    EventLoop loop_;
    Timer timer_;
    HeatWatch heat_;
    UniqueFd inotify_;
    UniqueFd signals_;
    std::optional<StartedChild> logcat_;
    std::string log_buffer_;
    std::optional<std::string> cpuset_;
    PackageMap packages_;
    std::optional<uint64_t> burst_due_;
    uint64_t burst_start_ = 0;  // the burst's first event: the settle time counts from it
    std::optional<std::string> last_resumed_;
    bool cpuset_unsure_ = true;  // the group left 0 or 2+ packages: the event log decides
};

void Service::arm() {
    std::optional<uint64_t> due = decider_.due();
    if (burst_due_ && (!due || *burst_due_ < *due)) due = burst_due_;
    timer_.arm_at(due);
}

void Service::read_front(uint64_t since_ms) {
    auto text = read_node(top_app_procs(*cpuset_));
    std::optional<std::string> one;
    if (text) one = the_one(foreground_packages(parse_pids(*text), "/proc", packages_));
    cpuset_unsure_ = !one;
    decider_.on_front(one ? one : last_resumed_, since_ms);
}

void Service::on_inotify() {
    char buffer[4096];
    while (::read(inotify_.get(), buffer, sizeof buffer) > 0) {
    }
    if (!burst_due_) {
        burst_start_ = now_ms();
        burst_due_ = burst_start_ + delay(kBurstWaitMs);
    }
    arm();
}

void Service::on_event_log() {
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(logcat_->out.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;  // EAGAIN: drained
        if (n == 0) {
            watch_out("[WARN] The event log ended: screen changes are no longer seen");
            loop_.remove(logcat_->out.get());
            logcat_->out.reset();
            return;
        }
        log_buffer_.append(buffer, static_cast<size_t>(n));
    }
    for (size_t end; (end = log_buffer_.find('\n')) != std::string::npos; log_buffer_.erase(0, end + 1)) {
        EventLine line = parse_event_line(std::string_view(log_buffer_).substr(0, end));
        if (line.kind == EventLine::Kind::screen) {
            decider_.on_screen(line.screen_on, now_ms());
            heat_.on_screen(decider_.screen_on());
        } else if (line.kind == EventLine::Kind::resumed) {
            last_resumed_ = line.package;
            // The cpuset speaks for itself when it names one app.
            if (!cpuset_ || cpuset_unsure_) decider_.on_front(last_resumed_, now_ms());
        }
    }
    if (log_buffer_.size() > 64 * 1024) log_buffer_.clear();  // no line is that long
    arm();
}

void Service::on_signal() {
    struct signalfd_siginfo info {};
    while (::read(signals_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGCHLD) {
            while (::waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            continue;
        }
        loop_.stop();
    }
}

void Service::on_timer() {
    timer_.drain();
    const uint64_t now = now_ms();
    if (burst_due_ && *burst_due_ <= now) {
        burst_due_.reset();
        read_front(burst_start_);
    }
    if (auto change = decider_.take_due(now_ms())) make(*change);
    arm();
}

void Service::make(const Switch& change) {
    if (change.from) {
        auto closed = close_session();
        if (!closed) {
            watch_out("[WARN] ", closed.error());
        } else if (*closed) {
            report_closed(**closed, change.from->screen_off ? "Screen on: " : change.from->name + " left: ");
        }
        heat_.closed();
    }
    if (change.to) {
        std::vector<NodeWrite> writes = profile_writes(change.to->profile);
        heat_.before_open(*change.to, writes);
        auto opened = open_session(change.to->name, writes);
        if (!opened) {
            watch_out("[WARN] ", opened.error());
        } else if (change.to->screen_off) {
            watch_out("[INFO] Screen off: ", describe(*change.to));
        } else {
            watch_out("[INFO] ", change.to->name, " in front: ", describe(*change.to));
        }
        if (opened) heat_.opened(*change.to, decider_.screen_on());
    }
}

Result<void> Service::start_limit() {
    const ChargeLimit& limit = limit_->limit();
    watch_out("[INFO] Charge limit: pause at ", limit.pause, " %, resume at ", limit.resume, " %, hold from ",
              limit.max_temp, " °C until below ", limit.resume_temp, " °C");
    if (auto opened = alarm_.open_alarm(); !opened) return opened;
    if (auto added = loop_.add(alarm_.fd(), [this] { on_alarm(); }, true); !added) return added;
    if (auto sock = open_uevent_socket()) {
        uevents_ = std::move(sock).value();
        if (auto added = loop_.add(uevents_.get(), [this] { on_uevent(); }, true); !added) return added;
    } else {
        watch_out("[WARN] Charge limit: cannot follow the battery's uevents: ", sock.error());
    }
    meter_ = take_charge_baseline(own_cut_in_force(present_switches())).meter;
    check_battery({});
    return success();
}

void Service::on_uevent() {
    bool battery = false;
    BatteryReading reading;
    while (auto message = receive_uevent(uevents_.get())) {
        auto event = parse_power_uevent(*message);
        if (!event) continue;
        battery = true;
        if (event->name == "battery") {
            if (event->capacity) reading.capacity = event->capacity;
            if (event->temp_tenths) reading.temp_tenths = event->temp_tenths;
        }
    }
    if (battery) check_battery(reading);
}

void Service::on_alarm() {
    alarm_.drain();
    check_battery({});
}

void Service::check_battery(BatteryReading reading) {
    fill_from_nodes(reading);
    // A replug or a reboot reset the switch: the pause is set again when still due.
    if (hold_.paused() && !hold_.still_paused()) {
        hold_.forget();
        limit_->forget_pause();
    }
    if (auto change = limit_->on_reading(reading)) {
        if (change->pause) {
            if (!hold_.pause(change->reason)) limit_->forget_pause();
        } else {
            hold_.resume("at " + change->reason);
        }
    }
    // Our own cut hides the cable on some phones: a pause counts as plugged in.
    const bool charger = hold_.paused() || read_charge_sample(meter_).online != false;
    alarm_.arm_in(charger ? std::optional<uint64_t>(delay(kChargerAlarmMs)) : std::nullopt);
}

Result<void> Service::run(std::optional<std::string> cpuset) {
    cpuset_ = std::move(cpuset);
    if (auto list = read_packages_list()) {
        packages_ = std::move(list).value();
    } else {
        watch_out("[WARN] ", list.error());
    }
    if (auto opened = loop_.open(); !opened) return opened;
    if (auto opened = timer_.open(); !opened) return opened;
    if (auto added = loop_.add(timer_.fd(), [this] { on_timer(); }); !added) return added;
    if (auto opened = heat_.open(loop_); !opened) return opened;

    sigset_t mask;
    sigemptyset(&mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&mask, sig);
    ::sigprocmask(SIG_BLOCK, &mask, nullptr);
    int sfd = ::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    if (sfd < 0) return error("signalfd: " + os_error_text(errno));
    signals_.reset(sfd);
    if (auto added = loop_.add(sfd, [this] { on_signal(); }); !added) return added;

    if (cpuset_) {
        int ifd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (ifd < 0) return error("inotify: " + os_error_text(errno));
        inotify_.reset(ifd);
        bool watched = false;
        for (const std::string& path : {top_app_procs(*cpuset_), top_app_tasks(*cpuset_)}) {
            watched = ::inotify_add_watch(ifd, path.c_str(), IN_MODIFY) >= 0 || watched;
        }
        if (!watched) {
            cpuset_.reset();
        } else if (auto added = loop_.add(ifd, [this] { on_inotify(); }); !added) {
            return added;
        }
    }
    if (auto power = run_command_output("dumpsys", {"power"})) {
        if (auto on = screen_on_in_power_dump(*power)) decider_.on_screen(*on, now_ms());
    }
    if (auto child = start_child(kLogcat, event_log_args(), tool_search_path())) {
        logcat_ = std::move(child).value();
        int out_fd = logcat_->out.get();
        ::fcntl(out_fd, F_SETFL, ::fcntl(out_fd, F_GETFL) | O_NONBLOCK);
        logcat_->err.reset();  // logcat's complaints are not read: it may not block on them
        if (auto added = loop_.add(out_fd, [this] { on_event_log(); }); !added) return added;
    } else {
        watch_out("[WARN] Cannot follow the event log: ", child.error());
    }

    const PerAppConfig& config = decider_.config();
    watch_out("[INFO] Watching ", config.apps.size(), " apps (screen off: ",
              config.screen_off ? profile_word(config.screen_off->profile) : "no change", ")");
    if (cpuset_) read_front(now_ms());
    if (limit_) {
        if (auto started = start_limit(); !started) return started;
    }
    arm();
    auto ran = loop_.run();
    if (auto change = decider_.take_all()) make(*change);
    if (hold_.paused()) hold_.resume("as korvane --watch stops");
    if (logcat_ && logcat_->pid > 0) {
        ::kill(logcat_->pid, SIGKILL);
        ::waitpid(logcat_->pid, nullptr, 0);
    }
    watch_out("[OK] korvane --watch stopped");
    return ran;
}

// Started from the page, the service would sit in the manager app's own
// cgroups, frozen or killed with it: it moves to the roots of those first.
constexpr const char* kAppCgroupRoots[] = {"/sys/fs/cgroup/cgroup.procs", "/acct/cgroup.procs"};

// The service sits in the background cpuset, as the phone's own daemons do,
// and keeps a set oom_score_adj rather than what its starter had.
void settle_own_process(const std::optional<std::string>& cpuset) {
    const std::string pid = std::to_string(::getpid());
    for (const char* root : kAppCgroupRoots) {
        if (path_exists(root)) (void)write_file(root, pid);
    }
    if (cpuset && path_exists(background_procs(*cpuset))) (void)write_file(background_procs(*cpuset), pid);
    (void)set_own_oom_score_adj(kOwnOomScoreAdj);
}

// Apps the phone does not have are left out, each named once.
void leave_out_unknown(PerAppConfig& config) {
    auto list = read_packages_list();
    if (!list) return;
    std::set<std::string> installed;
    for (const auto& [uid, names] : *list) installed.insert(names.begin(), names.end());
    std::erase_if(config.apps, [&](const AppEntry& app) {
        if (installed.count(app.package)) return false;
        out("[WARN] per_app: ", app.package, " is not installed");
        return true;
    });
}

}  // namespace

Result<void> watch_command(std::string_view value) {
    if (value == "stop") {
        auto stopped = stop_watch();
        if (!stopped) return Error{stopped.error()};
        if (!*stopped) {
            out("[INFO] korvane --watch is not running");
        } else {
            out("[OK] Stopped korvane --watch (pid ", **stopped, ")");
        }
        return success();
    }
    if (!value.empty()) return error("Usage: --watch [stop]");
    // The service changes nodes as apps come and go: there is nothing to show beforehand.
    if (is_dry_run(change_policy())) return error("--watch cannot be previewed");
    auto claimed = claim_watch();
    if (!claimed) return Error{claimed.error()};
    // The service records its sessions itself; writes go straight through.
    set_change_policy(ChangePolicy::unrecorded);
    auto config = load_per_app();
    bool has_limit = false;
    std::optional<ChargeLimit> limit = load_charge_limit(has_limit);
    if (!config && !has_limit) return error("The configuration has neither a per_app nor a charge_limit object");
    // A limit alone watches no apps.
    if (!config) config.emplace();
    leave_out_unknown(*config);
    repair_left_session();
    repair_left_pause();
    std::optional<std::string> cpuset = find_cpuset();
    settle_own_process(cpuset);
    reap_own_children();
    config->settle_ms /= watch_speedup();
    Service service(std::move(*config), limit);
    return service.run(std::move(cpuset));
}

Result<void> stop_watch_before_restore() {
    auto stopped = stop_watch();
    if (!stopped) return Error{stopped.error()};
    if (*stopped) out("[INFO] Stopped korvane --watch (pid ", **stopped, ") first; it put back its session");
    return success();
}

void show_watch_status() {
    // Nothing at all where the service was never used.
    if (auto pid = running_watch()) out("[INFO] korvane --watch is running (pid ", *pid, ")");
    if (auto session = peek_open_session()) {
        out("[INFO] Open session: ", session->name, " (", session->nodes, " values)");
    }
    if (auto paused = paused_switch()) out(*paused);
}

}  // namespace korvane
