// SUR, iterated SUR and 3SLS from the exact cross products of the system's columns.
#include "regress/system/system_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/gram_residuals.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/iv/iv_gram.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The equation that coefficient position q belongs to.
int equation_of(const SystemEstimate& e, int q) {
    int i = 0;
    while (i + 1 < e.m && e.first[i + 1] <= q) ++i;
    return i;
}

// e_i'e_j from the products S of the stacked columns [X_1 .. X_M y_1 .. y_M].
Wide residual_product(const GramMatrix& s, const SystemEstimate& e, const std::vector<Wide>& b,
                      int i, int j) {
    const int yi = e.p + i, yj = e.p + j;
    Wide sum = s.at(yi, yj);
    for (int a = e.first[i]; a < e.first[i] + e.k[i]; ++a) sum = sum - b[a] * s.at(a, yj);
    for (int c = e.first[j]; c < e.first[j] + e.k[j]; ++c) sum = sum - b[c] * s.at(yi, c);
    for (int a = e.first[i]; a < e.first[i] + e.k[i]; ++a) {
        Wide inner;
        for (int c = e.first[j]; c < e.first[j] + e.k[j]; ++c) inner = inner + b[c] * s.at(a, c);
        sum = sum + b[a] * inner;
    }
    return sum;
}

// Sigma = E'E/T of the coefficients b, and its inverse; false when it is not positive definite
// or an equation fits exactly (its residuals at most 1E-30 of its y'y: rounding noise, which
// the inverse would weight without bound).
bool weights_of(const GramMatrix& plain, const SystemEstimate& e, const std::vector<Wide>& b,
                std::vector<Real>& inverse) {
    const int m = e.m;
    std::vector<Real> sigma(static_cast<std::size_t>(m) * m);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j <= i; ++j) {
            const Wide v = residual_product(plain, e, b, i, j);
            sigma[static_cast<std::size_t>(i) * m + j] =
                sigma[static_cast<std::size_t>(j) * m + i] = wide_value(v) / e.n;
        }
    for (int i = 0; i < m; ++i) {
        const Real yy = wide_value(plain.at(e.p + i, e.p + i)) / e.n;
        if (sigma[static_cast<std::size_t>(i) * m + i] <= Real(1e-30Q) * yy) return false;
    }
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(sigma, m, lower, failed, Real(1e-30Q))) return false;
    inverse = cholesky_inverse(lower, m);
    return true;
}

// The GLS step: the matrix [X'WX X'Wy; y'WX y'Wy], W = Sigma**-1 x I, from the products S,
// solved like a cross-product matrix.
GramFit gls_step(const GramMatrix& s, const SystemEstimate& e, const std::vector<Real>& w) {
    const int p = e.p, m = e.m;
    std::vector<int> eq(static_cast<std::size_t>(p));
    for (int q = 0; q < p; ++q) eq[q] = equation_of(e, q);
    auto weight = [&](int i, int j) { return wide(w[static_cast<std::size_t>(i) * m + j]); };
    GramMatrix big;
    big.size = p + 1;
    big.entries.assign(static_cast<std::size_t>(p + 1) * (p + 2) / 2, Wide{});
    for (int q = 0; q <= p; ++q)
        for (int r = 0; r <= q; ++r) {
            Wide v;
            if (q < p) {
                v = weight(eq[r], eq[q]) * s.at(r, q);
            } else if (r < p) {
                for (int j = 0; j < m; ++j) v = v + weight(eq[r], j) * s.at(r, p + j);
            } else {
                for (int i = 0; i < m; ++i)
                    for (int j = 0; j < m; ++j) v = v + weight(i, j) * s.at(p + i, p + j);
            }
            big.entries[static_cast<std::size_t>(q) * (q + 1) / 2 + r] = v;
        }
    return gram_cholesky_solve(big, e.n * m, DEPENDENCE_RATIO);
}

