// The statistics of a fit's residuals that the report stores and OLSRES prints: Durbin-Watson,
// autocorrelation, runs, Durbin's h, moments, Jarque-Bera, the Hall-Pagan test and the
// goodness-of-fit counts of the residuals in normal classes.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct OlsFit;

struct ResidualStats {
    Real dw = 0, von_neumann = 0, rho = 0;
    Real sum = 0, variance = 0, abs_sum = 0;
    Real r2op = 0, r2op_antilog = 0;
    int runs = 0, pos = 0, zero = 0, neg = 0;
    Real runs_z = 0;
    bool durh_available = false;
    Real durh = 0;
    Real skew = 0, skew_se = 0, kurt = 0, kurt_se = 0, jb = 0, jb_p = 0;
    bool hp_available = false;
    Real hp_chi = 0, hp_p = 0;
    int hp_df = 0;
    // GF: the residuals over sigma counted in equally probable normal classes.
    std::vector<Real> gf_observed, gf_expected; // one per class (empty: not counted)
};

// `heteroskedasticity`: also the Hall-Pagan test (an auxiliary regression, LM only).
ResidualStats residual_stats(const OlsFit& fit, bool heteroskedasticity);

// Adds the Hall-Pagan test to statistics computed without it.
void add_hall_pagan(const OlsFit& fit, ResidualStats& s);

// Adds the goodness-of-fit counts.
void add_goodness_of_fit(const OlsFit& fit, ResidualStats& s);

// Squared correlation of two series (0 when either is constant).
Real squared_correlation(const std::vector<Real>& a, const std::vector<Real>& b);

} // namespace tarvex
