// The third-order terms of the binary log-likelihood along a short step, row by row in double
// (see binary_step_terms.hpp).
#include "regress/choice/binary_step_terms.hpp"

#include "numeric/fast_arith.hpp"
#include "regress/choice/binary_double_start.hpp"

#include <cmath>

namespace tarvex {

namespace {

// d3/ds3 log F(s) from the terms double_link_terms gives at s: with a = d/ds log F and
// w = -d2/ds2 log F, the logistic's is -w (1 - 2F) = w (1 - 2a) (a = 1 - F), the normal's
// a'' = w (s + a) - a (1 - w) (a' = -w, w = a (s + a)).
double double_link_third(ChoiceLink link, double s, const DoubleTerms& t) {
    if (link == ChoiceLink::LOGIT) return t.weight * (1 - 2 * t.score);
    return t.weight * (s + t.score) - t.score * (1 - t.weight);
}

// The rows [begin, end) of `rows` into `s` (from zero), in row order.
void add_chunk_terms(ChoiceLink link, const BinaryRows& rows, const std::vector<double>& b,
                     const std::vector<double>& d, double reach, std::size_t begin, std::size_t end,
                     PassSums& s, long long first_row) {
    const std::size_t k = b.size();
    std::vector<double> x(k), gradient(k, 0.0);
    double llf = 0;
    for (std::size_t i = begin; i < end; ++i) {
        double z = 0, moved = 0;
        for (std::size_t j = 0; j < k; ++j) {
            x[j] = start_double(rows.x[j][i]);
            z += x[j] * b[j];
            moved += x[j] * d[j];
        }
        const bool one = !fast_is_zero(rows.y[i]);
        const double s_i = one ? z : -z;
        const double third =
            (one ? 1.0 : -1.0) * double_link_third(link, s_i, double_link_terms(link, s_i, false));
        const double c = rows.weighted() ? start_double(rows.weight[i]) * third : third;
        if (!(std::fabs(moved) <= reach) || !std::isfinite(c)) {
            if (s.defined) {
                s.defined = false;
                s.failed_row = first_row + static_cast<long long>(i);
            }
            continue;
        }
        const double half_square = c * moved * moved / 2;
        llf += half_square * moved / 3;
        for (std::size_t j = 0; j < k; ++j) gradient[j] += half_square * x[j];
    }
    s.llf = Real(llf);
    for (std::size_t j = 0; j < k; ++j) s.gradient[j] = Real(gradient[j]);
}

std::vector<double> as_doubles(const std::vector<Real>& v) {
    std::vector<double> out;
    out.reserve(v.size());
    for (const Real& x : v) out.push_back(start_double(x));
    return out;
}

} // namespace

void add_binary_step_terms(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                           const std::vector<Real>& d, double reach, PassSums& sums,
                           long long first_row) {
    const int p = static_cast<int>(rows.x.size());
    const std::vector<double> from = as_doubles(b), step = as_doubles(d);
    std::vector<PassSums> chunks((rows.n + PASS_CHUNK - 1) / PASS_CHUNK);
    for_each_chunk(rows.n, [&](std::size_t c, std::size_t begin, std::size_t end) {
        chunks[c].reset(p);
        add_chunk_terms(link, rows, from, step, reach, begin, end, chunks[c], first_row);
    });
    for (const PassSums& s : chunks) sums.merge(s);
}

} // namespace tarvex
