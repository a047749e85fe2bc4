// Writing binary PROBIT and LOGIT.
#include "regress/choice/binary_report.hpp"

#include "core/command_table.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/choice/binary_choice.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_report_parts.hpp"

namespace tarvex {

namespace {

// Observation numbers listed per line, and at most this many listed.
constexpr int OBS_PER_LINE = 10;
constexpr std::size_t OBS_LISTED = 50;

void list_observations(Run& run, const ChoiceData& data, const std::vector<int>& rows) {
    std::string line = " ";
    const std::size_t shown = std::min(rows.size(), OBS_LISTED);
    for (std::size_t i = 0; i < shown; ++i) {
        line += fmt_I_fitted(data.observations[std::size_t(rows[i])], 7);
        if ((i + 1) % OBS_PER_LINE == 0 || i + 1 == shown) {
            write_line(run, line);
            line = " ";
        }
    }
    if (shown < rows.size())
        write_line(run,
                   " AND" + fmt_I_fitted(static_cast<long long>(rows.size() - shown), 8) + " MORE");
}

void write_prediction_table(Run& run, const BinaryEstimate& e) {
    write_line(run, " PREDICTION TABLE (PREDICTED 1 WHEN THE PROBABILITY IS AT LEAST 0.5)");
    write_line(run, "                  PREDICTED");
    write_line(run, "    ACTUAL         0         1     TOTAL");
    for (int a = 0; a < 2; ++a)
        write_line(run, fmt_I_fitted(a, 10) + fmt_I_fitted(e.table[a][0], 10) +
                            fmt_I_fitted(e.table[a][1], 10) +
                            fmt_I_fitted(e.table[a][0] + e.table[a][1], 10));
    write_line(run, "     TOTAL" + fmt_I_fitted(e.table[0][0] + e.table[1][0], 10) +
                        fmt_I_fitted(e.table[0][1] + e.table[1][1], 10) + fmt_I_fitted(e.n, 10));
    write_line(run, " PERCENT CORRECTLY PREDICTED =" + fmt_F_fitted(e.percent_correct, 8, 2));
}

} // namespace

EstimationFailure separation_failure(const ChoiceEquation& eq, const ChoiceData& data,
                                     const Separation& s) {
    const std::string y = trim_trailing_blanks(eq.dep_name);
    std::string what;
    if (s.by_threshold) {
        // The sides of the threshold that hold observations, each with the outcome it predicts.
        const std::string x = trim_trailing_blanks(data.names[std::size_t(s.columns[0])]);
        const std::string c = number_text(s.threshold);
        const Real* col = data.column(std::size_t(s.columns[0]));
        bool above = false, below = false;
        for (std::size_t i = 0; i < data.rows(); ++i) {
            const Real v = col[i];
            above = above || v > s.threshold;
            below = below || v < s.threshold;
        }
        if (s.complete) {
            what = y + " = " + (s.ones_above ? "1" : "0") + " EXACTLY WHEN " + x + " > " + c;
        } else {
            const char* up = s.ones_above ? " = 1 WHENEVER " : " = 0 WHENEVER ";
            const char* down = s.ones_above ? " = 0 WHENEVER " : " = 1 WHENEVER ";
            if (above) what = y + up + x + " > " + c;
            if (above && below) what += " AND ";
            if (below) what += y + down + x + " < " + c;
        }
    } else {
        std::string names;
        for (int j : s.columns) names += " " + trim_trailing_blanks(data.names[std::size_t(j)]);
        what = "THE REGRESSORS" + (names.empty() ? std::string(" TOGETHER") : names) + " PREDICT " +
               y + " PERFECTLY" +
               (s.complete ? std::string() : std::string(" FOR SOME OBSERVATIONS"));
    }
    return {std::string(" ...ERROR..") + (s.complete ? "COMPLETE" : "QUASI-COMPLETE") +
                " SEPARATION: " + what,
            choice_error(eq.command, CHOICE_SEPARATION)};
}

void write_separation_details(Run& run, const ChoiceData& data, const Separation& s) {
    write_line(run, " ...NOTE..THE LIKELIHOOD HAS NO MAXIMUM AT FINITE COEFFICIENTS; NO ESTIMATE "
                    "IS REPORTED");
    write_line(run, fmt_X(11) + std::to_string(s.rows.size()) +
                        " OBSERVATIONS ARE PREDICTED PERFECTLY:");
    list_observations(run, data, s.rows);
}

void report_binary(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                   const BinaryEstimate& e, const ChoiceOptions& o) {
    const std::string y = trim_trailing_blanks(eq.dep_name);
    write_index_opening(run,
                        eq.command == C_PROBIT
                            ? " BINARY PROBIT MODEL: P(" + y + "=1) = PHI(X'B)"
                            : " BINARY LOGIT MODEL: P(" + y + "=1) = 1/(1+EXP(-X'B))",
                        fmt_I_fitted(e.n - e.ones, 9) + " WITH " + y + "=0" +
                            fmt_I_fitted(e.ones, 9) + " WITH " + y + "=1",
                        eq, e, o, data.names);
    report_fit_end(run, e.end, e.iterations, choice_error(eq.command, CHOICE_NO_CONVERGENCE),
                   choice_error(eq.command, CHOICE_STUCK));
    if (!run.flags.OPUT) return;
    write_index_likelihood(run, e, &e.constants);
    write_line(run, " MCFADDEN PSEUDO R-SQUARE =" + fmt_F_fitted(e.constants.pseudo_r2, 8, 4) +
                        "   COX-SNELL R-SQUARE =" + fmt_F_fitted(e.r2_cox_snell, 8, 4));
    write_line(run, " NAGELKERKE (CRAGG-UHLER) R-SQUARE =" + fmt_F_fitted(e.r2_nagelkerke, 8, 4));
    write_index_coefficients(run, e, data.names, o);
    write_line(run, " ");
    write_prediction_table(run, e);
    write_effects(run, " ", " MARGINAL EFFECTS ON THE PROBABILITY (DELTA-METHOD STD. ERRORS)",
                  data.names, data.intercept,
                  {{"AT THE MEANS", e.at_means}, {"AVERAGE OF THE OBSERVATIONS", e.average}});
}

} // namespace tarvex
