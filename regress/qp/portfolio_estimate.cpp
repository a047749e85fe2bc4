// Mean-variance portfolios (see portfolio_estimate.hpp).
#include "regress/qp/portfolio_estimate.hpp"

#include "kernels/quadratic_program.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <memory>

namespace tarvex {

namespace {

// Mean and standard deviation of the weights w from the covariance (w'Sigma w formed from
// exact dot products) and Sharpe ratio at rf.
PortfolioPoint portfolio_point(const Portfolios& p, std::vector<Real> w, Real rf) {
    const std::size_t k = std::size_t(p.k);
    PortfolioPoint pt;
    std::vector<Real> sw(k);
    for (std::size_t i = 0; i < k; ++i) sw[i] = exact_dot(&p.cov[i * k], w.data(), k);
    pt.mean = exact_dot(p.mean.data(), w.data(), k);
    const Real var = exact_dot(w.data(), sw.data(), k);
    pt.sd = qm::sqrt(std::max(var, Real(0)));
    pt.sharpe = pt.sd > 0 ? (pt.mean - rf) / pt.sd : Real(0);
    pt.weights = std::move(w);
    return pt;
}

// The weights of least variance with sum 1 and, when `row` is given, row'w = `value`; w >= 0.
bool long_only_weights(const Portfolios& p, const std::vector<Real>* row, Real value,
                       std::vector<Real>& w, long long limit, long long& steps) {
    QuadraticProgram qp;
    qp.cols = p.k;
    qp.q = p.cov;
    qp.c.assign(std::size_t(p.k), Real(0));
    qp.lower.assign(std::size_t(p.k), Real(0));
    qp.upper.assign(std::size_t(p.k), __builtin_huge_valq());
    qp.a.assign(std::size_t(p.k), Real(1));
    qp.b.push_back(1);
    qp.sense.push_back(RowSense::EQUAL);
    if (row != nullptr) {
        qp.a.insert(qp.a.end(), row->begin(), row->end());
        qp.b.push_back(value);
        qp.sense.push_back(RowSense::EQUAL);
    }
    qp.rows = int(qp.b.size());
    qp.step_limit = limit;
    const QpSolution s = solve_quadratic_program(qp);
    steps += s.iterations + s.exact_iterations;
    if (s.status != QpStatus::OPTIMAL) return false;
    w = s.x;
    return true;
}

// The tangency portfolio without short sales: y of least variance with (mu - rf)'y = 1, y >= 0,
// scaled to sum 1.
bool long_only_tangency(const Portfolios& p, Real rf, std::vector<Real>& w, long long limit,
                        long long& steps) {
    QuadraticProgram qp;
    qp.cols = p.k;
    qp.q = p.cov;
    qp.c.assign(std::size_t(p.k), Real(0));
    qp.lower.assign(std::size_t(p.k), Real(0));
    qp.upper.assign(std::size_t(p.k), __builtin_huge_valq());
    for (const Real& m : p.mean) qp.a.push_back(m - rf);
    qp.b.push_back(1);
    qp.sense.push_back(RowSense::EQUAL);
    qp.rows = 1;
    qp.step_limit = limit;
    const QpSolution s = solve_quadratic_program(qp);
    steps += s.iterations + s.exact_iterations;
    if (s.status != QpStatus::OPTIMAL) return false;
    const Real total = exact_sum(s.x.data(), s.x.size());
    w.resize(s.x.size());
    for (std::size_t i = 0; i < w.size(); ++i) w[i] = s.x[i] / total;
    return true;
}

// The means and the covariance matrix (divisor n - 1), each entry the correctly rounded exact
// sum of (a_i - mean_a)(b_i - mean_b). Each asset's returns are taken apart once and its sum kept
// as parts, so that each of the k(k-1)/2 pairs costs one pass of decoded products.
void portfolio_moments(const PortfolioRequest& r, Portfolios& p) {
    const std::size_t k = std::size_t(p.k), n = std::size_t(p.n);
    p.mean.resize(k);
    p.sd.resize(k);
    p.cov.assign(k * k, Real(0));
    for (std::size_t a = 0; a < k; ++a) {
        const MeanAndSquares ms = exact_mean_and_centred_squares(r.returns[a].data(), n);
        p.mean[a] = ms.mean;
        p.cov[a * k + a] = ms.centred_squares / Real(n - 1);
        p.sd[a] = qm::sqrt(p.cov[a * k + a]);
    }
    std::vector<ExactAccumulator::Factor> factors(k * n);
    bool finite = true;
    for (std::size_t a = 0; a < k && finite; ++a)
        for (std::size_t i = 0; i < n && finite; ++i)
            finite = ExactAccumulator::decode(r.returns[a][i], factors[a * n + i]);
    if (!finite) { // a NaN or an infinity: the sums follow IEEE rules, pair by pair
        for (std::size_t a = 0; a < k; ++a)
            for (std::size_t b = 0; b < a; ++b)
                p.cov[a * k + b] = p.cov[b * k + a] =
                    exact_centred_products(r.returns[a].data(), r.returns[b].data(), n, p.mean[a],
                                           p.mean[b]) /
                    Real(n - 1);
        return;
    }
    std::vector<std::vector<Real>> parts(k);
    auto products = std::make_unique<ExactAccumulator>();
    for (std::size_t a = 0; a < k; ++a) {
        products->clear();
        products->add_values(r.returns[a].data(), n);
        parts[a] = exact_parts(*products);
    }
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < a; ++b) {
            products->clear();
            products->add_decoded_products(&factors[a * n], &factors[b * n], n);
            p.cov[a * k + b] = p.cov[b * k + a] =
                exact_centred_from_parts(*products, parts[a], parts[b], n, p.mean[a], p.mean[b]) /
                Real(n - 1);
        }
}

// The frontier's targets: those asked for, or npoint means evenly from `from` to `to`.
std::vector<Real> frontier_targets(const PortfolioRequest& r, Real from, Real to) {
    if (!r.targets.empty()) return r.targets;
    std::vector<Real> t;
    const int m = std::max(r.npoint, 2);
    for (int i = 0; i < m; ++i) t.push_back(from + (to - from) * Real(i) / Real(m - 1));
    return t;
}

// With short sales: everything from s1 = Sigma^-1 1 and sm = Sigma^-1 mu, with A = 1's1,
// B = 1'sm, C = mu'sm, D = AC - B^2.
void closed_form_portfolios(const PortfolioRequest& r, const std::vector<Real>& lower,
                            Portfolios& p) {
    const std::size_t k = std::size_t(p.k);
    const std::vector<Real> ones(k, Real(1));
    const std::vector<Real> s1 = cholesky_solve(lower, p.k, ones);
    const std::vector<Real> sm = cholesky_solve(lower, p.k, p.mean);
    const Real a = exact_sum(s1.data(), k), b = exact_sum(sm.data(), k);
    std::vector<Real> w(k);
    for (std::size_t i = 0; i < k; ++i) w[i] = s1[i] / a;
    p.minvar = portfolio_point(p, w, r.rf);
    const Real top = *std::max_element(p.mean.begin(), p.mean.end());
    const Real from = b / a;
    const Real to =
        top > from ? top : from + (top - *std::min_element(p.mean.begin(), p.mean.end()));
    // Sigma^-1 ((C - B t) 1 + (A t - B) mu) / D, taken as s1 / A + (t - B/A) (A sm - B s1) / D:
    // the minimum-variance portfolio plus a move along the frontier, no difference of large
    // terms at the minimum itself.
    const Real c = exact_dot(p.mean.data(), sm.data(), k);
    const Real d = a * c - b * b;
    for (const Real t : frontier_targets(r, from, to)) {
        for (std::size_t i = 0; i < k; ++i)
            w[i] = s1[i] / a + (t - from) * (a * sm[i] - b * s1[i]) / d;
        p.frontier.push_back(portfolio_point(p, w, r.rf));
    }
    if (r.tangency) {
        if (!(r.rf < from)) {
            p.end = PortfolioEnd::TANGENCY;
            p.low = from;
            return;
        }
        for (std::size_t i = 0; i < k; ++i) w[i] = (sm[i] - r.rf * s1[i]) / (b - a * r.rf);
        p.tangency = portfolio_point(p, w, r.rf);
        p.has_tangency = true;
    }
}

void long_only_portfolios(const PortfolioRequest& r, Portfolios& p) {
    std::vector<Real> w;
    if (!long_only_weights(p, nullptr, 0, w, r.qp_step_limit, p.qp_steps))
        return (void)(p.end = PortfolioEnd::UNSOLVED);
    p.minvar = portfolio_point(p, w, r.rf);
    p.low = *std::min_element(p.mean.begin(), p.mean.end());
    p.high = *std::max_element(p.mean.begin(), p.mean.end());
    const std::vector<Real> targets = frontier_targets(r, p.minvar.mean, p.high);
    for (const Real t : targets)
        if (t < p.low || t > p.high) {
            p.end = PortfolioEnd::TARGET;
            p.target = t;
            return;
        }
    for (const Real t : targets) {
        if (!long_only_weights(p, &p.mean, t, w, r.qp_step_limit, p.qp_steps))
            return (void)(p.end = PortfolioEnd::UNSOLVED);
        p.frontier.push_back(portfolio_point(p, w, r.rf));
    }
    if (r.tangency) {
        if (!(p.high > r.rf)) {
            p.end = PortfolioEnd::TANGENCY;
            p.low = p.high;
            return;
        }
        if (!long_only_tangency(p, r.rf, w, r.qp_step_limit, p.qp_steps))
            return (void)(p.end = PortfolioEnd::UNSOLVED);
        p.tangency = portfolio_point(p, w, r.rf);
        p.has_tangency = true;
    }
}

} // namespace

Portfolios mean_variance_portfolios(const PortfolioRequest& r) {
    Portfolios p;
    p.k = int(r.returns.size());
    p.n = r.returns.empty() ? 0 : int(r.returns.front().size());
    if (p.n <= p.k) {
        p.end = PortfolioEnd::FEW_OBS;
        return p;
    }
    portfolio_moments(r, p);
    std::vector<Real> lower;
    if (!cholesky_factor(p.cov, p.k, lower, p.failed, 1e-24Q)) {
        ++p.failed;
        p.end = PortfolioEnd::SINGULAR;
        return p;
    }
    if (std::all_of(p.mean.begin(), p.mean.end(), [&](const Real& m) { return m == p.mean[0]; })) {
        p.end = PortfolioEnd::EQUAL_MEANS;
        return p;
    }
    if (r.noshort)
        long_only_portfolios(r, p);
    else
        closed_form_portfolios(r, lower, p);
    return p;
}

} // namespace tarvex
