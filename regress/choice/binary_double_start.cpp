// Newton's method for the binary links in double precision, over every row, to find the start
// of the binary128 fit (see binary_double_start.hpp).
#include "regress/choice/binary_double_start.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"
#include "regress/choice/double_row_sums.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tarvex {

namespace {

// Iterations whose full step changes every parameter by less than this, relative to it (or to
// this much of the largest parameter), leave the parameters at double's rounding: the one after
// such a step is the last.
constexpr double DOUBLE_START_STEP = 1e-9;
// Full steps below this are taken without asking the log-likelihood, whose sum over many rows
// no longer resolves what they gain.
constexpr double DOUBLE_TRUSTED_STEP = 1e-6;
constexpr int DOUBLE_START_HALVINGS = 40;
// Below this index log Phi comes from the continued fraction of Mills' ratio.
constexpr double DOUBLE_MILLS_BELOW = -30;
constexpr int DOUBLE_MILLS_TERMS = 40;
const double DOUBLE_LOG_ROOT_2PI = 0.91893853320467274178;
const double DOUBLE_INV_ROOT_2PI = 0.39894228040143267794;

} // namespace

// log F(s), d/ds log F(s) and -d2/ds2 log F(s) in double.
DoubleTerms double_link_terms(ChoiceLink link, double s, bool with_log) {
    if (link == ChoiceLink::LOGIT) {
        const double e = std::exp(-std::fabs(s)), one_e = 1 + e;
        const double l = with_log ? std::log1p(e) : 0;
        return {!with_log ? 0
                : s >= 0  ? -l
                          : s - l,
                s >= 0 ? e / one_e : 1 / one_e, e / (one_e * one_e)};
    }
    double log_f = 0, ratio = 0;
    if (s < DOUBLE_MILLS_BELOW) {
        const double x = -s;
        double tail = 0;
        for (int k = DOUBLE_MILLS_TERMS; k >= 1; --k) tail = k / (x + tail);
        const double m = 1 / (x + tail);
        if (with_log) log_f = -s * s / 2 - DOUBLE_LOG_ROOT_2PI + std::log(m);
        ratio = 1 / m;
    } else {
        const double phi = DOUBLE_INV_ROOT_2PI * std::exp(-s * s / 2);
        if (s < 0) {
            const double cdf = 0.5 * std::erfc(-s * M_SQRT1_2);
            if (with_log) log_f = std::log(cdf);
            ratio = phi / cdf;
        } else {
            const double upper = 0.5 * std::erfc(s * M_SQRT1_2);
            if (with_log) log_f = std::log1p(-upper);
            ratio = phi / (1 - upper);
        }
    }
    return {log_f, ratio, ratio * (s + ratio)};
}

namespace {

// Two doubles side by side, loaded and stored at any alignment: the Hessian's rows are updated
// two elements at a time, each element by the same multiply and subtract as one at a time.
typedef double DoublePair __attribute__((vector_size(16), aligned(8)));

inline DoublePair load_pair(const double* p) {
    DoublePair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store_pair(double* p, DoublePair v) {
    std::memcpy(p, &v, sizeof v);
}

// line[l] -= hj * row[l] for l in [from, k).
inline void subtract_scaled_row(double* line, double hj, const double* row, std::size_t from,
                                std::size_t k) {
    const DoublePair scale = {hj, hj};
    std::size_t l = from;
    for (; l + 1 < k; l += 2)
        store_pair(line + l, load_pair(line + l) - scale * load_pair(row + l));
    if (l < k) line[l] -= hj * row[l];
}

} // namespace

void add_double_rows(ChoiceLink link, const DoubleSample& d, const std::vector<double>& b,
                     bool derivatives, DoublePoint& out, DoubleRowTerms& terms) {
    const std::size_t k = b.size(), n = d.n;
    // Each row's terms (on two threads for a long sample: they depend on the row alone), then
    // the sums, each in row order. Every term read is written first.
    if (terms.log_l.size() < n) terms.log_l.resize(n);
    if (derivatives && terms.a.size() < n) terms.a.resize(n), terms.h.resize(n);
    double *const log_l = terms.log_l.data(), *const a = terms.a.data(), *const h = terms.h.data();
    split_rows(n, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const double* row = d.rows.data() + i * d.width;
            double z = 0;
            for (std::size_t j = 0; j < k; ++j) z += row[j] * b[j];
            const bool one = d.one[i] != 0;
            const DoubleTerms t = double_link_terms(link, one ? z : -z);
            const double w = d.weight.empty() ? 1.0 : d.weight[i];
            log_l[i] = w * t.log_f;
            if (!derivatives) continue;
            a[i] = w * (one ? t.score : -t.score);
            h[i] = w * t.weight;
        }
    });
    for (std::size_t i = 0; i < n; ++i) out.llf += log_l[i];
    if (!derivatives) return;
    add_double_row_sums(d.rows.data(), k, n, a, h, out.gradient, out.hessian);
}

namespace {

// Whether the step d changes every parameter of b by less than `tolerance` relative to it, or
// to that much of the largest parameter.
bool double_step_below(const std::vector<double>& d, const std::vector<double>& b,
                       double tolerance) {
    double largest = 0;
    for (double v : b) largest = std::fmax(largest, std::fabs(v));
    for (std::size_t j = 0; j < b.size(); ++j)
        if (!(std::fabs(d[j]) <= tolerance * (std::fabs(b[j]) + tolerance * largest))) return false;
    return true;
}

std::vector<Real> as_reals(const std::vector<double>& v) {
    std::vector<Real> out;
    out.reserve(v.size());
    for (double x : v) out.push_back(Real(x));
    return out;
}

} // namespace

