// Polynomial distributed lags: a run of lag terms of one variable whose coefficients lie on a
// polynomial in the lag, optionally tied to zero just before the first lag (near end) and/or
// just after the last (far end). The fit is made by substitution: the lagged columns are
// combined into one constructed column per free polynomial parameter, least squares is solved
// on those, and the lag coefficients and their covariance are mapped back.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct OlsFit;
struct OlsOptions;
struct OlsTerm;
struct LsSolution;
struct ReportNotes;

// End-point constraint codes of a lag reference name(first.last,order,endcon).
enum EndConstraint : int {
    ENDCON_NONE = 0, // free at both ends
    ENDCON_NEAR = 1, // the coefficient of lag first-1 is zero
    ENDCON_FAR = 2,  // the coefficient of lag last+1 is zero
    ENDCON_BOTH = 3, // both
};

// One polynomial lag: the terms first_term .. first_term+lags-1 of the equation.
struct LagPolynomial {
    int first_term = 0;
    int lags = 0;   // number of lag terms m
    int order = 0;  // polynomial degree p
    int endcon = 0; // EndConstraint
    int free_parameters() const;
    // Weight of lag index i (0 .. m-1) in constructed column c (0 .. free-1).
    Real basis(int i, int c) const;
};

// The polynomial lags of an equation, in term order: runs of consecutive terms of one
// variable with consecutive lags and the same non-zero order and end code.
std::vector<LagPolynomial> find_lag_polynomials(const std::vector<OlsTerm>& terms);

// Number of restrictions the polynomial lags of an equation impose (lags less free parameters).
int lag_polynomial_restrictions(const std::vector<OlsTerm>& terms);

// Checks every polynomial lag (end code 0 to 3, at least one free parameter, no more free
// parameters than lags); false after the error line.
bool check_lag_polynomials(Run& run, const std::vector<OlsTerm>& terms);

// The K x Kf matrix H (row-major) with b = H g: lag coefficients from the free parameters,
// plain terms mapped to themselves. `column_term` receives, per constructed column, the term
// that names it (the first lag of its polynomial).
std::vector<Real> substitution_matrix(const std::vector<LagPolynomial>& polys, int k,
                                      std::vector<int>& column_term);

// Least squares of the fit's equation: by METHOD, or by substitution through the "NORMAL"
// solver when polynomial lags are imposed (not with DLRX). Adds the number of restrictions the
// polynomials impose to fit.restrictions. xs, ys: the (weighted) rows. The polynomials imposed
// are noted for the report.
LsSolution solve_regression(OlsFit& fit, const OlsOptions& o, const std::vector<Real>& xs,
                            const std::vector<Real>& ys, ReportNotes& notes);

} // namespace tarvex
