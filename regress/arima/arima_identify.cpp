// Autocorrelations, partial autocorrelations and Ljung-Box statistics.
#include "regress/arima/arima_identify.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/exact_block_products.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <algorithm>
#include <memory>

namespace tarvex {

int default_lags(int n) {
    int k = int(10 * qm::log10(Real(n > 1 ? n : 1)));
    return std::max(1, std::min(k, n - 1));
}

namespace {

// Deviations below 2^-8000 have squares near the bottom of the binary128 range.
constexpr int SMALL_DEVIATION_EXPONENT = -8000;
// From this many products (observations times lags) the lags are shared between two threads.
constexpr std::size_t LAGGED_SPLIT_PRODUCTS = std::size_t(1) << 20;

// sum_t d[t] d[t + k] for k = 1..nlag, each the correctly rounded value of the exact sum of its
// products: the deviations are taken apart once and held on one common scale (numeric/
// exact_block_products), each lag's products are formed exactly as integers and summed at a
// fixed place, and the sum enters one fixed-point accumulator (numeric/exact_dot) and is rounded
// once. That is at least as close as any rounded running sum, and much cheaper than one on a long
// series. Deviations with an infinity or a NaN keep the running sum in the order of t (IEEE
// rules).
std::vector<Real> lagged_products(const std::vector<Real>& d, int nlag) {
    const int n = int(d.size());
    std::vector<Real> out(std::size_t(std::max(nlag, 0)), Real(0));
    std::vector<ExactAccumulator::Factor> f(d.size());
    bool finite = true;
    for (int t = 0; t < n; ++t) finite &= ExactAccumulator::decode(d[t], f[std::size_t(t)]);
    if (!finite) {
        for (int k = 1; k <= nlag; ++k) {
            Real s = 0;
            for (int t = 0; t + k < n; ++t) s += d[t] * d[t + k];
            out[std::size_t(k - 1)] = s;
        }
        return out;
    }
    // The lags are independent: a long series' run in two shares on two threads, each with its
    // own accumulator (every sum is the exact one rounded once, whichever thread forms it).
    const int last = std::min(nlag, n - 1);
    if (last < 1) return out;
    const std::size_t work = std::size_t(n) * std::size_t(last);
    const std::size_t shares = work >= LAGGED_SPLIT_PRODUCTS && two_threads_available() ? 2 : 1;
    ScaledBlock scaled;
    scaled.assign(f.data(), f.size());
    run_row_shares(std::size_t(last), shares, [&](std::size_t, std::size_t begin, std::size_t end) {
        auto sum = std::make_unique<ExactAccumulator>();
        for (std::size_t k = begin + 1; k <= end; ++k) {
            sum->clear();
            ScaledBlock::add_products(scaled, 0, scaled, k, std::size_t(n) - k, f.data(),
                                      f.data() + k, *sum);
            out[k - 1] = sum->result();
        }
    });
    return out;
}

} // namespace

Correlogram correlogram(const std::vector<Real>& x, int nlag, int fitted) {
    Correlogram c;
    const int n = int(x.size());
    c.n = n;
    Real mean = 0;
    // The sums and deviations on the integer unit (the library's bits).
    for (Real v : x) mean = fast_add(mean, v);
    mean /= n;
    std::vector<Real> d(n);
    for (int t = 0; t < n; ++t) d[t] = fast_subtract(x[t], mean);
    Real c0 = 0;
    for (Real v : d) c0 = fast_add(c0, fast_multiply(v, v));
    // Deviations whose squares overflow (values beyond about 1E2466) or fall towards the
    // bottom of the range, where they lose digits or vanish (below about 1E-2400), are scaled
    // by a power of two, which is exact and leaves every ratio below as it was.
    Real largest = 0;
    for (Real v : d) {
        const Real size = qm::abs(v);
        if (fast_less(largest, size)) largest = size;
    }
    if (finiteq(largest) && largest > 0 &&
        (!finiteq(c0) || ilogbq(largest) < SMALL_DEVIATION_EXPONENT)) {
        const int exponent = ilogbq(largest);
        c0 = 0;
        for (Real& v : d) {
            v = scalbnq(v, -exponent);
            c0 += v * v;
        }
    }
    const std::vector<Real> cov = lagged_products(d, nlag);
    Real sum_r2 = 0, q = 0;
    std::vector<Real> phi, prev; // Durbin-Levinson coefficients
    for (int k = 1; k <= nlag; ++k) {
        const Real ck = cov[std::size_t(k - 1)];
        const Real r = c0 > 0 ? ck / c0 : Real(0);
        c.ac.push_back(r);
        c.ac_se.push_back(qm::sqrt((1 + 2 * sum_r2) / n));
        sum_r2 += r * r;
        // Durbin-Levinson: phi_kk = (r_k - sum phi_{k-1,j} r_{k-j}) / (1 - sum phi_{k-1,j} r_j).
        Real num = r, den = 1;
        for (int j = 1; j < k; ++j) {
            num -= prev[j - 1] * c.ac[k - j - 1];
            den -= prev[j - 1] * c.ac[j - 1];
        }
        const Real kk = den != 0 ? num / den : Real(0);
        phi.assign(k, Real(0));
        for (int j = 1; j < k; ++j) phi[j - 1] = prev[j - 1] - kk * prev[k - j - 1];
        phi[k - 1] = kk;
        prev = phi;
        c.pac.push_back(kk);
        c.pac_se.push_back(1 / qm::sqrt(Real(n)));
        q += r * r / (n - k);
        const Real qk = Real(n) * (n + 2) * q;
        c.q.push_back(qk);
        const int df = k - fitted;
        c.q_df.push_back(df);
        c.q_pvalue.push_back(df > 0 ? chi2_tail(qk, Real(df)) : Real(-1));
    }
    return c;
}

} // namespace tarvex
