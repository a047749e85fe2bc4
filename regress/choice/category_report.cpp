// Report lines and stored results shared by the multinomial logit and the ordered models.
#include "regress/choice/category_report.hpp"

#include "core/error_report.hpp"
#include "core/estimation_results.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/choice/category_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"

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

void report_category_failure(Run& run, const ChoiceData& data, const CategoryFailure& f, int base) {
    const std::string at = " AT OBSERVATION " + observation_text(data, f.bad_row);
    switch (f.end) {
    case CategoryFitEnd::NOT_INTEGER:
        report_error(run,
                     " ...ERROR..THE OUTCOME" + at +
                         " IS NOT AN INTEGER: " + trim_blanks(fmt_G(f.bad_value, 14, 7)),
                     base + ERR_CAT_NOT_INTEGER);
        return;
    case CategoryFitEnd::NEGATIVE_OUTCOME:
        report_error(run,
                     " ...ERROR..THE OUTCOME" + at + " IS NEGATIVE: OUTCOMES ARE NUMBERED " +
                         f.numbering,
                     base + ERR_CAT_NEGATIVE);
        return;
    case CategoryFitEnd::EMPTY_CATEGORY:
        report_error(run,
                     " ...ERROR..NO OBSERVATION HAS OUTCOME " + outcome_text(f.bad_value) +
                         ": OUTCOMES ARE NUMBERED " + f.numbering,
                     base + ERR_CAT_EMPTY);
        return;
    case CategoryFitEnd::TOO_FEW_CATEGORIES:
        report_error(run,
                     " ...ERROR..THE DEPENDENT VARIABLE " + trim_trailing_blanks(data.dependent) +
                         " TAKES ONE VALUE ONLY",
                     base + ERR_CAT_ONE_VALUE);
        return;
    case CategoryFitEnd::TOO_FEW_OBSERVATIONS:
        report_error(run,
                     " ...ERROR.." + fmt_I(static_cast<long long>(data.y.size()), 5) +
                         " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(f.parameters, 4) + " REGRESSORS",
                     base + ERR_CAT_TOO_FEW);
        return;
    case CategoryFitEnd::SINGULAR:
        report_error(run, " ...ERROR.." + f.bad_name + " IS NOT IDENTIFIED",
                     base + ERR_CAT_SINGULAR);
        return;
    case CategoryFitEnd::SEPARATION:
        report_error(run,
                     " ...ERROR..THE OUTCOMES OF" + fmt_I(f.certain, 7) +
                         " OBSERVATIONS ARE PREDICTED WITH PROBABILITY 1: THE COEFFICIENTS "
                         "DIVERGE",
                     base + ERR_CAT_SEPARATION);
        return;
    case CategoryFitEnd::UNDEFINED:
        report_error(run,
                     " ...ERROR..THE LOG-LIKELIHOOD CANNOT BE EVALUATED AT THE START VALUES" + at,
                     base + ERR_CAT_UNDEFINED);
        return;
    case CategoryFitEnd::CONVERGED:
    case CategoryFitEnd::ITERATION_LIMIT:
    case CategoryFitEnd::STUCK:
        return;
    }
}

void report_category_iteration_end(Run& run, CategoryFitEnd end, int iterations, int base) {
    report_iteration_end(run,
                         end == CategoryFitEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
                         : end == CategoryFitEnd::STUCK         ? IterationEnd::STUCK
                                                                : IterationEnd::CONVERGED,
                         iterations, "LOG-LIKELIHOOD", base + ERR_CAT_NO_CONVERGENCE,
                         base + ERR_CAT_STUCK);
}

void write_outcome_table(Run& run, const std::string& heading, const std::vector<Real>& values,
                         const std::vector<int>& counts, int n) {
    write_line(run, " " + heading + "  OBSERVATIONS   FRACTION");
    for (std::size_t j = 0; j < values.size(); ++j) {
        const std::string v = outcome_text(values[j]);
        write_line(
            run, " " + std::string(heading.size() > v.size() ? heading.size() - v.size() : 0, ' ') +
                     v + fmt_I(counts[j], 14) +
                     fmt_F(n > 0 ? Real(counts[j]) / Real(n) : Real(0), 11, 5));
    }
}

