#include "display/performance_mode.h"

#include <optional>
#include <string>

#include "journal/change_gate.h"
#include "journal/tool_commands.h"
#include "os/clock.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr int kRetries = 5;
constexpr unsigned kRetryPauseMs = 100;

// The game manager's refusal, or nothing for any other outcome.
std::optional<std::string> refusal(const std::string& game) {
    const Args args = {"game", "mode", "2", game};
    auto allowed = allow_command("cmd", args);
    if (!allowed || !*allowed) return std::nullopt;
    auto process = run_process("cmd", args);
    if (!process) return std::nullopt;
    if (process->exited_zero) {
        // korvane's value, for --status
        note_command_done("cmd", args);
        return std::nullopt;
    }
    std::string answer(trim(process->out));
    if (answer != "Game mode: 2 not supported by " + game) return std::nullopt;
    return answer;
}

}  // namespace

bool enter_performance_mode(const std::string& game) {
    auto refused = refusal(game);
    for (int retry = 0; refused && retry < kRetries; ++retry) {
        sleep_ms(kRetryPauseMs);
        refused = refusal(game);
    }
    if (!refused) return true;
    out("[WARN] Game mode 2 is not available for ", game, ": ", *refused);
    return false;
}

}  // namespace korvane
