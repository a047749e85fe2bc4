// Recursive residuals by row updating: the triangular factor R and the rotated dependent
// variable z of the rows so far are extended by one row at a time with plane rotations, which
// keeps the accuracy of an orthogonal factorisation. Before row t enters, b = R**-1 z and
// u = R**-T x_t give the prediction x_t'b and the variance factor 1 + u'u of its error.
// CUSUM (Brown, Durbin and Evans 1975) with the 5% bound 0.948 (sqrt r + 2j/sqrt r), the
// CUSUM of squares against its mean line j/r, and the Harvey-Collier (1977) t test.
#include "regress/ols/recursive_residuals.hpp"

#include "core/run.hpp"
#include "kernels/least_squares.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/cusum_squares_bounds.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Constant of the 5% CUSUM bound.
const Real CUSUM_BOUND_5 = 0.948Q;

struct RowFactor {
    int k = 0;
    std::vector<Real> r;         // K x K upper triangle, row-major
    std::vector<Real> z;         // K
    std::vector<Real> colss;     // sums of squares of the columns over the rows so far
    std::vector<Real> row, b, u; // work vectors, reused for every row
    Real& at(int i, int j) { return r[std::size_t(i) * k + j]; }
    Real at(int i, int j) const { return r[std::size_t(i) * k + j]; }

    // Every coefficient determined: no column left (nearly) dependent on the ones before it.
    bool full_rank() const {
        for (int j = 0; j < k; ++j) {
            const Real d = at(j, j);
            if (!(d * d > DEPENDENCE_RATIO * colss[j]) || colss[j] == 0) return false;
        }
        return true;
    }
    // Rotates the row (x, y) into the factor.
    void add(const std::vector<Real>& xin, Real y) {
        std::vector<Real>& x = row;
        x = xin;
        for (int j = 0; j < k; ++j) colss[j] += x[j] * x[j];
        for (int j = 0; j < k; ++j) {
            if (x[j] == 0) continue;
            const Real a = at(j, j), b = x[j];
            const Real h = qm::sqrt(a * a + b * b);
            const Real c = a / h, s = b / h;
            at(j, j) = h;
            for (int l = j + 1; l < k; ++l) {
                const Real rl = at(j, l), xl = x[l];
                at(j, l) = c * rl + s * xl;
                x[l] = c * xl - s * rl;
            }
            const Real zj = z[j];
            z[j] = c * zj + s * y;
            y = c * y - s * zj;
        }
    }
    // (y - x'b) / sqrt(1 + x'(R'R)**-1 x) with R b = z.
    Real prediction_error(const std::vector<Real>& x, Real y) {
        b.assign(k, 0);
        u.assign(k, 0);
        for (int i = k - 1; i >= 0; --i) {
            Real s = z[i];
            for (int l = i + 1; l < k; ++l) s -= at(i, l) * b[l];
            b[i] = s / at(i, i);
        }
        Real uu = 0, pred = 0;
        for (int i = 0; i < k; ++i) {
            Real s = x[i];
            for (int l = 0; l < i; ++l) s -= at(l, i) * u[l];
            u[i] = s / at(i, i);
            uu += u[i] * u[i];
            pred += x[i] * b[i];
        }
        return (y - pred) / qm::sqrt(1 + uu);
    }
};

std::string right(const std::string& text, int width) {
    return text.size() >= std::size_t(width) ? text : std::string(width - text.size(), ' ') + text;
}

} // namespace

RecursiveResiduals recursive_residuals(const std::vector<Real>& x, const std::vector<Real>& y,
                                       int n, int k) {
    RecursiveResiduals out;
    out.first = n;
    out.w.assign(n, 0);
    RowFactor f;
    f.k = k;
    f.r.assign(std::size_t(k) * k, 0);
    f.z.assign(k, 0);
    f.colss.assign(k, 0);
    std::vector<Real> row(k);
    bool started = false;
    for (int t = 0; t < n; ++t) {
        for (int j = 0; j < k; ++j) row[j] = x[std::size_t(j) * n + t];
        if (!started && t >= k && f.full_rank()) {
            started = true;
            out.first = t;
        }
        if (started) out.w[t] = f.prediction_error(row, y[t]);
        f.add(row, y[t]);
    }
    return out;
}

