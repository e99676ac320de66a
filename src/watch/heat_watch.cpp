#include "watch/heat_watch.h"

#include "cpu/cpu_freq.h"
#include "gpu/gpu_freq.h"
#include "os/text.h"
#include "watch/session.h"
#include "watch/watch_log.h"

namespace korvane {
namespace {

constexpr uint64_t kHeatReadMs = 30'000;

// The caps of a game session at its step, and how a line names them.
std::vector<NodeWrite> cap_writes(const AppProfile& profile, const HeatSteps& steps, std::string& named) {
    const uint8_t cpu = steps.cap(profile.cpu_max);
    std::vector<NodeWrite> writes = cpu_bound_writes(Bound::max, cpu);
    named = str_cat("CPU max ", cpu, " %");
    const uint8_t gpu = steps.cap(profile.gpu_max);
    if (auto w = gpu_max_write(gpu)) {
        writes.push_back(std::move(*w));
        named += str_cat(", GPU max ", gpu, " %");
    }
    return writes;
}

void report(HeatMove move, const ThermalState& state, const std::string& app, const std::string& caps) {
    watch_out("[INFO] The phone ", move == HeatMove::down ? "is hot" : "has cooled", " (",
              thermal_condition_text(state), "): ", app, " ", caps);
}

}  // namespace

Result<void> HeatWatch::open(EventLoop& loop) {
    if (auto opened = timer_.open(); !opened) return opened;
    return loop.add(timer_.fd(), [this] { on_timer(); });
}

void HeatWatch::before_open(const Wanted& to, std::vector<NodeWrite>& writes) {
    steps_ = HeatSteps{};
    start_.reset();
    if (to.screen_off || !steps_with_heat(to.profile)) return;
    start_ = read_thermal_state();
    if (steps_.take(*start_, now_ms(), delay(kHeatCoolMs)) != HeatMove::down) return;
    for (NodeWrite& w : cap_writes(to.profile, steps_, start_caps_)) writes.push_back(std::move(w));
}

void HeatWatch::opened(const Wanted& to, bool screen_on) {
    if (!start_) return;
    if (steps_.step > 0) report(HeatMove::down, *start_, to.name, start_caps_);
    app_ = to;
    if (screen_on) arm(true);
}

void HeatWatch::closed() {
    app_.reset();
    start_.reset();
    if (armed_) arm(false);
}

// The screen off, nobody plays: no readings until it is on again, and the
// cool time starts anew.
void HeatWatch::on_screen(bool on) {
    if (!app_) return;
    if (!on) {
        steps_.cool_since.reset();
        if (armed_) arm(false);
    } else if (!armed_) {
        on_timer();
    }
}

void HeatWatch::arm(bool on) {
    armed_ = on;
    timer_.arm_at(on ? std::optional<uint64_t>(now_ms() + delay(kHeatReadMs)) : std::nullopt);
}

void HeatWatch::on_timer() {
    timer_.drain();
    armed_ = false;
    if (!app_) return;
    const ThermalState state = read_thermal_state();
    const HeatMove move = steps_.take(state, now_ms(), delay(kHeatCoolMs));
    if (move != HeatMove::none) {
        std::string caps;
        auto changed = change_session(cap_writes(app_->profile, steps_, caps));
        if (changed) {
            report(move, state, app_->name, caps);
        } else {
            watch_out("[WARN] ", changed.error());
        }
    }
    arm(true);
}

}  // namespace korvane