DoubleSample double_sample(const BinaryRows& rows) {
    const std::size_t k = rows.x.size();
    DoubleSample sample;
    sample.n = rows.n;
    sample.width = double_row_width(k);
    // Each value written once as it is converted: no zeros written first, no copy of them.
    sample.rows.reserve(sample.n * sample.width);
    for (std::size_t i = 0; i < sample.n; ++i) {
        for (std::size_t j = 0; j < k; ++j) sample.rows.push_back(start_double(rows.x[j][i]));
        for (std::size_t j = k; j < sample.width; ++j) sample.rows.push_back(0.0);
    }
    if (rows.weighted()) {
        sample.weight.reserve(sample.n);
        for (std::size_t i = 0; i < sample.n; ++i)
            sample.weight.push_back(start_double(rows.weight[i]));
    }
    sample.one.resize(sample.n);
    for (std::size_t i = 0; i < sample.n; ++i) sample.one[i] = !fast_is_zero(rows.y[i]);
    return sample;
}

void DoublePoint::reset(std::size_t p) {
    llf = 0;
    gradient.assign(p, 0);
    hessian.assign(p * p, 0);
}

void DoublePoint::add_row(double a, double h, const double* v) {
    const std::size_t k = gradient.size();
    for (std::size_t j = 0; j < k; ++j) {
        gradient[j] += a * v[j];
        subtract_scaled_row(hessian.data() + j * k, h * v[j], v, j, k);
    }
}

bool DoublePoint::complete() {
    const std::size_t k = gradient.size();
    if (!std::isfinite(llf)) return false;
    for (std::size_t j = 0; j < k; ++j) {
        if (!std::isfinite(gradient[j])) return false;
        for (std::size_t l = j; l < k; ++l) {
            if (!std::isfinite(hessian[j * k + l])) return false;
            hessian[l * k + j] = hessian[j * k + l];
        }
    }
    return true;
}

bool double_start_allowed(const ChoiceControl& control) {
    return control.double_start && control.method == MaximizeMethod::NEWTON &&
           control.max_iterations > 1 &&
           !(control.parameter_tolerance > DOUBLE_START_LOOSEST_TOLERANCE);
}

DoubleStart binary_double_start(ChoiceLink link, const ChoiceData& data,
                                const std::vector<Real>& start, int max_iterations,
                                const InterruptCheck& interrupt) {
    const DoubleSample sample = double_sample(binary_rows_of(data));
    DoubleRowTerms terms;
    return double_newton_start(
        [&](const std::vector<double>& b, bool derivatives, DoublePoint& out) {
            out.reset(b.size());
            add_double_rows(link, sample, b, derivatives, out, terms);
            return out.complete();
        },
        start, max_iterations, interrupt);
}

DoubleStart double_newton_start(const DoubleEvaluate& evaluate, const std::vector<Real>& start,
                                int max_iterations, const InterruptCheck& interrupt) {
    DoubleStart out;
    const std::size_t k = start.size();
    std::vector<double> b(k);
    for (std::size_t j = 0; j < k; ++j) b[j] = start_double(start[j]);
    DoublePoint point, trial_point;
    if (!evaluate(b, true, point)) return out;
    out.start_llf = Real(point.llf);
    std::vector<double> minus(k * k), direction, trial(k);
    for (int iteration = 1; iteration <= max_iterations; ++iteration) {
        check_for_interrupt(interrupt);
        for (std::size_t j = 0; j < k * k; ++j) minus[j] = -point.hessian[j];
        if (!solve_positive_definite(minus, point.gradient, direction, 1e-13)) return out;
        const bool last = double_step_below(direction, b, DOUBLE_START_STEP);
        const bool trusted = double_step_below(direction, b, DOUBLE_TRUSTED_STEP);
        double length = 1;
        bool taken = false;
        for (int h = 0; h <= DOUBLE_START_HALVINGS && !taken; ++h, length /= 2) {
            for (std::size_t j = 0; j < k; ++j) trial[j] = b[j] + length * direction[j];
            if (trusted && h == 0) {
                taken = evaluate(trial, true, trial_point);
                if (!taken) return out;
                break;
            }
            // The full step's value and derivatives in one pass (it is taken far more often
            // than not; the log-likelihood is summed the same way either way), a shorter step's
            // value first. A rise with derivatives that are not finite ends the search.
            const bool finite = evaluate(trial, h == 0, trial_point);
            if (std::isfinite(trial_point.llf) && trial_point.llf > point.llf) {
                taken = h == 0 ? finite : evaluate(trial, true, trial_point);
                if (!taken) return out;
            }
        }
        if (!taken) return out;
        b = trial;
        point = trial_point;
        out.iterations = iteration;
        out.history.push_back(as_reals(b));
        out.history_llf.push_back(Real(point.llf));
        if (last) {
            out.found = true;
            out.theta = as_reals(b);
            return out;
        }
    }
    return out;
}

bool double_start_held(const DoubleStart& first, const ChoiceFit& last) {
    const Real margin = DOUBLE_START_LLF_MARGIN * (qm::abs(first.start_llf) + 1);
    return last.end == ChoiceEnd::CONVERGED && !(last.llf < first.start_llf - margin);
}

void prepend_double_iterations(const DoubleStart& first, ChoiceFit& last) {
    last.iterations += first.iterations;
    last.history.insert(last.history.begin(), first.history.begin(), first.history.end());
    last.history_llf.insert(last.history_llf.begin(), first.history_llf.begin(),
                            first.history_llf.end());
}

} // namespace tarvex
