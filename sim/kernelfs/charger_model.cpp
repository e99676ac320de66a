#include "charger_model.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace kernelfs {
namespace {

enum class Flow { charging, idle, full, discharging };
enum class Effect { bypass, input_cut, none };

struct Switch {
    std::string path, active;
    Effect effect = Effect::none;
    long stop_ms = 0, resume_ms = 0;
    bool latch = false;  // charging comes back only with a replugged cable
    bool shows_applied = false;  // reads back what its worker applied: the normal value until then
};

struct Charger {
    long charge_ma = 2000, discharge_ma = 450, idle_ma = 6;
    int sign = 1;                // the sign current_now shows while charging
    bool milliamps = false;      // current_now in mA (Samsung); batt_current_ua_now stays µA
    std::string status = "live"; // live, cached (MediaTek's charger loop) or pixel
    long status_loop_ms = 10000;
    bool cut_drops_online = false;  // Qualcomm: usb/online 0 under an input cut
    long read_fails_every = 0;      // QCOM GKI: every Nth open of online, status or the current fails (a firmware round trip)
    std::vector<Switch> switches;
};

struct Record {
    long on = 0, off = 0;  // when the switch last took its active value, and last left it
};

struct State {
    bool plugged = true;  // a new phone has its charger in
    long plug_ms = 0;
    long load_ma = 0;     // drawn beyond what the charger gives (charger_use)
    bool hold = false;    // a vendor's charge limit holds the battery
    std::vector<std::pair<std::string, Record>> records;
};

// Tests shorten every delay along with korvane's polling.
double time_scale() {
    const char* poll = std::getenv("KORVANE_CHARGE_POLL_MS");
    long ms = poll != nullptr ? std::atol(poll) : 0;
    return ms >= 1 ? static_cast<double>(ms) / 500.0 : 1.0;
}

long now_ms() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

std::string unblank(std::string value) {
    for (char& c : value) {
        if (c == '+') c = ' ';  // the file's "0+1" is the command "0 1"
    }
    return value;
}

// Calls `each` with the first word of every line and a stream of the rest.
template <typename Each>
void for_each_keyed_line(const std::string& text, Each each) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        each(key, in);
    }
}

std::optional<Charger> load_charger(const Mount& mount) {
    Text t = read_backing(mount.state + "/charger");
    if (t.error != 0) return std::nullopt;
    Charger c;
    const double scale = time_scale();
    for_each_keyed_line(t.text, [&](const std::string& key, std::istringstream& in) {
        if (key == "charge_ma") in >> c.charge_ma;
        if (key == "discharge_ma") in >> c.discharge_ma;
        if (key == "idle_ma") in >> c.idle_ma;
        if (key == "sign") in >> c.sign;
        if (key == "unit") { std::string u; in >> u; c.milliamps = u == "mA"; }
        if (key == "status") { in >> c.status >> c.status_loop_ms; c.status_loop_ms = static_cast<long>(c.status_loop_ms * scale); }
        if (key == "cut_drops_online") c.cut_drops_online = true;
        if (key == "read_fails_every") in >> c.read_fails_every;
        if (key == "switch") {
            Switch s;
            std::string normal, effect, flag;
            in >> s.path >> s.active >> normal >> effect >> s.stop_ms >> s.resume_ms;
            s.active = unblank(s.active);
            s.effect = effect == "bypass" ? Effect::bypass : effect == "input_cut" ? Effect::input_cut : Effect::none;
            s.stop_ms = static_cast<long>(s.stop_ms * scale);
            s.resume_ms = static_cast<long>(s.resume_ms * scale);
            while (in >> flag) {
                s.latch = s.latch || flag == "latch";
                s.shows_applied = s.shows_applied || flag == "shows_applied";
            }
            c.switches.push_back(s);
        }
    });
    return c;
}

