// Reading the EQ, ENDOGENO, EXOGENOU, LAGGED, IDENTITY and END lines after SYSTEM.
#include "regress/system/system_block.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/statement_block.hpp"
#include "regress/system/system_errors.hpp"

namespace tarvex {

namespace {

bool system_block_line(int ikod) {
    return ikod == C_EQ || ikod == C_ENDOGENO || ikod == C_EXOGENOU || ikod == C_LAGGED ||
           ikod == C_IDENTITY;
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
        const std::string_view rest = rest_of_statement(run);
        const std::size_t from = rest.find_first_not_of(" \t");
        block.identities.push_back(from < rest.size() ? trim_trailing_blanks(rest.substr(from))
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
    return read_command_block(
        run, system_block_line, [&](int ikod) { return read_line(run, ikod, block); },
        " ...ERROR..COMMAND IS NOT AN EQ, ENDOGENOUS, EXOGENOUS, LAGGED, IDENTITY OR END COMMAND",
        ERR_SYS_NOT_IN_BLOCK);
}

} // namespace tarvex
