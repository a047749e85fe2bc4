// TOBIT's passes over a stretch of rows (see tobit_rows.hpp).
#include "regress/choice/tobit_rows.hpp"

#include "numeric/fast_log.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/double_row_sums.hpp"

#include <cmath>
#include <cstring>

namespace tarvex {

namespace {

const Real TOBIT_HALF_LOG_2PI = 0.9189385332046727417803297364056176398614Q;
const double TOBIT_DOUBLE_HALF_LOG_2PI = 0.91893853320467274178;

// Whether two values have the same bits (so one function value serves both; -0 and 0 differ).
bool same_bits(Real a, Real b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TobitSide tobit_side(Real y, const TobitCensoring& c) {
    if (c.below && y <= c.lower) return TobitSide::BELOW;
    if (c.above && y >= c.upper) return TobitSide::ABOVE;
    return TobitSide::BETWEEN;
}

void tobit_sides(const Real* y, std::size_t n, const TobitCensoring& c, TobitSide* side,
                 Real* limit) {
    for (std::size_t i = 0; i < n; ++i) {
        side[i] = tobit_side(y[i], c);
        limit[i] = side[i] == TobitSide::BELOW   ? -c.lower
                   : side[i] == TobitSide::ABOVE ? -c.upper
                                                 : -y[i];
    }
}

void add_tobit_totals(const TobitStretch& rows, TobitTotals& totals) {
    for (std::size_t i = 0; i < rows.n; ++i) {
        totals.below += rows.side[i] == TobitSide::BELOW;
        totals.above += rows.side[i] == TobitSide::ABOVE;
        if (rows.side[i] == TobitSide::BETWEEN) totals.between += rows.weight_of(i);
        if (rows.weighted()) totals.total += rows.weight[i];
    }
    if (!rows.weighted()) totals.total += Real(rows.n);
    // Each column's sum in row order; on a long sample two threads take half the columns each.
    const std::size_t k = rows.x.size();
    const std::size_t shares = rows.n >= SPLIT_MIN_ROWS && k > 1 && two_threads_available() ? 2 : 1;
    run_row_shares(k, shares, [&](std::size_t, std::size_t first, std::size_t last) {
        for (std::size_t j = first; j < last; ++j) {
            Real s = totals.x_sum[j];
            const Real* x = rows.x[j];
            if (rows.weighted())
                for (std::size_t i = 0; i < rows.n; ++i) s += rows.weight[i] * x[i];
            else
                for (std::size_t i = 0; i < rows.n; ++i) s += x[i];
            totals.x_sum[j] = s;
        }
    });
}

void add_tobit_pass(const TobitStretch& rows, const TobitCensoring& c,
                    const std::vector<Real>& theta, PassSums& sums, Real* root, Real* score,
                    long long first_row) {
    const std::size_t k = rows.x.size();
    const int p = static_cast<int>(k) + 1;
    const std::size_t chunks = (rows.n + PASS_CHUNK - 1) / PASS_CHUNK;
    std::vector<PassSums> chunk_sums(chunks);
    const Real t = theta[k];
    const bool weighted = rows.weighted();
    // Row i adds log L_i and a_i v_i, v_i = (x_i, limit_i), and leaves sqrt(w_i) of its Hessian
    // weight in root and |a_i| in score. The index of a censored row is -(x'g - t L) below and
    // x'g - t U above; an uncensored row has r = t y - x'g and weight 1. A weighted row adds
    // w log L_i and w a_i; its Hessian weight and score in the outer product are scaled by
    // sqrt(w). Each chunk forms x'g column by column and each gradient element column by column:
    // the same chains of fused multiply-adds, in the same order, as a row that forms x'g and adds
    // its row vector itself (tobit_row), at a fraction of the calls.
    // The columns of v_i: the regressors, then the limit.
    std::vector<const Real*> vector_columns(rows.x);
    vector_columns.push_back(rows.limit);
    for_each_chunk(rows.n, [&](std::size_t chunk, std::size_t begin, std::size_t end) {
        const std::size_t length = end - begin;
        std::vector<Real> xg(length), a(length);
        if (k > 0) chunk_index(rows.x, theta, begin, length, xg.data());
        PassSums& s = chunk_sums[chunk];
        s.reset(p);
        Real last_index = 0;
        NormalTail last_tail;
        bool have_last = false;
        for (std::size_t i = begin; i < end; ++i) {
            const Real z = xg[i - begin];
            const Real w = rows.weight_of(i), rw = weighted ? qm::sqrt(w) : Real(1);
            Real log_l = 0, row_score = 0, row_root = rw;
            bool defined = true;
            if (rows.side[i] == TobitSide::BETWEEN) {
                const Real r = t * rows.y[i] - z;
                row_score = r;
                log_l = -TOBIT_HALF_LOG_2PI - r * r / 2;
            } else {
                const bool below = rows.side[i] == TobitSide::BELOW;
                const Real index = below ? t * c.lower - z : z - t * c.upper;
                // Rows with the same index (every censored row of a model with the intercept
                // alone) share one evaluation of the tail.
                if (!have_last || !same_bits(index, last_index)) {
                    last_tail = normal_tail(index);
                    last_index = index;
                    have_last = true;
                }
                const NormalTail& n = last_tail;
                row_score = below ? -n.ratio : n.ratio;
                row_root = rw * qm::sqrt(n.ratio * (index + n.ratio));
                log_l = n.log_cdf;
                defined = finiteq(n.log_cdf) != 0;
            }
            if (root != nullptr) root[i] = row_root;
            if (score != nullptr) score[i] = qm::abs(rw * row_score);
            s.llf = fast_add(s.llf, weighted ? w * log_l : log_l);
            a[i - begin] = weighted ? w * row_score : row_score;
            if (!defined && s.defined) {
                s.defined = false;
                s.failed_row = first_row + static_cast<long long>(i);
            }
        }
        fused_multiply_add_chains(s.gradient.data(), a.data(), vector_columns.data(), k + 1, begin,
                                  length);
    });
    for (const PassSums& s : chunk_sums) sums.merge(s);
}

void finish_tobit_pass(Real between, const std::vector<Real>& theta, PassSums& sums,
                       std::vector<Real>* hessian) {
    const std::size_t k = theta.size() - 1;
    const Real t = theta[k];
    if (hessian != nullptr) {
        (*hessian)[k * (k + 1) + k] -= between / (t * t);
        return;
    }
    if (!(t > 0)) {
        sums.defined = false;
        sums.failed_row = 0;
        return;
    }
    sums.llf += between * fast_log(t);
    sums.gradient[k] += between / t;
}

TobitDoubleRows tobit_double_rows(const TobitStretch& rows) {
    const std::size_t k = rows.x.size();
    TobitDoubleRows d;
    d.n = rows.n;
    d.side = rows.side;
    d.v.assign(k + 1, std::vector<double>(d.n));
    d.y.resize(d.n);
    if (rows.weighted()) d.weight.resize(d.n);
    // Each value converted on its own: the rows shared between two threads.
    split_rows(d.n, [&](std::size_t begin, std::size_t end) {
        for (std::size_t j = 0; j < k; ++j)
            for (std::size_t i = begin; i < end; ++i) d.v[j][i] = start_double(rows.x[j][i]);
        for (std::size_t i = begin; i < end; ++i) {
            d.v[k][i] = start_double(rows.limit[i]);
            d.y[i] = start_double(rows.y[i]);
        }
        if (rows.weighted())
            for (std::size_t i = begin; i < end; ++i) d.weight[i] = start_double(rows.weight[i]);
    });
    return d;
}

// Row i adds log L_i, the score a_i times v_i and -w_i v_i v_i' (the same terms as the binary128
// pass). Each row's terms depend on the row alone and are formed first (on two threads for a
// long sample); then the log-likelihood is summed in row order and the gradient and Hessian
// element by element in row order (double_row_sums.hpp): the bits of a row-by-row update.
void add_tobit_double_rows(const TobitDoubleRows& d, const TobitCensoring& c,
                           const std::vector<double>& theta, bool derivatives, DoublePoint& out) {
    const std::size_t p = theta.size(), k = p - 1, n = d.n;
    const double t = theta[k];
    const double lower = start_double(c.lower), upper = start_double(c.upper);
    std::vector<double> log_l(n), a(derivatives ? n : 0), h(derivatives ? n : 0);
    split_rows(n, [&](std::size_t begin, std::size_t end) {
        double last_index = 0; // as in the binary128 pass: one evaluation for rows that share it
        DoubleTerms last_terms{};
        bool have_last = false;
        for (std::size_t i = begin; i < end; ++i) {
            double xg = 0;
            for (std::size_t j = 0; j < k; ++j) xg += d.v[j][i] * theta[j];
            const double w = d.weight.empty() ? 1.0 : d.weight[i];
            const TobitSide side = d.side[i];
            double row_log_l = 0, row_a = 0, row_h = 1;
            if (side == TobitSide::BETWEEN) {
                const double r = t * d.y[i] - xg;
                row_log_l = -TOBIT_DOUBLE_HALF_LOG_2PI - r * r / 2;
                row_a = r;
            } else {
                const bool below = side == TobitSide::BELOW;
                const double index = below ? t * lower - xg : xg - t * upper;
                if (!have_last || std::memcmp(&index, &last_index, sizeof index) != 0) {
                    last_terms = double_link_terms(ChoiceLink::PROBIT, index);
                    last_index = index;
                    have_last = true;
                }
                const DoubleTerms& terms = last_terms;
                row_log_l = terms.log_f;
                row_a = below ? -terms.score : terms.score;
                row_h = terms.weight;
            }
            log_l[i] = w * row_log_l;
            if (!derivatives) continue;
            a[i] = w * row_a;
            h[i] = w * row_h;
        }
    });
    for (std::size_t i = 0; i < n; ++i) out.llf += log_l[i];
    if (!derivatives) return;
    std::vector<const double*> columns;
    for (std::size_t j = 0; j <= k; ++j) columns.push_back(d.v[j].data());
    add_double_row_sums(columns, n, a.data(), h.data(), out.gradient, out.hessian);
}

bool start_tobit_double(const std::vector<double>& theta, DoublePoint& out) {
    if (!(theta.back() > 0)) return false;
    out.reset(theta.size());
    return true;
}

bool finish_tobit_double(double between, const std::vector<double>& theta, bool derivatives,
                         DoublePoint& out) {
    const std::size_t p = theta.size(), k = p - 1;
    const double t = theta[k];
    out.llf += between * std::log(t);
    if (derivatives) {
        out.gradient[k] += between / t;
        out.hessian[k * p + k] -= between / (t * t);
    }
    return out.complete();
}

} // namespace tarvex
