// A game session's heat: the phone's thermal state read at the session's
// start and every 30 s while it lasts with the screen on (the service's only
// periodic timer, armed only then), and the session's CPU and GPU caps
// stepped with it, as writes of the session.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "os/node_write.h"
#include "os/result.h"
#include "watch/decider.h"
#include "watch/event_loop.h"
#include "watch/heat_steps.h"

namespace korvane {

class HeatWatch {
public:
    explicit HeatWatch(unsigned speedup) : speedup_(speedup) {}

    // Registers the timer with the service's loop.
    Result<void> open(EventLoop& loop);
    // Before the session of `to` opens: a game on a phone already hot starts
    // a step down, its stepped caps added to `writes` (written once, at the step).
    void before_open(const Wanted& to, std::vector<NodeWrite>& writes);
    // The session of `to` opened; readings go on while the screen is on.
    void opened(const Wanted& to, bool screen_on);
    // The session closed: no more readings.
    void closed();
    // The screen went on or off.
    void on_screen(bool on);

private:
    uint64_t delay(uint64_t ms) const { return ms / speedup_; }
    void on_timer();
    void arm(bool on);

    unsigned speedup_;
    Timer timer_;
    bool armed_ = false;
    std::optional<Wanted> app_;  // the game, while its session is open
    HeatSteps steps_;
    std::optional<ThermalState> start_;  // the reading before the session opened
    std::string start_caps_;             // its caps as the line names them, when stepped
};

}  // namespace korvane
