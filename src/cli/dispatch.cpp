#include "cli/dispatch.h"

#include "cli/command_table.h"
#include "cli/help.h"
#include "journal/change_policy.h"
#include "journal/journal.h"
#include "os/number_parse.h"
#include "os/output.h"

namespace korvane {
namespace {

// Runs the command after it with every change shown instead of made.
constexpr std::string_view kDryRunWord = "--dry-run";
constexpr std::string_view kDryRunUsage = "Usage: --dry-run <command> [value]";

const Command* find_command(std::string_view word) {
    for (const Command& command : command_table()) {
        if (command.word == word) return &command;
    }
    return nullptr;
}

// Parses the value the front end checks itself; on failure prints the first
// of the two error lines and returns the text for the second.
Result<CommandValue> parse_value(const Command& command, std::string_view text) {
    CommandValue value{text};
    if (command.value == ValueKind::percent) {
        auto percent = parse_percent(text);
        if (!percent) {
            out("[ERROR] Invalid percentage. Use a number between 0-100");
            return error("Invalid percentage value");
        }
        value.percent = *percent;
    } else if (command.value == ValueKind::fps) {
        auto fps = parse_i32(text);
        // A cap below one frame per second is never a sound display setting.
        if (!fps || *fps < 1) {
            out("[ERROR] Invalid FPS value. Use a number (e.g., 60, 90, 120)");
            return error("Invalid FPS value");
        }
        value.fps = *fps;
    }
    return value;
}

}  // namespace

int dispatch(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        print_help();
        return 0;
    }
    if (args[1] == kDryRunWord) {
        if (args.size() == 2) {
            print_error_line("Error: Missing argument");
            print_error_line(kDryRunUsage);
            return 0;
        }
        set_change_policy(ChangePolicy::dry_run);
        std::vector<std::string> rest(args);
        rest.erase(rest.begin() + 1);
        return dispatch(rest);
    }
    const Command* command = find_command(args[1]);
    if (command == nullptr) {
        out("[ERROR] Unknown command: ", args[1]);
        out("[INFO] Use --help for usage information");
        return 0;
    }
    std::string_view text;
    if (command->value == ValueKind::optional) {
        if (args.size() > 2) text = args[2];
    } else if (command->value != ValueKind::none) {
        if (args.size() == 2) {
            print_error_line("Error: Missing argument");
            print_error_line(command->usage);
            return 0;
        }
        text = args[2];
    }
    auto value = parse_value(*command, text);
    Result<void> outcome = value ? command->run(*value) : Result<void>(Error{value.error()});
    if (!outcome) out("[ERROR] ", outcome.error());
    // What korvane set, for --status; losing it only makes status less sure.
    (void)journal_write_values();
    return 0;
}

}  // namespace korvane
