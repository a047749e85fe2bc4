// TEST: checks that an estimation stands, then tests the hypothesis on the line at once, or
// collects the block of TEST lines up to END (read here through the command reader) and tests
// them jointly with TESTH.
#include "regress/test/test_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "regress/fit/statement_block.hpp"
#include "regress/test/test_statistics.hpp"

namespace tarvex {

namespace {

bool blank(std::string_view s) {
    return s.find_first_not_of(" \t") == std::string_view::npos;
}

// The lines of a TEST block (after an error they are passed over up to its END).
bool test_block_line(int ikod) {
    return ikod == C_TEST || ikod == C_RESTRICT;
}

} // namespace

bool read_statement_block(Run& run, std::size_t most,
                          const std::function<bool(std::string_view text)>& take) {
    std::size_t taken = 0;
    while (read_next_statement(run)) {
        const int ikod = run.cmd.IKOD;
        if (ikod == C_END) return true;
        if (test_block_line(ikod)) {
            if (taken + 1 > most) {
                report_error(run, " ...ERROR..MORE EQUATIONS THAN PARAMETERS", ERR_TEST_TOO_MANY);
                pass_over_block(run, test_block_line);
                return false;
            }
            if (!take(rest_of_statement(run))) {
                pass_over_block(run, test_block_line);
                return false;
            }
            ++taken;
            continue;
        }
        // The least-squares estimators take no LAMBDA or LAGS lines.
        if (ikod == C_LAMBDA || ikod == C_LAGS) {
            report_error(run, " ...ERROR..ABOVE COMMAND IS INVALID FOR THIS PROBLEM",
                         ERR_TEST_INVALID);
            pass_over_block(run, test_block_line);
            return false;
        }
        report_error(run,
                     std::string(" ...ERROR..COMMAND IS NOT A RESTRICT, TEST, ") + "OR END COMMAND",
                     ERR_TEST_NOT_BLOCK);
        return false;
    }
    // End of input before END: the block is abandoned without a test.
    report_error(run, "");
    return false;
}

bool read_hypothesis_block(Run& run, const TestEquation& eq, std::vector<Hypothesis>& rows) {
    return read_statement_block(run, eq.coef.size(), [&](std::string_view text) {
        Hypothesis h;
        if (!compile_hypothesis(run, eq, text, h)) return false;
        rows.push_back(std::move(h));
        return true;
    });
}

void cmd_test(Run& run) {
    const EstimationResults& e = run.last_estimation;
    // A STATS since the estimation leaves nothing to test.
    if (e.command.empty() || e.stats_since || e.coef.empty() ||
        e.cov.size() != e.coef.size() * e.coef.size()) {
        report_error(run, " ...ERROR..THIS COMMAND MUST FOLLOW AN ESTIMATION COMMAND",
                     ERR_TEST_NO_ESTIMATION);
        return;
    }
    const TestEquation eq = equation_of(e);
    std::vector<Hypothesis> rows;
    const std::string_view text = rest_of_statement(run);
    if (!blank(text)) {
        Hypothesis h;
        if (!compile_hypothesis(run, eq, text, h)) return;
        rows.push_back(std::move(h));
    } else {
        const bool put = run.flags.OPUT;
        const bool ok = read_hypothesis_block(run, eq, rows);
        run.cmd.IKOD = C_TEST;
        run.flags.OPUT = put;
        if (!ok) return;
    }
    if (!reserve_test_space(run, static_cast<int>(rows.size()), static_cast<int>(e.coef.size())))
        return;
    const TestOutcome outcome = TESTH(run, rows, e.cov, static_cast<int>(e.coef.size()), e.df,
                                      e.asymptotic, run.flags.OPUT);
    if (!outcome.done) report_error(run, ""); // TESTH has written why
}

} // namespace tarvex
