// The ordered probit and logit by maximum likelihood: the categories, the start at the
// cut-points-only fit, one pass over the rows per evaluation for the log-likelihood, gradient
// and Hessian, the covariance, the tests and the fitted probabilities. Interval probabilities
// are differences of lower tails below 0 and of upper tails above it, so that no tail
// probability is lost to cancellation.
#include "regress/choice/ordered_choice.hpp"

#include "numeric/distributions.hpp"
#include "numeric/fast_exp.hpp"
#include "numeric/fast_log.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/choice/choice_row_sums.hpp"

namespace tarvex {

namespace {

const Real ORDERED_SQRT_HALF = 0.7071067811865475244008443621048490392848Q;
const Real ORDERED_INV_SQRT_2PI = 0.3989422804014326779399460599343818684759Q;

// The distribution F at t: its lower tail F(t), upper tail 1 - F(t), density f(t) and the
// density's derivative f'(t), each computed directly.
struct LinkPoint {
    Real lower = 0, upper = 0, density = 0, slope = 0;
};

LinkPoint link_at(OrderedLink link, Real t) {
    LinkPoint v;
    if (link == OrderedLink::PROBIT) {
        // The tail below one half directly, the other as its complement (no loss there).
        if (t < 0) {
            v.lower = qm::erfc(-t * ORDERED_SQRT_HALF) / 2;
            v.upper = 1 - v.lower;
        } else {
            v.upper = qm::erfc(t * ORDERED_SQRT_HALF) / 2;
            v.lower = 1 - v.upper;
        }
        v.density = ORDERED_INV_SQRT_2PI * fast_exp(-t * t / 2);
        v.slope = -t * v.density;
    } else {
        const Real e = fast_exp(-qm::abs(t)), far = 1 / (1 + e), near = e * far;
        v.lower = t < 0 ? near : far;
        v.upper = t < 0 ? far : near;
        v.density = near * far;
        v.slope = v.density * (v.upper - v.lower);
    }
    return v;
}

// The probability of the interval (mu_lower - z, mu_upper - z], `has_lower` / `has_upper` false
// for the open ends.
Real interval_probability(bool has_lower, const LinkPoint& a, bool has_upper, const LinkPoint& u,
                          Real a_arg, Real u_arg) {
    if (!has_lower) return has_upper ? u.lower : Real(1);
    if (!has_upper) return a.upper;
    if (a_arg >= 0) return a.upper - u.upper;
    return u.lower - a.lower;
}

Real link_inverse(OrderedLink link, Real share) {
    return link == OrderedLink::PROBIT ? dist::normal_quantile(share)
                                       : qm::log(share / (1 - share));
}

} // namespace

OrderedEstimate estimate_ordered_choice(const ChoiceData& data, OrderedLink link,
                                        const ChoiceControl& control) {
    OrderedEstimate e;
    const std::size_t n = data.y.size();
    const OutcomeCategories cats = take_outcome_categories(data.y, false, e);
    if (cats.end != ChoiceEnd::CONVERGED) return e;
    weigh_outcomes(e, cats.category, data);
    for (int a = 0; a < static_cast<int>(data.x.size()); ++a)
        if (a != data.intercept) e.slope_columns.push_back(a);
    if (data.intercept >= 0) {
        const std::string name = std::size_t(data.intercept) < data.names.size()
                                     ? trim_trailing_blanks(data.names[std::size_t(data.intercept)])
                                     : std::string("C");
        e.notes.add(NotePlace::DATA, NoteKind::NOTE,
                    " ...NOTE..THE INTERCEPT " + name +
                        " IS DROPPED: THE CUT POINTS TAKE ITS PLACE");
    }
    const int k = e.slopes(), cuts = e.cuts(), p = k + cuts;

    // The slopes beside a constant (the cut points act as one) must not be collinear.
    std::vector<std::vector<Real>> columns{std::vector<Real>(n, Real(1))};
    for (const int a : e.slope_columns) columns.push_back(data.x[std::size_t(a)]);
    const int dependent = first_dependent_column(columns, n);
    if (dependent >= 0) {
        e.end = ChoiceEnd::SINGULAR;
        e.bad_column = dependent > 0 ? e.slope_columns[std::size_t(dependent) - 1] : -1;
        return e;
    }
    std::vector<Real> rows(n * std::size_t(k));
    for (std::size_t i = 0; i < n; ++i)
        for (int a = 0; a < k; ++a) rows[i * k + a] = columns[std::size_t(a) + 1][i];
    const std::vector<int>& category = cats.category;

    // Start: b = 0 and the cut points at the quantiles of the cumulative shares, the maximum
    // of the cut-points-only likelihood.
    std::vector<Real> start(std::size_t(p), Real(0));
    Real below = 0;
    for (int j = 0; j < cuts; ++j) {
        below += e.outcome_weight(j);
        start[std::size_t(k + j)] = link_inverse(link, below / e.total_weight());
    }

    // The probability of row i's outcome and its derivatives with respect to the two
    // arguments u = mu_upper - z and a = mu_lower - z.
    struct RowTerms {
        Real z = 0, prob = 0, du = 0, da = 0, duu = 0, daa = 0, dua = 0;
    };
    auto row_terms = [&](const std::vector<Real>& theta, std::size_t i, bool second,
                         RowTerms& r) -> bool {
        const Real* xi = rows.data() + i * k;
        Real z = 0;
        for (int a = 0; a < k; ++a) z += xi[a] * theta[std::size_t(a)];
        r.z = z;
        const int c = category[i];
        const bool has_lower = c > 0, has_upper = c < cuts;
        const Real a_arg = has_lower ? theta[std::size_t(k + c - 1)] - z : Real(0);
        const Real u_arg = has_upper ? theta[std::size_t(k + c)] - z : Real(0);
        if (has_lower && has_upper && !(u_arg > a_arg)) return false; // cut points out of order
        const LinkPoint lo = has_lower ? link_at(link, a_arg) : LinkPoint{};
        const LinkPoint up = has_upper ? link_at(link, u_arg) : LinkPoint{};
        r.prob = interval_probability(has_lower, lo, has_upper, up, a_arg, u_arg);
        if (!(r.prob > 0) || !finiteq(r.prob)) return false;
        const Real inverse = 1 / r.prob;
        r.du = up.density * inverse;
        r.da = -lo.density * inverse;
        if (second) {
            r.duu = up.slope * inverse - r.du * r.du;
            r.daa = -lo.slope * inverse - r.da * r.da;
            r.dua = -r.du * r.da;
        }
        return true;
    };

    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& theta, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        auto add_rows = [&](std::size_t begin, std::size_t end, ChoiceRowSums& s) {
            std::vector<Real> g(std::size_t(p), Real(0));
            RowTerms r;
            for (std::size_t i = begin; i < end; ++i) {
                if (!row_terms(theta, i, !s.hessian.empty(), r)) {
                    s.failed_row = static_cast<int>(i);
                    return;
                }
                // A row of frequency weight w counts as w rows (w = 1 leaves every term as is).
                const Real w = data.weight_of(i);
                s.llf += w * fast_log(r.prob);
                if (s.gradient.empty()) continue;
                const Real* xi = rows.data() + i * k;
                const int c = category[i];
                const int upper = c < cuts ? k + c : -1, lower = c > 0 ? k + c - 1 : -1;
                // d/db = -(du + da) x, d/dmu_upper = du, d/dmu_lower = da.
                const Real gz = -(r.du + r.da);
                for (int a = 0; a < k; ++a) {
                    g[std::size_t(a)] = gz * xi[a];
                    s.gradient[std::size_t(a)] += w * g[std::size_t(a)];
                }
                if (upper >= 0) s.gradient[std::size_t(upper)] += w * r.du;
                if (lower >= 0) s.gradient[std::size_t(lower)] += w * r.da;
                if (!s.opg.empty()) {
                    if (upper >= 0) g[std::size_t(upper)] = r.du;
                    if (lower >= 0) g[std::size_t(lower)] = r.da;
                    add_outer_upper(s.opg, g, w);
                    if (upper >= 0) g[std::size_t(upper)] = 0;
                    if (lower >= 0) g[std::size_t(lower)] = 0;
                }
                if (s.hessian.empty()) continue;
                // bb: (duu + 2 dua + daa) x x'; b mu_upper: -(duu + dua) x;
                // b mu_lower: -(dua + daa) x; and duu, daa, dua among the two cut points.
                const Real hzz = w * (r.duu + 2 * r.dua + r.daa);
                const Real hzu = -w * (r.duu + r.dua), hza = -w * (r.dua + r.daa);
                for (int a = 0; a < k; ++a) {
                    Real* row = &s.hessian[std::size_t(a) * p];
                    const Real xa = xi[a];
                    const Real wa = hzz * xa;
                    for (int b = a; b < k; ++b) row[b] += wa * xi[b];
                    if (upper >= 0) row[upper] += hzu * xa;
                    if (lower >= 0) row[lower] += hza * xa;
                }
                if (upper >= 0) s.hessian[std::size_t(upper) * p + upper] += w * r.duu;
                if (lower >= 0) s.hessian[std::size_t(lower) * p + lower] += w * r.daa;
                if (upper >= 0 && lower >= 0)
                    s.hessian[std::size_t(lower) * p + upper] += w * r.dua;
            }
        };
        return sum_choice_rows(n, p, needs, add_rows, point, failed_row, control.interrupt);
    };
    const MaximizeResult fit =
        maximize_likelihood(start, evaluate, maximize_control(control), true);
    if (!take_maximization(e, fit, control)) return e;