// v' X'(W x I)X v for coefficients v: the weighted sum of squares of the fitted values X v.
Real weighted_square(const GramMatrix& s, const SystemEstimate& e, const std::vector<Real>& w,
                     const std::vector<Real>& v) {
    Real total = 0;
    for (int q = 0; q < e.p; ++q)
        for (int r = 0; r < e.p; ++r)
            total += v[std::size_t(q)] * v[std::size_t(r)] *
                     w[std::size_t(equation_of(e, r)) * std::size_t(e.m) +
                       std::size_t(equation_of(e, q))] *
                     wide_value(s.at(r, q));
    return total;
}

// The p-values and partial correlations of each equation's ratios on its N - K_i degrees of
// freedom, the system's N, K, df and SSE, and the result scalars.
void summarise(SystemEstimate& e) {
    ModelResult& m = e.result;
    EstimationResults& r = m.record;
    for (int i = 0; i < e.m; ++i) {
        const auto from = r.tratios.begin() + e.first[i];
        const std::vector<Real> ratios(from, from + e.k[i]);
        std::vector<Real> pvalues, partials;
        coefficient_inference(ratios, Real(e.n - e.k[i]), false, pvalues, partials);
        r.pvalues.insert(r.pvalues.end(), pvalues.begin(), pvalues.end());
        m.partials.insert(m.partials.end(), partials.begin(), partials.end());
    }
    r.n = e.n;
    r.k = e.p;
    r.df = Real(e.n) * e.m - e.p;
    r.sse = 0;
    for (Real v : e.sse) r.sse += v;
    r.not_forecast = "SYSTEM OF EQUATIONS";
    m.set_size_scalars();
    m.set_scalar(R_SSE, r.sse);
}

void fail_regressor(SystemEstimate& e, int q) {
    e.end = SystemEnd::REGRESSORS_COLLINEAR;
    e.bad_equation = equation_of(e, q);
    e.bad_column = q - e.first[e.bad_equation];
}

} // namespace

