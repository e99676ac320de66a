#include "journal/tool_commands.h"

#include "journal/change_gate.h"

namespace korvane {

Result<std::string> run_command_output(const std::string& program, const Args& args) {
    auto allowed = allow_command(program, args);
    if (!allowed) return Error{allowed.error()};
    if (!*allowed) return std::string();
    auto output = tool_output(program, args);
    if (output) note_command_done(program, args);
    return output;
}

Result<void> run_command(const std::string& program, const Args& args) {
    return drop_value(run_command_output(program, args));
}

}  // namespace korvane
