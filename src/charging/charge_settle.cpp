#include "charging/charge_settle.h"

#include "os/clock.h"
#include "os/signals.h"
#include "os/time_limits.h"

namespace korvane {
namespace {

constexpr unsigned kStopPolls = 20;    // 10 s at 500 ms
constexpr unsigned kResumePolls = 30;  // 15 s

bool stopped(ChargeFlow flow) {
    return flow == ChargeFlow::idle || flow == ChargeFlow::full || flow == ChargeFlow::discharging;
}
bool resumed(ChargeFlow flow) { return flow == ChargeFlow::charging || flow == ChargeFlow::full; }

Settled wait_until(const ChargeMeter& meter, bool (*done)(ChargeFlow), unsigned polls) {
    const unsigned interval = charge_poll_ms();
    Settled last;
    unsigned taken = 0;
    for (unsigned poll = 0; poll <= polls; ++poll) {
        // an interruption cuts the wait short: the switch goes back first
        if (interruption_noted()) break;
        if (poll > 0) sleep_ms(interval);
        ChargeSample sample = read_charge_sample(meter);
        // a failed read of a phone that shows its current says nothing
        if (meter.has_current && !sample.current_ma) continue;
        ChargeFlow flow = classify_charge(meter, sample);
        bool agrees = taken > 0 && flow == last.flow;
        ++taken;
        last = {flow, sample};
        if (agrees && done(flow)) break;
    }
    return last;
}

}  // namespace

Settled wait_for_stop(const ChargeMeter& meter) { return wait_until(meter, stopped, kStopPolls); }

Settled wait_for_resume(const ChargeMeter& meter) { return wait_until(meter, resumed, kResumePolls); }

}  // namespace korvane
