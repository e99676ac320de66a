// Waiting for a charger switch to show in the battery current. Drivers apply
// a switch within 10 s and a resume within 15 s (PD renegotiation, the
// MediaTek charger loop); the current is read every 500 ms, never faster,
// and two samples that agree end the wait early, as does a deferred
// interruption (sys/signals.h).
#pragma once

#include "charging/charge_reading.h"

namespace korvane {

struct Settled {
    ChargeFlow flow = ChargeFlow::unknown;
    ChargeSample sample;
};

// Until the battery stops charging (idle, full or discharging), for up to 10 s.
Settled wait_for_stop(const ChargeMeter& meter);

// Until the battery charges again (or is full), for up to 15 s.
Settled wait_for_resume(const ChargeMeter& meter);

}  // namespace korvane
