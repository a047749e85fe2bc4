// Acceptance sampling from the multivariate t posterior of the coefficients under linear
// inequality restrictions. Sums are kept of the deviations d = b - b^ of the accepted draws, so
// that the moments lose no digits to the size of b^.
#include "regress/bayes/bayes_sampler.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/distributions.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

bool bayes_draw_holds(const BayesModel& model, const std::vector<Real>& b) {
    for (const LinearInequality& r : model.restrictions) {
        Real v = r.constant;
        for (std::size_t j = 0; j < b.size(); ++j) v += r.gradient[j] * b[j];
        if (r.inclusive ? !(v >= 0) : !(v > 0)) return false;
    }
    return true;
}

// Running sums over the units (one draw, or an antithetic pair).
struct BayesSums {
    std::size_t k = 0;
    long long accepted = 0, tried = 0, units = 0;
    std::vector<Real> dev, dev_cross;               // sum of accepted d, and of d d' (k x k)
    std::vector<Real> unit_sq, unit_count;          // sum of N_p**2 by coefficient, sum of N_p D_p
    Real count_sq = 0, count_size = 0, size_sq = 0; // sums of D_p**2, D_p s_p, s_p**2

    explicit BayesSums(std::size_t coefficients)
        : k(coefficients), dev(k, 0), dev_cross(k * k, 0), unit_sq(k, 0), unit_count(k, 0) {}

    // One unit: the deviations tried in it and which of them were accepted.
    void add_unit(const std::vector<std::vector<Real>>& devs, const std::vector<bool>& held) {
        std::vector<Real> unit(k, 0);
        Real count = 0;
        for (std::size_t t = 0; t < devs.size(); ++t) {
            if (!held[t]) continue;
            count += 1;
            for (std::size_t i = 0; i < k; ++i) {
                unit[i] += devs[t][i];
                for (std::size_t j = 0; j <= i; ++j)
                    dev_cross[i * k + j] += devs[t][i] * devs[t][j];
            }
        }
        const Real size = Real(devs.size());
        accepted += (long long)count;
        tried += (long long)devs.size();
        ++units;
        for (std::size_t i = 0; i < k; ++i) {
            dev[i] += unit[i];
            unit_sq[i] += unit[i] * unit[i];
            unit_count[i] += unit[i] * count;
        }
        count_sq += count * count;
        count_size += count * size;
        size_sq += size * size;
    }
};

void bayes_moments(const BayesModel& model, const BayesSums& s, BayesPosterior& out) {
    const std::size_t k = s.k;
    const Real a = Real(s.accepted), t = Real(s.tried);
    out.accepted = s.accepted, out.tried = s.tried;
    out.probability = a / t;
    // Ratio estimate sum D_p / sum s_p: variance sum (D_p - P s_p)**2 / (sum s_p)**2.
    const Real p = out.probability;
    const Real pv = s.count_sq - 2 * p * s.count_size + p * p * s.size_sq;
    out.probability_nse = qm::sqrt(pv > 0 ? pv : Real(0)) / t;
    if (s.accepted == 0) return;
    std::vector<Real> m(k);
    for (std::size_t i = 0; i < k; ++i) m[i] = s.dev[i] / a;
    out.mean.resize(k), out.sd.resize(k), out.mean_nse.resize(k), out.cov.assign(k * k, 0);
    for (std::size_t i = 0; i < k; ++i) {
        out.mean[i] = model.coef[i] + m[i];
        for (std::size_t j = 0; j <= i; ++j)
            out.cov[i * k + j] = out.cov[j * k + i] = s.dev_cross[i * k + j] / a - m[i] * m[j];
        const Real var = out.cov[i * k + i];
        out.sd[i] = qm::sqrt(var > 0 ? var : Real(0));
        // sum (N_p - m D_p)**2 / A**2 (N_p, m in deviations).
        const Real nv = s.unit_sq[i] - 2 * m[i] * s.unit_count[i] + m[i] * m[i] * s.count_sq;
        out.mean_nse[i] = qm::sqrt(nv > 0 ? nv : Real(0)) / a;
    }
}

} // namespace

BayesPosterior sample_posterior(const BayesModel& model, long long draws, bool antithetic,
                                expr::RandomGenerator& rng) {
    BayesPosterior out;
    const std::size_t k = model.coef.size();
    std::vector<Real> lower;
    int failed = 0;
    if (!cholesky_factor(model.scale, int(k), lower, failed)) {
        out.factored = false;
        return out;
    }
    BayesSums sums(k);
    std::vector<Real> z(k), b(k);
    std::vector<std::vector<Real>> devs(antithetic ? 2 : 1, std::vector<Real>(k));
    std::vector<bool> held(devs.size());
    for (long long r = 0; r < draws; ++r) {
        const Real w = dist::chi_square_quantile(rng.uniform(), model.df);
        for (std::size_t i = 0; i < k; ++i) z[i] = rng.normal();
        const Real stretch = qm::sqrt(model.df / w);
        for (std::size_t i = 0; i < k; ++i) {
            Real d = 0;
            for (std::size_t j = 0; j <= i; ++j) d += lower[i * k + j] * z[j];
            devs[0][i] = d * stretch;
        }
        for (std::size_t t = 0; t < devs.size(); ++t) {
            if (t == 1)
                for (std::size_t i = 0; i < k; ++i) devs[1][i] = -devs[0][i];
            for (std::size_t i = 0; i < k; ++i) b[i] = model.coef[i] + devs[t][i];
            held[t] = bayes_draw_holds(model, b);
        }
        sums.add_unit(devs, held);
    }
    bayes_moments(model, sums, out);
    return out;
}

} // namespace tarvex
