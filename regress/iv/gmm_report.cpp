// Writing the estimates of 2SLS / METHOD=GMM.
#include "regress/iv/gmm_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/iv/iv_errors.hpp"

namespace tarvex {

namespace {

// What S, the moment covariance, is.
std::string moment_covariance_words(const GmmControl& control) {
    if (control.lags > 0)
        return "NEWEY-WEST MOMENT COVARIANCE (HAC), LAG=" + fmt_I_fitted(control.lags, 3);
    return "HETEROSKEDASTICITY-CONSISTENT MOMENT COVARIANCE (WHITE)";
}

void write_gmm_heading(Run& run, const IvEquation& eq, const GmmEstimate& e,
                       const GmmControl& control) {
    const EstimationResults& r = e.result.record;
    write_line(run, " GENERALISED METHOD OF MOMENTS");
    write_line(run, fmt_I_fitted(r.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    std::vector<std::string> endogenous, instruments;
    for (int a : e.first.endogenous) endogenous.push_back(eq.terms[a].name);
    for (const OlsTerm& t : eq.instruments) instruments.push_back(t.name);
    if (!endogenous.empty()) write_name_list(run, " ENDOGENOUS REGRESSORS:", endogenous);
    write_name_list(run, " INSTRUMENTS:", instruments);
    write_gmm_weight_lines(run, control, "TWO STAGE LEAST SQUARES");
}

} // namespace

void write_gmm_weight_lines(Run& run, const GmmControl& control, const std::string& first_step) {
    if (control.weight == GmmWeight::IDENTITY) {
        write_line(run, " WEIGHT MATRIX: IDENTITY, ONE STEP");
        write_line(run, " STANDARD ERRORS FROM THE " + moment_covariance_words(control));
    } else if (control.steps == GmmSteps::ONE) {
        write_line(run, " WEIGHT MATRIX: (Z'Z)**-1, ONE STEP (" + first_step + ")");
        write_line(run, " STANDARD ERRORS FROM THE " + moment_covariance_words(control));
    } else {
        write_line(run, " WEIGHT MATRIX: INVERSE OF THE " + moment_covariance_words(control));
        write_line(run, control.steps == GmmSteps::TWO
                            ? " TWO-STEP ESTIMATE: THE FIRST STEP " + first_step
                            : std::string(" ITERATED ESTIMATE: THE WEIGHT RENEWED FROM EACH "
                                          "STEP'S RESIDUALS"));
    }
}

void write_gmm_fit_lines(Run& run, const EstimationResults& r, Real sigma2, Real adjr2,
                         bool centred, Real ymean) {
    write_line(run, " ");
    write_line(run, "  R-SQUARE =" + fmt_F_fitted(r.rsqr, 9, 4) + fmt_X(5) +
                        "R-SQUARE ADJUSTED =" + fmt_F_fitted(adjr2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(sigma2, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(r.sigma, 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(r.sse, 13, 5));
    if (centred) write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(ymean, 13, 5));
    write_line(run, " ");
}

void write_hansen_j_lines(Run& run, int over, const IvStatistic& j, const GmmControl& control) {
    if (over <= 0) return;
    write_line(run, " ");
    if (j.available) {
        write_line(run, " HANSEN J TEST OF OVER-IDENTIFYING RESTRICTIONS: CHI-SQUARE =" +
                            fmt_G(j.value, 14, 7) + " WITH" + fmt_I_fitted(j.df1, 4) +
                            " D.F., P-VALUE=" + fmt_F_fitted(j.pvalue, 8, 5));
        if (control.steps == GmmSteps::TWO)
            write_line(run, " (THE CRITERION g'S**-1 g WITH THE WEIGHT OF THE SECOND STEP)");
    } else {
        write_line(run, " ...NOTE..NO HANSEN J TEST: IT NEEDS THE EFFICIENT WEIGHT, STEPS=2 OR "
                        "ITERATE");
    }
}

void report_gmm(Run& run, const IvEquation& eq, const GmmEstimate& e, const GmmControl& control,
                const IvOptions& o) {
    if (run.flags.OPUT) write_gmm_heading(run, eq, e, control);
    if (control.steps == GmmSteps::ITERATE)
        report_iteration_end(
            run, e.converged ? IterationEnd::CONVERGED : IterationEnd::ITERATION_LIMIT,
            e.weighted_steps, "COEFFICIENTS", ERR_GMM_NO_CONVERGENCE, ERR_GMM_NO_CONVERGENCE);
    if (!run.flags.OPUT) return;
    write_gmm_fit_lines(run, e.result.record, e.sigma2, e.adjr2, e.centred, e.ymean);
    CoefficientTable t = coefficient_table(e.result);
    t.wide = o.WIDE;
    t.asymptotic = true;
    write_coefficient_table(run, t);
    write_hansen_j_lines(run, e.first.l - e.first.k, e.j, control);
    write_coefficient_matrices(run, t.names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
