// Writing the coefficient table and the coefficient matrices.
#include "regress/fit/coefficient_table.hpp"

#include "core/run.hpp"
#include "numeric/distributions.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <algorithm>
#include <cassert>

namespace tarvex {

namespace {

// A t-ratio whose square exceeds this has p-value 0 without evaluation.
const Real T2_LIMIT = 10000;

constexpr int MATRIX_COLUMNS_WIDE = 8;
constexpr int MATRIX_COLUMNS_NARROW = 5;

Real ratio_or_zero(Real a, Real b) {
    return b != 0 ? a / b : Real(0);
}

} // namespace

void coefficient_inference(const std::vector<Real>& tstat, Real df, bool asymptotic,
                           std::vector<Real>& pvalue, std::vector<Real>& partial) {
    pvalue.assign(tstat.size(), Real(0));
    partial.assign(tstat.size(), Real(0));
    for (std::size_t j = 0; j < tstat.size(); ++j) {
        const Real ratio = tstat[j], t2 = ratio * ratio;
        if (asymptotic)
            pvalue[j] = 2 * dist::normal_upper(qm::abs(ratio));
        else if (t2 <= T2_LIMIT)
            pvalue[j] = f_tail(t2, 1, df);
        partial[j] = t2 + df > 0 ? ratio / qm::sqrt(t2 + df) : Real(0);
    }
}

void infer_coefficients(ModelResult& result) {
    EstimationResults& r = result.record;
    coefficient_inference(r.tratios, r.df, r.asymptotic, r.pvalues, result.partials);
}

CoefficientTable coefficient_table(const ModelResult& result) {
    const EstimationResults& r = result.record;
    CoefficientTable t;
    t.names = r.names;
    t.coef = r.coef;
    t.se = r.stderrs;
    t.tstat = r.tratios;
    t.pvalue = r.pvalues;
    t.partial = result.partials;
    t.df = r.df;
    t.asymptotic = r.asymptotic;
    return t;
}

void write_coefficient_table(Run& run, const CoefficientTable& t) {
    // The estimator gives every row its p-value and partial correlation; the table only writes.
    assert(t.pvalue.size() == t.tstat.size() && t.partial.size() == t.tstat.size());
    const bool last_columns = !t.standardised.empty() || !t.elasticity.empty();
    const long long df =
        finiteq(t.df) && fabsq(t.df) < Real(1e18) ? static_cast<long long>(t.df) : 0;
    const std::string df_label =
        t.asymptotic ? fmt_X(8)
                     : (t.df_in_five_columns ? fmt_I(df, 5) : fmt_I_fitted(df, 5)) + " DF";
    if (!t.label.empty()) write_line(run, t.label);
    if (t.asymptotic) write_line(run, fmt_X(30) + "ASYMPTOTIC");
    if (t.wide) {
        write_line(run, " VARIABLE" + fmt_X(4) + "ESTIMATED   STANDARD   T-RATIO" + fmt_X(10) +
                            (last_columns ? "PARTIAL STANDARDIZED ELASTICITY" : "PARTIAL"));
        write_line(run,
                   std::string(" ") + "  NAME     COEFFICIENT    ERROR" + fmt_X(3) + df_label +
                       fmt_X(4) +
                       (last_columns ? "P-VALUE CORR.  COEFFICIENT  AT MEANS" : "P-VALUE CORR."));
    } else {
        write_line(run, " VARIABLE" + fmt_X(3) + "ESTIMATED  STANDARD   T-RATIO" + fmt_X(8) +
                            (last_columns ? "PARTIAL STANDARDIZED ELASTICITY" : "PARTIAL"));
        write_line(run,
                   "   NAME    COEFFICIENT   ERROR" + fmt_X(3) + df_label + fmt_X(3) +
                       (last_columns ? "P-VALUE CORR. COEFFICIENT  AT MEANS" : "P-VALUE CORR."));
    }
    for (std::size_t j = 0; j < t.coef.size(); ++j) {
        const Real b = t.coef[j], se = t.se[j], ratio = t.tstat[j];
        const Real p = j < t.pvalue.size() ? t.pvalue[j] : Real(0);
        const Real partial = j < t.partial.size() ? t.partial[j] : Real(0);
        const Real standardised = j < t.standardised.size() ? t.standardised[j] : Real(0);
        const Real elasticity = j < t.elasticity.size() ? t.elasticity[j] : Real(0);
        if (t.wide) {
            std::string line = " " + first_8_padded(t.names[j]) + fmt_G(b, 13, 5) +
                               fmt_G(se, 12, 5) + fmt_G(ratio, 13, 5) + fmt_F(p, 7, 4) +
                               fmt_F(partial, 7, 4);
            if (last_columns) line += fmt_G(standardised, 13, 5) + fmt_G(elasticity, 13, 5);
            write_line(run, line);
        } else {
            std::string line = first_8_padded(t.names[j]) + fmt_G(b, 13, 5) + fmt_G(se, 11, 4) +
                               fmt_G(ratio, 12, 4) + fmt_F(p, 6, 3) + fmt_F(partial, 6, 3);
            if (last_columns) line += fmt_F(standardised, 11, 4) + fmt_F(elasticity, 11, 4);
            write_line(run, line);
        }
    }
}

void write_coefficient_matrix(Run& run, const std::vector<std::string>& names,
                              const std::vector<Real>& matrix, const std::string& title,
                              bool correlation, bool wide) {
    const int k = static_cast<int>(names.size());
    const int per_line = wide ? MATRIX_COLUMNS_WIDE : MATRIX_COLUMNS_NARROW;
    auto value = [&](int i, int j) {
        const Real c = matrix[std::size_t(i) * k + j];
        if (!correlation) return c;
        const Real d =
            qm::sqrt(qm::abs(matrix[std::size_t(i) * k + i] * matrix[std::size_t(j) * k + j]));
        return ratio_or_zero(c, d);
    };
    write_line(run, " ");
    write_line(run, title);
    for (int first = 0; first < k; first += per_line) {
        const int last = std::min(k, first + per_line);
        for (int i = first; i < k; ++i) {
            std::string line = " " + first_8_padded(names[i]);
            for (int j = first; j < last && j <= i; ++j) line += fmt_G(value(i, j), 13, 5);
            write_line(run, line);
        }
        std::string line = " " + fmt_X(8);
        for (int j = first; j < last; ++j) line += fmt_X(5) + first_8_padded(names[j]);
        write_line(run, line);
    }
}

void write_coefficient_matrices(Run& run, const std::vector<std::string>& names,
                                const std::vector<Real>& cov, bool pcov, bool pcor, bool wide) {
    if (pcov)
        write_coefficient_matrix(run, names, cov, " VARIANCE-COVARIANCE MATRIX OF COEFFICIENTS",
                                 false, wide);
    if (pcor)
        write_coefficient_matrix(run, names, cov, " CORRELATION MATRIX OF COEFFICIENTS", true,
                                 wide);
}

void standard_errors_and_ratios(const std::vector<Real>& coef, const std::vector<Real>& cov,
                                std::vector<Real>& se, std::vector<Real>& tstat) {
    const std::size_t k = coef.size();
    se.assign(k, 0);
    tstat.assign(k, 0);
    for (std::size_t j = 0; j < k; ++j) {
        const Real v = cov[j * k + j];
        se[j] = v > 0 ? qm::sqrt(v) : Real(0);
        tstat[j] = se[j] > 0 ? coef[j] / se[j] : Real(0);
    }
}

} // namespace tarvex
