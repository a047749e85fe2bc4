// The robust parts of two-stage least squares: the instruments' cross products weighted by the
// squared structural residuals, S = sum u_t**2 z_t z_t' (with the Newey-West terms
// w_j sum u_t u_t-j (z_t z_t-j' + z_t-j z_t'), w_j = 1 - j/(lags+1): the long-run covariance of
// the scores u_t z_t); the sandwich covariance
// (X^'X^)**-1 P'SP (X^'X^)**-1 that follows from it; and Hansen's J of the two-step GMM
// estimate with weight S**-1.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/double_binary128.hpp"
#include "numeric/real.hpp"
#include "regress/iv/iv_estimate.hpp"

#include <vector>

namespace tarvex {

// S, L x L row-major, from the instrument columns and the residuals (at the rows' positions,
// as the columns).
std::vector<Real> weighted_instrument_products(const IvData& data, const std::vector<Real>& resid,
                                               int lags);

// `projection` is L x K row-major: column a the first-stage coefficients of regressor a.
std::vector<Real> robust_covariance(const std::vector<Real>& xhx_inv,
                                    const std::vector<Real>& projection, const std::vector<Real>& s,
                                    int k, int l);

// HC1-HC3 or the clustered covariance of the choice in `control`: the sandwich of the scores
// u_t x^_t (x^_t = P'z_t, the projected regressors), the leverages of HC2 and HC3
// x_t'(X^'X^)**-1 x^_t. `resid` is at the rows' positions.
std::vector<Real> chosen_covariance(const IvData& data, const std::vector<Real>& projection,
                                    const std::vector<Real>& xhx_inv,
                                    const std::vector<Real>& resid, const IvControl& control, int k,
                                    int l);

// J = g'S**-1 g, g = Z'(y - X b_gmm); unavailable when S is singular. `gram` is the matrix of
// [Z X_endogenous y] and `x_columns` gives each regressor's column in it.
IvStatistic hansen_j(const GramMatrix& gram, const std::vector<int>& x_columns, int l,
                     const std::vector<Real>& s);

} // namespace tarvex
