// Reading and passing over the line blocks that follow a command.
#include "regress/fit/statement_block.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"

namespace tarvex {

std::string_view rest_of_statement(const Run& run) {
    const std::string& text = run.cmd.text;
    const std::size_t col = static_cast<std::size_t>(run.cmd.col);
    return col < text.size() ? std::string_view(text).substr(col) : std::string_view();
}

void pass_over_block(Run& run, bool (*in_block)(int ikod)) {
    while (read_next_statement(run)) {
        const int ikod = run.cmd.IKOD;
        if (ikod == C_END) return;
        if (!in_block(ikod)) {
            hold_statement_for_loop(run);
            return;
        }
    }
}

bool read_command_block(Run& run, bool (*in_block)(int ikod),
                        const std::function<bool(int ikod)>& take_line, std::string_view stray_line,
                        int stray_number) {
    const bool put = run.flags.OPUT;
    const int ikod = run.cmd.IKOD;
    bool ok = false, input_ended = true;
    while (read_next_statement(run)) {
        const int line = run.cmd.IKOD;
        if (line == C_END) {
            ok = true;
        } else if (!in_block(line)) {
            report_error(run, stray_line, stray_number);
            hold_statement_for_loop(run);
        } else if (!take_line(line)) {
            pass_over_block(run, in_block);
        } else {
            continue;
        }
        input_ended = false;
        break;
    }
    run.cmd.IKOD = ikod;
    run.flags.OPUT = put;
    if (input_ended && !run.flags.ODONT) report_error(run, ""); // input ended inside the block
    return ok;
}

} // namespace tarvex
