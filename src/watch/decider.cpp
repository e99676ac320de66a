#include "watch/decider.h"

namespace korvane {

std::optional<Wanted> Decider::wanted() const {
    if (!screen_on_) {
        // Without a screen-off profile the screen going off changes nothing:
        // the app leaves top-app while the phone sleeps, and comes back.
        if (!config_.screen_off) return active_;
        return Wanted{"screen off", *config_.screen_off, true};
    }
    if (!front_) return std::nullopt;
    for (const AppEntry& app : config_.apps) {
        if (app.package == *front_) return Wanted{app.package, app.profile, false};
    }
    return std::nullopt;
}

void Decider::reconsider(uint64_t now_ms) {
    std::optional<Wanted> want = wanted();
    if (want == active_) {
        pending_ = false;  // back to what is in force before the time ran out
        return;
    }
    // A new wish starts the settle time; the same wish keeps its start.
    if (pending_ && target_ == want) return;
    pending_ = true;
    target_ = std::move(want);
    due_ms_ = now_ms + config_.settle_ms;
}

void Decider::on_front(const std::optional<std::string>& package, uint64_t now_ms) {
    front_ = package;
    reconsider(now_ms);
}

void Decider::on_screen(bool on, uint64_t now_ms) {
    if (on == screen_on_) return;
    screen_on_ = on;
    reconsider(now_ms);
}

std::optional<Switch> Decider::take_due(uint64_t now_ms) {
    if (!pending_ || now_ms < due_ms_) return std::nullopt;
    pending_ = false;
    Switch change{active_, target_};
    active_ = target_;
    return change;
}

std::optional<Switch> Decider::take_all() {
    pending_ = false;
    if (!active_) return std::nullopt;
    Switch change{active_, std::nullopt};
    active_.reset();
    return change;
}

}  // namespace korvane
