// The binary PROBIT and LOGIT estimator: start, fit, covariance and what the report shows.
#include "regress/choice/binary_choice.hpp"
#include "regress/choice/binary_parts.hpp"

#include "kernels/sandwich_covariance.hpp"
#include "kernels/symmetric_solve.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/binary_double_start.hpp"
#include "regress/choice/binary_step_terms.hpp"
#include "regress/choice/choice_result.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <algorithm>

namespace tarvex {

namespace {

RowColumns binary_rows(const ChoiceData& data) {
    RowColumns rows;
    for (std::size_t j = 0; j < data.columns(); ++j) rows.columns.push_back(data.column(j));
    rows.n = data.rows();
    return rows;
}

// One pass over the rows at b: the log-likelihood and gradient into `sums`, sqrt(w_i) into
// root[i] and |a_i| into score[i] (each unless empty).
void binary_pass(ChoiceLink link, const ChoiceData& data, const std::vector<Real>& b,
                 PassSums& sums, std::vector<Real>& root, std::vector<Real>& score) {
    sums.reset(static_cast<int>(data.columns()));
    add_binary_pass(link, binary_rows_of(data), b, sums, root.empty() ? nullptr : root.data(),
                    score.empty() ? nullptr : score.data(), 0);
}

ChoiceFit fit_binary(ChoiceLink link, const ChoiceData& data, const std::vector<Real>& start,
                     const ChoiceControl& control) {
    const RowColumns rows = binary_rows(data);
    return maximize_passes(
        rows, start, control,
        [&](const std::vector<Real>& b, PassSums& sums, std::vector<Real>& root,
            std::vector<Real>& score) { binary_pass(link, data, b, sums, root, score); });
}

// The log-likelihood and gradient at the end of a fit whose last step was taken on the quadratic
// model: the model's, which the fit holds, plus the terms of third order along that step from
// the point it left. False (a pass is needed) when the fit ended otherwise or a row moved too far
// for those terms.
bool modeled_end(BinarySource& source, const ChoiceFit& fit, PassSums& sums) {
    const std::size_t k = fit.theta.size();
    if (fit.modeled_step.size() != k || fit.gradient.size() != k) return false;
    std::vector<Real> from(fit.theta);
    for (std::size_t j = 0; j < k; ++j) from[j] -= fit.modeled_step[j];
    source.step_terms(from, fit.modeled_step, sums);
    if (!sums.defined) return false;
    sums.llf = fit.llf + sums.llf;
    for (std::size_t j = 0; j < k; ++j) sums.gradient[j] = fit.gradient[j] + sums.gradient[j];
    return true;
}

// One more Newton step from the end of a converged fit, with the fit's Hessian, taken on the
// quadratic model like the last step of the fit itself. From a double start the fit ends one
// step from the maximum, the error of its end of the order of the square of the start's
// (1e-30); the step from there leaves an error below binary128's resolution, as the fit from
// a binary128 start has. The log-likelihood and gradient it starts from are the model's with
// the third-order terms of the fit's last step (modeled_end), or a pass's over the rows.
// Nothing changes when the rows or the Hessian do not allow the step.
void final_newton_step(BinarySource& source, ChoiceFit& fit) {
    PassSums sums;
    if (!modeled_end(source, fit, sums)) source.pass(fit.theta, sums);
    newton_step_at_end(fit, sums);
}

// The rows' sums the average effects need: sum f(z_i) and sum f'(z_i) x_i.
struct EffectSums {
    Real density = 0;
    std::vector<Real> slope_x;
};

void marginal_effects(ChoiceLink link, Real n, int intercept, const EffectSums& sums,
                      const std::vector<Real>& xbar, BinaryEstimate& e) {
    const int k = e.k;
    const std::vector<Real>&coef = e.result.record.coef, &cov = e.result.record.cov;
    // At the means: f(z) b_j, d/db_l = f(z) [j = l] + b_j f'(z) xbar_l.
    Real zbar = 0;
    for (int j = 0; j < k; ++j) zbar += xbar[std::size_t(j)] * coef[std::size_t(j)];
    const Real f = link_density(link, zbar), df = link_density_slope(link, zbar);
    std::vector<Real> g(std::size_t(k) * k, Real(0));
    e.at_means.effect.assign(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        e.at_means.effect[std::size_t(j)] = f * coef[std::size_t(j)];
        for (int l = 0; l < k; ++l)
            g[std::size_t(j) * k + l] =
                (j == l ? f : Real(0)) + coef[std::size_t(j)] * df * xbar[std::size_t(l)];
    }
    e.at_means.se = delta_method_se(g, cov, k, k);
    // Averages over the rows: mean f(z_i) b_j, d/db_l = mean f(z_i) [j = l] + b_j mean f'(z_i)
    // x_il.
    const Real fbar = sums.density / n;
    e.average.effect.assign(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        e.average.effect[std::size_t(j)] = fbar * coef[std::size_t(j)];
        for (int l = 0; l < k; ++l)
            g[std::size_t(j) * k + l] =
                (j == l ? fbar : Real(0)) + coef[std::size_t(j)] * sums.slope_x[std::size_t(l)] / n;
    }
    e.average.se = delta_method_se(g, cov, k, k);
    if (intercept >= 0) {
        for (MarginalEffects* m : {&e.at_means, &e.average})
            m->effect[std::size_t(intercept)] = m->se[std::size_t(intercept)] = 0;
    }
    effect_ratios(e.at_means);
    effect_ratios(e.average);
}

void fill_binary_result(int intercept, BinaryEstimate& e) {
    EstimationResults& r = e.result.record;
    r.intercept = intercept >= 0;
    r.mean_terms = e.k;
    add_constants_test(e.result, e.constants, true);
    add_reported_number(e.result, "COX-SNELL R-SQUARE", e.r2_cox_snell);
    add_reported_number(e.result, "NAGELKERKE (CRAGG-UHLER) R-SQUARE", e.r2_nagelkerke);
    add_reported_number(e.result, "PERCENT CORRECTLY PREDICTED", e.percent_correct);
}

// Whether a sample is long enough for the first iterations in double (see
// binary_double_start.hpp): only Newton's method, and only when asked.
bool double_start_wanted(std::size_t n, const ChoiceControl& control) {
    return n > control.double_start_above && double_start_allowed(control);
}

// The fit whose first iterations are taken in double and the rest in binary128 from there. The
// iterations of both count, and the history holds both. False (nothing in `e` changed) when the
// double iterations found no start, or when the binary128 iterations from it did not converge
// to a log-likelihood above the one at `start`: the fit is then made in binary128 throughout.
bool fit_from_double_start(BinarySource& source, const std::vector<Real>& start,
                           const ChoiceControl& control, BinaryEstimate& e, ChoiceFit& fit) {
    DoubleStart first;
    ChoiceFit last;
    if (!fit_on_from_double_start(source, start, control, first, last) ||
        !double_start_held(first, last))
        return false;
    final_newton_step(source, last);
    prepend_double_iterations(first, last);
    e.double_iterations = first.iterations;
    fit = std::move(last);
    return true;
}

// The sample in memory as the fit reads it.
class BinaryMemorySource : public BinarySource {
public:
    BinaryMemorySource(ChoiceLink link, const ChoiceData& data) : link_(link), data_(data) {}
    std::size_t rows() const override { return data_.rows(); }
    void pass(const std::vector<Real>& b, PassSums& sums) override {
        std::vector<Real> no_root, no_score;
        binary_pass(link_, data_, b, sums, no_root, no_score);
    }
    void step_terms(const std::vector<Real>& b, const std::vector<Real>& d,
                    PassSums& sums) override {
        sums.reset(static_cast<int>(data_.columns()));
        add_binary_step_terms(link_, binary_rows_of(data_), b, d, STEP_TERMS_REACH, sums, 0);
    }
    ChoiceFit fit(const std::vector<Real>& start, const ChoiceControl& control) override {
        return fit_binary(link_, data_, start, control);
    }
    DoubleStart double_start(const std::vector<Real>& start, int max_iterations,
                             const InterruptCheck& interrupt) override {
        return binary_double_start(link_, data_, start, max_iterations, interrupt);
    }
    ChoiceData rows_at(const std::vector<std::size_t>& keep) override {
        return data_rows(data_, keep);
    }

private:
    ChoiceLink link_;
    const ChoiceData& data_;
};

} // namespace

void add_binary_pass(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                     PassSums& sums, Real* root, Real* score, long long first_row) {
    add_index_pass(rows.x, rows.n, b, sums, first_row,
                   [&](std::size_t i, Real z, Real& log_l, Real& a) {
                       const bool one = !fast_is_zero(rows.y[i]);
                       const LinkTerms t = link_terms(link, one ? z : -z, root != nullptr);
                       a = one ? t.score : -t.score;
                       log_l = t.log_f;
                       if (root != nullptr) root[i] = qm::sqrt(t.weight);
                       if (score != nullptr) score[i] = qm::abs(a);
                       if (rows.weighted()) {
                           const Real w = rows.weight[i];
                           log_l *= w, a *= w;
                           if (root != nullptr || score != nullptr) {
                               const Real rw = qm::sqrt(w);
                               if (root != nullptr) root[i] *= rw;
                               if (score != nullptr) score[i] *= rw;
                           }
                       }
                       return finiteq(t.log_f) != 0;
                   });
}

std::vector<Real> simple_start(ChoiceLink link, int k, int intercept, Real share) {
    std::vector<Real> start(std::size_t(k), Real(0));
    if (intercept >= 0)
        start[std::size_t(intercept)] =
            link == ChoiceLink::LOGIT ? qm::log(share / (1 - share)) : normal_quantile(share);
    return start;
}

Real constants_llf(Real ones, Real total, bool intercept) {
    const Real share = ones / total;
    return intercept ? ones * qm::log(share) + (total - ones) * qm::log(1 - share)
                     : total * qm::log(Real(0.5Q));
}

ChoiceFit fit_binary_source(ChoiceLink link, BinarySource& source, const std::vector<Real>& start,
                            const ChoiceControl& control, BinaryEstimate& e) {
    const std::size_t n = source.rows();
    // Every iteration from the intercept-only start in binary128 (after a preliminary fit on a
    // subsample of a long sample).
    const auto fit_in_binary128 = [&] {
        std::vector<Real> from = start;
        std::vector<Real> first_hessian; // the preliminary fit's, when it converged
        e.subsample_n = 0;
        if (n > SUBSAMPLE_ABOVE) {
            const ChoiceData part = source.rows_at(evenly_spaced_rows(n, SUBSAMPLE_ROWS));
            BinaryMemorySource part_source(link, part);
            const ChoiceFit first = part_source.fit(from, subsample_control(control));
            if (first.end == ChoiceEnd::CONVERGED) {
                from = first.theta;
                e.subsample_n = static_cast<int>(part.y.size());
                first_hessian = first.hessian;
            }
        }
        return source.fit(
            from, first_hessian.empty()
                      ? control
                      : after_subsample(control, first_hessian, std::size_t(e.subsample_n), n));
    };
    ChoiceFit fit;
    if (!double_start_wanted(n, control) || !fit_from_double_start(source, start, control, e, fit))
        fit = fit_in_binary128();
    return fit;
}

void add_binary_totals(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& theta,
                       BinaryTotals& totals, Real* probability, Real* residual, Real* log_terms) {
    const std::size_t n = rows.n, k = rows.x.size();
    std::vector<BinaryTotals> chunk_totals((n + PASS_CHUNK - 1) / PASS_CHUNK, BinaryTotals(k));
    for_each_chunk(n, [&](std::size_t c, std::size_t begin, std::size_t end) {
        BinaryTotals& t = chunk_totals[c];
        const std::size_t length = end - begin;
        std::vector<Real> z(length), slope(length);
        chunk_index(rows.x, theta, begin, length, z.data());
        for (std::size_t i = begin; i < end; ++i) {
            const bool one = !fast_is_zero(rows.y[i]);
            const LinkRow r = link_row(link, z[i - begin], one, log_terms != nullptr);
            const LinkTerms& terms = r.terms;
            const Real p = r.probability;
            if (log_terms != nullptr) log_terms[i] = terms.log_f;
            if (probability != nullptr) probability[i] = p;
            if (residual != nullptr) residual[i] = one ? terms.score : -terms.score;
            ++t.table[one][!fast_less(p, Real(0.5Q))];
            const Real w = rows.weight_of(i);
            t.density = fast_add(t.density, rows.weighted() ? w * r.density : r.density);
            slope[i - begin] = rows.weighted() ? w * r.slope : r.slope;
        }
        // Both from the zeros the chunk's totals start from.
        fused_multiply_add_chains(t.slope_x.data(), slope.data(), rows.x.data(), k, begin, length);
        if (rows.weighted())
            fused_multiply_add_chains(t.x_sum.data(), rows.weight + begin, rows.x.data(), k, begin,
                                      length);
        else
            fast_add_chains(t.x_sum.data(), rows.x.data(), k, begin, length);
    });
    for (const BinaryTotals& t : chunk_totals) totals.merge(t);
}

void describe_binary(ChoiceLink link, const ChoiceFit& fit, std::vector<Real> cov,
                     const BinaryTotals& totals, Real llf0, Real total, int intercept,
                     BinaryEstimate& e) {
    const int k = e.k;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) e.table[a][b] = totals.table[a][b];
    e.result = choice_model_result(e.n, fit.theta, std::move(cov), fit.llf);
    e.constants = constants_test(intercept >= 0 ? "THE INTERCEPT ALONE" : "EVERY COEFFICIENT ZERO",
                                 "THE SLOPES", fit.llf, llf0, k - (intercept >= 0 ? 1 : 0));
    e.r2_cox_snell = 1 - qm::exp(2 * (llf0 - fit.llf) / total);
    e.r2_nagelkerke = e.r2_cox_snell / (1 - qm::exp(2 * llf0 / total));
    e.percent_correct = 100 * Real(e.table[0][0] + e.table[1][1]) / Real(e.n);
    std::vector<Real> xbar(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) xbar[std::size_t(j)] = totals.x_sum[std::size_t(j)] / total;
    EffectSums sums;
    sums.density = totals.density;
    sums.slope_x = totals.slope_x;
    marginal_effects(link, total, intercept, sums, xbar, e);
    fill_binary_result(intercept, e);
}

