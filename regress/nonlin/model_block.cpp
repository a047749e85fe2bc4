// Reading COEFFICI, EQ and END lines after an equation command.
#include "regress/nonlin/model_block.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/nonlin/nonlin_errors.hpp"

namespace tarvex {

namespace {

std::string rest_of_statement(const Run& run) {
    const std::string& text = run.cmd.text;
    const std::size_t col = static_cast<std::size_t>(run.cmd.col);
    return col < text.size() ? text.substr(col) : std::string();
}

// The words of a COEFFICI line: names and values, "=" and "," taken as blanks.
std::vector<std::string> coefficient_words(std::string text) {
    for (char& c : text)
        if (c == '=' || c == ',' || c == '\t') c = ' ';
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

// After an error: the block's remaining lines and its END are passed over; any other command
// is past the block and runs next.
void pass_over_block(Run& run) {
    while (read_next_statement(run)) {
        const int ikod = run.cmd.IKOD;
        if (ikod == C_END) return;
        if (ikod != C_COEFFICI && ikod != C_EQ) {
            hold_statement_for_loop(run);
            return;
        }
    }
}

bool read_coefficients(Run& run, const std::string& text, ModelBlock& block) {
    const std::vector<std::string> words = coefficient_words(text);
    for (std::size_t i = 0; i < words.size(); i += 2) {
        const std::string name = upper_ascii(words[i]);
        Real value = 0;
        std::size_t used = 0;
        const bool number = i + 1 < words.size() && parse_real(words[i + 1], value, &used) &&
                            used == words[i + 1].size() && !qm::isnan(value) && !qm::isinf(value);
        if (!number || !is_ascii_letter(name[0])) {
            report_error(run,
                         " ...ERROR..BAD STARTING VALUE FOR PARAMETER " + name +
                             (i + 1 < words.size() ? ": " + words[i + 1] : ": NONE GIVEN"),
                         ERR_NL_BAD_START);
            return false;
        }
        for (const std::string& seen : block.names)
            if (seen == name) {
                report_error(run, " ...ERROR..PARAMETER " + name + " IS NAMED TWICE", ERR_NL_TWICE);
                return false;
            }
        block.names.push_back(name.substr(0, 8));
        block.start.push_back(value);
    }
    return true;
}

} // namespace

bool read_model_block(Run& run, ModelBlock& block) {
    const bool put = run.flags.OPUT;
    const int ikod = run.cmd.IKOD;
    bool ok = false, ended = false;
    while (read_next_statement(run)) {
        const int line = run.cmd.IKOD;
        if (line == C_END) {
            ok = ended = true;
            break;
        }
        if (line == C_COEFFICI) {
            if (!read_coefficients(run, rest_of_statement(run), block)) {
                pass_over_block(run);
                break;
            }
            continue;
        }
        if (line == C_EQ) {
            block.equations.push_back(rest_of_statement(run));
            continue;
        }
        report_error(run, " ...ERROR..COMMAND IS NOT A COEFFICI, EQ OR END COMMAND",
                     ERR_NL_NOT_IN_BLOCK);
        hold_statement_for_loop(run);
        break;
    }
    run.cmd.IKOD = ikod;
    run.flags.OPUT = put;
    if (!ok) {
        if (!ended && !run.flags.ODONT) report_error(run, ""); // input ended inside the block
        return false;
    }
    if (block.names.empty()) {
        report_error(run, " ...ERROR..NO PARAMETERS: A COEFFICI LINE MUST NAME THEM",
                     ERR_NL_NO_PARAMETERS);
        return false;
    }
    if (block.equations.size() != 1) {
        report_error(run,
                     block.equations.empty() ? " ...ERROR..NO EQ LINE GIVES THE EQUATION"
                                             : " ...ERROR..ONLY ONE EQ LINE IS TAKEN",
                     ERR_NL_NO_EQUATION);
        return false;
    }
    return true;
}

} // namespace tarvex
