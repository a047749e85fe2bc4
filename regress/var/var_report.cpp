// Writing the estimates of VAR.
#include "regress/var/var_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

namespace {

void write_var_equation(Run& run, const VarAnalysis& v, int e, bool wide) {
    const VarFit& f = v.fit;
    const int k = f.k;
    write_line(run, " ");
    write_line(run, " EQUATION" + fmt_I_fitted(e + 1, 3) + " OF" + fmt_I_fitted(k, 3) +
                        ":   DEPENDENT VARIABLE= " + v.series[std::size_t(e)]);
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(f.sse[std::size_t(e)], 13, 5) + fmt_X(5) +
                        "STANDARD ERROR OF THE REGRESSION =" +
                        fmt_G(qm::sqrt(f.sigma[std::size_t(e) * k + e]), 13, 5));
    write_line(run, " ");
    CoefficientTable t;
    t.names = v.regressors;
    for (int r = 0; r < f.m; ++r) {
        const std::size_t i = std::size_t(r) * k + e;
        t.coef.push_back(f.coef[i]);
        t.se.push_back(v.se[i]);
        t.tstat.push_back(v.tstat[i]);
        t.pvalue.push_back(v.pvalue[i]);
        t.partial.push_back(v.partial[i]);
    }
    t.df = f.t - f.m;
    t.wide = wide;
    write_coefficient_table(run, t);
}

// One block of k x k numbers per step: a line per step and row, the columns the series.
// `se`, when given, puts each row's standard errors on the line below it.
void write_steps(Run& run, const std::string& title, const VarAnalysis& v,
                 const std::vector<std::vector<Real>>& steps,
                 const std::vector<std::vector<Real>>& se = {}) {
    const int k = v.fit.k;
    write_line(run, " ");
    write_line(run, title);
    std::string head = " STEP RESPONSE ";
    for (const std::string& s : v.series) head += fmt_X(5) + s;
    write_line(run, head);
    for (std::size_t h = 0; h < steps.size(); ++h)
        for (int i = 0; i < k; ++i) {
            std::string line = fmt_I(long(h), 5) + " " + v.series[std::size_t(i)];
            for (int j = 0; j < k; ++j) line += fmt_G(steps[h][std::size_t(i) * k + j], 13, 5);
            write_line(run, line);
            if (se.empty()) continue;
            line = fmt_X(8) + "S.E.  ";
            for (int j = 0; j < k; ++j) line += fmt_G(se[h][std::size_t(i) * k + j], 13, 5);
            write_line(run, line);
        }
}

void write_criteria(Run& run, const VarAnalysis& v) {
    write_line(run, " ");
    write_line(run, " LAG ORDER SELECTION (COMMON SAMPLE OF" + fmt_I_fitted(v.fit.t, 9) +
                        " ROWS FOR THE ORDER " + std::to_string(v.lags) + " FIT; " +
                        "EACH ORDER ON THE ROWS AFTER MAXLAG)");
    // A blank before every value: a negative one in exponent form fills its whole field.
    write_line(run, "  LAGS       AIC      BIC (SC)            HQ           FPE");
    const auto column = [](Real value) { return " " + fmt_G(value, 13, 6); };
    for (const VarCriteria& c : v.criteria) {
        if (!c.ok) {
            write_line(run, fmt_I(c.lags, 6) + "   NOT ESTIMABLE");
            continue;
        }
        write_line(run,
                   fmt_I(c.lags, 6) + column(c.aic) + column(c.bic) + column(c.hq) + column(c.fpe));
    }
}

