// What the watch service wants in force, from what it has seen: the app in
// front and the screen. A change is made only once what is wanted has stood
// for the settle time, so that a visit to the shade or the recent-apps screen
// switches nothing. Pure state: the loop feeds it events and the clock, and a
// test can feed it recorded ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "config/per_app.h"

namespace korvane {

// A profile in force or wanted: an app's, or the screen-off one.
struct Wanted {
    std::string name;  // the package, or "screen off"
    AppProfile profile;
    bool screen_off = false;
    bool operator==(const Wanted&) const = default;
};

// One change to make: close the session of `from` (if any), open one for `to` (if any).
struct Switch {
    std::optional<Wanted> from;
    std::optional<Wanted> to;
};

class Decider {
public:
    explicit Decider(PerAppConfig config) : config_(std::move(config)) {}

    // The app in front now (nothing: none of the configuration's or unknown).
    void on_front(const std::optional<std::string>& package, uint64_t now_ms);
    // The screen went on or off.
    void on_screen(bool on, uint64_t now_ms);
    // When the pending change falls due, if one is pending.
    std::optional<uint64_t> due() const { return pending_ ? std::optional<uint64_t>(due_ms_) : std::nullopt; }
    // The change due by `now_ms`, taken as made; nothing when none is due.
    std::optional<Switch> take_due(uint64_t now_ms);
    // The switch that ends whatever is in force (at stop).
    std::optional<Switch> take_all();

    const std::optional<Wanted>& active() const { return active_; }
    bool screen_on() const { return screen_on_; }
    const PerAppConfig& config() const { return config_; }

private:
    std::optional<Wanted> wanted() const;
    void reconsider(uint64_t now_ms);

    PerAppConfig config_;
    std::optional<std::string> front_;
    bool screen_on_ = true;
    std::optional<Wanted> active_;
    bool pending_ = false;
    std::optional<Wanted> target_;
    uint64_t due_ms_ = 0;
};

}  // namespace korvane
