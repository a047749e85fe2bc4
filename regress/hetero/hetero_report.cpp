// Writing the estimates of HETERO.
#include "regress/hetero/hetero_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/hetero/hetero_errors.hpp"

namespace tarvex {

namespace {} // namespace

std::string variance_parameter_name(const std::string& name) {
    return first_8_padded("V_" + trim_trailing_blanks(name));
}

namespace {

std::vector<std::string> hetero_term_names(const std::vector<OlsTerm>& terms) {
    std::vector<std::string> names;
    for (const OlsTerm& t : terms) names.push_back(t.name);
    return names;
}

// The coefficients, mean equation then variance (V_name).
std::vector<std::string> hetero_parameter_names(const HeteroEquation& eq) {
    std::vector<std::string> names = hetero_term_names(eq.terms);
    for (const OlsTerm& t : eq.variance) names.push_back(variance_parameter_name(t.name));
    return names;
}

void write_history(Run& run, const HeteroEquation& eq, const HeteroEstimate& e) {
    const std::vector<std::string> names = hetero_parameter_names(eq);
    for (const MaximizeIteration& it : e.history)
        write_iteration(run, it.iteration, "LOG-LIKELIHOOD", it.llf, names, it.parameters);
}

// Rows first..first+count-1 of the estimate as a table, under the equation's term names.
void write_table(Run& run, const std::string& label, const std::vector<OlsTerm>& terms,
                 const HeteroEstimate& e, int first, bool wide) {
    const CoefficientTable all = coefficient_table(e.result);
    const auto rows = [first, count = int(terms.size())](const std::vector<Real>& v) {
        return std::vector<Real>(v.begin() + first, v.begin() + first + count);
    };
    CoefficientTable t = all;
    t.label = label;
    t.names = hetero_term_names(terms);
    t.coef = rows(all.coef);
    t.se = rows(all.se);
    t.tstat = rows(all.tstat);
    t.pvalue = rows(all.pvalue);
    t.partial = rows(all.partial);
    t.wide = wide;
    write_coefficient_table(run, t);
}

} // namespace

void report_hetero(Run& run, const HeteroEquation& eq, const HeteroEstimate& e,
                   const HeteroOptions& o) {
    const bool put = run.flags.OPUT;
    if (put) {
        write_line(run, " REGRESSION WITH MULTIPLICATIVE HETEROSKEDASTICITY: VAR(E) = EXP(Z'G)");
        write_line(run, fmt_I_fitted(e.result.record.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + eq.dep_name);
        write_line(run, " METHOD: " + o.METHOD + " (MAXIMUM LIKELIHOOD)");
        if (o.PITER) write_history(run, eq, e);
    }
    report_iteration_end(run, iteration_end_of(e.end), e.iterations, "LOG-LIKELIHOOD",
                         ERR_HET_NO_CONVERGENCE, ERR_HET_STUCK);
    if (put) {
        write_line(run, " ");
        write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.result.record.llf, 13, 6));
        write_line(run, " LOG-LIKELIHOOD WITH CONSTANT VARIANCE =" + fmt_G(e.llf_constant, 13, 6));
        if (e.lr_df > 0)
            write_line(run, " LIKELIHOOD RATIO TEST OF CONSTANT VARIANCE: CHI-SQUARE =" +
                                fmt_F_fitted(e.lr, 10, 4) + " WITH" + fmt_I_fitted(e.lr_df, 3) +
                                " DEGREES OF FREEDOM, P-VALUE=" + fmt_F_fitted(e.lr_pvalue, 6, 3));
        if (o.HETCOV) write_line(run, " USING HETEROSKEDASTICITY-CONSISTENT COVARIANCE MATRIX");
        write_line(run, " ");
        write_table(run, fmt_X(10) + "MEAN EQUATION:", eq.terms, e, 0, o.WIDE);
        write_line(run, " ");
        write_table(run, fmt_X(10) + "VARIANCE EQUATION:", eq.variance, e,
                    e.result.record.mean_terms, o.WIDE);
        const std::vector<std::string> names = hetero_parameter_names(eq);
        write_coefficient_matrices(run, names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
    }
}

} // namespace tarvex