    // The fitted probabilities at the estimates (the last iterate when the fit stopped early).
    const int outcomes = cuts + 1;
    e.probability.assign(std::size_t(outcomes), std::vector<Real>(n, Real(0)));
    e.index.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        Real z = 0;
        for (int a = 0; a < k; ++a) z += rows[i * k + a] * fit.parameters[std::size_t(a)];
        e.index[i] = z;
        LinkPoint previous;
        Real previous_arg = 0;
        for (int j = 0; j < outcomes; ++j) {
            const Real arg = j < cuts ? fit.parameters[std::size_t(k + j)] - z : Real(0);
            const LinkPoint here = j < cuts ? link_at(link, arg) : LinkPoint{};
            const Real pr =
                interval_probability(j > 0, previous, j < cuts, here, previous_arg, arg);
            e.probability[std::size_t(j)][i] = pr;
            previous = here;
            previous_arg = arg;
        }
    }
    int bad = -1;
    std::vector<Real> cov;
    if (!take_covariance(e, fit, control, category, cov, bad)) {
        if (e.end != ChoiceEnd::SINGULAR) return e;
        e.bad_column = bad >= 0 && bad < k ? e.slope_columns[std::size_t(bad)] : -1;
        return e;
    }
    e.constants =
        constants_test("CUT POINTS ONLY", "THE SLOPES", fit.at_maximum.llf, shares_llf(e), k);
    fill_category_result(e, fit, std::move(cov), data.intercept >= 0,
                         link == OrderedLink::PROBIT ? "ORDERED PROBIT" : "ORDERED LOGIT");
    return e;
}

} // namespace tarvex
