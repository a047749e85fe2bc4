// Report lines shared by the multinomial logit and the ordered models.
#include "regress/choice/category_report.hpp"

#include "core/estimation_results.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/choice/category_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"

namespace tarvex {

namespace {

// Integers up to this size print as integers; larger ones in G format.
const Real OUTCOME_INTEGER_LIMIT = 1e15Q;

std::string observation_text(const ChoiceData& data, int row) {
    const int t = row >= 0 && row < int(data.observations.size())
                      ? data.observations[std::size_t(row)]
                      : row + 1;
    return std::to_string(t);
}

} // namespace

const char* maximize_method_name(MaximizeMethod method) {
    switch (method) {
    case MaximizeMethod::BHHH:
        return "BHHH";
    case MaximizeMethod::BFGS:
        return "BFGS";
    case MaximizeMethod::DFP:
        return "DFP";
    case MaximizeMethod::GRADX:
        return "GRADX";
    case MaximizeMethod::GQOPT:
        return "GQOPT";
    case MaximizeMethod::GQDFP:
        return "GQDFP";
    case MaximizeMethod::NEWTON:
        break;
    }
    return "NEWTON";
}

std::string outcome_text(Real value) {
    if (qm::abs(value) < OUTCOME_INTEGER_LIMIT && qm::floor(value) == value)
        return std::to_string(static_cast<long long>(value));
    return trim_blanks(fmt_G(value, 14, 7));
}

EstimationFailure category_failure(const ChoiceData& data, const CategoryEstimate& e,
                                   const std::string& bad_name, int base) {
    const std::string at = " AT OBSERVATION " + observation_text(data, e.bad_row);
    switch (e.end) {
    case ChoiceEnd::NOT_INTEGER:
        return {" ...ERROR..THE OUTCOME" + at +
                    " IS NOT AN INTEGER: " + trim_blanks(fmt_G(e.bad_value, 14, 7)),
                base + ERR_CAT_NOT_INTEGER};
    case ChoiceEnd::EMPTY_CATEGORY: // the multinomial logit's numbered outcomes
        return {" ...ERROR..NO OBSERVATION HAS OUTCOME " + outcome_text(e.bad_value) +
                    ": OUTCOMES ARE NUMBERED 0..J OR 1..J WITHOUT A GAP",
                base + ERR_CAT_EMPTY};
    case ChoiceEnd::TOO_FEW_CATEGORIES:
        return {" ...ERROR..THE DEPENDENT VARIABLE " + trim_trailing_blanks(data.dependent) +
                    " TAKES ONE VALUE ONLY",
                base + ERR_CAT_ONE_VALUE};
    case ChoiceEnd::SINGULAR:
        return {" ...ERROR.." + bad_name + " IS NOT IDENTIFIED", base + ERR_CAT_SINGULAR};
    case ChoiceEnd::SEPARATED:
        return {" ...ERROR..THE OUTCOMES OF" + fmt_I_fitted(e.certain, 7) +
                    " OBSERVATIONS ARE PREDICTED WITH PROBABILITY 1: THE COEFFICIENTS "
                    "DIVERGE",
                base + ERR_CAT_SEPARATION};
    case ChoiceEnd::UNDEFINED:
        return {" ...ERROR..THE LOG-LIKELIHOOD CANNOT BE EVALUATED AT THE START VALUES" + at,
                base + ERR_CAT_UNDEFINED};
    case ChoiceEnd::CONVERGED:
    case ChoiceEnd::ITERATION_LIMIT:
    case ChoiceEnd::STUCK:
    case ChoiceEnd::EXACT_FIT: // TOBIT's alone: the ordered and multinomial models never end so
        break;
    }
    return {};
}

void write_outcome_table(Run& run, const std::string& heading, const CategoryEstimate& e) {
    const bool weighted = !e.weighted_counts.empty();
    const Real total = e.total_weight();
    write_line(run,
               " " + heading + "  OBSERVATIONS" + (weighted ? "     WEIGHT" : "") + "   FRACTION");
    for (std::size_t j = 0; j < e.values.size(); ++j) {
        const std::string v = outcome_text(e.values[j]);
        const Real share = e.outcome_weight(int(j));
        write_line(
            run, " " + std::string(heading.size() > v.size() ? heading.size() - v.size() : 0, ' ') +
                     v + fmt_I_fitted(e.counts[j], 14) +
                     (weighted ? fmt_F_fitted(share, 11, 2) : std::string()) +
                     fmt_F_fitted(total > 0 ? share / total : Real(0), 11, 5));
    }
}

void write_iteration_history(Run& run, const std::vector<MaximizeIteration>& history,
                             const std::vector<std::string>& names) {
    for (const MaximizeIteration& it : history)
        write_iteration(run, it.iteration, "LOG-LIKELIHOOD", it.llf, names, it.parameters);
}

void write_category_table(Run& run, const std::string& label, const std::vector<std::string>& names,
                          const ModelResult& result, std::size_t first, bool wide) {
    const CoefficientTable all = coefficient_table(result);
    const auto from = std::ptrdiff_t(first), to = std::ptrdiff_t(first + names.size());
    const auto slice = [&](const std::vector<Real>& v) {
        return std::vector<Real>(v.begin() + from, v.begin() + to);
    };
    CoefficientTable t;
    t.label = label;
    t.names = names;
    t.coef = slice(all.coef);
    t.se = slice(all.se);
    t.tstat = slice(all.tstat);
    t.pvalue = slice(all.pvalue);
    t.partial = slice(all.partial);
    t.df = all.df;
    t.asymptotic = all.asymptotic;
    t.wide = wide;
    write_line(run, " ");
    write_coefficient_table(run, t);
}

void write_category_fit(Run& run, const CategoryEstimate& l) {
    write_line(run, " ");
    const ConstantsTest& t = l.constants;
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(l.result.record.llf, 13, 6));
    write_line(run, " LOG-LIKELIHOOD WITH " + t.constants + " =" + fmt_G(t.llf0, 13, 6));
    if (t.df > 0)
        write_line(run, " LIKELIHOOD RATIO TEST OF " + t.tested + ": CHI-SQUARE =" +
                            fmt_F_fitted(t.lr, 12, 4) + " WITH" + fmt_I_fitted(t.df, 4) +
                            " DEGREES OF FREEDOM, P-VALUE=" + fmt_F_fitted(t.pvalue, 6, 3));
    write_line(run, " MCFADDEN PSEUDO R-SQUARE =" + fmt_F_fitted(t.pseudo_r2, 10, 5));
    write_line(run, " PERCENT OF OUTCOMES CORRECTLY PREDICTED =" +
                        fmt_F_fitted(l.percent_correct, 8, 2));
    if (l.sandwich)
        write_line(run, " USING THE ROBUST (SANDWICH) COVARIANCE MATRIX H**-1 (G'G) H**-1");
}

} // namespace tarvex
