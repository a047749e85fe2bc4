// The coefficient table every estimator prints, and the coefficient covariance and correlation
// matrices: one row per coefficient with its estimate, standard error, t-ratio (or asymptotic
// normal ratio), p-value and partial correlation, and, for the estimators that define them, the
// standardised coefficient and the elasticity at means. The labels of other estimators
// ("MEAN EQUATION:", "BOX-COX" ...) go above the header.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct CoefficientTable {
    std::vector<std::string> names; // 8 columns each
    std::vector<Real> coef, se, tstat;
    // The p-value and partial correlation of each ratio, computed by the estimator
    // (coefficient_inference); one each for every row.
    std::vector<Real> pvalue, partial;
    Real df = 0;             // degrees of freedom of the t-ratios (and the partial correlations)
    bool asymptotic = false; // p-values from the normal distribution; "ASYMPTOTIC" above
    // OLS's heading holds the degrees of freedom in five columns whatever their size; the other
    // estimators' headings widen the field for 100,000 and more, so the number is never lost.
    bool df_in_five_columns = false;
    bool wide = false;
    std::string label; // written above the header when not empty
    // The last two columns; both empty: the table stops after the partial correlation.
    std::vector<Real> standardised, elasticity;
};

void write_coefficient_table(Run& run, const CoefficientTable& table);

// The p-values (into the record) and partial correlations of a result whose ratios, degrees of
// freedom and law are set.
void infer_coefficients(ModelResult& result);
// The table of a result: the record's names, estimates, ratios and p-values with the partial
// correlations; the caller adds the layout (width, label, last columns).
CoefficientTable coefficient_table(const ModelResult& result);

// Lower triangle by rows, in blocks of columns, each block followed by its column names:
// `matrix` (K x K row-major) itself, or its correlations.
void write_coefficient_matrix(Run& run, const std::vector<std::string>& names,
                              const std::vector<Real>& matrix, const std::string& title,
                              bool correlation, bool wide);

// The matrices an estimator's PCOV and PCOR options ask for, in that order.
void write_coefficient_matrices(Run& run, const std::vector<std::string>& names,
                                const std::vector<Real>& cov, bool pcov, bool pcor, bool wide);

// The p-values of t-ratios with `df` degrees of freedom (two-sided; from the normal distribution
// when `asymptotic`) and their partial correlations t / sqrt(t**2 + df).
void coefficient_inference(const std::vector<Real>& tstat, Real df, bool asymptotic,
                           std::vector<Real>& pvalue, std::vector<Real>& partial);

// Standard errors and t-ratios of a covariance matrix (0 where a variance is not positive).
void standard_errors_and_ratios(const std::vector<Real>& coef, const std::vector<Real>& cov,
                                std::vector<Real>& se, std::vector<Real>& tstat);

} // namespace tarvex
