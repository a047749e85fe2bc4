// TOBIT's log-likelihood, gradient and Hessian in double over every row, for the double
// iterations that find the start of the binary128 fit (see tobit_double_start.hpp).
#include "regress/choice/tobit_double_start.hpp"

#include <cmath>

namespace tarvex {

namespace {

const double DOUBLE_HALF_LOG_2PI = 0.91893853320467274178;

// The sample in double: the row vectors (x, limit) column by column, y, the weights.
struct TobitSample {
    std::vector<std::vector<double>> v;
    std::vector<double> y, weight; // weight empty: every row once
    const std::vector<TobitSide>* side = nullptr;
    double lower = 0, upper = 0, between = 0;
    std::size_t n = 0;
};

// Row i adds log L_i, the score a_i times v_i and -w_i v_i v_i' (the same terms as the binary128
// pass); the uncensored rows together add N_u log t.
bool tobit_point(const TobitSample& d, const std::vector<double>& theta, bool derivatives,
                 DoublePoint& out) {
    const std::size_t p = theta.size(), k = p - 1;
    const double t = theta[k];
    if (!(t > 0)) return false;
    out.reset(p);
    std::vector<double> row(p);
    for (std::size_t i = 0; i < d.n; ++i) {
        double xg = 0;
        for (std::size_t j = 0; j < k; ++j) {
            row[j] = d.v[j][i];
            xg += row[j] * theta[j];
        }
        row[k] = d.v[k][i];
        const double w = d.weight.empty() ? 1.0 : d.weight[i];
        const TobitSide side = (*d.side)[i];
        double log_l = 0, a = 0, h = 1;
        if (side == TobitSide::BETWEEN) {
            const double r = t * d.y[i] - xg;
            log_l = -DOUBLE_HALF_LOG_2PI - r * r / 2;
            a = r;
        } else {
            const bool below = side == TobitSide::BELOW;
            const DoubleTerms n =
                double_link_terms(ChoiceLink::PROBIT, below ? t * d.lower - xg : xg - t * d.upper);
            log_l = n.log_f;
            a = below ? -n.score : n.score;
            h = n.weight;
        }
        out.llf += w * log_l;
        if (derivatives) out.add_row(w * a, w * h, row.data());
    }
    out.llf += d.between * std::log(t);
    if (derivatives) {
        out.gradient[k] += d.between / t;
        out.hessian[k * p + k] -= d.between / (t * t);
    }
    return out.complete();
}

} // namespace

DoubleStart tobit_double_start(const TobitRows& rows, const std::vector<Real>& start,
                               int max_iterations, const InterruptCheck& interrupt) {
    const ChoiceData& data = *rows.data;
    const std::size_t k = data.x.size();
    TobitSample sample;
    sample.n = data.y.size();
    sample.v.assign(k + 1, std::vector<double>(sample.n));
    for (std::size_t j = 0; j < k; ++j)
        for (std::size_t i = 0; i < sample.n; ++i) sample.v[j][i] = start_double(data.x[j][i]);
    sample.y.resize(sample.n);
    for (std::size_t i = 0; i < sample.n; ++i) {
        sample.v[k][i] = start_double((*rows.limit)[i]);
        sample.y[i] = start_double(data.y[i]);
    }
    if (data.weighted()) {
        sample.weight.resize(sample.n);
        for (std::size_t i = 0; i < sample.n; ++i) sample.weight[i] = start_double(data.weight[i]);
    }
    sample.side = rows.side;
    sample.lower = start_double(rows.censoring.lower);
    sample.upper = start_double(rows.censoring.upper);
    sample.between = start_double(rows.between);
    return double_newton_start(
        [&](const std::vector<double>& theta, bool derivatives, DoublePoint& point) {
            return tobit_point(sample, theta, derivatives, point);
        },
        start, max_iterations, interrupt);
}

} // namespace tarvex
