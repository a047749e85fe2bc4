// Exponential smoothing: start values, the one-step recursion, the least-squares choice of the
// smoothing parameters and the forecasts.
#include "regress/smooth/holt_winters.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>
#include <array>

namespace tarvex {

namespace {

// The seasonal starts from the first two periods (see the header).
void seasonal_start(const std::vector<Real>& x, bool additive, int f, SmoothingStart& s) {
    const int window = 2 * f;
    const int half = f / 2;
    const bool even = f % 2 == 0;
    std::vector<Real> trend(std::size_t(window), 0);
    std::vector<bool> defined(std::size_t(window), false);
    for (int i = half; i < window - half; ++i) {
        Real sum = 0;
        for (int j = -half; j <= half; ++j) {
            const Real weight = even && (j == -half || j == half) ? Real(0.5Q) : Real(1);
            sum += weight * x[std::size_t(i + j)];
        }
        trend[std::size_t(i)] = sum / f;
        defined[std::size_t(i)] = true;
    }
    // The least-squares line through the defined trend values against 1, 2, ...
    std::vector<Real> points;
    for (int i = 0; i < window; ++i)
        if (defined[std::size_t(i)]) points.push_back(trend[std::size_t(i)]);
    const Real m = Real(int(points.size()));
    Real mean_t = (m + 1) / 2, mean_d = 0;
    for (Real d : points) mean_d += d;
    mean_d /= m;
    Real sxy = 0, sxx = 0;
    for (std::size_t t = 0; t < points.size(); ++t) {
        const Real dt = Real(int(t) + 1) - mean_t;
        sxy += dt * (points[t] - mean_d);
        sxx += dt * dt;
    }
    s.trend = sxy / sxx;
    s.level = mean_d - s.trend * mean_t;
    // Each place's average departure from the trend, centred.
    s.season.assign(std::size_t(f), 0);
    for (int k = 0; k < f; ++k) {
        Real sum = 0;
        int count = 0;
        for (int i = k; i < window; i += f)
            if (defined[std::size_t(i)]) {
                const Real v = x[std::size_t(i)];
                sum += additive ? v - trend[std::size_t(i)] : v / trend[std::size_t(i)];
                ++count;
            }
        s.season[std::size_t(k)] = sum / count;
    }
    Real centre = 0;
    for (Real v : s.season) centre += v;
    centre /= f;
    for (Real& v : s.season) v = additive ? v - centre : v / centre;
    s.first = f;
}

Real objective_at(const std::vector<Real>& x, SmoothMethod method, int period,
                  const SmoothingStart& start, const SmoothingParameters& p) {
    return smoothing_path(x, method, period, start, p, false).sse;
}

// The free parameters as a point: index 0 alpha, 1 beta, 2 gamma.
struct FreeParameters {
    std::vector<int> index;
    SmoothingParameters base;
    SmoothingParameters at(const std::vector<Real>& v) const {
        SmoothingParameters p = base;
        for (std::size_t k = 0; k < index.size(); ++k) {
            if (index[k] == 0) p.alpha = v[k];
            if (index[k] == 1) p.beta = v[k];
            if (index[k] == 2) p.gamma = v[k];
        }
        return p;
    }
};

// Solves the k x k system h d = -g by Cholesky; false when h is not positive definite.
bool newton_direction(std::vector<Real> h, const std::vector<Real>& g, std::vector<Real>& d) {
    const std::size_t k = g.size();
    for (std::size_t j = 0; j < k; ++j) {
        Real diag = h[j * k + j];
        for (std::size_t r = 0; r < j; ++r) diag -= h[j * k + r] * h[j * k + r];
        if (!(diag > 0)) return false;
        diag = qm::sqrt(diag);
        h[j * k + j] = diag;
        for (std::size_t i = j + 1; i < k; ++i) {
            Real v = h[i * k + j];
            for (std::size_t r = 0; r < j; ++r) v -= h[i * k + r] * h[j * k + r];
            h[i * k + j] = v / diag;
        }
    }
    d.assign(k, 0);
    for (std::size_t i = 0; i < k; ++i) {
        Real v = -g[i];
        for (std::size_t r = 0; r < i; ++r) v -= h[i * k + r] * d[r];
        d[i] = v / h[i * k + i];
    }
    for (std::size_t i = k; i-- > 0;) {
        Real v = d[i];
        for (std::size_t r = i + 1; r < k; ++r) v -= h[r * k + i] * d[r];
        d[i] = v / h[i * k + i];
    }
    return true;
}

Real clamp_unit(Real v) {
    return v < 0 ? Real(0) : v > 1 ? Real(1) : v;
}

} // namespace

int smoothing_minimum_observations(SmoothMethod method, int period) {
    switch (method) {
    case SmoothMethod::SIMPLE:
        return 3;
    case SmoothMethod::HOLT:
        return 4;
    default:
        return std::max(2 * period, period + 2);
    }
}

SmoothingStart smoothing_start(const std::vector<Real>& x, SmoothMethod method, int period) {
    SmoothingStart s;
    if (method == SmoothMethod::SIMPLE) {
        s.level = x[0];
        s.first = 1;
    } else if (method == SmoothMethod::HOLT) {
        s.level = x[1];
        s.trend = x[1] - x[0];
        s.first = 2;
    } else {
        seasonal_start(x, method == SmoothMethod::ADDITIVE, period, s);
    }
    return s;
}

SmoothingPath smoothing_path(const std::vector<Real>& x, SmoothMethod method, int period,
                             const SmoothingStart& start, const SmoothingParameters& p, bool keep) {
    const bool trend = has_trend(method), seasons = has_season(method);
    const bool multiplicative = method == SmoothMethod::MULTIPLICATIVE;
    SmoothingPath path;
    std::vector<Real> ring = seasons ? start.season : std::vector<Real>{};
    Real level = start.level, slope = trend ? start.trend : Real(0);
    const std::size_t f = seasons ? std::size_t(period) : 1;
    std::size_t place = 0;
    for (std::size_t i = std::size_t(start.first); i < x.size(); ++i) {
        const Real season = seasons ? ring[place] : Real(0);
        const Real base = level + slope;
        const Real predicted = multiplicative ? base * season : base + season;
        const Real error = x[i] - predicted;
        path.sse += error * error;
        const Real deseasoned = multiplicative ? x[i] / season : x[i] - season;
        const Real new_level = p.alpha * deseasoned + (1 - p.alpha) * base;
        if (trend) slope = p.beta * (new_level - level) + (1 - p.beta) * slope;
        level = new_level;
        if (seasons) {
            const Real detrended = multiplicative ? x[i] / level : x[i] - level;
            ring[place] = p.gamma * detrended + (1 - p.gamma) * season;
        }
        if (keep) {
            path.fitted.push_back(predicted);
            path.level.push_back(level);
            path.trend.push_back(slope);
            path.season.push_back(seasons ? ring[place] : Real(0));
        }
        place = (place + 1) % f;
    }
    path.final_level = level;
    path.final_trend = slope;
    if (seasons)
        for (std::size_t k = 0; k < f; ++k) path.final_season.push_back(ring[(place + k) % f]);
    return path;
}

SmoothingFit fit_smoothing(const std::vector<Real>& x, SmoothMethod method, int period,
                           const SmoothingChoice& choice, int max_iterations) {
    SmoothingFit fit;
    fit.parameters = choice;
    fit.start = smoothing_start(x, method, period);
    FreeParameters free;
    free.base = choice.value;
    std::vector<Real> v;
    const std::array<bool, 3> present = {true, has_trend(method), has_season(method)};
    const std::array<bool, 3> given = {choice.alpha_given, choice.beta_given, choice.gamma_given};
    const std::array<Real, 3> initial = {0.3Q, 0.1Q, 0.1Q};
    for (int j = 0; j < 3; ++j)
        if (present[std::size_t(j)] && !given[std::size_t(j)]) {
            free.index.push_back(j);
            v.push_back(initial[std::size_t(j)]);
        }
    const std::size_t k = v.size();
    const auto sse = [&](const std::vector<Real>& at) {
        return objective_at(x, method, period, fit.start, free.at(at));
    };
    if (k > 0) {
        // Central differences: 1e-11 for the gradient, 1e-6 for the curvature; in binary128
        // both leave some twenty correct digits, ample for the Newton steps.
        const Real hg = 1e-11Q, hh = 1e-6Q;
        Real current = sse(v);
        fit.converged = false;
        for (int iter = 1; iter <= max_iterations; ++iter) {
            fit.iterations = iter;
            std::vector<Real> g(k), h(k * k);
            for (std::size_t a = 0; a < k; ++a) {
                std::vector<Real> up = v, down = v;
                up[a] += hg, down[a] -= hg;
                g[a] = (sse(up) - sse(down)) / (2 * hg);
                up = v, down = v;
                up[a] += hh, down[a] -= hh;
                h[a * k + a] = (sse(up) - 2 * current + sse(down)) / (hh * hh);
                for (std::size_t b = 0; b < a; ++b) {
                    std::vector<Real> pp = v, pm = v, mp = v, mm = v;
                    pp[a] += hh, pp[b] += hh, pm[a] += hh, pm[b] -= hh;
                    mp[a] -= hh, mp[b] += hh, mm[a] -= hh, mm[b] -= hh;
                    h[a * k + b] = h[b * k + a] =
                        (sse(pp) - sse(pm) - sse(mp) + sse(mm)) / (4 * hh * hh);
                }
            }
            // A parameter on a bound whose gradient pushes it outwards stays there.
            std::vector<std::size_t> moving;
            for (std::size_t a = 0; a < k; ++a)
                if (!((v[a] <= 0 && g[a] > 0) || (v[a] >= 1 && g[a] < 0))) moving.push_back(a);
            if (moving.empty()) {
                fit.converged = true;
                break;
            }
            const std::size_t m = moving.size();
            std::vector<Real> gm(m), hm(m * m), dm;
            for (std::size_t a = 0; a < m; ++a) {
                gm[a] = g[moving[a]];
                for (std::size_t b = 0; b < m; ++b) hm[a * m + b] = h[moving[a] * k + moving[b]];
            }
            if (!newton_direction(hm, gm, dm)) {
                // Not convex here: a step down the gradient, scaled by the curvature's size.
                dm.assign(m, 0);
                for (std::size_t a = 0; a < m; ++a) {
                    const Real c = qm::abs(hm[a * m + a]);
                    dm[a] = -gm[a] / (c > 0 ? c : Real(1));
                }
            }
            Real step = 1;
            bool moved = false;
            std::vector<Real> trial = v;
            for (int halving = 0; halving < 80; ++halving, step /= 2) {
                trial = v;
                for (std::size_t a = 0; a < m; ++a)
                    trial[moving[a]] = clamp_unit(v[moving[a]] + step * dm[a]);
                const Real value = sse(trial);
                if (value < current) {
                    current = value;
                    moved = true;
                    break;
                }
            }
            Real change = 0;
            for (std::size_t a = 0; a < k; ++a) change = std::max(change, qm::abs(trial[a] - v[a]));
            if (moved) v = trial;
            // No lower point along the step, or a step below the differences' own accuracy.
            if (!moved || change < 1e-24Q) {
                fit.converged = true;
                break;
            }
        }
    }
    fit.parameters.value = free.at(v);
    fit.path = smoothing_path(x, method, period, fit.start, fit.parameters.value, true);
    return fit;
}

SmoothingForecast smoothing_forecast(const std::vector<Real>& x, SmoothMethod method, int period,
                                     const SmoothingFit& fit, int horizon) {
    SmoothingForecast out;
    const SmoothingPath& p = fit.path;
    const bool seasons = has_season(method);
    for (int h = 1; h <= horizon; ++h) {
        Real v = p.final_level + Real(h) * p.final_trend;
        if (seasons) {
            const Real s = p.final_season[std::size_t((h - 1) % period)];
            v = method == SmoothMethod::MULTIPLICATIVE ? v * s : v + s;
        }
        out.value.push_back(v);
    }
    if (method == SmoothMethod::MULTIPLICATIVE || horizon < 1) return out;
    // The sample variance of the one-step errors.
    const std::size_t first = std::size_t(fit.start.first);
    const std::size_t n = p.fitted.size();
    Real mean = 0;
    for (std::size_t i = 0; i < n; ++i) mean += x[first + i] - p.fitted[i];
    mean /= Real(int(n));
    Real variance = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Real e = x[first + i] - p.fitted[i] - mean;
        variance += e * e;
    }
    variance /= Real(int(n) - 1);
    const SmoothingParameters& q = fit.parameters.value;
    Real sum = 1;
    for (int h = 1; h <= horizon; ++h) {
        if (h > 1) {
            const int j = h - 1;
            Real psi = q.alpha * (1 + Real(j) * q.beta);
            if (seasons && j % period == 0) psi += q.gamma * (1 - q.alpha);
            sum += psi * psi;
        }
        out.se.push_back(qm::sqrt(variance * sum));
    }
    return out;
}

} // namespace tarvex
