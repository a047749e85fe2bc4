// The coefficient table every estimator prints, and the coefficient covariance and correlation
// matrices: one row per coefficient with its estimate, standard error, t-ratio (or asymptotic
// normal ratio), p-value and partial correlation, and, for the estimators that define them, the
// standardised coefficient and the elasticity at means. The labels of other estimators
// ("MEAN EQUATION:", "BOX-COX" ...) go above the header.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct CoefficientTable {
    std::vector<std::string> names; // 8 columns each
    std::vector<Real> coef, se, tstat;
    Real df = 0;             // degrees of freedom of the t-ratios (and the partial correlations)
    bool asymptotic = false; // p-values from the normal distribution; "ASYMPTOTIC" above
    bool wide = false;
    std::string label; // written above the header when not empty
    // The last two columns; both empty: the table stops after the partial correlation.
    std::vector<Real> standardised, elasticity;
};

void write_coefficient_table(Run& run, const CoefficientTable& table);

// Lower triangle by rows, in blocks of columns, each block followed by its column names:
// `matrix` (K x K row-major) itself, or its correlations.
void write_coefficient_matrix(Run& run, const std::vector<std::string>& names,
                              const std::vector<Real>& matrix, const std::string& title,
                              bool correlation, bool wide);

// The matrices an estimator's PCOV and PCOR options ask for, in that order.
void write_coefficient_matrices(Run& run, const std::vector<std::string>& names,
                                const std::vector<Real>& cov, bool pcov, bool pcor, bool wide);

// Standard errors and t-ratios of a covariance matrix (0 where a variance is not positive).
void standard_errors_and_ratios(const std::vector<Real>& coef, const std::vector<Real>& cov,
                                std::vector<Real>& se, std::vector<Real>& tstat);

} // namespace tarvex
