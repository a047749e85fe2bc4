// Reading the EQ, ENDOGENO, EXOGENOU, LAGGED, IDENTITY and END lines after SYSTEM.
#include "regress/system/system_block.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/system/system_errors.hpp"

namespace tarvex {

namespace {

bool block_line(int ikod) {
    return ikod == C_EQ || ikod == C_ENDOGENO || ikod == C_EXOGENOU || ikod == C_LAGGED ||
           ikod == C_IDENTITY;
}

// After an error: the block's remaining lines and its END are passed over; any other command
// is past the block and runs next.
void pass_over_system_block(Run& run) {
    while (read_next_statement(run)) {
        const int ikod = run.cmd.IKOD;
        if (ikod == C_END) return;
        if (!block_line(ikod)) {
            hold_statement_for_loop(run);
            return;
        }
    }
}

// The variable list of the line just read; false when the scanner refused it (it has said why).
bool scanned_terms(Run& run, std::vector<OlsTerm>& terms) {
    scan_statement(run);
    if (run.flags.ODONT) return false;
    for (int k = 1; k <= run.scan.NF; ++k) terms.push_back(list_term(run, k));
    return true;
}

bool read_line(Run& run, int ikod, SystemBlock& block) {
    if (ikod == C_IDENTITY) {
        const std::string& text = run.cmd.text;
        const std::size_t col = static_cast<std::size_t>(run.cmd.col);
        const std::size_t from = text.find_first_not_of(" \t", col);
        block.identities.push_back(from < text.size() ? trim_trailing_blanks(text.substr(from))
                                                      : "");
        return true;
    }
    if (ikod != C_EQ)
        return scanned_terms(run, ikod == C_ENDOGENO   ? block.endogenous
                                  : ikod == C_EXOGENOU ? block.exogenous
                                                       : block.lagged);
    std::vector<OlsTerm> terms;
    if (!scanned_terms(run, terms)) return false;
    if (terms.empty()) {
        report_error(run, " ...ERROR..AN EQ LINE NEEDS depvar regressors", ERR_SYS_NO_EQUATIONS);
        return false;
    }
    SystemEquation eq;
    eq.dep = terms.front();
    eq.regressors.assign(terms.begin() + 1, terms.end());
    block.equations.push_back(eq);
    return true;
}

} // namespace

bool read_system_block(Run& run, SystemBlock& block) {
    const bool put = run.flags.OPUT;
    const int ikod = run.cmd.IKOD;
    bool ok = false, ended = false;
    while (read_next_statement(run)) {
        const int line = run.cmd.IKOD;
        if (line == C_END) {
            ok = ended = true;
            break;
        }
        if (block_line(line)) {
            if (!read_line(run, line, block)) {
                pass_over_system_block(run);
                ended = true;
                break;
            }
            continue;
        }
        report_error(run,
                     " ...ERROR..COMMAND IS NOT AN EQ, ENDOGENOUS, EXOGENOUS, LAGGED, IDENTITY OR "
                     "END COMMAND",
                     ERR_SYS_NOT_IN_BLOCK);
        hold_statement_for_loop(run);
        ended = true;
        break;
    }
    run.cmd.IKOD = ikod;
    run.flags.OPUT = put;
    if (!ok && !ended && !run.flags.ODONT) report_error(run, ""); // input ended inside the block
    return ok;
}

} // namespace tarvex