void write_causality(Run& run, const VarAnalysis& v) {
    write_line(run, " ");
    write_line(run, " CAUSALITY OF EACH SERIES ON THE OTHERS");
    write_line(run, " SERIES    GRANGER F     DF1      DF2   P-VALUE   INSTANT CHI2  DF  P-VALUE");
    for (std::size_t j = 0; j < v.series.size(); ++j) {
        const WaldTest& g = v.granger[j];
        const WaldTest& c = v.instantaneous[j];
        std::string line = " " + v.series[j];
        line += g.ok ? fmt_G(g.statistic, 13, 5) + fmt_I(g.df1, 6) +
                           fmt_I(static_cast<long long>(g.df2), 9) + fmt_F(g.pvalue, 9, 5)
                     : "   NOT AVAILABLE" + fmt_X(22);
        line += c.ok ? fmt_G(c.statistic, 13, 5) + fmt_I(c.df1, 5) + fmt_F(c.pvalue, 9, 5)
                     : "   NOT AVAILABLE";
        write_line(run, line);
    }
}

} // namespace

void report_var(Run& run, const VarAnalysis& v, const VarOptions& o) {
    if (!run.flags.OPUT) return;
    const VarFit& f = v.fit;
    const int k = f.k;
    write_line(run, " ");
    write_line(run, " VECTOR AUTOREGRESSION OF ORDER" + fmt_I_fitted(v.lags, 3) + " IN" +
                        fmt_I_fitted(k, 3) + " SERIES");
    write_line(run, fmt_I_fitted(f.t, 9) + " OBSERVATIONS FROM" + fmt_I_fitted(v.beg, 7) + " TO" +
                        fmt_I_fitted(v.end, 7) + "," + fmt_I_fitted(f.m, 4) +
                        " COEFFICIENTS PER EQUATION");
    for (int e = 0; e < k; ++e) write_var_equation(run, v, e, o.WIDE);
    write_coefficient_matrix(run, v.series, f.sigma,
                             " RESIDUAL COVARIANCE MATRIX, E'E/(T-M) WITH T-M =" +
                                 fmt_I_fitted(f.t - f.m, 7),
                             false, o.WIDE);
    write_line(run, " ");
    write_line(run, " LOG OF LIKELIHOOD FUNCTION =" + fmt_G(f.llf, 16, 9) +
                        "   LOG DET(E'E/T) =" + fmt_G(f.log_det_ml, 16, 9));
    write_line(run, " AIC =" + fmt_G(v.aic, 15, 8) + "   BIC (SC) =" + fmt_G(v.bic, 15, 8) +
                        "   HQ =" + fmt_G(v.hq, 15, 8) + "   FPE =" + fmt_G(v.fpe, 15, 8));
    write_line(run, " ");
    write_line(
        run, " MODULI OF THE COMPANION MATRIX'S EIGENVALUES, LARGEST FIRST (STABLE: ALL BELOW 1)");
    for (std::size_t i = 0; i < v.moduli.size(); i += 5) {
        std::string line;
        for (std::size_t j = i; j < v.moduli.size() && j < i + 5; ++j)
            line += fmt_G(v.moduli[j], 15, 8);
        write_line(run, line);
    }
    if (v.moduli.empty()) write_line(run, " ...NOTE..THE EIGENVALUE ITERATION DID NOT SETTLE");
    if (!v.stable)
        write_line(run, " ...NOTE..AN EIGENVALUE MODULUS IS 1 OR MORE: THE VAR IS NOT STATIONARY");
    if (!v.criteria.empty()) write_criteria(run, v);
    if (o.GRANGER) write_causality(run, v);
    const std::string kind = o.ORTHOG ? "ORTHOGONALISED (CHOLESKY IN THE LISTED ORDER)" : "PLAIN";
    if (o.IRF) {
        if (!v.stable)
            write_line(run, " ...NOTE..THE RESPONSES OF A NON-STATIONARY VAR DO NOT DIE OUT");
        write_steps(run,
                    " IMPULSE RESPONSES, " + kind + ": ROW THE RESPONDING SERIES, COLUMN THE SHOCK",
                    v, v.responses, v.response_se);
    }
    if (o.FEVD)
        write_steps(run,
                    " FORECAST-ERROR VARIANCE DECOMPOSITION AT STEP+1: ROW THE SERIES, COLUMN THE "
                    "SHOCK",
                    v, v.decomposition);
}

} // namespace tarvex