State load_state(const Mount& mount) {
    State s;
    for_each_keyed_line(read_backing(mount.state + "/charger_state").text, [&](const std::string& key, std::istringstream& in) {
        if (key == "plug") {
            std::string what;
            in >> what >> s.plug_ms;
            s.plugged = what != "none";
        } else if (key == "switch") {
            std::pair<std::string, Record> r;
            in >> r.first >> r.second.on >> r.second.off;
            s.records.push_back(r);
        }
    });
    for_each_keyed_line(read_backing(mount.state + "/charger_use").text, [&](const std::string& key, std::istringstream& in) {
        if (key == "load") in >> s.load_ma;
        if (key == "hold") s.hold = true;
    });
    return s;
}

void save_state(const Mount& mount, const State& s) {
    std::string text = "plug " + std::string(s.plugged ? "usb " : "none ") + std::to_string(s.plug_ms) + "\n";
    for (const auto& [path, r] : s.records) {
        text += "switch " + path + " " + std::to_string(r.on) + " " + std::to_string(r.off) + "\n";
    }
    // the simulator's own file, outside the served trees: made when missing
    const std::string file = mount.state + "/charger_state";
    if (FILE* f = std::fopen(file.c_str(), "we")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

Record record_of(const State& s, std::string_view path) {
    for (const auto& [p, r] : s.records) {
        if (p == path) return r;
    }
    return {};
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// Whether the switch holds the charger at time t: applied once its stop
// delay has passed, and still holding for its resume delay after it was
// turned off (for good, when it latches, until the cable is replugged).
bool holds(const Mount& mount, const Switch& sw, const State& s, long t) {
    Record r = record_of(s, sw.path);
    if (trimmed(read_backing(mount.backing(sw.path)).text) == sw.active) return t >= r.on + sw.stop_ms;
    if (r.off == 0 || r.on == 0 || r.on > r.off) return false;
    if (t < r.off) return t >= r.on + sw.stop_ms;  // asked about a time it was still on
    if (r.off < r.on + sw.stop_ms) return false;   // turned off before it applied
    if (sw.latch && s.plug_ms < r.off) return true;
    return t < r.off + sw.resume_ms;
}

Flow flow_at(const Mount& mount, const Charger& c, const State& s, long t) {
    if (!s.plugged) return Flow::discharging;
    bool bypass = false;
    for (const Switch& sw : c.switches) {
        if (sw.effect == Effect::none || !holds(mount, sw, s, t)) continue;
        if (sw.effect == Effect::input_cut) return Flow::discharging;  // the cut wins
        bypass = true;
    }
    if (bypass || s.hold) return Flow::idle;
    Text capacity = read_backing(mount.backing("/sys/class/power_supply/battery/capacity"));
    return trimmed(capacity.text) == "100" ? Flow::full : Flow::charging;
}

bool input_cut_holds(const Mount& mount, const Charger& c, const State& s, long t) {
    for (const Switch& sw : c.switches) {
        if (sw.effect == Effect::input_cut && holds(mount, sw, s, t)) return true;
    }
    return false;
}

// In mA, positive while charging. A load beyond what the charger gives
// drains the battery with the charger in, bypass or not; without the charger
// the phone draws it on top of its own use.
long true_current(const Charger& c, const State& s, Flow flow) {
    switch (flow) {
    case Flow::charging: return c.charge_ma - s.load_ma;
    case Flow::idle:
    case Flow::full: return s.load_ma > 0 ? -s.load_ma : -c.idle_ma;
    case Flow::discharging: break;
    }
    return -c.discharge_ma - s.load_ma;
}

std::string status_text(const Charger& c, Flow flow, long ma) {
    if (ma < -c.idle_ma) return "Discharging";
    switch (flow) {
    case Flow::charging: return "Charging";
    case Flow::full: return "Full";
    // Pixel's status follows the gauge's average current: "Charging" in a pause
    case Flow::idle: return c.status == "pixel" ? "Charging" : "Not charging";
    case Flow::discharging: break;
    }
    return "Discharging";
}

// A switch whose driver shows what its worker applied, not what was written.
std::optional<Text> show_applied_switch(const Mount& mount, const Charger& c, std::string_view path) {
    for (const Switch& sw : c.switches) {
        if (sw.path != path || !sw.shows_applied) continue;
        Text t = read_backing(mount.backing(path));
        if (t.error != 0 || trimmed(t.text) != sw.active) return t;
        Record r = record_of(load_state(mount), path);
        if (now_ms() < r.on + sw.stop_ms) return Text{0, "0"};
        return t;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Text> show_charger_node(const Mount& mount, std::string_view path, size_t offset) {
    constexpr std::string_view kBattery = "/sys/class/power_supply/battery/";
    constexpr std::string_view kUsb = "/sys/class/power_supply/usb/";
    bool battery = path.starts_with(kBattery), usb = path.starts_with(kUsb);
    if (!battery && !usb) {
        // only vendor charger nodes are worth the charger file's read
        if (path.find("charger") == std::string_view::npos) return std::nullopt;
        if (auto charger = load_charger(mount)) return show_applied_switch(mount, *charger, path);
        return std::nullopt;
    }
    std::string_view name = path.substr(path.rfind('/') + 1);
    bool driven = battery ? (name == "current_now" || name == "batt_current_ua_now" || name == "status")
                          : (name == "online" || name == "present");
    if (!driven) return std::nullopt;
    auto charger = load_charger(mount);
    if (!charger) return std::nullopt;
    Text backing = read_backing(mount.backing(path));
    if (backing.error != 0) return backing;  // the phone has no such node
    State s = load_state(mount);
    long t = now_ms();
    if (name == "present") return Text{0, s.plugged ? "1" : "0"};
    // each open asks the firmware once: its first read can fail
    static std::atomic<long> firmware_reads{0};
    if (charger->read_fails_every > 0 && offset == 0 && ++firmware_reads % charger->read_fails_every == 0) {
        return Text{ENODATA, ""};
    }
    if (name == "online") {
        bool cut = charger->cut_drops_online && input_cut_holds(mount, *charger, s, t);
        return Text{0, s.plugged && !cut ? "1" : "0"};
    }
    if (name == "status") {
        // MediaTek's status changes only on its charger loop
        long at = charger->status == "cached" && charger->status_loop_ms > 0 ? t - t % charger->status_loop_ms : t;
        Flow flow = flow_at(mount, *charger, s, at);
        return Text{0, status_text(*charger, flow, true_current(*charger, s, flow))};
    }
    long ma = true_current(*charger, s, flow_at(mount, *charger, s, t)) * charger->sign;
    // Samsung's batt_current_ua_now is the gauge's value in µA, sign and all
    if (name == "batt_current_ua_now") return Text{0, std::to_string(ma * 1000)};
    return Text{0, std::to_string(ma * (charger->milliamps ? 1 : 1000))};
}

bool is_charger_switch(const Mount& mount, std::string_view path) {
    auto charger = load_charger(mount);
    if (!charger) return false;
    for (const Switch& sw : charger->switches) {
        if (sw.path == path) return true;
    }
    return false;
}

void note_switch_write(const Mount& mount, std::string_view path, std::string_view before) {
    auto charger = load_charger(mount);
    if (!charger) return;
    for (const Switch& sw : charger->switches) {
        if (sw.path != path) continue;
        bool was_on = trimmed(std::string(before)) == sw.active;
        bool on = trimmed(read_backing(mount.backing(path)).text) == sw.active;
        if (was_on == on) return;
        State s = load_state(mount);
        Record r = record_of(s, path);
        (on ? r.on : r.off) = now_ms();
        bool found = false;
        for (auto& [p, rec] : s.records) {
            if (p == path) rec = r, found = true;
        }
        if (!found) s.records.emplace_back(std::string(path), r);
        save_state(mount, s);
        return;
    }
}

}  // namespace kernelfs