RecursiveTests recursive_tests(const RecursiveResiduals& rr) {
    RecursiveTests t;
    const int n = int(rr.w.size());
    t.count = std::max(0, n - rr.first);
    if (t.count == 0) return t;
    Real ss = 0, sum = 0;
    for (int i = rr.first; i < n; ++i) {
        ss += rr.w[i] * rr.w[i];
        sum += rr.w[i];
    }
    const Real r = t.count;
    t.sigma = qm::sqrt(ss / r);
    Real cusum = 0, cumsq = 0;
    for (int i = rr.first, j = 1; i < n; ++i, ++j) {
        t.standardised.push_back(t.sigma > 0 ? rr.w[i] / t.sigma : Real(0));
        cusum += t.standardised.back();
        cumsq += rr.w[i] * rr.w[i];
        t.expected.push_back(Real(j) / t.count);
        t.cusum.push_back(cusum);
        t.bound.push_back(CUSUM_BOUND_5 * (qm::sqrt(r) + 2 * j / qm::sqrt(r)));
        t.cusumsq.push_back(ss > 0 ? cumsq / ss : Real(0));
        if (t.first_crossing < 0 && qm::abs(cusum) > t.bound.back()) t.first_crossing = j - 1;
    }
    if (t.count >= 2) {
        const Real mean = sum / r;
        Real dev = 0;
        for (int i = rr.first; i < n; ++i) dev += (rr.w[i] - mean) * (rr.w[i] - mean);
        const Real sd = qm::sqrt(dev / (r - 1));
        if (sd > 0) {
            t.harvey_collier = true;
            t.hc_t = qm::sqrt(r) * mean / sd;
            t.hc_p = f_tail(t.hc_t * t.hc_t, 1, r - 1);
        }
    }
    return t;
}

void write_recursive_estimation(Run& run, const OlsFit& fit, int first, const RecursiveTests& t,
                                const CusumSquaresBounds* squares) {
    write_line(run, " ");
    if (t.count == 0) {
        write_line(run, " ...WARNING..NO OBSERVATIONS LEFT FOR RECURSIVE RESIDUALS");
        return;
    }
    const bool bounded = squares && squares->done;
    const std::string level = bounded ? std::to_string(squares->level) + "% " : "";
    write_line(run, " RECURSIVE RESIDUALS, CUSUM AND CUSUM OF SQUARES");
    write_line(run, "   OBS." + right("RECURSIVE", 14) + right("STANDARDIZED", 13) +
                        right("CUSUM", 11) + right("5% BOUND", 10) + right("CUSUMSQ", 10) +
                        right("EXPECTED", 10) +
                        (bounded ? right(level + "LOWER", 10) + right(level + "UPPER", 10) : ""));
    write_line(run, fmt_X(7) + right("RESIDUAL", 14) + right("RESIDUAL", 13) + fmt_X(11) +
                        right("(+/-)", 10) + fmt_X(10) + right("CUSUMSQ", 10) +
                        (bounded ? right("BOUND", 10) + right("BOUND", 10) : ""));
    for (int j = 0; j < t.count; ++j) {
        const int i = first + j;
        const Real w = fit.recursive[i];
        std::string line = " " + fmt_I(fit.obs[i], 6) + fmt_G(w, 14, 5) +
                           fmt_F(t.standardised[j], 13, 4) + fmt_F(t.cusum[j], 11, 4) +
                           fmt_F(t.bound[j], 10, 4) + fmt_F(t.cusumsq[j], 10, 4) +
                           fmt_F(t.expected[j], 10, 4);
        if (bounded) line += fmt_F(squares->lower[j], 10, 4) + fmt_F(squares->upper[j], 10, 4);
        if (qm::abs(t.cusum[j]) > t.bound[j]) line += " *";
        if (bounded && cusum_squares_outside(t, *squares, j)) line += " #";
        write_line(run, line);
    }
    if (t.first_crossing < 0)
        write_line(run, " CUSUM TEST: THE 5% BOUND IS NOT CROSSED");
    else
        write_line(run, " CUSUM TEST: THE 5% BOUND IS CROSSED AT OBSERVATION" +
                            fmt_I(fit.obs[first + t.first_crossing], 7));
    if (bounded && squares->first_crossing < 0)
        write_line(run, " CUSUM OF SQUARES TEST: THE " + level + "BOUND IS NOT CROSSED");
    else if (bounded)
        write_line(run, " CUSUM OF SQUARES TEST: THE " + level + "BOUND IS CROSSED AT OBSERVATION" +
                            fmt_I(fit.obs[first + squares->first_crossing], 7));
    else if (squares)
        write_line(run, " CUSUM OF SQUARES TEST: NOT DONE, FEWER THAN" +
                            fmt_I(CUSUM_SQUARES_FEWEST, 3) + " RECURSIVE RESIDUALS");
    if (t.harvey_collier)
        write_line(run, " HARVEY-COLLIER TEST: T =" + fmt_F(t.hc_t, 10, 4) + " WITH" +
                            fmt_I(t.count - 1, 5) + " DF  P-VALUE=" + fmt_F(t.hc_p, 8, 5));
}

} // namespace tarvex