BinaryEstimate estimate_binary(ChoiceLink link, const ChoiceData& data,
                               const ChoiceControl& control) {
    BinaryEstimate e;
    const std::size_t n = data.rows();
    const int k = static_cast<int>(data.columns());
    const Real* y = data.y_values();
    e.n = static_cast<int>(n);
    e.k = k;
    Real ones = 0; // weighted
    for (std::size_t i = 0; i < n; ++i) {
        if (fast_is_zero(y[i])) continue;
        ++e.ones;
        ones += data.weight_of(i);
    }
    const Real total = data.total_weight();
    const Real share = ones / total;
    const bool intercept = data.intercept >= 0;
    const Real llf0 = constants_llf(ones, total, intercept);
    // A separation found ends the estimate.
    const auto separated = [&e](Separation s) {
        const bool found = s.found;
        if (found) e.end = ChoiceEnd::SEPARATED;
        e.separation = std::move(s);
        return found;
    };
    if (intercept && separated(regressor_separation(data))) return e;

    BinaryMemorySource source(link, data);
    const ChoiceFit fit =
        fit_binary_source(link, source, simple_start(link, k, data.intercept, share), control, e);
    e.iterations = fit.iterations;
    e.history = fit.history;
    e.history_llf = fit.history_llf;
    if (fit.end == ChoiceEnd::SINGULAR && fit.iterations > 1 &&
        fit.theta.size() == std::size_t(k)) {
        // A Hessian that turns singular on the way, not at the start, is what coefficients
        // running off to infinity leave: observations predicted with certainty at the last
        // iterate show a separation by a combination, not a regressor that is not identified.
        std::vector<Real> log_terms(n);
        for (std::size_t i = 0; i < n; ++i) {
            Real z = 0;
            for (int j = 0; j < k; ++j)
                z += data.column(std::size_t(j))[i] * fit.theta[std::size_t(j)];
            log_terms[i] = link_row(link, z, !fast_is_zero(y[i])).terms.log_f;
        }
        if (separated(fitted_separation(log_terms, fit.history, data.intercept))) return e;
    }
    e.end = fit.end;
    e.bad_column = fit.bad_parameter;
    if (fit.end == ChoiceEnd::UNDEFINED || fit.end == ChoiceEnd::SINGULAR) return e;

    // Rows' terms at the last iterate: probabilities, residuals, the prediction table and the
    // sums of the averages, by chunk on the threads, the chunks' sums added in order.
    // The rows' log-likelihood terms serve only the search for a separation after a fit that did
    // not converge.
    const bool converged = e.end == ChoiceEnd::CONVERGED;
    std::vector<Real> probability(n), residual(n), log_terms(converged ? 0 : n);
    BinaryTotals totals(static_cast<std::size_t>(k));
    add_binary_totals(link, binary_rows_of(data), fit.theta, totals, probability.data(),
                      residual.data(), converged ? nullptr : log_terms.data());
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) e.table[a][b] = totals.table[a][b];
    if (!converged && separated(fitted_separation(log_terms, fit.history, data.intercept)))
        return e;
    std::vector<Real> cov;
    if (!choice_covariance(fit, k, control.sandwich, cov, e.bad_column)) {
        e.end = ChoiceEnd::SINGULAR;
        return e;
    }
    // CLUSTER: -H^-1 the bread, the scores the generalised residual times x.
    if (control.covariance.clustered()) {
        std::vector<Real> scores(n * std::size_t(k));
        for (int j = 0; j < k; ++j) {
            const Real* x = data.column(std::size_t(j));
            for (std::size_t i = 0; i < n; ++i) scores[std::size_t(j) * n + i] = residual[i] * x[i];
        }
        const int groups = control.clusters.groups;
        cov = clustered_covariance(scores, int(n), k, control.clusters.group, groups, cov,
                                   cluster_factor(control.covariance, groups, int(n), k));
    }
    describe_binary(link, fit, std::move(cov), totals, llf0, total, data.intercept, e);
    e.result.record.predicted = std::move(probability);
    e.result.record.residuals = std::move(residual);
    return e;
}

} // namespace tarvex
