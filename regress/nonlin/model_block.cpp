// Reading COEFFICI, EQ, INST and END lines after an equation command.
#include "regress/nonlin/model_block.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/statement_block.hpp"
#include "regress/nonlin/nonlin_errors.hpp"

namespace tarvex {

namespace {

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

bool model_block_line(int ikod) {
    return ikod == C_COEFFICI || ikod == C_EQ || ikod == C_INSTRUME;
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

// The variables of an INST line, as the scanner reads a command's list (lags as X(-1)); false
// when the scanner refused it (it has said why).
bool read_instruments(Run& run, ModelBlock& block) {
    scan_statement(run);
    if (run.flags.ODONT) return false;
    block.instrument_lines += 1;
    for (int k = 1; k <= run.scan.NF; ++k) block.instruments.push_back(list_term(run, k));
    return true;
}

} // namespace

bool read_model_block(Run& run, ModelBlock& block) {
    const bool read_to_end = read_command_block(
        run, model_block_line,
        [&](int ikod) {
            if (ikod == C_COEFFICI)
                return read_coefficients(run, std::string(rest_of_statement(run)), block);
            if (ikod == C_INSTRUME) return read_instruments(run, block);
            block.equations.emplace_back(rest_of_statement(run));
            return true;
        },
        " ...ERROR..COMMAND IS NOT A COEFFICI, EQ, INST OR END COMMAND", ERR_NL_NOT_IN_BLOCK);
    if (!read_to_end) return false;
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