SystemEstimate estimate_system(const SystemData& data, const SystemControl& control) {
    SystemEstimate e;
    const bool three = control.method == SystemMethod::THREE_SLS;
    e.n = static_cast<int>(data.n);
    e.m = static_cast<int>(data.equations.size());
    for (const SystemEquationColumns& q : data.equations) {
        e.first.push_back(e.p);
        e.k.push_back(static_cast<int>(q.regressors.size()));
        e.p += e.k.back();
    }
    const int l = three ? static_cast<int>(data.instruments.size()) : 0;

    // The matrix's columns: the instruments first, then every other column the system uses.
    std::vector<int> position(data.columns.size(), -1), order;
    auto place = [&](int c) {
        if (position[c] < 0) {
            position[c] = static_cast<int>(order.size());
            order.push_back(c);
        }
    };
    // An instrument listed twice is a combination of those before it, as any other would be.
    for (std::size_t j = 0; three && j < data.instruments.size(); ++j) {
        if (position[data.instruments[j]] >= 0) {
            e.end = SystemEnd::INSTRUMENTS_COLLINEAR;
            e.bad_column = static_cast<int>(j);
            return e;
        }
        place(data.instruments[j]);
    }
    const int z_count = static_cast<int>(order.size());
    for (const SystemEquationColumns& q : data.equations) {
        for (int c : q.regressors) place(c);
        place(q.y);
    }
    if (three)
        for (int i = 0; i < e.m; ++i) {
            const std::vector<int>& x = data.equations[i].regressors;
            int endogenous = 0, excluded = 0;
            for (int c : x)
                if (position[c] >= z_count) ++endogenous;
            for (int c : data.instruments)
                if (std::find(x.begin(), x.end(), c) == x.end()) ++excluded;
            if (endogenous > excluded) {
                e.end = SystemEnd::UNDERIDENTIFIED;
                e.bad_equation = i;
                e.underidentified_endogenous = endogenous;
                e.underidentified_excluded = excluded;
                return e;
            }
        }
    for (int i = 0; i < e.m; ++i)
        if (e.n <= e.k[i]) e.end = SystemEnd::TOO_FEW;
    if (e.n < l || e.end == SystemEnd::TOO_FEW) {
        e.end = SystemEnd::TOO_FEW;
        return e;
    }

    // The one pass over the data.
    GramColumns columns;
    columns.nobs = data.n;
    columns.rows = data.rows;
    for (int c : order) columns.columns.push_back(data.columns[c]);
    const GramMatrix gram = exact_gram(columns);
    if (!gram.finite) {
        e.end = SystemEnd::NON_FINITE;
        return e;
    }

    // 3SLS: the first-stage coefficients of every regressor that is not an instrument.
    std::vector<std::vector<Wide>> fitted(order.size());
    if (three) {
        std::vector<int> cols;
        for (int c = 0; c < z_count; ++c) cols.push_back(c);
        for (int c = z_count; c < static_cast<int>(order.size()); ++c) {
            cols.push_back(c);
            const GramFit first = gram_cholesky_solve(gram_part(gram, cols), e.n, DEPENDENCE_RATIO);
            cols.pop_back();
            if (first.status == GramStatus::dependent_column) {
                e.end = SystemEnd::INSTRUMENTS_COLLINEAR;
                const int bad = order[first.failed_column];
                e.bad_column = static_cast<int>(
                    std::find(data.instruments.begin(), data.instruments.end(), bad) -
                    data.instruments.begin());
                return e;
            }
            fitted[c] = first.coef_wide;
        }
    }

    // The products of the stacked columns, as they are and as the estimator uses them.
    std::vector<ProjectedColumn> plain_list, used_list;
    for (const SystemEquationColumns& q : data.equations)
        for (int c : q.regressors) {
            const int at = position[c];
            plain_list.push_back({at, nullptr});
            used_list.push_back({at, three && at >= z_count ? &fitted[at] : nullptr});
        }
    for (const SystemEquationColumns& q : data.equations) {
        plain_list.push_back({position[q.y], nullptr});
        used_list.push_back({position[q.y], nullptr});
    }
    const GramMatrix plain = projected_gram(gram, plain_list);
    const GramMatrix used = three ? projected_gram(gram, used_list) : plain;

    // Equation by equation: OLS, or 2SLS for 3SLS.
    std::vector<Wide> b(static_cast<std::size_t>(e.p));
    for (int i = 0; i < e.m; ++i) {
        std::vector<int> cols;
        for (int a = 0; a < e.k[i]; ++a) cols.push_back(e.first[i] + a);
        cols.push_back(e.p + i);
        const GramFit single = gram_cholesky_solve(gram_part(used, cols), e.n, DEPENDENCE_RATIO);
        if (single.status == GramStatus::dependent_column) {
            fail_regressor(e, e.first[i] + single.failed_column);
            return e;
        }
        if (!single.ok()) {
            e.end = SystemEnd::NON_FINITE;
            return e;
        }
        std::copy(single.coef_wide.begin(), single.coef_wide.end(), b.begin() + e.first[i]);
    }

    // The GLS steps.
    const int steps =
        control.method == SystemMethod::ITSUR ? std::max(control.max_iterations, 1) : 1;
    GramFit fit;
    bool settled = control.method != SystemMethod::ITSUR;
    for (int step = 0; step < steps; ++step) {
        check_for_interrupt(control.interrupt);
        std::vector<Real> w;
        if (!weights_of(plain, e, b, w)) {
            e.end = SystemEnd::SINGULAR_COVARIANCE;
            return e;
        }
        fit = gls_step(used, e, w);
        if (fit.status == GramStatus::dependent_column) {
            fail_regressor(e, fit.failed_column);
            return e;
        }
        if (!fit.ok()) {
            e.end = SystemEnd::NON_FINITE;
            return e;
        }
        // The change of the fitted values against their size, both in the metric of this step's
        // weights: the same in any units of the variables, where a norm of the coefficients
        // would be decided by whichever coefficient the units make largest.
        std::vector<Real> step_change(std::size_t(e.p)), old_coef(std::size_t(e.p));
        for (int q = 0; q < e.p; ++q) {
            old_coef[std::size_t(q)] = wide_value(b[q]);
            step_change[std::size_t(q)] = fit.coef[q] - old_coef[std::size_t(q)];
        }
        const Real change = weighted_square(used, e, w, step_change);
        const Real size = weighted_square(used, e, w, old_coef);
        b = fit.coef_wide;
        e.iterations = step + 1;
        if (control.method == SystemMethod::ITSUR &&
            qm::sqrt(change) <= control.tolerance * qm::sqrt(size)) {
            settled = true;
            break;
        }
    }
    if (!settled) e.end = SystemEnd::ITERATION_LIMIT;
    EstimationResults& r = e.result.record;
    r.coef = fit.coef;
    r.cov = fit.xtx_inverse; // symmetric: the same row-major
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);

    // The residuals, one pass per equation, and what follows from them.
    e.fitted.resize(e.m);
    e.resid.resize(e.m);
    e.sse.resize(e.m);
    e.r2.resize(e.m);
    e.ymean.resize(e.m);
    e.centred.assign(e.m, false);
    for (int i = 0; i < e.m; ++i) {
        const SystemEquationColumns& q = data.equations[i];
        GramColumns rc;
        rc.nobs = data.n;
        rc.rows = data.rows;
        for (int c : q.regressors) {
            rc.columns.push_back(data.columns[c]);
            if (data.columns[c] == nullptr) e.centred[i] = true;
        }
        rc.columns.push_back(data.columns[q.y]);
        const std::vector<Wide> bi(b.begin() + e.first[i], b.begin() + e.first[i] + e.k[i]);
        const std::size_t length = data.rows != nullptr ? data.span : data.n;
        std::vector<Real> resid(length, Real(0)), fitted_values(length, Real(0));
        const ResidualSums sums = gram_residuals(rc, bi, resid.data(), fitted_values.data());
        if (!sums.finite) {
            e.end = SystemEnd::NON_FINITE;
            return e;
        }
        e.resid[i].resize(data.n);
        e.fitted[i].resize(data.n);
        for (std::size_t t = 0; t < data.n; ++t) {
            e.resid[i][t] = resid[data.at(t)];
            e.fitted[i][t] = fitted_values[data.at(t)];
        }
        e.sse[i] = sums.sse;
        const Wide yy = plain.at(e.p + i, e.p + i);
        Wide sum_y;
        const Real* y = data.columns[q.y];
        for (std::size_t t = 0; t < data.n; ++t) sum_y = sum_y + wide(y[data.at(t)]);
        e.ymean[i] = wide_value(sum_y) / e.n;
        const Real sst = wide_value(e.centred[i] ? yy - sum_y * sum_y / wide(Real(e.n)) : yy);
        e.r2[i] = sst > 0 ? 1 - e.sse[i] / sst : Real(0);
    }
    const int m = e.m;
    e.sigma.assign(static_cast<std::size_t>(m) * m, Real(0));
    e.correlation.assign(static_cast<std::size_t>(m) * m, Real(0));
    for (int i = 0; i < m; ++i)
        for (int j = 0; j <= i; ++j)
            e.sigma[static_cast<std::size_t>(i) * m + j] =
                e.sigma[static_cast<std::size_t>(j) * m + i] =
                    wide_value(residual_product(plain, e, b, i, j)) / e.n;
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) {
            const Real d = e.sigma[static_cast<std::size_t>(i) * m + i] *
                           e.sigma[static_cast<std::size_t>(j) * m + j];
            e.correlation[static_cast<std::size_t>(i) * m + j] =
                d > 0 ? e.sigma[static_cast<std::size_t>(i) * m + j] / qm::sqrt(d) : Real(0);
        }
    summarise(e);
    return e;
}

} // namespace tarvex