void write_iteration_history(Run& run, const std::vector<MaximizeIteration>& history,
                             const std::vector<std::string>& names) {
    for (const MaximizeIteration& it : history)
        write_iteration(run, it.iteration, "LOG-LIKELIHOOD", it.llf, names, it.parameters);
}

void write_category_table(Run& run, const std::string& label, const std::vector<std::string>& names,
                          const std::vector<Real>& coef, const std::vector<Real>& se,
                          const std::vector<Real>& tstat, std::size_t first, int n, bool wide) {
    const auto from = std::ptrdiff_t(first), to = std::ptrdiff_t(first + names.size());
    CoefficientTable t;
    t.label = label;
    t.names = names;
    t.coef.assign(coef.begin() + from, coef.begin() + to);
    t.se.assign(se.begin() + from, se.begin() + to);
    t.tstat.assign(tstat.begin() + from, tstat.begin() + to);
    t.df = n - int(coef.size());
    t.asymptotic = true;
    t.wide = wide;
    write_line(run, " ");
    write_coefficient_table(run, t);
}

void write_category_fit(Run& run, const CategoryFitLines& l) {
    write_line(run, " ");
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(l.llf, 13, 6));
    write_line(run,
               " LOG-LIKELIHOOD WITH " + l.constant_label + " =" + fmt_G(l.llf_constant, 13, 6));
    if (l.lr_df > 0)
        write_line(run, " LIKELIHOOD RATIO TEST OF " + l.lr_label +
                            ": CHI-SQUARE =" + fmt_F(l.lr, 12, 4) + " WITH" + fmt_I(l.lr_df, 4) +
                            " DEGREES OF FREEDOM, P-VALUE=" + fmt_F(l.lr_pvalue, 6, 3));
    write_line(run, " MCFADDEN PSEUDO R-SQUARE =" + fmt_F(l.pseudo_r2, 10, 5));
    write_line(run, " PERCENT OF OUTCOMES CORRECTLY PREDICTED =" + fmt_F(l.percent_correct, 8, 2));
    if (l.sandwich)
        write_line(run, " USING THE ROBUST (SANDWICH) COVARIANCE MATRIX H**-1 (G'G) H**-1");
}

void record_category_estimation(Run& run, const ChoiceData& data, const ChoiceOutputs& out,
                                const CategoryRecord& r) {
    const int p = static_cast<int>(r.coef->size());
    EstimationResults& s = run.last_estimation;
    s = EstimationResults{};
    s.command = out.command;
    s.dep_ref = out.dep_ref;
    s.dep_lag = out.dep_lag;
    s.dep_name = first_8_padded(data.dependent);
    s.dep_variable =
        out.dep_ref != 0 ? reference_name(run, out.dep_ref) : trim_trailing_blanks(data.dependent);
    for (int j = 0; j < p; ++j) record_parameter(run, r.names[std::size_t(j)], j, s);
    s.coef = *r.coef;
    s.cov = *r.cov;
    s.stderrs = *r.se;
    s.tratios = *r.tstat;
    s.obs = data.observations;
    s.predicted = r.predicted;
    s.n = r.n;
    s.k = p;
    s.beg = out.beg;
    s.end = out.end;
    s.df = r.n - p;
    s.intercept = data.intercept >= 0;
    s.asymptotic = true;
    s.not_forecast = r.model;

    ResultScalars& res = run.res;
    res[R_LLF] = r.llf;
    res[R_N] = r.n;
    res[R_K] = p;
    res[R_DF] = r.n - p;
    res[R_CHI] = r.lr;
    if (!store_by_observation(run, out.PREDICT, out.end, data.observations, r.predicted)) return;
    if (r.index && !store_by_observation(run, out.INDEX, out.end, data.observations, *r.index))
        return;
    if (!store_vector(run, out.COEF, *r.coef)) return;
    if (!store_vector(run, out.STDERR, *r.se)) return;
    if (!store_vector(run, out.TRATIO, *r.tstat)) return;
    store_square_matrix(run, out.COVARIAN, p, *r.cov);
}

} // namespace tarvex
