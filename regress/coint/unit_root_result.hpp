// The unit-root and cointegration tests judged and turned into results: each statistic with its
// p-value and critical values (MacKinnon's surfaces for the Dickey-Fuller and Phillips-Perron
// statistics, the interpolated table of Kwiatkowski et al. for KPSS), and the ModelResult each
// test stores: the statistics as named statistics and the result scalars ($VAL the statistic,
// $PVAL its p-value, $CRIT the 5% critical value, $VAL1 the lags or bandwidth, $VAL2 PP's
// Z-alpha or Johansen's first maximum-eigenvalue statistic, $N; for the ADF regression also $K,
// $SSE, $SIG2 and $DF). Nothing is written here.
#pragma once

#include "regress/coint/johansen.hpp"
#include "regress/coint/unit_root.hpp"
#include "regress/fit/model_result.hpp"

#include <array>
#include <string>
#include <vector>

namespace tarvex {

struct AdfTest {
    AdfFit fit;
    bool covered = false; // the surfaces cover this many variables (else no p-value)
    Real pvalue = -1;
    std::array<Real, 3> critical{};          // 1%, 5%, 10%
    std::vector<Real> ratio_pvalue, partial; // of the test regression's t-ratios
};
// `surface` are the deterministic terms (the cointegrating regression's for Engle-Granger) and
// `nvars` the variables the p-value is for.
AdfTest judge_adf(AdfFit fit, Deterministic surface, int nvars);

struct PhillipsPerronTest {
    PhillipsPerronFit fit;
    Real pvalue = 0;
    std::array<Real, 3> critical{}; // 1%, 5%, 10%
};
PhillipsPerronTest judge_phillips_perron(PhillipsPerronFit fit, Deterministic det);

struct KpssTest {
    KpssFit fit;
    Real pvalue = 0;
    int beyond = 0;                 // -1: the p-value is the table's least or less, 1: its most
    std::array<Real, 4> critical{}; // 10%, 5%, 2.5%, 1%
};
KpssTest judge_kpss(KpssFit fit, Deterministic det);

// The p-value of the KPSS statistic: linear interpolation in the 10%, 5%, 2.5% and 1% critical
// values of Kwiatkowski et al. (1992), table 1, held at 0.10 and 0.01 outside them.
Real kpss_pvalue(Real eta, Deterministic det);

// The Dickey-Fuller tau with its p-value, and the scalars of the test and its regression.
void add_adf_statistic(ModelResult& result, const AdfTest& t);
// The test regression of an ADF test of one variable (its coefficients) with the statistic.
ModelResult adf_result(const AdfTest& t);
ModelResult phillips_perron_result(const PhillipsPerronTest& t);
ModelResult kpss_result(const KpssTest& t);
// The trace and maximum-eigenvalue statistics for r = 0 .. m-1 and COEF's first relation.
ModelResult johansen_result(const JohansenFit& fit, JohansenTerms terms);

} // namespace tarvex
